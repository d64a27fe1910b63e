#include "tip_file.h"

#include <sys/stat.h>

#include <ctime>
#include <filesystem>

#include "model/message_table.h"
#include "platform/program_settings.h"

namespace kelto {

using namespace settings_keys;

std::string FindTipFile(const std::string& data_folder) {
    std::error_code error;
    if (std::filesystem::is_regular_file(kTipFileName, error)) {
        return kTipFileName;
    }
    if (!data_folder.empty()) {
        const std::filesystem::path installed = std::filesystem::path(data_folder) / kTipFileName;
        if (std::filesystem::is_regular_file(installed, error)) {
            return installed.string();
        }
    }
    return {};
}

std::string FileTimeStamp(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) {
        return {};
    }
    std::tm local{};
    const std::time_t when = info.st_mtime;
    if (localtime_r(&when, &local) == nullptr) {
        return {};
    }
    char text[64];
    const std::size_t length = std::strftime(text, sizeof text, "%a %b %d %H:%M:%S %Y", &local);
    return std::string(text, length);
}

TipFile::TipFile(SettingsStore& settings, const std::string& path) : settings_(settings) {
    startup_ = settings_.ReadInt(kTipSection, kTipStartUp, 0);
    const int position = settings_.ReadInt(kTipSection, kTipFilePos, 0);
    if (!path.empty()) {
        file_.reset(std::fopen(path.c_str(), "r"));
    }
    if (!file_) {
        tip_ = FormatMessage(kMsgNoTipsFile);
        return;
    }
    const std::string stamp = FileTimeStamp(path);
    if (stamp != settings_.ReadString(kTipSection, kTipTimeStamp, "")) {
        settings_.WriteString(kTipSection, kTipTimeStamp, stamp);
    } else if (position > 0) {
        // A position past the end just wraps round to the first tip.
        std::fseek(file_.get(), position, SEEK_SET);
    }
    NextTip();
}

TipFile::~TipFile() {
    if (file_) {
        const long position = std::ftell(file_.get());
        settings_.WriteInt(kTipSection, kTipFilePos, position > 0 ? static_cast<int>(position) : 0);
    }
}

bool TipFile::ReadLine(std::string& line) {
    line.clear();
    std::FILE* f = file_.get();
    int c = std::fgetc(f);
    if (c == EOF) {
        return false;
    }
    while (c != EOF && c != '\n') {
        if (line.size() < static_cast<std::size_t>(kMaxTipLength)) {
            line.push_back(static_cast<char>(c));
        }
        c = std::fgetc(f);
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return true;
}

void TipFile::NextTip() {
    if (!file_) {
        return;
    }
    std::string line;
    // Up to the end of the file and, once, round from its beginning: a file without a single
    // tip line is reported rather than read for ever.
    for (int pass = 0; pass < 2; ++pass) {
        while (ReadLine(line)) {
            const char first = line.empty() ? '\n' : line.front();
            if (first != ' ' && first != '\t' && first != '\n' && first != ';' && first != '\0') {
                tip_ = line;
                return;
            }
        }
        std::clearerr(file_.get());
        if (std::fseek(file_.get(), 0, SEEK_SET) != 0) {
            break;
        }
    }
    tip_ = FormatMessage(kMsgTipsTrouble);
}

void TipFile::Closed(bool show_at_startup) {
    startup_ = show_at_startup ? 0 : 1;
    settings_.WriteInt(kTipSection, kTipStartUp, startup_);
}

}  // namespace kelto
