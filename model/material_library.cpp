#include "material_library.h"

#include <cmath>

#include "material_pictures.h"

namespace kelto {
namespace {

constexpr int kColourPictureSize = 128;
constexpr int kBumpPictureSize = 64;
constexpr ColourRgb kWhite{1.0f, 1.0f, 1.0f};

ColourRgb Grey(float level) {
    return {level, level, level};
}

ColourRgb Scaled(const ColourRgb& c, float factor) {
    return {c.r * factor, c.g * factor, c.b * factor};
}

// The surface's light-scattering colour and how much of it the scene's ambient light shows.
Material Coloured(const ColourRgb& colour, float brightness, float ambient_share) {
    Material m;
    m.colour = colour;
    m.brightness = brightness;
    m.ambient = Scaled(colour, brightness * ambient_share);
    return m;
}

void Finish(Material& m, const ColourRgb& highlight, float shininess, float reflect) {
    m.highlight = highlight;
    m.shininess = shininess;
    m.reflective_strength = reflect;
}

// A clear medium: almost no diffuse colour of its own, a white highlight and a little mirror
// on the surface, the rest of the light going through, bent by `index`.
Material Clear(const ColourRgb& tint, float transparency, float index, float reflect) {
    Material m = Coloured(tint, 0.04f, 0.0f);
    Finish(m, kWhite, 0.95f, reflect);
    m.transparency = transparency;
    m.index_of_refraction = index;
    return m;
}

// A metal, its colour the normal-incidence reflectance of the metal: dim diffuse light, a
// highlight of the metal's own colour and a mirror of the rest.
Material Metal(const ColourRgb& reflectance, float brightness, float reflect, float shininess) {
    Material m = Coloured(reflectance, brightness, 0.5f);
    Finish(m, reflectance, shininess, reflect);
    return m;
}

Material GlossyPlastic(const ColourRgb& colour) {
    Material m = Coloured(colour, 1.0f, 0.35f);
    Finish(m, Grey(0.9f), 0.85f, 0.08f);
    return m;
}

Material MattePlastic(const ColourRgb& colour) {
    Material m = Coloured(colour, 1.0f, 0.35f);
    Finish(m, Grey(0.15f), 0.15f, 0.0f);
    return m;
}

Material Pictured(TextureImage picture, const ColourRgb& highlight, float shininess,
                  float reflect) {
    Material m;
    m.colour_source = 1;
    m.colour_image = SharedImage(std::move(picture));
    m.ambient = Grey(0.3f);
    Finish(m, highlight, shininess, reflect);
    return m;
}

Material Bumped(Material m, TextureImage heights, float magnitude) {
    m.bump_mode = BumpMode::Image;
    m.bump_image = SharedImage(std::move(heights));
    m.bump_magnitude = magnitude;
    return m;
}

// Normal-incidence reflectances of metals (linear RGB), from published optical constants.
constexpr ColourRgb kGold{1.00f, 0.71f, 0.29f};
constexpr ColourRgb kSilver{0.97f, 0.96f, 0.91f};
constexpr ColourRgb kCopper{0.95f, 0.64f, 0.54f};
constexpr ColourRgb kBrass{0.89f, 0.79f, 0.43f};
constexpr ColourRgb kAluminium{0.91f, 0.92f, 0.92f};
constexpr ColourRgb kChromium{0.55f, 0.56f, 0.55f};
constexpr ColourRgb kIron{0.56f, 0.57f, 0.58f};

// Refraction indices: water 1.33, crown glass 1.5, diamond 2.42.
constexpr float kWaterIndex = 1.33f;
constexpr float kGlassIndex = 1.5f;
constexpr float kDiamondIndex = 2.42f;

const LibraryMaterial kLibrary[] = {
    {"clear-glass", "Window glass: clear, index of refraction 1.5",
     [] {
         return Clear({0.92f, 0.96f, 0.95f}, 0.92f, kGlassIndex, 0.08f);
     }},
    {"frosted-glass", "Glass with a ground surface: it lets light through and blurs the highlight",
     [] {
         Material m = Clear({0.9f, 0.93f, 0.95f}, 0.7f, kGlassIndex, 0.04f);
         m.brightness = 0.25f;
         m.ambient = Grey(0.05f);
         m.highlight = Grey(0.6f);
         m.shininess = 0.5f;
         return Bumped(m, GrainBumpPicture(kBumpPictureSize, 16, 5u), 0.25f);
     }},
    {"water", "Clear water, index of refraction 1.33",
     [] {
         return Clear({0.6f, 0.8f, 0.85f}, 0.9f, kWaterIndex, 0.05f);
     }},
    {"diamond", "A cut diamond: index of refraction 2.42, a strong surface mirror",
     [] {
         Material m = Clear(kWhite, 0.88f, kDiamondIndex, 0.17f);
         m.brightness = 0.02f;
         m.shininess = 1.0f;
         m.dispersiveness = 0.044f;
         return m;
     }},
    {"chrome", "Chrome plate: a dark, nearly perfect mirror",
     [] {
         Material m = Metal(kChromium, 0.2f, 0.8f, 1.0f);
         m.highlight = kWhite;
         return m;
     }},
    {"mirror", "A silvered mirror",
     [] {
         Material m = Coloured(Grey(0.95f), 0.02f, 0.0f);
         Finish(m, kWhite, 1.0f, 0.95f);
         return m;
     }},
    {"gold", "Polished gold", [] { return Metal(kGold, 0.6f, 0.45f, 0.85f); }},
    {"silver", "Polished silver", [] { return Metal(kSilver, 0.35f, 0.7f, 0.9f); }},
    {"copper", "Polished copper", [] { return Metal(kCopper, 0.6f, 0.45f, 0.85f); }},
    {"brass", "Polished brass", [] { return Metal(kBrass, 0.6f, 0.4f, 0.8f); }},
    {"aluminium", "Brushed aluminium", [] { return Metal(kAluminium, 0.45f, 0.35f, 0.6f); }},
    {"rough-iron", "Cast iron with a rough surface",
     [] {
         Material m = Metal(kIron, 0.55f, 0.08f, 0.25f);
         m.highlight = Grey(0.3f);
         return Bumped(m, GrainBumpPicture(kBumpPictureSize, 8, 7u), 0.35f);
     }},
    {"red-plastic", "Glossy red plastic",
     [] {
         return GlossyPlastic({0.8f, 0.08f, 0.06f});
     }},
    {"blue-plastic", "Glossy blue plastic",
     [] {
         return GlossyPlastic({0.1f, 0.25f, 0.85f});
     }},
    {"green-plastic", "Glossy green plastic",
     [] {
         return GlossyPlastic({0.1f, 0.6f, 0.2f});
     }},
    {"yellow-plastic", "Glossy yellow plastic",
     [] {
         return GlossyPlastic({0.95f, 0.8f, 0.1f});
     }},
    {"white-plastic", "Glossy white plastic", [] { return GlossyPlastic(Grey(0.9f)); }},
    {"matte-white", "Matte white plastic", [] { return MattePlastic(Grey(0.85f)); }},
    {"matte-black", "Matte black plastic", [] { return MattePlastic(Grey(0.06f)); }},
    {"matte-orange", "Matte orange plastic",
     [] {
         return MattePlastic({0.9f, 0.45f, 0.1f});
     }},
    {"matte-teal", "Matte teal plastic",
     [] {
         return MattePlastic({0.1f, 0.5f, 0.5f});
     }},
    {"rubber", "Black rubber",
     [] {
         Material m = Coloured(Grey(0.08f), 1.0f, 0.5f);
         Finish(m, Grey(0.15f), 0.3f, 0.0f);
         return m;
     }},
    {"ceramic", "White glazed ceramic",
     [] {
         Material m = Coloured({0.95f, 0.94f, 0.9f}, 1.0f, 0.35f);
         Finish(m, kWhite, 0.95f, 0.12f);
         return m;
     }},
    {"marble", "Polished white marble with grey veins",
     [] { return Pictured(MarblePicture(kColourPictureSize), Grey(0.7f), 0.85f, 0.1f); }},
    {"wood", "Varnished wood",
     [] { return Pictured(WoodPicture(kColourPictureSize), Grey(0.25f), 0.5f, 0.0f); }},
    {"brick", "Red brick in courses, the joints sunk",
     [] {
         return Bumped(Pictured(BrickPicture(kColourPictureSize), Grey(0.1f), 0.1f, 0.0f),
                       BrickBumpPicture(kBumpPictureSize), 0.3f);
     }},
    {"concrete", "Rough grey concrete",
     [] {
         Material m = Pictured(ConcretePicture(kColourPictureSize), Grey(0.1f), 0.1f, 0.0f);
         m.bump_mode = BumpMode::UseColourMap;
         m.bump_magnitude = 0.15f;
         return m;
     }},
    {"glow", "A surface that shines with its own warm light",
     [] {
         Material m = Coloured({1.0f, 0.85f, 0.55f}, 1.0f, 0.0f);
         m.glow = {1.0f, 0.85f, 0.55f};
         Finish(m, Grey(0.0f), 0.1f, 0.0f);
         return m;
     }},
};

bool Finite(const ColourRgb& c) {
    return std::isfinite(c.r) && std::isfinite(c.g) && std::isfinite(c.b);
}

bool NotNegative(const ColourRgb& c, float strength) {
    return Finite(c) && c.r >= 0.0f && c.g >= 0.0f && c.b >= 0.0f && std::isfinite(strength) &&
           strength >= 0.0f;
}

bool Within(float value, float low, float high) {
    return std::isfinite(value) && value >= low && value <= high;
}

bool MappingFinite(const Matrix4& mapping) {
    for (double value : mapping.m) {
        if (!std::isfinite(value)) {
            return false;
        }
    }
    return true;
}

bool PictureThere(std::int32_t source, const SharedImage& image) {
    return source == 0 || (image && image->HasPixels());
}

}  // namespace

std::span<const LibraryMaterial> MaterialLibrary() {
    return kLibrary;
}

std::optional<Material> LibraryMaterialNamed(std::string_view name) {
    for (const LibraryMaterial& entry : kLibrary) {
        if (entry.name == name) {
            return entry.make();
        }
    }
    return std::nullopt;
}

std::string LibraryMaterialNames() {
    std::string names;
    for (const LibraryMaterial& entry : kLibrary) {
        if (!names.empty()) {
            names += ", ";
        }
        names += entry.name;
    }
    return names;
}

bool MaterialFieldsValid(const Material& m) {
    const bool bump_ok =
        m.bump_mode == BumpMode::None || m.bump_mode == BumpMode::UseColourMap ||
        (m.bump_mode == BumpMode::Image && m.bump_image && m.bump_image->HasPixels());
    return MappingFinite(m.mapping.Get()) && NotNegative(m.colour, m.brightness) &&
           NotNegative(m.glow, m.glow_strength) && NotNegative(m.ambient, m.ambient_strength) &&
           NotNegative(m.highlight, m.highlight_strength) && Within(m.shininess, 0.0f, 1.0f) &&
           Within(m.reflective_strength, 0.0f, 1.0f) && Within(m.transparency, 0.0f, 1.0f) &&
           Within(m.dispersiveness, 0.0f, 1.0f) && Within(m.index_of_refraction, 1.0f, 3.5f) &&
           Within(m.bump_magnitude, 0.001f, 1.0f) && bump_ok &&
           PictureThere(m.colour_source, m.colour_image) &&
           PictureThere(m.glow_source, m.glow_image) &&
           PictureThere(m.ambient_source, m.ambient_image);
}

}  // namespace kelto
