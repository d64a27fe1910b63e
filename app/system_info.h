// What the about box tells about the machine, and the status bar's clock texts.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace kelto {

// The machine's physical memory in kilobytes.
std::uint64_t PhysicalMemoryKb();
// The space free for this user on the file system holding `path`, in kilobytes; nothing when
// it cannot be read.
std::optional<std::uint64_t> FreeDiskKb(const std::string& path);
// "%lu KB" of the string table.
std::string KilobytesText(std::uint64_t kilobytes);

// The status bar's date, "Tue, Mar 5, 24", and time, "3:07": the day and the hour without a
// leading zero, the hour on the twelve-hour clock.
std::string StatusDateText(const std::tm& when);
std::string StatusTimeText(const std::tm& when);

}  // namespace kelto
