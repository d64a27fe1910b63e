#include <unistd.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <string>

#include "commands.h"
#include "document/document_core.h"
#include "files/file_io.h"
#include "files/image_files.h"
#include "model/message_table.h"
#include "raytracer/render_job.h"
#include "text_values.h"

namespace kelto::cli {
namespace {

constexpr std::string_view kRenderUsage =
    "usage: kelto-cli render FILE.kel OUT [--size WxH] [--quality draft|production] [--view N]\n"
    "                        [--threads N] [--seed N] [--jpeg-quality Q] [--progress]\n"
    "\n"
    "Ray traces the scene as seen from view camera N stored in the file (1 is the first; a file\n"
    "without views uses the scene's camera: eye (3, 8.5, 22.5), target at the origin, 50 mm)\n"
    "and writes the picture to OUT, whose extension picks the format: bmp, dib, jpg, jpeg,\n"
    "jfif, png, tif, tiff. Defaults: 640x480, draft, every core, JPEG quality 90. --seed makes\n"
    "production renders repeatable. --progress shows a progress bar on standard error (shown\n"
    "anyway when standard error is a terminal).\n";

// Waits for the render job's news on the command's own thread.
class WaitingListener : public RenderListener {
  public:
    void FlushRequested() override {
        std::lock_guard guard(lock_);
        flush_ = true;
        changed_.notify_one();
    }
    void RenderDone() override {
        std::lock_guard guard(lock_);
        done_ = true;
        changed_.notify_one();
    }
    // Waits for news or a moment; returns whether the render is done.
    bool Wait() {
        std::unique_lock guard(lock_);
        changed_.wait_for(guard, std::chrono::milliseconds(250),
                          [this] { return flush_ || done_; });
        flush_ = false;
        return done_;
    }

