// Writes a few small 3DS files into a folder: the starting points of the 3DS reader's fuzzing.
#include <cstdio>
#include <fstream>
#include <string>

#include "../files/three_ds_writer.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_3ds_samples FOLDER\n");
        return 2;
    }
    using namespace kelto::testing_3ds;
    TestMesh smooth = Tetrahedron("Smooth One");
    smooth.smoothing = true;
    const std::vector<std::vector<TestMesh>> files = {{Tetrahedron("T")},
                                                      {smooth, Tetrahedron("Two")}};
    for (std::size_t i = 0; i < files.size(); ++i) {
        const auto bytes = Make3ds(files[i], 1.5f);
        std::ofstream out(std::string(argv[1]) + "/sample" + std::to_string(i) + ".3ds",
                          std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    return 0;
}
