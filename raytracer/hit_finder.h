// The two questions shading asks of the scene, whichever search answers them: the nearest hit
// along a ray, and whether anything blocks a shadow ray. The reference walk and the hierarchy
// both answer through this one interface; the tracer calls it once per ray, and the searches'
// own loops run without further indirection.
#pragma once

#include <memory>

#include "prepared_scene.h"

namespace kelto {

class HitFinder {
  public:
    virtual ~HitFinder() = default;
    // The nearest hit nearer than `max_distance`; of equal distances the reference walk's first.
    virtual TraceHit Nearest(const Vec3f& origin, const Vec3f& direction,
                             float max_distance) const = 0;
    // Whether anything lies at `limit` or nearer (and nearer than `max_distance`).
    virtual bool AnyHitWithin(const Vec3f& origin, const Vec3f& direction, float max_distance,
                              float limit) const = 0;
};

// The tree walk over the prepared nodes, as the program has always searched (slow; kept to
// compare against).
class ReferenceHitFinder final : public HitFinder {
  public:
    explicit ReferenceHitFinder(const PreparedScene& scene) : scene_(scene) {}
    TraceHit Nearest(const Vec3f& origin, const Vec3f& direction,
                     float max_distance) const override {
        return scene_.ReferenceNearest(origin, direction, max_distance);
    }
    bool AnyHitWithin(const Vec3f& origin, const Vec3f& direction, float max_distance,
                      float limit) const override {
        const TraceHit hit = scene_.ReferenceNearest(origin, direction, max_distance);
        return hit.Found() && hit.distance <= limit;
    }

  private:
    const PreparedScene& scene_;
};

// The bounding-volume hierarchy over every triangle; it must have been built.
class HierarchyHitFinder final : public HitFinder {
  public:
    explicit HierarchyHitFinder(const PreparedScene& scene) : scene_(scene) {}
    TraceHit Nearest(const Vec3f& origin, const Vec3f& direction,
                     float max_distance) const override {
        return scene_.Nearest(origin, direction, max_distance);
    }
    bool AnyHitWithin(const Vec3f& origin, const Vec3f& direction, float max_distance,
                      float limit) const override {
        return scene_.AnyHitWithin(origin, direction, max_distance, limit);
    }

  private:
    const PreparedScene& scene_;
};

}  // namespace kelto
