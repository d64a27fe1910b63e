#include "text_shape.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <deque>
#include <map>

#include "model/bspline.h"
#include "model/curve_factory.h"

namespace kelto {
namespace {

// Process-wide: see SplitFractions. Fixed values, so only the shared cursor varies.
const std::array<double, SplitFractions::kSize>& FractionTable() {
    static const std::array<double, SplitFractions::kSize> table = [] {
        std::array<double, SplitFractions::kSize> values{};
        std::uint32_t state = 0x9E3779B9u;
        for (double& v : values) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            v = 0.45 + 0.1 * (static_cast<double>(state % 1000000u) / 1000000.0);
        }
        return values;
    }();
    return table;
}

std::atomic<unsigned> g_fraction_cursor{0};

// Deep enough for any glyph; a bound so that a degenerate curve cannot recurse without end.
constexpr int kMaxFlattenDepth = 30;
constexpr double kNoWall = -1000000.0;

Vec3 Scaled(const OutlinePoint& p) {
    return {TextShape::kScaleX * p.x, 0.0, TextShape::kScaleZ * p.y};
}

struct Flattener {
    const CurveEvaluator& curve;
    double flatness;
    std::vector<FlatSample>& samples;

    void Interval(double t0, const Vec3& p0, double t1, const Vec3& p1, int depth) {
        const double t = t0 + (t1 - t0) * SplitFractions::Next();
        const Vec3 m = curve.Evaluate(t).point;
        const Vec3 c = Cross(p0 - m, p1 - m);
        if (Dot(c, c) < flatness || depth >= kMaxFlattenDepth) {
            samples.push_back({t0, p0, {}});
            samples.push_back({t1, p1, {}});
            return;
        }
        Interval(t0, p0, t, m, depth + 1);
        Interval(t, m, t1, p1, depth + 1);
    }
};

Vec3 Tangent(const CurveEvaluator& curve, double t) {
    for (double h : {0.001, 0.01, 0.1}) {
        const Vec3 a = curve.Evaluate(std::clamp(t - h, 0.0, 1.0)).point;
        const Vec3 b = curve.Evaluate(std::clamp(t + h, 0.0, 1.0)).point;
        const Vec3 d = b - a;
        const double length = d.Length();
        if (length >= 1e-5) {
            return d * (1.0 / length);
        }
    }
    return {};
}

DisplayVertex Vertex(double x, double y, double z, const Vec3& n, double s, double t) {
    DisplayVertex v;
    v.x = static_cast<float>(x);
    v.y = static_cast<float>(y);
    v.z = static_cast<float>(z);
    v.nx = static_cast<float>(n.x);
    v.ny = static_cast<float>(n.y);
    v.nz = static_cast<float>(n.z);
    v.normal_valid = 1.0f;
    v.s = static_cast<float>(s);
    v.t = static_cast<float>(t);
    return v;
}

}  // namespace

double SplitFractions::Next() {
    return FractionTable()[g_fraction_cursor.fetch_add(1, std::memory_order_relaxed) % kSize];
}

double SplitFractions::At(int i) {
    return FractionTable()[static_cast<std::size_t>(i) % kSize];
}

std::vector<ContourCurve> ContourCurves(const std::vector<OutlinePoint>& outline) {
    std::map<int, std::vector<OutlinePoint>> by_contour;
    for (const OutlinePoint& p : outline) {
        by_contour[p.contour].push_back(p);
    }
    std::vector<ContourCurve> curves;
    for (const auto& [number, points] : by_contour) {
        const std::size_t n = points.size();
        std::deque<Vec3> control;
        for (std::size_t i = 0; i < n;) {
            if (points[i].kind == 0) {
                control.push_back(Scaled(points[i]));
                control.push_back(Scaled(points[i]));
                ++i;
            } else {
                if (i + 1 < n) {
                    control.push_back(Scaled(points[i + 1]));  // the off-curve point only
                }
                i += 3;
            }
        }
        // Close so that the curve starts and ends on the outline.
        const Vec3 first = Scaled(points.front());
        if (points.front().kind == 0) {
            control.push_back(first);
        } else {
            control.push_front(first);
            control.push_back(points.back().kind == 1 ? Scaled(points.back()) : first);
        }
        if (!(control.back() == first)) {
            control.push_back(first);
        }
        if (control.size() < 3) {
            continue;
        }
        const std::vector<Vec3> list(control.begin(), control.end());
        curves.push_back({MakeCurve(list, {}, 3), 0});
    }
    return curves;
}

