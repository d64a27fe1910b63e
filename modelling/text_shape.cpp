#include "text_shape.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>
#include <map>
#include <span>

#include "model/bspline.h"
#include "model/curve_factory.h"
#include "model/message_table.h"
#include "text_settings.h"

namespace kelto {
namespace {

// The split fractions: fixed values, made once. Only a build's own cursor moves through them.
const std::array<double, SplitFractionCursor::kSize>& FractionTable() {
    static const std::array<double, SplitFractionCursor::kSize> table = [] {
        std::array<double, SplitFractionCursor::kSize> values{};
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

// Deep enough for any glyph; a bound so that a degenerate curve cannot recurse without end.
constexpr int kMaxFlattenDepth = 30;
constexpr double kNoWall = -1000000.0;

Vec3 Scaled(const OutlinePoint& p) {
    return {TextShape::kGlyphScale * p.x, 0.0, TextShape::kGlyphScale * p.y};
}

// Whether the control points lie on one straight line in the x-z plane, each at or beyond the
// one before it along the line.
bool RunStraightOn(std::span<const Point4> points) {
    const Vec3 first = points.front().Euclidean();
    const Vec3 last = points.back().Euclidean();
    const double dx = last.x - first.x, dz = last.z - first.z;
    Vec3 previous = first;
    for (const Point4& control : points) {
        const Vec3 p = control.Euclidean();
        if ((p.x - first.x) * dz - (p.z - first.z) * dx != 0.0 ||
            (p.x - previous.x) * dx + (p.z - previous.z) * dz < 0.0) {
            return false;
        }
        previous = p;
    }
    return dx != 0.0 || dz != 0.0;
}

// The parameters where one arc of the curve ends and the next begins (its interior knots),
// less those where the arcs on both sides continue one straight line: a straight piece of the
// outline is two arcs of the curve. Between two breaks the curve is a single parabolic arc or
// a straight line, which one point in the middle tells apart from its chord.
std::vector<double> CurveBreaks(const NurbsPatch& curve) {
    std::vector<double> breaks;
    const int order = curve.Order();
    const auto& knots = curve.knots_u;
    const auto count = static_cast<int>(curve.control_points.size());
    if (order < 2 || static_cast<int>(knots.size()) != count + order) {
        return breaks;
    }
    const double low = knots[static_cast<std::size_t>(order - 1)];
    const double high = knots[static_cast<std::size_t>(count)];
    for (int j = order; j < count;) {
        const double u = knots[static_cast<std::size_t>(j)];
        int multiplicity = 1;
        while (j + multiplicity < count && knots[static_cast<std::size_t>(j + multiplicity)] == u) {
            ++multiplicity;
        }
        if (u > low && u < high) {
            // The arcs either side of a simple knot j are shaped by control points j - order
            // to j.
            const bool straight_through =
                multiplicity == 1 &&
                RunStraightOn(std::span<const Point4>(curve.control_points)
                                  .subspan(static_cast<std::size_t>(j - order),
                                           static_cast<std::size_t>(order + 1)));
            if (!straight_through) {
                breaks.push_back(u);
            }
        }
        j += multiplicity;
    }
    return breaks;
}

// Adaptive subdivision of a contour curve into flat pieces, appended to `samples` in pairs.
struct Flattener {
    const CurveEvaluator& curve;
    const std::vector<double>& breaks;  // ascending
    double flatness;
    SplitFractionCursor& fractions;
    std::vector<FlatSample>& samples;

    void Interval(double t0, const Vec3& p0, double t1, const Vec3& p1, int depth) {
        double t = t0 + (t1 - t0) * fractions.Next();
        // An interval over more than one arc is not judged by its middle point: that point may
        // fall on the chord of a long stretch of outline that bends away between (half of an
        // 'e' once passed for flat that way). It is cut at the break nearest to t instead.
        const auto after = std::upper_bound(breaks.begin(), breaks.end(), t0);
        const bool holds_break = after != breaks.end() && *after < t1;
        if (holds_break && depth < kMaxFlattenDepth) {
            auto nearest = after;
            for (auto b = after; b != breaks.end() && *b < t1; ++b) {
                if (std::fabs(*b - t) < std::fabs(*nearest - t)) {
                    nearest = b;
                }
            }
            t = *nearest;
        }
        const Vec3 m = curve.Evaluate(t).point;
        if (!holds_break || depth >= kMaxFlattenDepth) {
            // Flat when the middle point lies close to the chord and between its ends (an arc
            // that turns back has its middle beyond the ends).
            const Vec3 c = Cross(p0 - m, p1 - m);
            if ((Dot(c, c) < flatness && Dot(p0 - m, p1 - m) <= 0.0) || depth >= kMaxFlattenDepth) {
                samples.push_back({t0, p0, {}});
                samples.push_back({t1, p1, {}});
                return;
            }
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

bool SamePlace(const FlatSample& a, const FlatSample& b) {
    return a.point.x == b.point.x && a.point.z == b.point.z;
}

// Whether the outline runs from a to b and straight back towards a at b: the way back within
// a billionth of a radian of the way out (rounding of the samples' places, nothing drawn).
bool TurnsBack(const FlatSample& a, const FlatSample& b, const FlatSample& c) {
    const double ex = b.point.x - a.point.x, ez = b.point.z - a.point.z;
    const double fx = c.point.x - b.point.x, fz = c.point.z - b.point.z;
    const double dot = ex * fx + ez * fz;
    return dot < 0.0 && std::fabs(ex * fz - ez * fx) <= 1e-9 * -dot;
}

// Takes the tips of spurs out of a closed run of piece ends (the last at the first's place):
// points where the outline runs out along a line and straight back, as some fonts draw a
// spike of no width. Walls out and back would stand in one plane, and the cap's outline would
// overlap itself, which no triangulation takes. Repeated points go too.
void TakeOutSpurs(std::vector<FlatSample>& ends) {
    if (ends.size() < 2) {
        return;
    }
    const double closing_t = ends.back().t;
    std::vector<FlatSample> ring(ends.begin(), ends.end() - 1);
    for (bool changed = true; changed;) {
        changed = false;
        for (std::size_t i = 0; i < ring.size() && ring.size() >= 2;) {
            const std::size_t n = ring.size();
            const FlatSample& before = ring[(i + n - 1) % n];
            const FlatSample& after = ring[(i + 1) % n];
            if (SamePlace(before, ring[i]) || (n >= 3 && TurnsBack(before, ring[i], after))) {
                ring.erase(ring.begin() + static_cast<std::ptrdiff_t>(i));
                changed = true;
            } else {
                ++i;
            }
        }
    }
    ends = ring;
    ends.push_back(ring.front());
    ends.back().t = closing_t;
}

// FNV-1a over the text's bytes: the caps' random source for that text.
std::uint32_t TextHash(std::string_view text) {
    std::uint32_t hash = 2166136261u;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    return hash;
}

// Whether the end B of the spline triple at `i` (previous, A, B) must be kept as a point of
// its own. The curve passes through the midpoints of consecutive off-curve points by itself,
// so B may be left out only when it is that midpoint (the next triple's off-curve point A' has
// B halfway between A and A'), or when it is the contour's start, where the curve is closed.
// Any other end (where a straight segment begins, or the closing line back to the start) is
// taken twice like a line point, so that the curve reaches it: left out, the curve would cut
// across from A towards the next point and through the glyph (the top of a 'C' crossed its
// own terminal, the stem of a 'b' ran on a slant).
bool EndsOnOutline(const std::vector<OutlinePoint>& points, std::size_t i) {
    const OutlinePoint& b = points[i + 2];
    const std::size_t next = i + 3;
    if (next >= points.size()) {
        return b.x != points.front().x || b.y != points.front().y;
    }
    if (points[next].kind == 0 || next + 1 >= points.size()) {
        return true;
    }
    const OutlinePoint& a = points[i + 1];
    const OutlinePoint& a_next = points[next + 1];
    return 2.0 * b.x != a.x + a_next.x || 2.0 * b.y != a.y + a_next.y;
}

}  // namespace

double SplitFractionCursor::Next() {
    const double r = FractionTable()[static_cast<std::size_t>(position_)];
    position_ = (position_ + 1) % kSize;
    return r;
}

CapRandom::CapRandom(std::string_view text) : generator_(TextHash(text)) {}

std::string CharacterNames(std::string_view characters) {
    std::string names;
    for (const char c : characters) {
        if (!names.empty()) {
            names += ", ";
        }
        const auto code = static_cast<unsigned char>(c);
        if (code > 0x20 && code < 0x7F) {
            names += '\'';
            names += c;
            names += '\'';
        } else {
            static constexpr char kHex[] = "0123456789ABCDEF";
            names += "U+00";
            names += kHex[code >> 4];
            names += kHex[code & 0xF];
        }
    }
    return names;
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
                if (i + 2 < n && EndsOnOutline(points, i)) {
                    control.push_back(Scaled(points[i + 2]));
                    control.push_back(Scaled(points[i + 2]));
                }
                i += 3;
            }
        }
        // Close so that the curve starts and ends on the outline, at the contour's start: a
        // start point of a straight segment is there already; the last piece (a line, the
        // implicit closing line, or a spline ending at the start) comes back to it.
        const Vec3 first = Scaled(points.front());
        if (points.front().kind == 1) {
            control.push_front(first);
        }
        control.push_back(first);
        // A point the outline repeats (a line of no length, a spline ending where a line of no
        // length begins) would stand three or four times: the curve would stop there for a
        // stretch of parameter, and two samples at its ends, rounded apart, would make the
        // flattened outline step back on itself. Two copies make the corner.
        std::vector<Vec3> list;
        for (const Vec3& p : control) {
            const std::size_t n = list.size();
            if (n >= 2 && list[n - 1] == p && list[n - 2] == p) {
                continue;
            }
            list.push_back(p);
        }
        if (list.size() < 3) {
            continue;
        }
        curves.push_back({MakeCurve(list, {}, 3), 0});
    }
    return curves;
}

double FlattenContour(ContourCurve& contour, double pen, double depth, double flatness,
                      SplitFractionCursor& fractions, std::vector<DisplayVertex>& vertices,
                      std::vector<Point2>& polygon) {
    polygon.clear();
    // The mark is this flattening's: one left from an earlier build of the mesh does not stay.
    contour.orientation = 0;
    const CurveEvaluator curve(contour.curve.knots_u, contour.curve.control_points);
    if (!curve.Valid()) {
        return kNoWall;
    }
    const std::vector<double> breaks = CurveBreaks(contour.curve);
    std::vector<FlatSample> samples;
    Flattener flattener{curve, breaks, flatness, fractions, samples};
    const Vec3 start = curve.Evaluate(0.0).point;
    const Vec3 middle = curve.Evaluate(0.5).point;
    const Vec3 end = curve.Evaluate(1.0).point;
    flattener.Interval(0.0, start, 0.5, middle, 0);
    flattener.Interval(0.5, middle, 1.0, end, 0);
    for (FlatSample& s : samples) {
        s.tangent = Tangent(curve, s.t);
    }
    // The pieces run on from one to the next: keep their ends once each, the curve's start
    // first and its end (the same point) last, without the tips of spurs.
    std::vector<FlatSample> ends;
    if (!samples.empty()) {
        ends.push_back(samples.front());
        for (std::size_t k = 1; k < samples.size(); k += 2) {
            ends.push_back(samples[k]);
        }
        TakeOutSpurs(ends);
    }

    double largest = kNoWall;
    for (std::size_t k = 0; k + 1 < ends.size(); ++k) {
        const FlatSample& a = ends[k];
        const FlatSample& b = ends[k + 1];
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

    // The polygon: the pieces' ends once each, in reverse order of the parameter (the last
    // end first: the curve's start, the curve being closed).
    for (std::size_t k = ends.size(); k-- > 1;) {
        polygon.push_back({ends[k].point.x, ends[k].point.z});
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
               CapRandom& random, std::vector<DisplayVertex>& vertices) {
    const std::size_t count = contours.size();
    if (count == 0 || (count == 1 && contours[0].orientation == -1)) {
        return;
    }
    // Outer contours in order, each followed by the holes whose first point it holds. A hole
    // inside several outer contours (the counter of an 'R' inside the ring of a '®') goes with
    // the smallest of them, the one it is cut from.
    std::vector<std::size_t> ordered;
    if (count == 1) {
        ordered.push_back(0);
    } else {
        constexpr std::size_t kNoOuter = static_cast<std::size_t>(-1);
        std::vector<std::size_t> owner(count, kNoOuter);
        for (std::size_t i = 0; i < count; ++i) {
            if (contours[i].orientation == -1 || polygons[i].size() < 3) {
                continue;
            }
            const PolygonLocator outer(polygons[i], random.NextSeed());
            const double area = std::fabs(SignedArea(polygons[i]));
            for (std::size_t h = 0; h < count; ++h) {
                if (contours[h].orientation == -1 && !polygons[h].empty() &&
                    (owner[h] == kNoOuter || area < std::fabs(SignedArea(polygons[owner[h]]))) &&
                    outer.Contains(polygons[h].front())) {
                    owner[h] = i;
                }
            }
        }
        for (std::size_t i = 0; i < count; ++i) {
            if (contours[i].orientation == -1 || polygons[i].size() < 3) {
                continue;
            }
            ordered.push_back(i);
            for (std::size_t h = 0; h < count; ++h) {
                if (owner[h] == i) {
                    ordered.push_back(h);
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
        const std::vector<std::array<int, 3>> triangles =
            TriangulatePolygon(rings, random.NextSeed());
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
    : text(std::move(text_)), font(font_), depth(depth_) {
    profiles.push_back(TextSettingsRecord({text, font, depth}));
}

Result<std::string> TextShape::ReadGlyphs() {
    contours.clear();
    const GlyphSource source(font);
    if (!source.Usable()) {
        return Status::Message(kMsgNoTrueTypeFont, {font.FaceName()});
    }
    std::string missing;
    for (const char c : text) {
        if (c == ' ') {
            continue;
        }
        const auto code = static_cast<unsigned char>(c);
        contours.push_back(ContourCurves(source.Outline(code)));
        if (!source.HasGlyph(code) && missing.find(c) == std::string::npos) {
            missing.push_back(c);
        }
    }
    return missing;
}

Status TextShape::BuildDisplayMesh(Mesh& mesh, BoundingBox& box) {
    mesh.Clear();
    box.Reset();
    TextBuildState state(text);
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
            largest = std::max(largest,
                               FlattenContour(glyph[i], pen, depth, flatness, state.split_fractions,
                                              mesh.vertices, polygons[i]));
        }
        BuildCaps(glyph, polygons, pen, depth, state.cap_random, mesh.vertices);
        // A character without an outline moves the pen like a space.
        pen = largest == kNoWall ? pen + space_advance : largest + letter_spacing;
        if (mesh.vertices.size() > kMaxMeshVertices) {
            mesh.Clear();
            return Status::Message(kMsgTextTooLarge, {text});
        }
    }
    mesh.indices.resize(mesh.vertices.size());
    for (std::size_t i = 0; i < mesh.indices.size(); ++i) {
        mesh.indices[i] = static_cast<std::uint16_t>(i);
    }
    const BoundingBox built = mesh.Box();
    if (mesh.vertices.empty()) {
        centre = {};
        return Status::Ok();
    }
    centre = {(built.min.x + built.max.x) * 0.5, (built.min.y + built.max.y) * 0.5,
              (built.min.z + built.max.z) * 0.5};
    for (DisplayVertex& v : mesh.vertices) {
        v.x = static_cast<float>(v.x - centre.x);
        v.y = static_cast<float>(v.y - centre.y);
        v.z = static_cast<float>(v.z - centre.z);
    }
    box = mesh.Box();
    return Status::Ok();
}

}  // namespace kelto
