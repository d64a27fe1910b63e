#include "glyph_outline.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H

#include <algorithm>
#include <map>
#include <set>
#include <utility>

namespace kelto {
namespace {

// fontconfig's best match for a font record (to be destroyed by the caller), or null.
FcPattern* MatchPattern(const LogFont& font) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY,
                       reinterpret_cast<const FcChar8*>(font.FaceName().c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(std::clamp(font.weight, 1, 1000)));
    FcPatternAddInteger(pattern, FC_SLANT, font.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddString(pattern, FC_FONTFORMAT, reinterpret_cast<const FcChar8*>("TrueType"));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    return match;
}

// fontconfig's answer for a font record: the file and face index of the best match.
bool MatchFont(const LogFont& font, std::string& path, int& index) {
    FcPattern* match = MatchPattern(font);
    if (match == nullptr) {
        return false;
    }
    FcChar8* file = nullptr;
    int face_index = 0;
    const bool found = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch;
    FcPatternGetInteger(match, FC_INDEX, 0, &face_index);
    if (found) {
        path = reinterpret_cast<const char*>(file);
        index = face_index;
    }
    FcPatternDestroy(match);
    return found;
}

// A pattern for the faces with TrueType outlines (not bitmap-only ones), optionally of one
// family.
FcPattern* OutlineFacesPattern(const std::string* family) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FONTFORMAT, reinterpret_cast<const FcChar8*>("TrueType"));
    FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
    if (family != nullptr) {
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family->c_str()));
    }
    return pattern;
}

// One record of an outline as the desktop's native outline call gives it: a run of straight
// segment end points, or a quadratic spline's control points ending with its on-curve end.
struct OutlineRecord {
    bool spline = false;
    std::vector<std::pair<double, double>> points;
};

struct ContourRecords {
    std::pair<double, double> start;
    std::vector<OutlineRecord> records;
};

// Turns one TrueType contour (on- and off-curve points) into a start point and records.
ContourRecords ToRecords(const std::vector<std::pair<double, double>>& points,
                         const std::vector<bool>& on_curve) {
    const std::size_t n = points.size();
    std::vector<std::pair<double, double>> p = points;
    std::vector<bool> on = on_curve;
    // Start on an on-curve point; a contour of off-curve points only starts at the midpoint of
    // its first two.
    std::size_t first = n;
    for (std::size_t i = 0; i < n; ++i) {
        if (on[i]) {
            first = i;
            break;
        }
    }
    if (first == n) {
        const auto mid =
            std::make_pair((p[0].first + p[1 % n].first) / 2, (p[0].second + p[1 % n].second) / 2);
        p.insert(p.begin() + 1, mid);
        on.insert(on.begin() + 1, true);
        first = 1;
    }
    std::rotate(p.begin(), p.begin() + static_cast<std::ptrdiff_t>(first), p.end());
    std::vector<bool> rotated(on.begin() + static_cast<std::ptrdiff_t>(first), on.end());
    rotated.insert(rotated.end(), on.begin(), on.begin() + static_cast<std::ptrdiff_t>(first));
    on = rotated;

    ContourRecords contour;
    contour.start = p[0];
    const std::size_t count = p.size();
    std::size_t i = 1;
    while (i <= count) {
        const std::size_t at = i % count;  // the closing segment ends at the start point
        if (on[at]) {
            if (contour.records.empty() || contour.records.back().spline) {
                contour.records.push_back({false, {}});
            }
            if (i < count) {
                contour.records.back().points.push_back(p[at]);
            }
            ++i;
            continue;
        }
        OutlineRecord spline{true, {}};
        while (i <= count && !on[i % count]) {
            spline.points.push_back(p[i % count]);
            ++i;
        }
        spline.points.push_back(p[i % count]);  // the on-curve end (the start when closing)
        ++i;
        contour.records.push_back(std::move(spline));
    }
    // Drop an empty straight record left by the closing step.
    std::erase_if(contour.records, [](const OutlineRecord& r) { return r.points.empty(); });
    return contour;
}

}  // namespace