double FlattenContour(ContourCurve& contour, double pen, double depth, double flatness,
                      std::vector<DisplayVertex>& vertices, std::vector<Point2>& polygon) {
    polygon.clear();
    const CurveEvaluator curve(contour.curve.knots_u, contour.curve.control_points);
    if (!curve.Valid()) {
        return kNoWall;
    }
    std::vector<FlatSample> samples;
    Flattener flattener{curve, flatness, samples};
    const Vec3 start = curve.Evaluate(0.0).point;
    const Vec3 middle = curve.Evaluate(0.5).point;
    const Vec3 end = curve.Evaluate(1.0).point;
    flattener.Interval(0.0, start, 0.5, middle, 0);
    flattener.Interval(0.5, middle, 1.0, end, 0);
    for (FlatSample& s : samples) {
        s.tangent = Tangent(curve, s.t);
    }

    double largest = kNoWall;
    for (std::size_t k = 0; k + 1 < samples.size(); k += 2) {
        const FlatSample& a = samples[k];
        const FlatSample& b = samples[k + 1];
        if (static_cast<float>(a.point.x) == static_cast<float>(b.point.x) &&
            static_cast<float>(a.point.z) == static_cast<float>(b.point.z)) {
            continue;
        }
        const Vec3 af{a.point.x + pen, 0.0, a.point.z}, ab{a.point.x + pen, depth, a.point.z};
        const Vec3 bf{b.point.x + pen, 0.0, b.point.z}, bb{b.point.x + pen, depth, b.point.z};
        Vec3 face = Cross(bf - af, ab - af);
        face = face.Length() > 0 ? face * (1.0 / face.Length()) : face;
        auto normal_at = [&](const FlatSample& s) {
            const Vec3 n{-s.tangent.z, 0.0, s.tangent.x};
            const double length = n.Length();
            return length < 1e-8 ? face : n * (1.0 / length);
        };
        const Vec3 na = normal_at(a), nb = normal_at(b);
        vertices.push_back(Vertex(af.x, af.y, af.z, na, a.t, 0.0));
        vertices.push_back(Vertex(bf.x, bf.y, bf.z, nb, b.t, 0.0));
        vertices.push_back(Vertex(ab.x, ab.y, ab.z, na, a.t, 1.0));
        vertices.push_back(Vertex(bf.x, bf.y, bf.z, nb, b.t, 0.0));
        vertices.push_back(Vertex(bb.x, bb.y, bb.z, nb, b.t, 1.0));
        vertices.push_back(Vertex(ab.x, ab.y, ab.z, na, a.t, 1.0));
        largest = std::max({largest, af.x, bf.x});
    }

    // The polygon: the pieces' endpoints once each, in reverse order of the parameter.
    const std::size_t pieces = samples.size() / 2;
    if (pieces > 0) {
        polygon.push_back({samples[2 * pieces - 1].point.x, samples[2 * pieces - 1].point.z});
        for (std::size_t k = pieces - 1; k >= 1; --k) {
            polygon.push_back({samples[2 * k].point.x, samples[2 * k].point.z});
        }
    }
    // Orientation from the turning angles: a full counter-clockwise turn is an outer contour.
    double turning = 0.0;
    const std::size_t m = polygon.size();
    for (std::size_t i = 0; i < m && m >= 3; ++i) {
        const Point2& p0 = polygon[i];
        const Point2& p1 = polygon[(i + 1) % m];
        const Point2& p2 = polygon[(i + 2) % m];
        const double ex = p1.x - p0.x, ez = p1.y - p0.y, fx = p2.x - p1.x, fz = p2.y - p1.y;
        turning += std::atan2(ex * fz - ez * fx, ex * fx + ez * fz) / kDegreesToRadians;
    }
    if (turning >= 359.0 && turning <= 361.0) {
        contour.orientation = 1;
    } else if (turning >= -361.0 && turning <= -359.0) {
        contour.orientation = -1;
    }
    return largest;
}

