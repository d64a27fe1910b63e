// Opening the material editor on an object whose colour is a 4000 x 3000 picture: the sheet
// shares the picture (no copy) and scales its page preview once. Also how long the first live
// preview takes to appear. Needs a display: `make bench-view` runs it under xvfb-run.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>

#include "app/materials_sheet.h"
#include "app/qt_platform.h"
#include "platform/headless.h"

namespace kelto {
namespace {

Material PhotographMaterial() {
    TextureImage picture = TextureImage::Blank(4000, 3000, 3);
    for (int y = 0; y < picture.height; ++y) {
        RgbRow& row = picture.rgb_rows[static_cast<std::size_t>(y)];
        for (int x = 0; x < picture.width; ++x) {
            row.red[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(x / 16);
            row.green[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(y / 12);
            row.blue[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>((x ^ y) & 255);
        }
    }
    picture.failed = 0;
    picture.BuildTexture();
    Material material;
    material.colour_source = 1;
    material.colour_image = SharedImage(std::move(picture));
    return material;
}

struct Services {
    HeadlessMessages messages;
    HeadlessFileChooser files;
    HeadlessColourChooser colours;
    MemorySettings settings;
    QtWindowThread window_thread;
    EditorServices Editors() { return {messages, files, colours, settings, window_thread}; }
};

const Material& Photograph() {
    static const Material material = PhotographMaterial();
    return material;
}

// From the command to a sheet on the screen with its pages painted.
void BM_OpenSheetOn4000x3000Picture(benchmark::State& state) {
    Services services;
    const Material& material = Photograph();
    bool shared = true;
    for (auto _ : state) {
        auto sheet = std::make_unique<CMaterialsSheet>("Photo1", material, services.Editors());
        sheet->show();
        sheet->repaint();
        QApplication::processEvents();
        state.PauseTiming();
        shared = shared && sheet->WorkingCopy().colour_image.SharesWith(material.colour_image);
        sheet.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["picture_shared"] = shared ? 1 : 0;
}
BENCHMARK(BM_OpenSheetOn4000x3000Picture)->Unit(benchmark::kMillisecond)->UseRealTime();

// From opening the sheet to its first live preview on the screen.
void BM_FirstPreviewOf4000x3000Picture(benchmark::State& state) {
    Services services;
    const Material& material = Photograph();
    for (auto _ : state) {
        CMaterialsSheet sheet("Photo1", material, services.Editors());
        sheet.show();
        QElapsedTimer waited;
        waited.start();
        while (sheet.PreviewsShown() == 0 && waited.elapsed() < 10000) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        }
        if (sheet.PreviewsShown() == 0) {
            state.SkipWithError("no preview arrived");
            return;
        }
    }
}
BENCHMARK(BM_FirstPreviewOf4000x3000Picture)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace kelto