struct GlyphSource::Engine {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ~Engine() {
        if (face)
            FT_Done_Face(face);
        if (library)
            FT_Done_FreeType(library);
    }
};

GlyphSource::GlyphSource(const LogFont& font) : engine_(std::make_unique<Engine>()) {
    int index = 0;
    if (!MatchFont(font, path_, index) || FT_Init_FreeType(&engine_->library) != 0) {
        return;
    }
    if (FT_New_Face(engine_->library, path_.c_str(), index, &engine_->face) != 0) {
        engine_->face = nullptr;
        return;
    }
    // Only TrueType outlines: a face without a glyf table is not used.
    FT_ULong length = 0;
    if (!FT_IS_SFNT(engine_->face) ||
        FT_Load_Sfnt_Table(engine_->face, TTAG_glyf, 0, nullptr, &length) != 0 || length == 0) {
        FT_Done_Face(engine_->face);
        engine_->face = nullptr;
    }
}

GlyphSource::~GlyphSource() = default;

bool GlyphSource::Usable() const {
    return engine_->face != nullptr;
}

int GlyphSource::UnitsPerEm() const {
    return Usable() ? engine_->face->units_per_EM : 0;
}

bool GlyphSource::HasGlyph(unsigned char character) const {
    return Usable() && FT_Get_Char_Index(engine_->face, character) != 0;
}

std::vector<OutlinePoint> GlyphSource::Outline(unsigned char character) const {
    std::vector<OutlinePoint> points;
    if (!Usable()) {
        return points;
    }
    FT_Face face = engine_->face;
    const FT_UInt glyph = FT_Get_Char_Index(face, character);
    if (glyph == 0 ||
        FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) !=
            0 ||
        face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) {
        return points;
    }
    const FT_Outline& outline = face->glyph->outline;
    int start = 0;
    int contour_number = 0;
    for (int c = 0; c < outline.n_contours; ++c) {
        const int end = outline.contours[c];
        if (end < start || end >= outline.n_points) {
            break;
        }
        std::vector<std::pair<double, double>> contour_points;
        std::vector<bool> on_curve;
        bool cubic = false;
        for (int i = start; i <= end; ++i) {
            contour_points.emplace_back(outline.points[i].x, outline.points[i].y);
            const int tag = FT_CURVE_TAG(outline.tags[i]);
            cubic = cubic || tag == FT_CURVE_TAG_CUBIC;
            on_curve.push_back(tag == FT_CURVE_TAG_ON);
        }
        start = end + 1;
        if (cubic || contour_points.size() < 2) {
            continue;
        }
        const ContourRecords records = ToRecords(contour_points, on_curve);
        if (records.records.empty()) {
            continue;
        }
        // The outline walk: a contour opening with a straight record starts with its start
        // point; splines are taken point by point, an end between two control points being
        // their midpoint.
        std::pair<double, double> previous = records.start;
        if (!records.records.front().spline) {
            points.push_back({previous.first, previous.second, 0, contour_number});
        }
        for (const OutlineRecord& record : records.records) {
            if (!record.spline) {
                for (const auto& p : record.points) {
                    points.push_back({p.first, p.second, 0, contour_number});
                    previous = p;
                }
                continue;
            }
            const auto& q = record.points;
            std::size_t i = 0;
            while (i + 1 < q.size()) {
                const auto a = q[i];
                std::pair<double, double> b;
                if (i + 2 == q.size()) {
                    b = q[i + 1];
                    i += 2;
                } else {
                    b = {(a.first + q[i + 1].first) / 2, (a.second + q[i + 1].second) / 2};
                    i += 1;
                }
                points.push_back({previous.first, previous.second, 1, contour_number});
                points.push_back({a.first, a.second, 1, contour_number});
                points.push_back({b.first, b.second, 1, contour_number});
                previous = b;
            }
        }
        ++contour_number;
    }
    return points;
}

