#include "system_info.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdio>

#include "model/message_table.h"

namespace kelto {

std::uint64_t PhysicalMemoryKb() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long page_size = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || page_size <= 0) {
        return 0;
    }
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(page_size) / 1024u;
}

std::optional<std::uint64_t> FreeDiskKb(const std::string& path) {
    struct statvfs info {};
    if (::statvfs(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(info.f_bavail) * static_cast<std::uint64_t>(info.f_frsize) /
           1024u;
}

std::string KilobytesText(std::uint64_t kilobytes) {
    const std::string format(MessageTemplate(kMsgKilobytes));
    char text[64];
    std::snprintf(text, sizeof text, format.c_str(), static_cast<unsigned long>(kilobytes));
    return text;
}

namespace {
std::string Formatted(const char* format, const std::tm& when) {
    char text[64];
    const std::size_t length = std::strftime(text, sizeof text, format, &when);
    return std::string(text, length);
}
}  // namespace

std::string StatusDateText(const std::tm& when) {
    return Formatted("%a, %b ", when) + std::to_string(when.tm_mday) + Formatted(", %y", when);
}

std::string StatusTimeText(const std::tm& when) {
    const int hour = when.tm_hour % 12 == 0 ? 12 : when.tm_hour % 12;
    return std::to_string(hour) + Formatted(":%M", when);
}

}  // namespace kelto
