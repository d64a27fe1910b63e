// Whole-file reading, and writing that never destroys the previous file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kelto {

// Reads the whole file; false when it cannot be opened or read (there is no other reason: the
// callers' messages say the file could not be opened).
bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes);

// How a replacement of a file's contents went.
enum class FileWrite {
    Done,
    CannotCreate,  // no file could be made beside the target (no such folder, no permission)
    CannotWrite,   // writing, flushing or renaming failed (a full disk, say)
};

// Writes the bytes to a temporary file beside `path`, flushes them to the disk and only then
// renames the temporary file over `path`. On any failure the temporary file is removed, the
// previous file at `path` is left as it was and the result says which step failed. When `path`
// is a symbolic link, the file it leads to is replaced (in its own folder) and the link stays;
// the replaced file's permissions are kept.
FileWrite ReplaceFileContents(const std::string& path, const std::vector<std::uint8_t>& bytes);

// The extension of a path's file name, without the dot ("" when there is none), and the same
// lower-cased.
std::string ExtensionOf(const std::string& path);
std::string LowerCase(std::string text);

}  // namespace kelto
