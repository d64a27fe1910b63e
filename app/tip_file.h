// The tips of the tip dialog: one tip a line in a plain text file, read from where the last
// dialog stopped. Lines that begin with a blank, a tab or ";" (and empty lines) are skipped;
// at the end of the file reading starts again at its beginning. The settings keep whether the
// dialog shows at start-up, where the next tip is, and the file's time stamp: a file changed
// since then is read from its beginning.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "platform/settings.h"

namespace kelto {

inline constexpr char kTipFileName[] = "Kelto.tip";

// The tips file to use: "Kelto.tip" in the working directory, else in the data folder.
// Empty when neither exists.
std::string FindTipFile(const std::string& data_folder);

// The text form of a file's modification time kept in the settings; empty when the file has
// none.
std::string FileTimeStamp(const std::string& path);

class TipFile {
  public:
    static constexpr int kMaxTipLength = 999;

    // Reads the settings and opens the file (an empty path is a missing file), ready with the
    // first tip to show.
    TipFile(SettingsStore& settings, const std::string& path);
    // Writes the position of the next tip.
    ~TipFile();
    TipFile(const TipFile&) = delete;
    TipFile& operator=(const TipFile&) = delete;

    // The tip to show, or the message saying why there is none.
    const std::string& Tip() const { return tip_; }
    bool HasFile() const { return file_ != nullptr; }
    // Whether the dialog's "Show Tips on StartUp" box starts ticked.
    bool ShowAtStartUp() const { return startup_ == 0; }
    // Reads the following tip ("Next Tip").
    void NextTip();
    // The dialog was closed with its box ticked or not.
    void Closed(bool show_at_startup);

  private:
    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    // Reads one line of at most kMaxTipLength characters into `line` (the rest of a longer
    // line is passed over); false at the end of the file or on a read error.
    bool ReadLine(std::string& line);

    SettingsStore& settings_;
    std::unique_ptr<std::FILE, FileCloser> file_;
    int startup_ = 0;
    std::string tip_;
};

}  // namespace kelto