std::vector<std::string> TrueTypeFamilies() {
    std::set<std::string> families;
    FcPattern* pattern = OutlineFacesPattern(nullptr);
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_FILE, nullptr);
    FcFontSet* fonts = FcFontList(nullptr, pattern, objects);
    if (fonts != nullptr) {
        for (int i = 0; i < fonts->nfont; ++i) {
            FcChar8* family = nullptr;
            if (FcPatternGetString(fonts->fonts[i], FC_FAMILY, 0, &family) == FcResultMatch) {
                families.insert(reinterpret_cast<const char*>(family));
            }
        }
        FcFontSetDestroy(fonts);
    }
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    return {families.begin(), families.end()};
}

std::vector<TrueTypeStyle> TrueTypeStyles(const std::string& family) {
    // By (italic, weight): the style's name and whether it came from a face of normal width.
    std::map<std::pair<bool, int>, std::pair<std::string, bool>> styles;
    FcPattern* pattern = OutlineFacesPattern(&family);
    FcObjectSet* objects =
        FcObjectSetBuild(FC_FAMILY, FC_STYLE, FC_WEIGHT, FC_SLANT, FC_WIDTH, nullptr);
    FcFontSet* fonts = FcFontList(nullptr, pattern, objects);
    if (fonts != nullptr) {
        for (int i = 0; i < fonts->nfont; ++i) {
            FcPattern* face = fonts->fonts[i];
            // Only faces whose first family name is this one, as the family list names them.
            FcChar8* first_family = nullptr;
            if (FcPatternGetString(face, FC_FAMILY, 0, &first_family) != FcResultMatch ||
                family != reinterpret_cast<const char*>(first_family)) {
                continue;
            }
            int weight = FC_WEIGHT_REGULAR;
            int slant = FC_SLANT_ROMAN;
            int width = FC_WIDTH_NORMAL;
            FcPatternGetInteger(face, FC_WEIGHT, 0, &weight);
            FcPatternGetInteger(face, FC_SLANT, 0, &slant);
            FcPatternGetInteger(face, FC_WIDTH, 0, &width);
            FcChar8* style = nullptr;
            std::string name;
            if (FcPatternGetString(face, FC_STYLE, 0, &style) == FcResultMatch) {
                name = reinterpret_cast<const char*>(style);
            }
            const bool normal_width = width == FC_WIDTH_NORMAL;
            const auto key = std::make_pair(slant != FC_SLANT_ROMAN, FcWeightToOpenType(weight));
            const auto found = styles.find(key);
            if (found == styles.end() || (normal_width && !found->second.second)) {
                styles[key] = {name, normal_width};
            }
        }
        FcFontSetDestroy(fonts);
    }
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    std::vector<TrueTypeStyle> list;
    for (const auto& [key, value] : styles) {
        TrueTypeStyle style;
        style.italic = key.first;
        style.weight = key.second;
        style.name = value.first;
        if (style.name.empty()) {
            style.name = std::string(style.weight >= 600 ? "Bold" : "Regular") +
                         (style.italic ? " Italic" : "");
        }
        list.push_back(std::move(style));
    }
    return list;
}

std::string MatchedTrueTypeFamily(const LogFont& font) {
    FcPattern* match = MatchPattern(font);
    if (match == nullptr) {
        return {};
    }
    std::string family;
    FcChar8* format = nullptr;
    FcChar8* name = nullptr;
    FcBool outline = FcFalse;
    if (FcPatternGetString(match, FC_FONTFORMAT, 0, &format) == FcResultMatch &&
        std::string(reinterpret_cast<const char*>(format)) == "TrueType" &&
        FcPatternGetBool(match, FC_OUTLINE, 0, &outline) == FcResultMatch && outline &&
        FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch) {
        family = reinterpret_cast<const char*>(name);
    }
    FcPatternDestroy(match);
    return family;
}

}  // namespace kelto
