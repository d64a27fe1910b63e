// How a node's surface looks: colour or colour image, glow, ambient, bump, highlight and the
// scalar properties the renderer uses.
#pragma once

#include <cstdint>
#include <memory>

#include "geometry.h"
#include "image.h"
#include "scene_object.h"

namespace kelto {

// An image a material owns. Copying copies the picture, so two materials never share one.
class OwnedImage {
  public:
    OwnedImage() = default;
    explicit OwnedImage(TextureImage image)
        : image_(std::make_unique<TextureImage>(std::move(image))) {}
    OwnedImage(const OwnedImage& other)
        : image_(other.image_ ? std::make_unique<TextureImage>(*other.image_) : nullptr) {}
    OwnedImage& operator=(const OwnedImage& other) {
        if (this != &other) {
            image_ = other.image_ ? std::make_unique<TextureImage>(*other.image_) : nullptr;
        }
        return *this;
    }
    OwnedImage(OwnedImage&&) noexcept = default;
    OwnedImage& operator=(OwnedImage&&) noexcept = default;

    explicit operator bool() const { return image_ != nullptr; }
    TextureImage* get() const { return image_.get(); }
    TextureImage* operator->() const { return image_.get(); }
    TextureImage& operator*() const { return *image_; }
    void reset() { image_.reset(); }

  private:
    std::unique_ptr<TextureImage> image_;
};

enum class BumpMode : std::int32_t { None = 0, UseColourMap = 1, Image = 2 };

class Material : public SceneObject {
  public:
    Matrix4 mapping;                 // placement of image textures
    std::int32_t colour_source = 0;  // 0 plain colour, 1 colour image
    ColourRgb colour{0.3f, 0.3f, 0.9f};
    float brightness = 1.0f;
    OwnedImage colour_image;
    BumpMode bump_mode = BumpMode::None;
    OwnedImage bump_image;
    float bump_magnitude = 0.1f;
    std::int32_t glow_source = 0;  // 0 plain glow colour, otherwise the glow image
    ColourRgb glow{0.0f, 0.0f, 0.0f};
    float glow_strength = 1.0f;
    OwnedImage glow_image;
    std::int32_t ambient_source = 0;  // 0 plain ambient colour, otherwise the ambient image
    ColourRgb ambient{0.3f, 0.3f, 0.3f};
    float ambient_strength = 1.0f;
    OwnedImage ambient_image;
    ColourRgb highlight{0.4f, 0.4f, 0.4f};
    float highlight_strength = 1.0f;
    float transparency = 0.0f;  // 0 opaque .. 1 clear
    float index_of_refraction = 1.0f;
    float shininess = 0.6f;  // 0 dull .. 1 shiny
    float reflective_strength = 0.0f;
    float dispersiveness = 0.0f;  // kept and edited; the renderer does not use it
};

}  // namespace kelto
