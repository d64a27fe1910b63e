// kelto-cli's subcommands. Each takes its arguments (after the subcommand's name), writes its
// results to `out` and its messages to `err`, and returns the process exit status:
// 0 done, 1 failed (the message says why), 2 not understood (usage).
#pragma once

#include <ostream>
#include <span>
#include <string>
#include <string_view>

namespace kelto::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

int RunPrimitive(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);
int RunBuild(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);
int RunInfo(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);
int RunImageInfo(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);
int RunRender(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);
int RunMerge(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);
int RunImport3ds(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);
int RunImport(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);
int RunExport(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);
// Replaces the process with the system's Python running the script; returns only on failure.
int RunScript(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);

// Prints why a scene file could not be opened: the program's message, or a line of our own
// where the file's links simply lead nowhere and the program has no message.
void PrintOpenFailure(std::ostream& err, std::string_view command, std::string_view path,
                      const std::string& message);

// The whole command line without the program name.
int RunCli(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);

}  // namespace kelto::cli
