// The triangles a hierarchy search collects because they may decide the nearest hit, and the
// bound T they make (see triangle_hierarchy.h): every collected triangle has t <= T, and T is
// the smallest bound such that each collected triangle's k = max(e, t) is within it too.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace kelto {

struct NearCandidate {
    float t, k;
    std::uint32_t slot;  // where the walk found it (the hierarchy tells its testing order)
};

// Holds a few candidates in place; with a spill vector it holds any number.
class NearSet {
  public:
    static constexpr int kInPlace = 24;

    NearSet(float bound, std::vector<NearCandidate>* spill)
        : bound_(bound), lowest_(bound), spill_(spill) {
        if (spill_ != nullptr) {
            spill_->clear();
        }
    }
    // Starts over, collecting everything up to `bound` without narrowing.
    void Refill(float bound) {
        count_ = 0;
        if (spill_ != nullptr) {
            spill_->clear();
        }
        bound_ = bound;
        lowest_ = bound;
        nearest_t_ = INFINITY;
        fixed_ = true;
    }
    float Bound() const { return bound_; }
    // Whether a narrower bound than the present one was in force at some time.
    bool NarrowedBefore() const { return lowest_ < bound_; }
    bool Empty() const { return Size() == 0; }

    // Adds a triangle with t <= Bound(); false when it does not fit.
    bool Add(float t, float k, std::uint32_t slot) {
        if (!fixed_ && k == t) {
            // The usual case, settled without a pass over the set: a triangle nearer than all
            // the others leaves only itself, and one that is not leaves the bound as it is
            // (its k is within it).
            if (t < nearest_t_) {
                Resize(0);
                Push({t, k, slot});
                nearest_t_ = t;
                bound_ = t;
                lowest_ = std::min(lowest_, t);
                return true;
            }
            return Push({t, k, slot});
        }
        if (!Push({t, k, slot})) {
            return false;
        }
        if (!fixed_) {
            Settle();
        }
        return true;
    }
    // Recomputes the bound from what was collected, dropping what lies beyond it.
    void Settle() {
        NearCandidate* first = Data();
        NearCandidate* last = first + Size();
        if (first == last) {
            return;
        }
        float bound = INFINITY;
        for (const NearCandidate* c = first; c != last; ++c) {
            bound = std::min(bound, c->t);
        }
        nearest_t_ = bound;
        for (bool grew = true; grew;) {
            grew = false;
            for (const NearCandidate* c = first; c != last; ++c) {
                if (c->t <= bound && c->k > bound) {
                    bound = c->k;
                    grew = true;
                }
            }
        }
        if (!fixed_) {
            last = std::remove_if(first, last,
                                  [bound](const NearCandidate& c) { return c.t > bound; });
            Resize(static_cast<std::size_t>(last - first));
        }
        bound_ = bound;
        lowest_ = std::min(lowest_, bound);
    }
    NearCandidate* Data() { return spill_ != nullptr ? spill_->data() : in_place_; }
    const NearCandidate* Data() const { return spill_ != nullptr ? spill_->data() : in_place_; }
    std::size_t Size() const {
        return spill_ != nullptr ? spill_->size() : static_cast<std::size_t>(count_);
    }

  private:
    bool Push(const NearCandidate& c) {
        if (spill_ != nullptr) {
            spill_->push_back(c);
        } else if (count_ < kInPlace) {
            in_place_[count_++] = c;
        } else {
            return false;
        }
        return true;
    }
    void Resize(std::size_t n) {
        if (spill_ != nullptr) {
            spill_->resize(n);
        } else {
            count_ = static_cast<int>(n);
        }
    }

    float bound_;
    float lowest_;
    float nearest_t_ = INFINITY;  // the smallest t collected, while not fixed
    bool fixed_ = false;
    int count_ = 0;
    std::vector<NearCandidate>* spill_ = nullptr;
    NearCandidate in_place_[kInPlace];
};

}  // namespace kelto
