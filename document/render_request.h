// A render of a document as both front ends ask for it: the camera to look through, the size,
// quality, threads and seed; the render job, which takes its snapshot of the document when
// the request is made; the drained pixels, kept as the picture to save and as interleaved RGB
// rows a window paints directly; and writing the picture by its extension. The document may
// be edited, saved, closed or rendered again while the request runs.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "document_core.h"
#include "environment_cache.h"
#include "files/image_files.h"
#include "model/message_table.h"
#include "raytracer/render_job.h"

namespace kelto {

struct RenderSettings {
    // The stored view to look through, from 1. Without one: the first stored view, or the
    // scene's camera when the document has no views.
    std::optional<int> view;
    int width = 640;
    int height = 480;
    RenderQuality quality = RenderQuality::Draft;
    int threads = 0;  // 0: one per processor
    // Without one the render is seeded from the clock (the request says which seed it took)
    // and Production pixels are sampled along the walk, as the application always renders.
    // With one, each Production pixel is sampled by a rule of the seed and its position alone
    // (ProductionSampling::Pixel): the picture is then the same for any number of threads
    // and however it is cut into regions.
    std::optional<long> seed;
    // The part of the picture to trace (pixels x0 <= x < x1, y0 <= y < y1 of the width x
    // height picture); the whole picture without one. The request's picture is then the
    // region's pixels only.
    std::optional<PixelRect> region;
    // The soft-shadow, occlusion and environment settings for this render instead of the
    // document's own.
    std::optional<SceneLighting> lighting;
    // The picture a picture environment shows; LoadRenderEnvironment reads it.
    std::shared_ptr<const EnvironmentPicture> environment_picture;
};

// Reads the picture of a picture environment (the settings' lighting, else the document's)
// into `settings.environment_picture`; a relative file name is found beside `document_path`,
// the document's own file (empty for a document never saved: then from the working folder).
// Does nothing for the other environments. Fails, naming the file, when the picture cannot be
// read. The picture comes from the document's cache of pictures (read again only when its
// file changed), or from `cache`.
Status LoadRenderEnvironment(const DocumentCore& document, const std::string& document_path,
                             RenderSettings& settings);
Status LoadRenderEnvironment(const DocumentCore& document, const std::string& document_path,
                             RenderSettings& settings, EnvironmentPictureCache& cache);
// Where a picture environment's file is: `picture_path` itself when absolute or when there is
// no document file, else beside the document's file.
std::string EnvironmentPicturePath(const std::string& picture_path,
                                   const std::string& document_path);

// The number of the stored view the settings look through (from 1), or 0 for the scene's own
// camera (a document without views, the settings naming none).
int ViewNumberOf(const DocumentCore& document, const RenderSettings& settings);

// The camera the settings ask for: a stored view (its lens, or 50 mm when it has none), or
// the scene's own camera. Fails when the settings name a view the document does not have.
Status ChooseRenderCamera(const DocumentCore& document, const RenderSettings& settings,
                          RenderCamera& camera);

// Whether a picture can be written under this name: its extension, in any case, must be one
// of bmp, dib, jpg, jpeg, jfif, png, tif, tiff.
Status CheckPictureName(const std::string& path);
// The name a picture chosen in the Save Image As dialog is written under: a name typed
// without an extension takes the one of the chosen type (`filter_index` in SaveImageFilters:
// 0 every picture type and 1 bmp, 2 dib, 3 jpg, 4 png, 5 tif).
std::string PictureNameFor(const std::string& path, int filter_index);
// Writes the picture in the format its name's extension picks (a PNG compressed on up to
// `threads` threads).
Status SavePicture(const RenderImage& image, const std::string& path,
                   int jpeg_quality = kDefaultJpegQuality, int threads = 1);

class RenderRequest {
  public:
    // Takes the render's snapshot of the document for `camera` (whose size and quality are the
    // picture's) on this thread; the render waits for Start. `listener` hears from the
    // render's threads and must outlive the request.
    RenderRequest(const DocumentCore& document, const RenderCamera& camera,
                  const RenderSettings& settings, RenderListener& listener);
    // Stops the render if it still runs and waits for its threads.
    ~RenderRequest();
    RenderRequest(const RenderRequest&) = delete;
    RenderRequest& operator=(const RenderRequest&) = delete;

    void Start() { job_->Start(); }
    void Abort() { job_->Abort(); }
    // Whether the render has ended (its done news has been sent).
    bool Finished() const { return job_->Finished(); }
    // Progress, readable from any thread without waiting for the render.
    std::size_t PixelsDone() const { return job_->PixelsDone(); }
    std::size_t PixelsTotal() const { return job_->PixelsTotal(); }
    long Seed() const { return seed_; }
    // The objects the render leaves out: placed beyond what it can trace.
    std::vector<std::string> LeftOut() const { return job_->LeftOut(); }
    // How many threads trace it.
    int Threads() const { return threads_; }
    const RenderCamera& Camera() const { return job_->Camera(); }
    // The pixels of the whole picture that this request traces; its picture is this big.
    const PixelRect& Region() const { return region_; }

    // Moves the waiting pixels into the picture and the painting rows (on the window's
    // thread, on the timer, a flush request or the done news); says which rows changed.
    DrainedRows Drain();
    // The picture as drained so far, black where nothing has arrived: the region's pixels
    // (pixel (x, y) of the whole picture at (x - x0, y - y0)), or the whole picture.
    const RenderImage& Image() const { return image_; }
    // Row y of the picture as red, green, blue bytes per pixel; rows are RowStride() bytes
    // apart (a multiple of 4), ready to be wrapped by a window's image.
    const std::uint8_t* RgbRow(int y) const {
        return rgb_.data() + static_cast<std::size_t>(y) * stride_;
    }
    const std::uint8_t* RgbRows() const { return rgb_.data(); }
    // The same rows for the window to fill before the first drain (with what it shows where
    // no pixel has arrived yet); drains write over them pixel by pixel.
    std::uint8_t* PaintingRows() { return rgb_.data(); }
    std::size_t RowStride() const { return stride_; }

    Status Save(const std::string& path, int jpeg_quality = kDefaultJpegQuality) const {
        return SavePicture(image_, path, jpeg_quality, threads_);
    }

  private:
    long seed_;
    int threads_;
    PixelRect region_;
    RenderImage image_;
    std::size_t stride_ = 0;
    std::vector<std::uint8_t> rgb_;
    std::unique_ptr<RenderJob> job_;  // last: its thread ends before the rest goes
};

}  // namespace kelto
