// The demo scene for the benchmarks, built as examples/build-demo-scene builds it: the
// operations of examples/demo-scene.ops applied in order. The script runs kelto-cli in the
// examples folder, so the pictures the materials name are looked up there here too, whatever
// the benchmark's working folder.
#pragma once

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "cli/build_operations.h"
#include "document/document_core.h"

namespace kelto::bench {

// The operation with each picture file of a material operation (image=, glowimage=,
// ambientimage=, bump=FILE) named by its place in `folder` when it is relative.
inline std::string PicturesIn(const std::filesystem::path& folder, std::string_view operation) {
    const std::size_t at = operation.find('@');
    if (!operation.starts_with("material:") || at == std::string_view::npos) {
        return std::string(operation);
    }
    static constexpr std::array<std::string_view, 4> kPictureKeys{"image", "glowimage",
                                                                  "ambientimage", "bump"};
    std::string out(operation.substr(0, at + 1));
    auto append = [&](std::string_view pair) {
        const std::size_t equals = pair.find('=');
        const std::string_view key = pair.substr(0, equals);
        const std::string_view value =
            equals == std::string_view::npos ? std::string_view() : pair.substr(equals + 1);
        const bool picture =
            std::find(kPictureKeys.begin(), kPictureKeys.end(), key) != kPictureKeys.end() &&
            !value.empty() && value != "none" && value != "colour" &&
            std::filesystem::path(value).is_relative();
        out += picture ? std::string(key) + '=' + (folder / value).string() : std::string(pair);
    };
    for (std::string_view rest = operation.substr(at + 1);;) {
        const std::size_t end = rest.find(';');
        append(rest.substr(0, end));
        if (end == std::string_view::npos) {
            break;
        }
        out += ';';
        rest.remove_prefix(end + 1);
    }
    return out;
}

// Builds the demo scene into `document`; false when the file is missing or an operation
// cannot be done (a benchmark then skips with an error).
inline bool BuildDemoScene(DocumentCore& document) {
    const std::filesystem::path examples = KELTO_EXAMPLES;
    std::ifstream ops(examples / "demo-scene.ops");
    if (!ops) {
        return false;
    }
    for (std::string line; std::getline(ops, line);) {
        const std::size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#') {
            continue;
        }
        if (!cli::ApplyBuildOperation(document, PicturesIn(examples, line.substr(first))).ok()) {
            return false;
        }
    }
    return true;
}

}  // namespace kelto::bench
