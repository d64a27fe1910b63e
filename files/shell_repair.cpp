#include "shell_repair.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>

namespace kelto {
namespace {

// The directed edges no facet runs the other way along.
std::vector<std::pair<std::size_t, int>> OpenEdges(const std::vector<Facet>& facets) {
    std::map<std::pair<std::uint32_t, std::uint32_t>, int> uses;
    for (const Facet& f : facets) {
        for (std::size_t e = 0; e < 3; ++e) {
            ++uses[{f[e], f[(e + 1) % 3]}];
        }
    }
    std::vector<std::pair<std::size_t, int>> open;
    for (std::size_t i = 0; i < facets.size(); ++i) {
        for (std::size_t e = 0; e < 3; ++e) {
            if (!uses.contains({facets[i][(e + 1) % 3], facets[i][e]})) {
                open.emplace_back(i, static_cast<int>(e));
            }
        }
    }
    return open;
}

// The loops the open edges make, each in the order of its edges; none when a vertex starts or
// ends more than one open edge (the open edges then do not make simple loops).
std::optional<std::vector<std::vector<std::uint32_t>>> OpenLoops(const std::vector<Facet>& facets) {
    std::map<std::uint32_t, std::uint32_t> next;
    std::map<std::uint32_t, int> ends;
    for (const auto& [facet, edge] : OpenEdges(facets)) {
        const auto e = static_cast<std::size_t>(edge);
        const std::uint32_t from = facets[facet][e], to = facets[facet][(e + 1) % 3];
        if (!next.emplace(from, to).second || ++ends[to] > 1) {
            return std::nullopt;
        }
    }
    std::vector<std::vector<std::uint32_t>> loops;
    std::map<std::uint32_t, bool> taken;
    for (const auto& [start, unused] : next) {
        if (taken[start]) {
            continue;
        }
        std::vector<std::uint32_t> loop;
        for (std::uint32_t v = start; !taken[v];) {
            taken[v] = true;
            loop.push_back(v);
            const auto found = next.find(v);
            if (found == next.end()) {
                return std::nullopt;
            }
            v = found->second;
        }
        if (loop.size() < 3) {
            return std::nullopt;
        }
        loops.push_back(std::move(loop));
    }
    return loops;
}

double Distance(const Vec3& a, const Vec3& b) {
    return (a - b).Length();
}

double DistanceToSegment(const Vec3& p, const Vec3& a, const Vec3& b) {
    const Vec3 ab = b - a;
    const double length_squared = Dot(ab, ab);
    const double t =
        length_squared > 0.0 ? std::clamp(Dot(p - a, ab) / length_squared, 0.0, 1.0) : 0.0;
    return Distance(p, a + ab * t);
}

// How far the loop `from` lies from the loop `to`: the largest distance of a vertex of `from`
// to the nearest edge of `to`.
double LoopDistance(const std::vector<Vec3>& vertices, const std::vector<std::uint32_t>& from,
                    const std::vector<std::uint32_t>& to) {
    double farthest = 0.0;
    for (const std::uint32_t a : from) {
        double nearest = INFINITY;
        for (std::size_t k = 0; k < to.size(); ++k) {
            nearest = std::min(nearest, DistanceToSegment(vertices[a], vertices[to[k]],
                                                          vertices[to[(k + 1) % to.size()]]));
        }
        farthest = std::max(farthest, nearest);
    }
    return farthest;
}

// The strip between loop `a` and loop `b`, which runs the other way: walking on along `a` is
// walking back along `b`. Each step takes the next vertex of the loop whose new edge across
// the gap is shorter.
void Zip(const std::vector<Vec3>& vertices, const std::vector<std::uint32_t>& a,
         const std::vector<std::uint32_t>& b, std::vector<Facet>& facets) {
    std::size_t start = 0;
    for (std::size_t k = 1; k < b.size(); ++k) {
        if (Distance(vertices[a[0]], vertices[b[k]]) <
            Distance(vertices[a[0]], vertices[b[start]])) {
            start = k;
        }
    }
    auto at_a = [&](std::size_t i) { return a[i % a.size()]; };
    auto at_b = [&](std::size_t j) { return b[(start + b.size() - j % b.size()) % b.size()]; };
    std::size_t i = 0, j = 0;
    while (i < a.size() || j < b.size()) {
        const double across_a =
            i < a.size() ? Distance(vertices[at_a(i + 1)], vertices[at_b(j)]) : INFINITY;
        const double across_b =
            j < b.size() ? Distance(vertices[at_b(j + 1)], vertices[at_a(i)]) : INFINITY;
        Facet facet{};
        if (across_a <= across_b) {
            facet = {at_a(i + 1), at_a(i), at_b(j)};
            ++i;
        } else {
            facet = {at_b(j), at_b(j + 1), at_a(i)};
            ++j;
        }
        if (facet[0] != facet[1] && facet[1] != facet[2] && facet[0] != facet[2]) {
            facets.push_back(facet);
        }
    }
}

}  // namespace

bool IsClosedShell(std::span<const Facet> facets) {
    // Each directed edge once, and its reverse once.
    std::map<std::pair<std::uint32_t, std::uint32_t>, int> uses;
    for (const auto& f : facets) {
        for (int e = 0; e < 3; ++e) {
            ++uses[{f[static_cast<std::size_t>(e)], f[static_cast<std::size_t>((e + 1) % 3)]}];
        }
    }
    for (const auto& [edge, count] : uses) {
        const auto reverse = uses.find({edge.second, edge.first});
        if (count != 1 || reverse == uses.end() || reverse->second != 1) {
            return false;
        }
    }
    return !facets.empty();
}

void MendTJunctions(const std::vector<Vec3>& vertices, double tolerance,
                    std::vector<Facet>& facets) {
    std::vector<std::uint32_t> by_x(vertices.size());
    for (std::uint32_t i = 0; i < by_x.size(); ++i) {
        by_x[i] = i;
    }
    std::sort(by_x.begin(), by_x.end(),
              [&](std::uint32_t a, std::uint32_t b) { return vertices[a].x < vertices[b].x; });
    for (int pass = 0; pass < 32; ++pass) {
        const std::vector<std::pair<std::size_t, int>> open = OpenEdges(facets);
        if (open.empty()) {
            return;
        }
        std::vector<bool> split(facets.size(), false);
        bool changed = false;
        for (const auto& [facet_index, edge] : open) {
            if (split[facet_index]) {
                continue;  // the next pass takes its other edges
            }
            const Facet f = facets[facet_index];
            const auto e = static_cast<std::size_t>(edge);
            const std::uint32_t a = f[e], b = f[(e + 1) % 3], c = f[(e + 2) % 3];
            const Vec3 pa = vertices[a], ab = vertices[b] - pa;
            const double length_squared = Dot(ab, ab);
            if (!(length_squared > 0.0)) {
                continue;
            }
            std::vector<std::pair<double, std::uint32_t>> between;
            const auto first = std::lower_bound(
                by_x.begin(), by_x.end(), std::min(pa.x, vertices[b].x) - tolerance,
                [&](std::uint32_t v, double x) { return vertices[v].x < x; });
            const double last_x = std::max(pa.x, vertices[b].x) + tolerance;
            for (auto it = first; it != by_x.end() && vertices[*it].x <= last_x; ++it) {
                if (*it == a || *it == b) {
                    continue;
                }
                const Vec3 ap = vertices[*it] - pa;
                const double t = Dot(ap, ab) / length_squared;
                const Vec3 off = ap - ab * t;
                if (t > 0.0 && t < 1.0 && Dot(off, off) <= tolerance * tolerance) {
                    between.emplace_back(t, *it);
                }
            }
            if (between.empty()) {
                continue;
            }
            std::sort(between.begin(), between.end());
            std::uint32_t from = a;
            facets[facet_index] = {from, between[0].second, c};
            for (std::size_t k = 0; k < between.size(); ++k) {
                from = between[k].second;
                const std::uint32_t to = k + 1 < between.size() ? between[k + 1].second : b;
                facets.push_back({from, to, c});
                split.push_back(true);
            }
            split[facet_index] = true;
            changed = true;
        }
        if (!changed) {
            return;
        }
    }
}

void StitchSeams(const std::vector<Vec3>& vertices, double gap, std::vector<Facet>& facets) {
    const std::optional<std::vector<std::vector<std::uint32_t>>> loops = OpenLoops(facets);
    if (!loops || loops->empty() || loops->size() % 2 != 0) {
        return;
    }
    std::vector<Facet> stitched = facets;
    std::vector<bool> paired(loops->size(), false);
    for (std::size_t a = 0; a < loops->size(); ++a) {
        if (paired[a]) {
            continue;
        }
        std::size_t best = loops->size();
        double best_distance = gap;
        for (std::size_t b = a + 1; b < loops->size(); ++b) {
            const double d = paired[b] ? INFINITY
                                       : std::max(LoopDistance(vertices, (*loops)[a], (*loops)[b]),
                                                  LoopDistance(vertices, (*loops)[b], (*loops)[a]));
            if (d <= best_distance) {
                best = b;
                best_distance = d;
            }
        }
        if (best == loops->size()) {
            return;
        }
        paired[a] = paired[best] = true;
        Zip(vertices, (*loops)[a], (*loops)[best], stitched);
    }
    if (IsClosedShell(stitched)) {
        facets = std::move(stitched);
    }
}

}  // namespace kelto
