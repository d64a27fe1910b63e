// How a node's surface looks: colour or colour image, glow, ambient, bump, highlight and the
// scalar properties the renderer uses.
#pragma once

#include <cstdint>
#include <memory>

#include "geometry.h"
#include "image.h"
#include "scene_object.h"

namespace kelto {

// A material's picture, shared read-only: copying a material (for the clipboard, an undo
// step or a render's snapshot) shares the picture instead of copying its pixels, and a render
// keeps the pictures it reads alive for as long as it runs. Edit() gives a picture of one's
// own to change, copying it first when anyone else holds it.
class SharedImage {
  public:
    SharedImage() = default;
    explicit SharedImage(TextureImage image)
        : image_(std::make_shared<TextureImage>(std::move(image))) {}

    explicit operator bool() const { return image_ != nullptr; }
    const TextureImage* get() const { return image_.get(); }
    const TextureImage* operator->() const { return image_.get(); }
    const TextureImage& operator*() const { return *image_; }
    void reset() { image_.reset(); }
    // Whether both hold the same picture (not merely equal pixels).
    bool SharesWith(const SharedImage& other) const { return image_ == other.image_; }

    // The picture to change in place; copied first unless this is its only holder. Call it on
    // the thread that owns the material: other holders (renders) only ever let go.
    TextureImage& Edit() {
        if (!image_) {
            image_ = std::make_shared<TextureImage>();
        } else if (image_.use_count() > 1) {
            image_ = std::make_shared<TextureImage>(*image_);
        }
        return *image_;
    }

  private:
    // Never changed through a pointer another holder may read: see Edit.
    std::shared_ptr<TextureImage> image_;
};

// The placement of a material's image textures. It is nearly always the identity, so it takes
// no room until it is set to anything else.
class TextureMapping {
  public:
    TextureMapping() = default;
    TextureMapping(const TextureMapping& other)
        : matrix_(other.matrix_ ? std::make_unique<Matrix4>(*other.matrix_) : nullptr) {}
    TextureMapping& operator=(const TextureMapping& other) {
        if (this != &other) {
            matrix_ = other.matrix_ ? std::make_unique<Matrix4>(*other.matrix_) : nullptr;
        }
        return *this;
    }
    TextureMapping(TextureMapping&&) noexcept = default;
    TextureMapping& operator=(TextureMapping&&) noexcept = default;

    const Matrix4& Get() const {
        static const Matrix4 kIdentity;
        return matrix_ ? *matrix_ : kIdentity;
    }
    void Set(const Matrix4& m) {
        if (m == Matrix4{}) {
            matrix_.reset();
        } else {
            matrix_ = std::make_unique<Matrix4>(m);
        }
    }
    friend bool operator==(const TextureMapping& a, const TextureMapping& b) {
        return a.Get() == b.Get();
    }

  private:
    std::unique_ptr<Matrix4> matrix_;
};

enum class BumpMode : std::int32_t { None = 0, UseColourMap = 1, Image = 2 };

class Material : public SceneObject {
  public:
    TextureMapping mapping;          // placement of image textures
    std::int32_t colour_source = 0;  // 0 plain colour, 1 colour image
    ColourRgb colour{0.3f, 0.3f, 0.9f};
    float brightness = 1.0f;
    SharedImage colour_image;
    BumpMode bump_mode = BumpMode::None;
    SharedImage bump_image;
    float bump_magnitude = 0.1f;
    std::int32_t glow_source = 0;  // 0 plain glow colour, otherwise the glow image
    ColourRgb glow{0.0f, 0.0f, 0.0f};
    float glow_strength = 1.0f;
    SharedImage glow_image;
    std::int32_t ambient_source = 0;  // 0 plain ambient colour, otherwise the ambient image
    ColourRgb ambient{0.3f, 0.3f, 0.3f};
    float ambient_strength = 1.0f;
    SharedImage ambient_image;
    ColourRgb highlight{0.4f, 0.4f, 0.4f};
    float highlight_strength = 1.0f;
    float transparency = 0.0f;  // 0 opaque .. 1 clear
    float index_of_refraction = 1.0f;
    float shininess = 0.6f;  // 0 dull .. 1 shiny
    float reflective_strength = 0.0f;
    float dispersiveness = 0.0f;  // kept and edited; the renderer does not use it
};

}  // namespace kelto