void BuildCaps(const std::vector<ContourCurve>& contours,
               const std::vector<std::vector<Point2>>& polygons, double pen, double depth,
               std::vector<DisplayVertex>& vertices) {
    const std::size_t count = contours.size();
    if (count == 0 || (count == 1 && contours[0].orientation == -1)) {
        return;
    }
    // Outer contours in order, each followed by the holes whose first point it holds.
    std::vector<std::size_t> ordered;
    if (count == 1) {
        ordered.push_back(0);
    } else {
        std::vector<bool> placed(count, false);
        for (std::size_t i = 0; i < count; ++i) {
            if (contours[i].orientation == -1 || polygons[i].size() < 3) {
                continue;
            }
            ordered.push_back(i);
            const PolygonLocator outer(polygons[i]);
            for (std::size_t h = 0; h < count; ++h) {
                if (contours[h].orientation == -1 && !placed[h] && !polygons[h].empty() &&
                    outer.Contains(polygons[h].front())) {
                    ordered.push_back(h);
                    placed[h] = true;
                }
            }
        }
    }
    std::vector<std::vector<std::size_t>> groups;
    for (std::size_t index : ordered) {
        if (contours[index].orientation != -1 || groups.empty()) {
            groups.push_back({index});
        } else {
            groups.back().push_back(index);
        }
    }

    const Vec3 front_normal{0, -1, 0}, back_normal{0, 1, 0};
    for (const std::vector<std::size_t>& group : groups) {
        std::vector<std::vector<Point2>> rings;
        for (std::size_t k = 0; k < group.size(); ++k) {
            std::vector<Point2> ring = polygons[group[k]];
            // The triangulation wants the outer contour counter-clockwise and holes clockwise.
            const double area = SignedArea(ring);
            if ((k == 0 && area < 0) || (k > 0 && area > 0)) {
                std::reverse(ring.begin(), ring.end());
            }
            rings.push_back(std::move(ring));
        }
        std::vector<Point2> points;
        for (const auto& ring : rings) {
            points.insert(points.end(), ring.begin(), ring.end());
        }
        const std::vector<std::array<int, 3>> triangles = TriangulatePolygon(rings);
        double min_x = 1e7, max_x = -1e7, min_z = 1e7, max_z = -1e7;
        for (const auto& triangle : triangles) {
            for (int number : triangle) {
                const Point2& p = points[static_cast<std::size_t>(number - 1)];
                min_x = std::min(min_x, p.x);
                max_x = std::max(max_x, p.x);
                min_z = std::min(min_z, p.y);
                max_z = std::max(max_z, p.y);
            }
        }
        auto texture = [&](const Point2& p, double& s, double& t) {
            s = max_x > min_x ? std::clamp((p.x - min_x) / (max_x - min_x), 0.0, 1.0) : 0.0;
            t = max_z > min_z ? std::clamp((p.y - min_z) / (max_z - min_z), 0.0, 1.0) : 0.0;
        };
        for (const auto& triangle : triangles) {
            const Point2* c[3];
            for (int k = 0; k < 3; ++k) {
                const int number = triangle[static_cast<std::size_t>(k)];
                if (number < 1 || static_cast<std::size_t>(number) > points.size()) {
                    return;  // never from the triangulation; refuse rather than read outside
                }
                c[k] = &points[static_cast<std::size_t>(number - 1)];
            }
            if ((c[0]->x == c[1]->x && c[1]->x == c[2]->x) ||
                (c[0]->y == c[1]->y && c[1]->y == c[2]->y)) {
                continue;
            }
            for (int k = 0; k < 3; ++k) {
                double s = 0, t = 0;
                texture(*c[k], s, t);
                vertices.push_back(Vertex(c[k]->x + pen, 0.0, c[k]->y, front_normal, s, t));
            }
            for (int k = 2; k >= 0; --k) {
                double s = 0, t = 0;
                texture(*c[k], s, t);
                vertices.push_back(Vertex(c[k]->x + pen, depth, c[k]->y, back_normal, 1.0 - s, t));
            }
        }
    }
}

TextShape::TextShape(std::string text_, const LogFont& font_, double depth_)
    : text(std::move(text_)), font(font_), depth(depth_) {}

bool TextShape::ReadGlyphs() {
    contours.clear();
    const GlyphSource source(font);
    if (!source.Usable()) {
        return false;
    }
    for (const char c : text) {
        if (c != ' ') {
            contours.push_back(ContourCurves(source.Outline(static_cast<unsigned char>(c))));
        }
    }
    return true;
}

bool TextShape::BuildDisplayMesh(Mesh& mesh, BoundingBox& box) {
    mesh.Clear();
    box.Reset();
    double pen = 0.0;
    std::size_t character = 0;
    std::vector<std::vector<Point2>> polygons;
    for (const char c : text) {
        if (c == ' ') {
            pen += space_advance;
            continue;
        }
        if (character >= contours.size()) {
            break;
        }
        std::vector<ContourCurve>& glyph = contours[character++];
        polygons.assign(glyph.size(), {});
        double largest = kNoWall;
        for (std::size_t i = 0; i < glyph.size(); ++i) {
            largest = std::max(largest, FlattenContour(glyph[i], pen, depth, flatness,
                                                       mesh.vertices, polygons[i]));
        }
        BuildCaps(glyph, polygons, pen, depth, mesh.vertices);
        // A character without an outline moves the pen like a space.
        pen = largest == kNoWall ? pen + space_advance : largest + letter_spacing;
        if (mesh.vertices.size() > kMaxMeshVertices) {
            mesh.Clear();
            return false;
        }
    }
    mesh.indices.resize(mesh.vertices.size());
    for (std::size_t i = 0; i < mesh.indices.size(); ++i) {
        mesh.indices[i] = static_cast<std::uint16_t>(i);
    }
    const BoundingBox built = mesh.Box();
    if (mesh.vertices.empty()) {
        centre = {};
        return true;
    }
    centre = {(built.min.x + built.max.x) * 0.5, (built.min.y + built.max.y) * 0.5,
              (built.min.z + built.max.z) * 0.5};
    for (DisplayVertex& v : mesh.vertices) {
        v.x = static_cast<float>(v.x - centre.x);
        v.y = static_cast<float>(v.y - centre.y);
        v.z = static_cast<float>(v.z - centre.z);
    }
    box = mesh.Box();
    return true;
}

}  // namespace kelto
