// Binary STL read by our own code, a block of facets at a time, straight into the pieces of one
// mesh: the file is never held whole beside the meshes it becomes. What comes back is the
// scene the Open Asset Import Library's reader gave (its tree, its one material, the facet
// normal on every corner), so an import looks the same whichever reads the file. Text STL stays
// with that library.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "model/status.h"
#include "model_import.h"

namespace kelto {

// An 80-byte header, a 32-bit triangle count and 50 bytes a triangle: `size` (the whole file's)
// is 84 + 50 × count. A file whose header starts with "solid" may still be one. `head` is at
// least the file's first 84 bytes.
bool IsBinaryStl(std::span<const std::uint8_t> head, std::uint64_t size);

// Reads the binary STL at `path` (IsBinaryStl of it holds, its count at most
// kMaxImportTriangles); messages name `file_name`.
Result<ModelScene> ReadBinaryStlFile(const std::string& path, const std::string& file_name,
                                     const ModelImportOptions& options);

// The same, from the file's bytes.
Result<ModelScene> ReadBinaryStlBytes(std::span<const std::uint8_t> bytes,
                                      const std::string& file_name,
                                      const ModelImportOptions& options);

}  // namespace kelto
