// Writes the small model files of model_samples.h into a folder, each behind the byte that
// picks its format for model_import_fuzz: the starting points of its fuzzing.
#include <cstdio>
#include <fstream>
#include <string>

#include "model_samples.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_model_samples FOLDER\n");
        return 2;
    }
    using namespace kelto::model_samples;
    // The selector bytes follow model_import_check.cpp: obj, stl, ply, gltf, glb.
    const struct {
        const char* name;
        std::uint8_t format;
        Bytes bytes;
    } samples[] = {{"obj", 0, Obj()},
                   {"obj_features", 0, ObjFeatures()},
                   {"obj_with_library", 5, ObjWithLibrary()},
                   {"stl_text", 1, AsciiStl()},
                   {"stl", 1, BinaryStl()},
                   {"ply", 2, Ply()},
                   {"gltf", 3, Gltf()},
                   {"glb", 4, Glb()}};
    for (const auto& sample : samples) {
        std::ofstream out(std::string(argv[1]) + "/" + sample.name, std::ios::binary);
        out.put(static_cast<char>(sample.format));
        out.write(reinterpret_cast<const char*>(sample.bytes.data()),
                  static_cast<std::streamsize>(sample.bytes.size()));
    }
    return 0;
}
