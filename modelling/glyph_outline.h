// Glyph outlines from the font engine, as the text tool reads them: per contour, points of
// straight segments and of quadratic segments in the font's em square.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "font_record.h"

namespace kelto {

// One point of a glyph's outline. kind 0: a point of a straight segment; kind 1: one of the
// three points (previous, control, end) of a quadratic segment.
struct OutlinePoint {
    double x = 0.0;
    double y = 0.0;
    int kind = 0;
    int contour = 0;
};

// A TrueType face found through fontconfig for a font record, kept open while glyphs are read.
// Only faces with TrueType (glyf) outlines are used.
class GlyphSource {
  public:
    explicit GlyphSource(const LogFont& font);
    ~GlyphSource();
    GlyphSource(const GlyphSource&) = delete;
    GlyphSource& operator=(const GlyphSource&) = delete;

    bool Usable() const;
    std::string FilePath() const { return path_; }
    int UnitsPerEm() const;
    // The outline of one character (its byte value taken as the character code), in font
    // units, as the desktop's native outline records would give it. Empty when the character
    // has no outline.
    std::vector<OutlinePoint> Outline(unsigned char character) const;
    // Whether the face has a glyph for the character at all (a space has one, without outline).
    bool HasGlyph(unsigned char character) const;

  private:
    struct Engine;
    std::unique_ptr<Engine> engine_;
    std::string path_;
};

// The families of the TrueType (glyf-outline) fonts fontconfig knows, sorted, each once.
std::vector<std::string> TrueTypeFamilies();

// One style of a family as a font record selects it: its weight (400 regular, 700 bold) and
// italic flag, named as the family's face of that style calls itself ("Bold Italic").
struct TrueTypeStyle {
    std::string name;
    int weight = 400;
    bool italic = false;
    friend bool operator==(const TrueTypeStyle&, const TrueTypeStyle&) = default;
};
// The styles of a family's TrueType faces, each weight and slant once (upright before italic,
// light before bold); faces of normal width are preferred for the names. Empty for a family
// without TrueType faces.
std::vector<TrueTypeStyle> TrueTypeStyles(const std::string& family);
// The family whose face a font record is read from (fontconfig's match: "Times New Roman"
// gives "Liberation Serif" where only that is installed); empty when no TrueType face matches.
std::string MatchedTrueTypeFamily(const LogFont& font);

}  // namespace kelto
