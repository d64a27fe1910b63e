// The shape of a Text object: a line of characters whose TrueType outlines are turned into
// closed quadratic curves, flattened into side walls, and capped front and back.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "font_record.h"
#include "glyph_outline.h"
#include "model/nurbs_patch.h"
#include "model/shapes.h"
#include "model/status.h"
#include "seidel_triangulation.h"

namespace kelto {

// A contour of a glyph as a closed quadratic B-spline in the x-z plane, with its orientation
// mark: +1 outer, -1 hole, 0 not known.
struct ContourCurve {
    NurbsPatch curve;
    int orientation = 0;
};

// One sample of a flattened contour.
struct FlatSample {
    double t = 0.0;
    Vec3 point;
    Vec3 tangent;
};

// The split fractions the flattening takes in turn: a fixed table of 1024 values in
// [0.45, 0.55) and a cursor that one build of a text's mesh owns. The cursor starts at the
// table's first entry for every build and runs on from one contour (and glyph) to the next,
// wrapping from the last entry to the first; so a contour's samples depend on what was
// flattened before it in the same text, but the same text always gives the same samples.
class SplitFractionCursor {
  public:
    static constexpr int kSize = 1024;

    // A cursor at entry `start` (taken modulo the table's size).
    explicit SplitFractionCursor(int start = 0) : position_((start % kSize + kSize) % kSize) {}
    double Next();

  private:
    int position_;
};

// The random source of one build's cap triangulations: each triangulation (and the location
// of holes in outer contours) takes its own seed from it in turn. Seeded from the text, so
// the same text gives the same caps every time, whatever else the process is doing.
class CapRandom {
  public:
    explicit CapRandom(std::string_view text);
    std::uint32_t NextSeed() { return static_cast<std::uint32_t>(generator_()); }

  private:
    std::mt19937 generator_;
};

// What one build of a text's mesh draws on, made afresh for each build.
struct TextBuildState {
    explicit TextBuildState(std::string_view text) : cap_random(text) {}
    SplitFractionCursor split_fractions;
    CapRandom cap_random;
};

class TextShape : public MeshShape {
  public:
    static constexpr double kLetterSpacing = 0.05;
    static constexpr double kSpaceAdvance = 0.5;
    static constexpr double kFlatness = 1e-7;
    // Glyph units (the font's own, em square and all) to model units, the same across and
    // up, so that the letters keep the face's proportions.
    static constexpr double kGlyphScale = 0.0016;

    // A shape to read a stored record into.
    TextShape() = default;
    // Keeps the text, font and depth also as its settings record (text_settings.h).
    TextShape(std::string text, const LogFont& font, double depth);

    // Reads every non-space character's contours from the font (a character without an
    // outline gets an empty entry). Gives the characters the face has no glyph for, once each
    // and in the order of the text; fails with the message that no TrueType face matches the
    // font.
    Result<std::string> ReadGlyphs();

    // The text's walls and caps, re-centred on the origin; no render mesh is built. Fails
    // with the text-too-large message (empty mesh) when the text would need more vertices than
    // 16-bit indices address.
    Status BuildDisplayMesh(Mesh& mesh, BoundingBox& box) override;
    Status BuildRenderMesh(Mesh& mesh) override {
        mesh.Clear();
        return Status::Ok();
    }
    bool RenderMeshIsDisplayMesh() const override { return false; }
    // The centre the mesh was moved by.
    bool GetAnchor(Vec3& anchor) const override {
        anchor = centre;
        return true;
    }

    std::string text;
    std::vector<std::vector<ContourCurve>> contours;  // one entry per non-space character
    LogFont font;
    double depth = 0.45;
    double letter_spacing = kLetterSpacing;
    double space_advance = kSpaceAdvance;
    double flatness = kFlatness;
    Vec3 centre;
};

// The characters for a message: each printable ASCII character in quotes ('~'), any other by
// the code it stands for (U+00E9), separated by commas.
std::string CharacterNames(std::string_view characters);

// The contour curves of one character's outline points (glyph units).
std::vector<ContourCurve> ContourCurves(const std::vector<OutlinePoint>& outline);

// Flattens one contour: appends its side walls (pen offset added to x) to `vertices`, fills
// its polygon (x, z; reversed parameter order) and its orientation mark, and returns the
// largest x of the walls' vertices (-1 000 000 when it made none). The split fractions come
// from `fractions`, which moves on by one for every interval looked at.
double FlattenContour(ContourCurve& contour, double pen, double depth, double flatness,
                      SplitFractionCursor& fractions, std::vector<DisplayVertex>& vertices,
                      std::vector<Point2>& polygon);

// Caps one character: groups its contours (holes under the outer contour holding their first
// point), triangulates each group and appends the front and back cap triangles. The
// triangulations' segment orders come from `random`.
void BuildCaps(const std::vector<ContourCurve>& contours,
               const std::vector<std::vector<Point2>>& polygons, double pen, double depth,
               CapRandom& random, std::vector<DisplayVertex>& vertices);

}  // namespace kelto
