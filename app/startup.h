// What happens between the start of the process and the main window's first idle moment.
#pragma once

#include <QString>
#include <optional>
#include <string>

namespace kelto {

// What the command line asked for.
struct CommandLine {
    QString scene_file;     // a scene to open; empty for a new document
    bool show_tips = true;  // --nologo: no tip dialog at start-up
    bool help = false;      // --help
    bool version = false;   // --version
    QString error;          // what was not understood
};

// Reads the arguments (not the program name). Qt's own options (-platform, -display, ...)
// are gone from `arguments` by then.
CommandLine ParseCommandLine(const QStringList& arguments);
// The same straight from main's arguments, before any window system is reached: --help and
// --version answer without a display.
CommandLine ParseEarly(int argc, char** argv);
std::string UsageText();
std::string VersionText();

// The folder of the installed data (the tips file): <prefix>/share/kelto beside the program,
// else the folder the build was configured to install into.
QString DataFolder();

// The whole start-up: checks, settings, the main window, the command line's file, the tips.
// Returns the process's exit status.
int RunKelto(int argc, char** argv);

}  // namespace kelto
