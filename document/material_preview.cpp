#include "material_preview.h"

#include <span>
#include <utility>

#include "raytracer/ray_tracer.h"
#include "raytracer/render_camera.h"

namespace kelto {
namespace {

// A 64 x 64 picture of 4 x 4 squares in two greys.
TextureImage Checkerboard() {
    TextureImage image = TextureImage::Blank(64, 64, 3);
    for (int y = 0; y < image.height; ++y) {
        RgbRow& row = image.rgb_rows[static_cast<std::size_t>(y)];
        for (int x = 0; x < image.width; ++x) {
            const std::uint8_t value = ((x / 4 + y / 4) % 2 == 0) ? 225 : 70;
            row.red[static_cast<std::size_t>(x)] = value;
            row.green[static_cast<std::size_t>(x)] = value;
            row.blue[static_cast<std::size_t>(x)] = value;
        }
    }
    image.failed = 0;
    image.BuildTexture();
    return image;
}

// A cube squashed into a slab of the given half-extents with its centre at `centre`.
void AddSlab(Scene& scene, const Vec3& centre, const Vec3& half_extents,
             const SharedImage& picture) {
    SceneNode* slab = scene.CreateNode(ObjectType::Cube, {0, 0, 0});
    slab->position = centre;
    slab->scale = half_extents;
    Material& m = slab->material;
    m.colour_source = 1;
    m.colour_image = picture;
    m.shininess = 0.1f;
    m.highlight = {0.1f, 0.1f, 0.1f};
    slab->UpdateBounds();
    slab->ComputeParentFromNode();
}

// Collects a render's pixels into a picture.
class PictureSink : public PixelSink {
  public:
    explicit PictureSink(RenderImage& picture) : picture_(picture) {}
    void Output(std::span<const PixelUpdate> pixels) override {
        for (const PixelUpdate& p : pixels) {
            picture_.SetPixel(p.x, p.y, static_cast<std::uint8_t>(p.colour & 0xFF),
                              static_cast<std::uint8_t>((p.colour >> 8) & 0xFF),
                              static_cast<std::uint8_t>((p.colour >> 16) & 0xFF));
        }
    }

  private:
    RenderImage& picture_;
};

}  // namespace

MaterialPreviewScene::MaterialPreviewScene() {
    const SharedImage checks(Checkerboard());
    AddSlab(scene_, {0, -0.05, 0}, {6, 0.05, 6}, checks);
    AddSlab(scene_, {0, 3, -2.2}, {6, 3, 0.05}, checks);
    sphere_ = scene_.CreateNode(ObjectType::Sphere, {0, 0, 0})->id;
    std::vector<Light>& lights = scene_.Lights();
    lights.front().position = {3.5, 5.0, 5.0};
    const int fill = scene_.InsertLight(LightKind::Point, {-5.0, 2.5, 3.0});
    lights[static_cast<std::size_t>(fill)].intensity = 0.45f;
    lights[static_cast<std::size_t>(fill)].casts_shadows = 0;
}

RenderImage MaterialPreviewScene::Render(const Material& material, const std::atomic<int>* abort,
                                         int size) {
    scene_.FindNode(sphere_)->material = material;
    RenderImage picture(size, size);
    const RenderCamera camera = MakeRenderCamera({0.0, 2.1, 6.6}, {0.0, 0.9, 0.0}, {0, 1, 0}, 38.0,
                                                 size, size, RenderQuality::Draft);
    RenderOptions options;
    options.threads = 1;
    options.seed = 1;
    RayTracer tracer(scene_, camera, abort, options);
    PictureSink sink(picture);
    tracer.RenderDraft(sink);
    // The picture holds the material's images no longer than the trace.
    scene_.FindNode(sphere_)->material = Material();
    return picture;
}

MaterialPreview::MaterialPreview(WindowThread& window_thread, DoneListener done, int size)
    : window_thread_(window_thread), size_(size), side_(std::make_shared<WindowSide>()) {
    side_->done = std::move(done);
    worker_ = std::jthread([this](std::stop_token stop) { Run(std::move(stop)); });
}

MaterialPreview::~MaterialPreview() {
    side_->done = nullptr;
    {
        const std::lock_guard lock(mutex_);
        abort_.store(1);
        pending_.reset();
    }
    worker_.request_stop();
    worker_.join();
}

void MaterialPreview::Request(const Material& material) {
    const std::uint64_t number = ++side_->latest;
    {
        const std::lock_guard lock(mutex_);
        pending_ = material;
        pending_number_ = number;
        abort_.store(1);  // an older trace still running is of no use now
    }
    wake_.notify_one();
}

void MaterialPreview::Run(std::stop_token stop) {
    MaterialPreviewScene scene;  // built here: its tessellation keeps off the window thread
    std::unique_lock lock(mutex_);
    while (wake_.wait(lock, stop, [this] { return pending_.has_value(); })) {
        Material material = std::move(*pending_);
        pending_.reset();
        const std::uint64_t number = pending_number_;
        abort_.store(0);
        lock.unlock();
        RenderImage picture = scene.Render(material, &abort_, size_);
        material = Material();
        if (abort_.load() == 0) {
            window_thread_.Post([side = side_, number, picture = std::move(picture)] {
                // Only the newest request's picture, and only while the preview lives.
                if (side->done && number == side->latest) {
                    ++side->delivered;
                    side->done(picture);
                }
            });
        }
        lock.lock();
    }
}

}  // namespace kelto
