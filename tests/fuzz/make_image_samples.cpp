// Writes small JPEG, PNG and TIFF pictures into three folders: the starting points of the
// image readers' fuzzing.
#include <cstdio>
#include <string>

#include "files/image_files.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_image_samples FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    bool ok = true;
    for (const auto& [width, height] : {std::pair{1, 1}, {7, 5}, {24, 16}}) {
        kelto::RenderImage image(width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                image.SetPixel(x, y, static_cast<std::uint8_t>(x * 10),
                               static_cast<std::uint8_t>(y * 15), 99);
        const std::string stem = std::to_string(width) + "x" + std::to_string(height);
        ok = kelto::WriteJpeg(image, folder + "/jpeg/" + stem + ".jpg") && ok;
        ok = kelto::WritePng(image, folder + "/png/" + stem + ".png") && ok;
        ok = kelto::WriteTiff(image, folder + "/tiff/" + stem + ".tif") && ok;
    }
    return ok ? 0 : 1;
}
