// Document.render and kelto.Picture: the render request `kelto-cli render` and the render
// window use, run with Python's lock released; the progress callback and Ctrl+C are heard
// between drains and stop the render.
#include <pybind11/stl.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "cli/render_values.h"
#include "cli/waiting_listener.h"
#include "document/render_request.h"
#include "python_document.h"
#include "python_errors.h"

namespace kelto::python {
namespace {

// The finished picture: the rendered pixels, and the same as rows of red, green, blue bytes
// for the buffer protocol.
struct Picture {
    RenderImage image;
    std::vector<std::uint8_t> rgb;
    int threads = 1;

    explicit Picture(const RenderImage& rendered, int render_threads)
        : image(rendered), threads(render_threads) {
        const std::size_t row = static_cast<std::size_t>(image.Width()) * 3;
        rgb.resize(row * static_cast<std::size_t>(image.Height()));
        for (int y = 0; y < image.Height(); ++y) {
            image.InterleaveRow(y, rgb.data() + row * static_cast<std::size_t>(y));
        }
    }
};

constexpr std::chrono::milliseconds kSignalInterval{100};

RenderSettings SettingsFrom(const std::pair<int, int>& size, const std::string& quality,
                            std::optional<long> seed, int threads, std::optional<int> view,
                            const std::optional<std::array<int, 4>>& region) {
    RenderSettings settings;
    Check(cli::SetRenderSize(size.first, size.second, settings));
    Check(cli::ParseRenderQuality(quality, settings));
    if (threads < 0 || threads > 256) {
        RaiseUsage("threads takes 1 to 256 (0: one per processor)");
    }
    settings.threads = threads;
    if (seed && (*seed < -2000000000 || *seed > 2000000000)) {
        RaiseUsage("seed takes a whole number from -2000000000 to 2000000000");
    }
    settings.seed = seed;
    if (view && *view < 1) {
        RaiseUsage("view takes a view number from 1");
    }
    settings.view = view;
    if (region) {
        const auto [x0, y0, x1, y1] = *region;
        if (x1 <= x0 || y1 <= y0 || x0 < 0 || y0 < 0 || x1 > settings.width ||
            y1 > settings.height) {
            RaiseUsage(
                "region (x0, y0, x1, y1) must be a rectangle of the picture, x0 < x1 and "
                "y0 < y1");
        }
        settings.region = PixelRect{x0, y0, x1, y1};
    }
    return settings;
}

Picture Render(const DocumentHandle& d, const std::optional<std::string>& path,
               const std::pair<int, int>& size, const std::string& quality,
               std::optional<long> seed, int threads, std::optional<int> view,
               const std::optional<std::array<int, 4>>& region, const py::object& progress) {
    DocumentCore& core = d.document->Core();
    RenderSettings settings = SettingsFrom(size, quality, seed, threads, view, region);
    if (path) {
        Check(CheckPictureName(*path));
    }
    Check(LoadRenderEnvironment(core, d.document->path, settings));
    RenderCamera camera;
    Check(ChooseRenderCamera(core, settings, camera));

    cli::WaitingListener listener;  // outlives the request, which stops and joins its threads
    RenderRequest request(core, camera, settings, listener);
    request.Start();
    std::size_t shown = static_cast<std::size_t>(-1);
    for (bool done = false; !done;) {
        {
            py::gil_scoped_release unlocked;
            done = listener.Wait(kSignalInterval);
            request.Drain();
        }
        if (PyErr_CheckSignals() != 0) {
            throw py::error_already_set();  // Ctrl+C: the request's end stops the render
        }
        if (!progress.is_none() && request.PixelsDone() != shown) {
            shown = request.PixelsDone();
            const py::object answer = progress(shown, request.PixelsTotal());
            if (!answer.is_none() && !answer.cast<bool>()) {
                RaiseUsage("The render was stopped by its progress callback.");
            }
        }
    }
    std::vector<Status> left_out;
    for (const std::string& name : request.LeftOut()) {
        left_out.push_back(Status::Message(kMsgObjectLeftOut, {name}));
    }
    Warn(left_out);
    Picture picture(request.Image(), request.Threads());
    if (path) {
        Check(request.Save(*path));
    }
    return picture;
}

}  // namespace

void BindRender(py::module_& module, py::class_<DocumentHandle>& document) {
    py::class_<Picture>(module, "Picture", py::buffer_protocol(),
                        "A rendered picture: width, height, and its pixels through the buffer "
                        "protocol as rows of red, green, blue bytes, shape (height, width, 3) "
                        "(bytes(memoryview(p)), numpy.asarray(p)).")
        .def_buffer([](Picture& p) {
            const auto w = static_cast<py::ssize_t>(p.image.Width());
            const auto h = static_cast<py::ssize_t>(p.image.Height());
            return py::buffer_info(p.rgb.data(), 1, py::format_descriptor<std::uint8_t>::format(),
                                   3, {h, w, py::ssize_t{3}},
                                   {w * 3, py::ssize_t{3}, py::ssize_t{1}}, true);
        })
        .def_property_readonly(
            "width", [](const Picture& p) { return p.image.Width(); }, "Pixels across.")
        .def_property_readonly(
            "height", [](const Picture& p) { return p.image.Height(); }, "Pixels down.")
        .def(
            "pixel",
            [](const Picture& p, int x, int y) {
                if (x < 0 || y < 0 || x >= p.image.Width() || y >= p.image.Height()) {
                    throw py::index_error("the pixel lies outside the picture");
                }
                return p.image.Pixel(x, y);
            },
            py::arg("x"), py::arg("y"), "The (red, green, blue) bytes of one pixel.")
        .def(
            "save",
            [](const Picture& p, const std::string& path, int jpeg_quality) {
                if (jpeg_quality < 20 || jpeg_quality > 100) {
                    RaiseUsage("jpeg_quality takes 20 to 100");
                }
                Check(CheckPictureName(path));
                Check(SavePicture(p.image, path, jpeg_quality, p.threads));
            },
            py::arg("path"), py::arg("jpeg_quality") = kDefaultJpegQuality,
            "Writes the picture as BMP, JPEG, PNG or TIFF by the name's extension, as "
            "kelto-cli render writes it.")
        .def("__repr__", [](const Picture& p) {
            return py::str("<kelto.Picture {}x{}>").format(p.image.Width(), p.image.Height());
        });

    document.def("render", &Render, py::arg("path") = py::none(),
                 py::arg("size") = std::pair<int, int>{640, 480}, py::arg("quality") = "draft",
                 py::arg("seed") = py::none(), py::arg("threads") = 0, py::arg("view") = py::none(),
                 py::arg("region") = py::none(), py::arg("progress") = py::none(),
                 "Ray traces the scene as `kelto-cli render` does its saved file and returns "
                 "the kelto.Picture (also written to `path` when given). size (w, h); quality "
                 "'draft' or 'production'; seed makes Production repeatable (each pixel sampled "
                 "by a rule of the seed and its place); threads 0 for one per processor; view "
                 "N looks through the N-th stored view (default the first, or the scene's "
                 "camera); region (x0, y0, x1, y1) renders only those pixels. progress(done, "
                 "total) is called as pixels arrive; returning False (or raising) stops the "
                 "render, as does Ctrl+C. Python's lock is released while it renders.");
}

}  // namespace kelto::python
