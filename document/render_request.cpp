#include "render_request.h"

#include <algorithm>
#include <filesystem>
#include <thread>

#include "files/file_io.h"

namespace kelto {

Status ChooseRenderCamera(const DocumentCore& document, const RenderSettings& settings,
                          RenderCamera& camera) {
    const Camera& scene_camera = document.GetScene().CurrentCamera();
    Vec3 eye = scene_camera.eye;
    Vec3 target = scene_camera.target;
    double focal_length = scene_camera.focal_length;
    const std::vector<ViewEntry>& views = document.Views();
    if (settings.view || !views.empty()) {
        const int number = settings.view.value_or(1);
        if (number < 1 || static_cast<std::size_t>(number) > views.size()) {
            return Status::Message(kMsgNoSuchView, FormatMessage(kMsgNoSuchView, number));
        }
        const ViewEntry& view = views[static_cast<std::size_t>(number - 1)];
        eye = view.eye;
        target = view.target;
        focal_length = view.lens > 0 ? view.lens : 50;
    }
    camera = MakeRenderCamera(eye, target, {0, 1, 0}, focal_length, settings.width, settings.height,
                              settings.quality);
    return Status::Ok();
}

int ViewNumberOf(const DocumentCore& document, const RenderSettings& settings) {
    if (settings.view) {
        return *settings.view;
    }
    return document.Views().empty() ? 0 : 1;
}

Status CheckPictureName(const std::string& path) {
    const std::string extension = LowerCase(ExtensionOf(path));
    if (!IsWritableImageExtension(extension)) {
        return Status::Message(kMsgImageTypeUnknown,
                               FormatMessage(kMsgImageTypeUnknown, extension));
    }
    return Status::Ok();
}

std::string PictureNameFor(const std::string& path, int filter_index) {
    if (path.empty() || !ExtensionOf(path).empty()) {
        return path;
    }
    static constexpr const char* kExtensions[] = {"bmp", "bmp", "dib", "jpg", "png", "tif"};
    const int index = filter_index >= 0 && filter_index < 6 ? filter_index : 0;
    // A name ending in a dot has an empty extension too: the dot is not doubled.
    return path + (path.back() == '.' ? "" : ".") + kExtensions[index];
}

Status SavePicture(const RenderImage& image, const std::string& path, int jpeg_quality,
                   int threads) {
    if (Status name = CheckPictureName(path); !name.ok()) {
        return name;
    }
    // A file that cannot be made and one that cannot be written whole (a full disk) are told
    // apart by the writers.
    return WriteImage(image, path, LowerCase(ExtensionOf(path)), jpeg_quality, threads);
}

namespace {

int ThreadsFor(const RenderSettings& settings) {
    return settings.threads > 0
               ? settings.threads
               : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

RenderOptions OptionsFor(const RenderSettings& settings, long seed) {
    RenderOptions options;
    options.threads = ThreadsFor(settings);
    options.seed = seed;
    options.sampling = settings.seed ? ProductionSampling::Pixel : ProductionSampling::Walk;
    options.region = settings.region;
    options.lighting = settings.lighting;
    options.environment_picture = settings.environment_picture;
    return options;
}

}  // namespace

std::string EnvironmentPicturePath(const std::string& picture_path,
                                   const std::string& document_path) {
    const std::filesystem::path picture(picture_path);
    if (picture.is_absolute() || document_path.empty()) {
        return picture_path;
    }
    return (std::filesystem::path(document_path).parent_path() / picture).string();
}

Status LoadRenderEnvironment(const DocumentCore& document, const std::string& document_path,
                             RenderSettings& settings, EnvironmentPictureCache& cache) {
    const SceneLighting& lighting = settings.lighting ? *settings.lighting : document.Lighting();
    if (lighting.environment != EnvironmentKind::Picture) {
        return Status::Ok();
    }
    if (lighting.picture_path.empty()) {
        return Status::Message(kMsgEnvironmentNoFile);
    }
    Result<std::shared_ptr<const EnvironmentPicture>> picture =
        cache.Picture(EnvironmentPicturePath(lighting.picture_path, document_path));
    if (!picture.ok()) {
        return picture.status();
    }
    settings.environment_picture = std::move(picture).value();
    return Status::Ok();
}

Status LoadRenderEnvironment(const DocumentCore& document, const std::string& document_path,
                             RenderSettings& settings) {
    return LoadRenderEnvironment(document, document_path, settings, document.EnvironmentPictures());
}

RenderRequest::RenderRequest(const DocumentCore& document, const RenderCamera& camera,
                             const RenderSettings& settings, RenderListener& listener)
    : seed_(settings.seed ? *settings.seed : SeedFromClock()),
      threads_(ThreadsFor(settings)),
      region_(RayTracer::RegionOf(camera, OptionsFor(settings, seed_))),
      image_(region_.Width(), region_.Height()),
      stride_((static_cast<std::size_t>(region_.Width()) * 3 + 3) / 4 * 4),
      rgb_(stride_ * static_cast<std::size_t>(region_.Height())),
      job_(std::make_unique<RenderJob>(document.GetScene(), camera, listener,
                                       OptionsFor(settings, seed_))) {}

RenderRequest::~RenderRequest() = default;

DrainedRows RenderRequest::Drain() {
    DrainedRows rows;
    rows.first_row = image_.Height();
    const std::vector<PixelUpdate> pixels = job_->Drain();
    rows.pixels = pixels.size();
    for (const PixelUpdate& update : pixels) {
        const PixelUpdate p{update.x - region_.x0, update.y - region_.y0, update.colour};
        if (p.x < 0 || p.y < 0 || p.x >= image_.Width() || p.y >= image_.Height()) {
            continue;
        }
        const auto r = static_cast<std::uint8_t>(p.colour & 0xFF);
        const auto g = static_cast<std::uint8_t>((p.colour >> 8) & 0xFF);
        const auto b = static_cast<std::uint8_t>((p.colour >> 16) & 0xFF);
        image_.SetPixel(p.x, p.y, r, g, b);
        std::uint8_t* out = rgb_.data() + static_cast<std::size_t>(p.y) * stride_ +
                            static_cast<std::size_t>(p.x) * 3;
        out[0] = r;
        out[1] = g;
        out[2] = b;
        rows.first_row = std::min(rows.first_row, p.y);
        rows.last_row = std::max(rows.last_row, p.y);
    }
    return rows;
}

}  // namespace kelto
