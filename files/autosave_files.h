// The autosave folder and its files: where autosaves go, what they are called, what they hold,
// and what a folder holds. An autosave is named after its document and the process that wrote
// it ("demo-4711-1717171717123-2.kelauto": document "demo", process 4711 started at that
// millisecond, the process's second document), so that each process writes only its own and a
// later process with the same id never mistakes an earlier one's files for its own.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "model/status.h"

namespace kelto {

inline constexpr char kAutosaveExtension[] = ".kelauto";

// $XDG_STATE_HOME/kelto/autosave, else ~/.local/state/kelto/autosave.
std::string AutosaveFolder(const char* xdg_state_home, const char* home);
std::string AutosaveFolder();

// A process that writes autosaves: its id, and when it started (milliseconds since 1970).
struct AutosaveOwner {
    std::int64_t pid = 0;
    std::int64_t started = 0;
    friend bool operator==(const AutosaveOwner&, const AutosaveOwner&) = default;
    friend auto operator<=>(const AutosaveOwner&, const AutosaveOwner&) = default;
};
// This process.
AutosaveOwner ThisProcessOwner();
// "4711-1717171717123": what the owner's file names and its lock file carry.
std::string OwnerTag(const AutosaveOwner& owner);

// The name of document `number` of `owner`, whose title is `title` ("demo.kel", "Kelto1"):
// the title without its .kel, with characters other than letters, digits, '.', '_' and '-'
// made '_' and cut to 48 bytes.
std::string AutosaveFileName(const std::string& title, const AutosaveOwner& owner, int number);
// The owner of a file named by AutosaveFileName; nothing for any other name (the temporary
// files of a write in progress included).
std::optional<AutosaveOwner> OwnerOfAutosaveName(const std::string& file_name);

// What an autosave says about its document besides the scene: the file it belongs to (empty
// for a document never saved) and its title.
struct AutosaveHeader {
    std::string path;
    std::string title;
};
// An autosave's bytes: a magic word, the header, then the bytes of the scene file.
std::vector<std::uint8_t> AutosaveBytes(const AutosaveHeader& header,
                                        std::span<const std::uint8_t> scene);
struct AutosaveContents {
    AutosaveHeader header;
    std::span<const std::uint8_t> scene;  // within the bytes read
};
// Splits an autosave's bytes; a damaged or cut header gives the scene reader's corrupt-file
// message naming `file_name`.
Result<AutosaveContents> ReadAutosaveBytes(std::span<const std::uint8_t> bytes,
                                           const std::string& file_name);

// One autosave in the folder.
struct AutosaveEntry {
    std::string path;  // the autosave file
    AutosaveOwner owner;
    std::time_t written = 0;  // its modification time
    std::uint64_t size = 0;   // bytes
};
// What the folder holds: the autosaves, oldest owner first and per owner by name, and the
// temporary files of writes whose process ended in the middle of them (owner and path only).
// Nothing when the folder is missing or cannot be read.
struct AutosaveFolderContents {
    std::vector<AutosaveEntry> autosaves;
    std::vector<AutosaveEntry> unfinished;
};
AutosaveFolderContents ScanAutosaveFolder(const std::string& folder);

}  // namespace kelto
