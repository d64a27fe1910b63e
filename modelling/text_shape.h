// The shape of a Text object: a line of characters whose TrueType outlines are turned into
// closed quadratic curves, flattened into side walls, and capped front and back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "font_record.h"
#include "glyph_outline.h"
#include "model/nurbs_patch.h"
#include "model/shapes.h"
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

// The split fractions the text flattening takes in turn: 1024 fixed values in [0.45, 0.55),
// with a cursor shared by every flattening in the process (so flattening the same curve twice
// may pick other points). The cursor is atomic.
class SplitFractions {
  public:
    static constexpr int kSize = 1024;
    static double Next();
    static double At(int i);
};

class TextShape : public MeshShape {
  public:
    static constexpr double kLetterSpacing = 0.05;
    static constexpr double kSpaceAdvance = 0.5;
    static constexpr double kFlatness = 1e-7;
    // Glyph units to model units: x by 0.0004, glyph up (z) four times as much.
    static constexpr double kScaleX = 0.0004;
    static constexpr double kScaleZ = 0.0016;

    TextShape() = default;
    TextShape(std::string text, const LogFont& font, double depth);

    // Reads every non-space character's contours from the font (a character without an
    // outline gets an empty entry). Returns false when no TrueType face matches the font.
    bool ReadGlyphs();

    // The text's walls and caps, re-centred on the origin; no render mesh is built. False
    // (empty mesh) when the text would need more vertices than 16-bit indices address.
    bool BuildDisplayMesh(Mesh& mesh, BoundingBox& box) override;
    bool BuildRenderMesh(Mesh& mesh) override {
        mesh.Clear();
        return true;
    }
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

// The contour curves of one character's outline points (glyph units).
std::vector<ContourCurve> ContourCurves(const std::vector<OutlinePoint>& outline);

// Flattens one contour: appends its side walls (pen offset added to x) to `vertices`, fills
// its polygon (x, z; reversed parameter order) and its orientation mark, and returns the
// largest x of the walls' vertices (-1 000 000 when it made none).
double FlattenContour(ContourCurve& contour, double pen, double depth, double flatness,
                      std::vector<DisplayVertex>& vertices, std::vector<Point2>& polygon);

// Caps one character: groups its contours (holes under the outer contour holding their first
// point), triangulates each group and appends the front and back cap triangles.
void BuildCaps(const std::vector<ContourCurve>& contours,
               const std::vector<std::vector<Point2>>& polygons, double pen, double depth,
               std::vector<DisplayVertex>& vertices);

}  // namespace kelto
