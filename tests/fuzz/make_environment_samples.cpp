// Writes small environment pictures into a folder, the starting points of the environment
// reader's fuzzing: Radiance files with flat and run-length rows, OpenEXR files as scanlines
// (uncompressed, ZIP, PIZ, PXR24, B44, RLE) and tiles, and a PNG.
#include <ImfRgbaFile.h>
#include <ImfTiledRgbaFile.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "files/image_files.h"

namespace {

void WriteRadiance(const std::string& path, const std::string& resolution,
                   const std::vector<unsigned char>& pixels) {
    std::ofstream file(path, std::ios::binary);
    file << "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n" << resolution << '\n';
    file.write(reinterpret_cast<const char*>(pixels.data()),
               static_cast<std::streamsize>(pixels.size()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_environment_samples FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    WriteRadiance(folder + "/flat.hdr", "-Y 2 +X 3", {1,  2,  3,  128, 9, 9, 9, 129, 1, 1, 1, 2,
                                                      40, 50, 60, 127, 0, 0, 0, 0,   7, 7, 7, 140});
    std::vector<unsigned char> rows;
    for (int y = 0; y < 2; ++y) {
        rows.insert(rows.end(), {2, 2, 0, 10});
        for (int c = 0; c < 4; ++c)
            rows.insert(rows.end(), {133, 100, 5, 1, 2, 3, 4, 5});
    }
    WriteRadiance(folder + "/runs.hdr", "+Y 2 +X 10", rows);

    const int width = 6, height = 4;
    std::vector<Imf::Rgba> pixels(width * height);
    for (int i = 0; i < width * height; ++i)
        pixels[i] = Imf::Rgba(i * 0.1f, 1.0f / (i + 1), 2.0f);
    try {
        for (const auto& [name, compression] : {std::pair{"none", Imf::NO_COMPRESSION},
                                                {"zip", Imf::ZIP_COMPRESSION},
                                                {"piz", Imf::PIZ_COMPRESSION},
                                                {"pxr24", Imf::PXR24_COMPRESSION},
                                                {"b44", Imf::B44_COMPRESSION},
                                                {"rle", Imf::RLE_COMPRESSION}}) {
            Imf::RgbaOutputFile file((folder + "/" + name + ".exr").c_str(), width, height,
                                     Imf::WRITE_RGB, 1, Imath::V2f(0, 0), 1, Imf::INCREASING_Y,
                                     compression);
            file.setFrameBuffer(pixels.data(), 1, width);
            file.writePixels(height);
        }
        Imf::TiledRgbaOutputFile tiles((folder + "/tiles.exr").c_str(), width, height, 4, 4,
                                       Imf::ONE_LEVEL, Imf::ROUND_DOWN, Imf::WRITE_Y);
        tiles.setFrameBuffer(pixels.data(), 1, width);
        tiles.writeTiles(0, tiles.numXTiles() - 1, 0, tiles.numYTiles() - 1);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_environment_samples: %s\n", error.what());
        return 1;
    }
    kelto::RenderImage image(3, 2);
    image.SetPixel(1, 1, 200, 100, 50);
    return kelto::WritePng(image, folder + "/small.png").ok() ? 0 : 1;
}
