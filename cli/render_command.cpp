#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "commands.h"
#include "document/document_core.h"
#include "document/render_request.h"
#include "files/file_io.h"
#include "files/render_part.h"
#include "lighting_values.h"
#include "model/heap_tuning.h"
#include "model/message_table.h"
#include "render_values.h"
#include "text_values.h"
#include "waiting_listener.h"

namespace kelto::cli {
namespace {

constexpr std::string_view kRenderUsage =
    "usage: kelto-cli render FILE.kel OUT [--size WxH] [--quality draft|production] [--view N]\n"
    "                        [--threads N] [--seed N] [--jpeg-quality Q] [--progress]\n"
    "                        [--region X0,Y0,X1,Y1 | --tiles N|CxR --tile K]\n"
    "                        [--soft-shadows N] [--ao SAMPLES[,DISTANCE]|off]\n"
    "                        [--environment none|R/G/B|R/G/B,R/G/B|FILE]\n"
    "\n"
    "Ray traces the scene as seen from view camera N stored in the file (default the first; a\n"
    "file without views uses the scene's camera: eye (3, 8.5, 22.5), target at the origin,\n"
    "50 mm) and writes the picture to OUT, whose extension picks the format: bmp, dib, jpg,\n"
    "jpeg, jfif, png, tif, tiff. Defaults: 640x480, draft, every core, JPEG quality 90, a seed\n"
    "from the clock. --seed makes production renders repeatable: each pixel is then sampled\n"
    "by a rule of the seed and its position alone. --progress shows a progress bar on\n"
    "standard error (shown anyway when standard error is a terminal).\n"
    "\n"
    "Render parts, for 'kelto-cli merge': with --region (pixels X0 <= x < X1, Y0 <= y < Y1 of\n"
    "the picture) or --tiles N --tile K (the picture cut into N bands of rows, or CxR into C\n"
    "columns by R rows of tiles, numbered from 0 row by row from the top left; K is the one to\n"
    "render) OUT is a render part file, FILE.kpart. A .kpart OUT without either holds the whole\n"
    "picture. Production parts need --seed, the same for every part.\n"
    "\n"
    "Lighting, for this render instead of the file's own: --soft-shadows N shadow rays toward\n"
    "each sphere light in production (1 to 256; 1 gives hard shadows); --ao SAMPLES[,DISTANCE]\n"
    "ambient occlusion with that many rays (1 to 1024) within DISTANCE, or off; --environment\n"
    "what rays that hit nothing see: none (black), a colour R/G/B (0 to 1 each), a gradient\n"
    "from the horizon's colour to the zenith's, or a panorama picture (.hdr, .exr, .jpg, .png,\n"
    ".tif).\n";

void ShowProgress(std::ostream& err, std::size_t done, std::size_t total) {
    const int width = 40;
    const int filled = total == 0 ? width : static_cast<int>(done * width / total);
    err << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
        << std::string(static_cast<std::size_t>(width - filled), ' ') << "] "
        << (total == 0 ? 100 : done * 100 / total) << '%' << std::flush;
}

}  // namespace

namespace {

// What the command line asks for a render part.
struct PartRequest {
    std::optional<PixelRect> region;
    int tile_columns = 0;  // 0: no --tiles
    int tile_rows = 0;
    std::optional<long> tile;
};

// The region of the picture the part options name, or why they make none (a usage error).
std::optional<std::string> ResolvePart(PartRequest& part, const RenderSettings& settings) {
    const int width = settings.width, height = settings.height;
    const std::string picture = std::to_string(width) + "x" + std::to_string(height);
    if (part.region && part.tile_columns > 0) {
        return "--region and --tiles do not go together";
    }
    if (part.tile_columns > 0 || part.tile) {
        if (part.tile_columns == 0) {
            return "--tile K needs --tiles N (or CxR)";
        }
        if (!part.tile) {
            return "--tiles needs --tile K: the tile to render, from 0";
        }
        const long count = static_cast<long>(part.tile_columns) * part.tile_rows;
        if (*part.tile >= count) {
            return "--tile " + std::to_string(*part.tile) + " is not below the " +
                   std::to_string(count) + " tiles: tiles are numbered from 0";
        }
        if (part.tile_columns > width || part.tile_rows > height) {
            return "--tiles cuts the " + picture + " picture into empty tiles";
        }
        part.region = TileRect(width, height, part.tile_columns, part.tile_rows,
                               static_cast<int>(*part.tile));
        return std::nullopt;
    }
    if (part.region) {
        const PixelRect& r = *part.region;
        if (r.x1 <= r.x0 || r.y1 <= r.y0) {
            return "--region X0,Y0,X1,Y1 is empty or reversed: it needs X0 < X1 and Y0 < Y1";
        }
        if (r.x0 < 0 || r.y0 < 0 || r.x1 > width || r.y1 > height) {
            return "--region " + std::to_string(r.x0) + "," + std::to_string(r.y0) + "," +
                   std::to_string(r.x1) + "," + std::to_string(r.y1) + " lies outside the " +
                   picture + " picture";
        }
    }
    return std::nullopt;
}

// The part file of a finished region render.
RenderPart MakePart(const RenderRequest& request, const DocumentCore& document,
                    const RenderSettings& settings, const PartRequest& asked,
                    std::span<const std::uint8_t> scene_bytes) {
    RenderPart part;
    RenderPartHeader& h = part.header;
    h.width = settings.width;
    h.height = settings.height;
    h.rect = request.Region();
    h.quality = static_cast<std::int32_t>(settings.quality);
    // The seed matters to Production only; Draft parts record none, so that they merge
    // whatever seeds they were given.
    if (settings.quality == RenderQuality::Production && settings.seed) {
        h.seed = *settings.seed;
    }
    h.view = ViewNumberOf(document, settings);
    h.scene_length = scene_bytes.size();
    h.scene_hash = SceneFileHash(scene_bytes);
    // Lighting given on the command line instead of the file's own makes another render of
    // the scene: its settings go into the hash too (a picture by its file's name), so that
    // merge refuses parts rendered with different ones as parts of another scene file.
    if (settings.lighting && *settings.lighting != document.Lighting()) {
        SceneLighting lighting = *settings.lighting;
        lighting.picture_path = std::filesystem::path(lighting.picture_path).filename().string();
        std::vector<std::uint8_t> hashed(scene_bytes.begin(), scene_bytes.end());
        const std::string text = "\nlighting " + DescribeLighting(lighting);
        hashed.insert(hashed.end(), text.begin(), text.end());
        h.scene_hash = SceneFileHash(hashed);
    }
    if (asked.tile_columns > 0) {
        h.tile_columns = asked.tile_columns;
        h.tile_rows = asked.tile_rows;
        h.tile_index = static_cast<std::int32_t>(*asked.tile);
    }
    const RenderImage& image = request.Image();
    part.pixels.resize(h.rect.Area() * 3);
    const std::size_t row_bytes = static_cast<std::size_t>(image.Width()) * 3;
    for (int y = 0; y < image.Height(); ++y) {
        image.InterleaveRow(y, part.pixels.data() + static_cast<std::size_t>(y) * row_bytes);
    }
    return part;
}

// About what opening and rendering a scene allocate: the document's meshes, the prepared
// triangles and their hierarchy come to some 90 bytes for each byte of a scene file of
// meshes (less where the file is mostly pictures), and each pixel of the picture to a dozen
// bytes. Capped at 1 GiB: the heap simply grows past it in small pages.
std::size_t RenderRoomFor(std::size_t file_bytes, const RenderSettings& settings) {
    constexpr std::size_t kBytesPerFileByte = 96;
    constexpr std::size_t kBytesPerPixel = 12;
    constexpr std::size_t kMost = std::size_t{1} << 30;
    const std::size_t pixels =
        static_cast<std::size_t>(settings.width) * static_cast<std::size_t>(settings.height);
    return std::min(kMost,
                    std::min(file_bytes, kMost) * kBytesPerFileByte + pixels * kBytesPerPixel);
}

}  // namespace

int RunRender(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    std::string_view scene_path, output_path;
    int jpeg_quality = kDefaultJpegQuality;
    RenderSettings settings;
    PartRequest part;
    bool progress = ::isatty(STDERR_FILENO) != 0;
    // The lighting flags, applied over the file's settings once it is open.
    std::vector<std::pair<std::string_view, std::string_view>> lighting_flags;
    auto usage = [&](const std::string& why) {
        err << "kelto-cli render: " << why << '\n' << kRenderUsage;
        return kExitUsage;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        const bool has_value = i + 1 < args.size();
        static constexpr std::string_view kTakesValue[] = {
            "--size",   "--quality", "--view", "--threads",      "--seed", "--jpeg-quality",
            "--region", "--tiles",   "--tile", "--soft-shadows", "--ao",   "--environment"};
        if (!has_value && std::find(std::begin(kTakesValue), std::end(kTakesValue), arg) !=
                              std::end(kTakesValue)) {
            return usage(std::string(arg) + " needs a value");
        }
        if (arg == "--help" || arg == "-h") {
            out << kRenderUsage;
            return kExitOk;
        } else if (arg == "--progress") {
            progress = true;
        } else if ((arg == "--size" || arg == "--quality") && has_value) {
            const std::string_view value = args[++i];
            const Status parsed = arg == "--size" ? ParseRenderSize(value, settings)
                                                  : ParseRenderQuality(value, settings);
            if (!parsed.ok())
                return usage(std::string(arg) + ": " + parsed.text);
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
        } else if (arg == "--region" && has_value) {
            const auto corners = Split(args[++i], ',');
            std::optional<long> v[4];
            for (std::size_t k = 0; k < 4 && corners.size() == 4; ++k) {
                v[k] = ParseWhole(corners[k], -1000000, 1000000);
            }
            if (!v[0] || !v[1] || !v[2] || !v[3])
                return usage("--region takes X0,Y0,X1,Y1: four whole numbers");
            part.region = PixelRect{static_cast<int>(*v[0]), static_cast<int>(*v[1]),
                                    static_cast<int>(*v[2]), static_cast<int>(*v[3])};
        } else if (arg == "--tiles" && has_value) {
            const auto grid = Split(args[++i], 'x');
            const auto a = grid.size() <= 2 ? ParseWhole(grid[0], 1, 16384) : std::nullopt;
            const auto b = grid.size() == 2 ? ParseWhole(grid[1], 1, 16384) : a;
            if (!a || !b)
                return usage("--tiles takes N (bands) or CxR (columns by rows), each 1 to 16384");
            part.tile_columns = grid.size() == 2 ? static_cast<int>(*a) : 1;
            part.tile_rows = static_cast<int>(*b);
        } else if (arg == "--tile" && has_value) {
            const auto n = ParseWhole(args[++i], 0, 1000000000);
            if (!n)
                return usage("--tile takes a tile number from 0");
            part.tile = *n;
        } else if ((arg == "--soft-shadows" || arg == "--ao" || arg == "--environment") &&
                   has_value) {
            lighting_flags.emplace_back(arg, args[++i]);
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
    if (const std::optional<std::string> why = ResolvePart(part, settings)) {
        return usage(*why);
    }
    const bool writes_part = LowerCase(ExtensionOf(output)) == kRenderPartExtension;
    if (part.region && !writes_part) {
        return usage(std::string("with --region or --tiles OUT is a render part: FILE.") +
                     std::string(kRenderPartExtension));
    }
    if (writes_part && settings.quality == RenderQuality::Production && !settings.seed) {
        return usage("a production render part needs --seed N, the same for every part");
    }
    if (!writes_part) {
        if (const Status name = CheckPictureName(output); !name.ok()) {
            err << name.text << '\n';
            return kExitFailed;
        }
    }
    settings.region = part.region;

    // The scene's bytes are kept: a part records their hash.
    const std::string scene_file(scene_path);
    DocumentCore document;
    const Result<std::vector<std::uint8_t>> read = ReadWholeFile(scene_file);
    if (read.ok()) {
        ReserveHeapForLargeWork(RenderRoomFor(read->size(), settings));
    }
    const Status opened = read.ok() ? document.OpenFromBytes(*read, scene_file)
                                    : Status::Message(kMsgSceneOpenFailed, {scene_file});
    if (!opened.ok()) {
        PrintOpenFailure(err, "render", scene_path, opened.text);
        return kExitFailed;
    }
    const std::vector<std::uint8_t>& scene_bytes = *read;
    if (!lighting_flags.empty()) {
        SceneLighting lighting = document.Lighting();
        for (const auto& [flag, value] : lighting_flags) {
            const Status parsed = flag == "--soft-shadows" ? ParseSoftShadows(value, lighting)
                                  : flag == "--ao"         ? ParseOcclusion(value, lighting)
                                                           : ParseEnvironment(value, lighting);
            if (!parsed.ok()) {
                return usage(std::string(flag) + ": " + parsed.text);
            }
            // A picture named here is found from the working folder, not beside the scene.
            if (flag == "--environment" && lighting.environment == EnvironmentKind::Picture) {
                std::error_code error;
                const std::filesystem::path whole =
                    std::filesystem::absolute(lighting.picture_path, error);
                if (!error)
                    lighting.picture_path = whole.string();
            }
        }
        if (const Status checked = CheckLighting(lighting); !checked.ok()) {
            err << "kelto-cli render: " << checked.text << '\n';
            return kExitFailed;
        }
        settings.lighting = lighting;
    }
    if (const Status loaded = LoadRenderEnvironment(document, scene_file, settings); !loaded.ok()) {
        err << "kelto-cli render: " << loaded.text << '\n';
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
    const std::string_view quality = RenderQualityWord(settings.quality);
    if (writes_part) {
        const Status saved =
            WriteRenderPart(MakePart(request, document, settings, part, scene_bytes), output);
        if (!saved.ok()) {
            err << saved.text << '\n';
            return kExitFailed;
        }
        const PixelRect& r = request.Region();
        out << settings.width << 'x' << settings.height << ' ' << quality << " render part " << r.x0
            << ',' << r.y0 << ',' << r.x1 << ',' << r.y1 << " written to " << output << '\n';
        return kExitOk;
    }
    if (const Status saved = request.Save(output, jpeg_quality); !saved.ok()) {
        err << saved.text << '\n';
        return kExitFailed;
    }
    out << settings.width << 'x' << settings.height << ' ' << quality << " render written to "
        << output << '\n';
    return kExitOk;
}

}  // namespace kelto::cli
