// Whole-file reading, and writing that never destroys the previous file.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "model/status.h"

namespace kelto {

// Reads the whole file. A file that cannot be opened or read fails silently (there is no other
// reason: the callers' messages say the file could not be opened).
Result<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path);

// How a replacement of a file's contents went.
enum class FileWrite {
    Done,
    CannotCreate,  // no file could be made beside the target (no such folder, no permission)
    CannotWrite,   // writing, flushing or renaming failed (a full disk, say)
};

// Whether a replacing write waits until the new file and its name are on the disk (scene
// files: the user's work) or leaves the flushing to the system (rendered pictures, which can
// be made again, and whose writing is a render's last step). Either way the file at `path`
// is replaced only by a complete new one.
enum class Durability { Flushed, Unflushed };

// Writes the bytes to a temporary file beside `path`, flushes them to the disk (when asked)
// and only then renames the temporary file over `path`. On any failure the temporary file is
// removed, the previous file at `path` is left as it was and the result says which step
// failed. When `path` is a symbolic link, the file it leads to is replaced (in its own folder)
// and the link stays; the replaced file's permissions are kept.
FileWrite ReplaceFileContents(const std::string& path, const std::vector<std::uint8_t>& bytes,
                              Durability durability = Durability::Flushed);

// The same for a file made a stretch at a time: `produce` hands each stretch to the function
// it is given, in order, and the file is never whole in memory.
using ByteStretches = std::function<void(std::span<const std::uint8_t>)>;
FileWrite ReplaceFileContents(const std::string& path,
                              const std::function<void(const ByteStretches&)>& produce,
                              Durability durability = Durability::Flushed);

// The extension of a path's file name, without the dot ("" when there is none), and the same
// lower-cased.
std::string ExtensionOf(const std::string& path);
std::string LowerCase(std::string text);

}  // namespace kelto