  private:
    std::mutex lock_;
    std::condition_variable changed_;
    bool flush_ = false;
    bool done_ = false;
};

void ShowProgress(std::ostream& err, std::size_t done, std::size_t total) {
    const int width = 40;
    const int filled = total == 0 ? width : static_cast<int>(done * width / total);
    err << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
        << std::string(static_cast<std::size_t>(width - filled), ' ') << "] "
        << (total == 0 ? 100 : done * 100 / total) << '%' << std::flush;
}

std::optional<long> ParseWhole(std::string_view text, long low, long high) {
    const std::optional<double> value = ParseNumber(text);
    if (!value || *value != std::floor(*value) || *value < low || *value > high) {
        return std::nullopt;
    }
    return static_cast<long>(*value);
}

}  // namespace

int RunRender(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    std::string_view scene_path, output_path;
    int width = 640, height = 480, view_number = 1, jpeg_quality = kDefaultJpegQuality;
    RenderQuality quality = RenderQuality::Draft;
    RenderOptions options;
    options.threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    bool progress = ::isatty(STDERR_FILENO) != 0;
    auto usage = [&](const std::string& why) {
        err << "kelto-cli render: " << why << '\n' << kRenderUsage;
        return kExitUsage;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        const bool has_value = i + 1 < args.size();
        if (arg == "--help" || arg == "-h") {
            out << kRenderUsage;
            return kExitOk;
        } else if (arg == "--progress") {
            progress = true;
        } else if (arg == "--size" && has_value) {
            const auto parts = Split(args[++i], 'x');
            const auto w = parts.size() == 2 ? ParseWhole(parts[0], 1, 16384) : std::nullopt;
            const auto h = parts.size() == 2 ? ParseWhole(parts[1], 1, 16384) : std::nullopt;
            if (!w || !h)
                return usage("--size takes WIDTHxHEIGHT, each 1 to 16384");
            width = static_cast<int>(*w);
            height = static_cast<int>(*h);
        } else if (arg == "--quality" && has_value) {
            const std::string_view q = args[++i];
            if (q == "draft")
                quality = RenderQuality::Draft;
            else if (q == "production")
                quality = RenderQuality::Production;
            else
                return usage("--quality is draft or production");
        } else if (arg == "--view" && has_value) {
            const auto n = ParseWhole(args[++i], 1, 1000000);
            if (!n)
                return usage("--view takes a view number from 1");
            view_number = static_cast<int>(*n);
        } else if (arg == "--threads" && has_value) {
            const auto n = ParseWhole(args[++i], 1, 256);
            if (!n)
                return usage("--threads takes 1 to 256");
            options.threads = static_cast<int>(*n);
        } else if (arg == "--seed" && has_value) {
            const auto n = ParseWhole(args[++i], -2000000000, 2000000000);
            if (!n)
                return usage("--seed takes a whole number");
            options.seed = *n;
        } else if (arg == "--jpeg-quality" && has_value) {
            const auto n = ParseWhole(args[++i], 20, 100);
            if (!n)
                return usage("--jpeg-quality takes 20 to 100");
            jpeg_quality = static_cast<int>(*n);
        } else if (!arg.starts_with("--") && scene_path.empty()) {
            scene_path = arg;
        } else if (!arg.starts_with("--") && output_path.empty()) {
            output_path = arg;
        } else {
            return usage("unexpected argument '" + std::string(arg) + "'");
        }
    }
    if (scene_path.empty() || output_path.empty()) {
        return usage("needs a scene file and an output picture");
    }
    const std::string output(output_path);
    const std::string extension = LowerCase(ExtensionOf(output));
    if (!IsWritableImageExtension(extension)) {
        err << FormatMessage(kMsgImageTypeUnknown, extension) << '\n';
        return kExitFailed;
    }

    DocumentCore document;
    const Status opened = document.Open(std::string(scene_path));
    if (!opened.ok()) {
        PrintOpenFailure(err, "render", scene_path, opened.text);
        return kExitFailed;
    }
    Vec3 eye = document.GetScene().CurrentCamera().eye;
    Vec3 target = document.GetScene().CurrentCamera().target;
    double focal_length = document.GetScene().CurrentCamera().focal_length;
    if (!document.Views().empty()) {
        if (view_number > static_cast<int>(document.Views().size())) {
            return usage("the scene has " + std::to_string(document.Views().size()) + " views");
        }
        const ViewEntry& view = document.Views()[static_cast<std::size_t>(view_number - 1)];
        eye = view.eye;
        target = view.target;
        focal_length = view.lens > 0 ? view.lens : 50;
    } else if (view_number != 1) {
        return usage("the scene has no views");
    }

    const RenderCamera camera =
        MakeRenderCamera(eye, target, {0, 1, 0}, focal_length, width, height, quality);
    RenderImage image(width, height);
    WaitingListener listener;
    const std::size_t total = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::size_t received = 0;
    std::size_t shown_percent = 101;  // redraw the bar only when its percentage changes
    std::vector<std::string> left_out;
    {
        RenderJob job(document.GetScene(), camera, listener, options);
        job.Start();
        bool done = false;
        while (!done) {
            done = listener.Wait();
            received += job.DrainInto(image);
            const std::size_t percent = total == 0 ? 100 : received * 100 / total;
            if (progress && percent != shown_percent) {
                ShowProgress(err, received, total);
                shown_percent = percent;
            }
        }
        left_out = job.LeftOut();
    }
    if (progress) {
        err << '\n';
    }
    for (const std::string& name : left_out) {
        err << "kelto-cli render: " << FormatMessage(kMsgObjectLeftOut, name) << '\n';
    }
    if (const Status written = WriteImage(image, output, extension, jpeg_quality); !written.ok()) {
        err << written.text << '\n';
        return kExitFailed;
    }
    out << width << 'x' << height << ' '
        << (quality == RenderQuality::Draft ? "draft" : "production") << " render written to "
        << output << '\n';
    return kExitOk;
}

}  // namespace kelto::cli
