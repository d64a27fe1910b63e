#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <string>

#include "commands.h"
#include "document/document_core.h"
#include "document/render_request.h"
#include "model/message_table.h"
#include "text_values.h"

namespace kelto::cli {
namespace {

constexpr std::string_view kRenderUsage =
    "usage: kelto-cli render FILE.kel OUT [--size WxH] [--quality draft|production] [--view N]\n"
    "                        [--threads N] [--seed N] [--jpeg-quality Q] [--progress]\n"
    "\n"
    "Ray traces the scene as seen from view camera N stored in the file (default the first; a\n"
    "file without views uses the scene's camera: eye (3, 8.5, 22.5), target at the origin,\n"
    "50 mm) and writes the picture to OUT, whose extension picks the format: bmp, dib, jpg,\n"
    "jpeg, jfif, png, tif, tiff. Defaults: 640x480, draft, every core, JPEG quality 90, a seed\n"
    "from the clock. --seed makes production renders repeatable. --progress shows a progress\n"
    "bar on standard error (shown anyway when standard error is a terminal).\n";

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
    // Waits for news (the render asks for a drain at least every 250 ms while it makes
    // pixels); returns whether the render is done.
    bool Wait() {
        std::unique_lock guard(lock_);
        changed_.wait(guard, [this] { return flush_ || done_; });
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
    int jpeg_quality = kDefaultJpegQuality;
    RenderSettings settings;
    bool progress = ::isatty(STDERR_FILENO) != 0;
    auto usage = [&](const std::string& why) {
        err << "kelto-cli render: " << why << '\n' << kRenderUsage;
        return kExitUsage;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        const bool has_value = i + 1 < args.size();
        static constexpr std::string_view kTakesValue[] = {
            "--size", "--quality", "--view", "--threads", "--seed", "--jpeg-quality"};
        if (!has_value && std::find(std::begin(kTakesValue), std::end(kTakesValue), arg) !=
                              std::end(kTakesValue)) {
            return usage(std::string(arg) + " needs a value");
        }
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
            settings.width = static_cast<int>(*w);
            settings.height = static_cast<int>(*h);
        } else if (arg == "--quality" && has_value) {
            const std::string_view q = args[++i];
            if (q == "draft")
                settings.quality = RenderQuality::Draft;
            else if (q == "production")
                settings.quality = RenderQuality::Production;
            else
                return usage("--quality is draft or production");
        } else if (arg == "--view" && has_value) {
            const auto n = ParseWhole(args[++i], 1, 1000000);
            if (!n)
                return usage("--view takes a view number from 1");
            settings.view = static_cast<int>(*n);
        } else if (arg == "--threads" && has_value) {
            const auto n = ParseWhole(args[++i], 1, 256);
            if (!n)
                return usage("--threads takes 1 to 256");
            settings.threads = static_cast<int>(*n);
        } else if (arg == "--seed" && has_value) {
            const auto n = ParseWhole(args[++i], -2000000000, 2000000000);
            if (!n)
                return usage("--seed takes a whole number");
            settings.seed = *n;
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
    if (const Status name = CheckPictureName(output); !name.ok()) {
        err << name.text << '\n';
        return kExitFailed;
    }

    DocumentCore document;
    const Status opened = document.Open(std::string(scene_path));
    if (!opened.ok()) {
        PrintOpenFailure(err, "render", scene_path, opened.text);
        return kExitFailed;
    }
    RenderCamera camera;
    if (const Status chosen = ChooseRenderCamera(document, settings, camera); !chosen.ok()) {
        return usage(chosen.text);
    }

    WaitingListener listener;
    RenderRequest request(document, camera, settings, listener);
    request.Start();
    std::size_t shown_percent = 101;  // redraw the bar only when its percentage changes
    for (bool done = false; !done;) {
        done = listener.Wait();
        request.Drain();
        const std::size_t total = request.PixelsTotal();
        const std::size_t finished = request.PixelsDone();
        const std::size_t percent = total == 0 ? 100 : finished * 100 / total;
        if (progress && percent != shown_percent) {
            ShowProgress(err, finished, total);
            shown_percent = percent;
        }
    }
    if (progress) {
        err << '\n';
    }
    for (const std::string& name : request.LeftOut()) {
        err << "kelto-cli render: " << Status::Message(kMsgObjectLeftOut, {name}).text << '\n';
    }
    if (const Status saved = request.Save(output, jpeg_quality); !saved.ok()) {
        err << saved.text << '\n';
        return kExitFailed;
    }
    out << settings.width << 'x' << settings.height << ' '
        << (settings.quality == RenderQuality::Draft ? "draft" : "production")
        << " render written to " << output << '\n';
    return kExitOk;
}

}  // namespace kelto::cli
