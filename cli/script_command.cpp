// `kelto-cli script`: runs a Python script with the module `kelto` importable. kelto-cli does
// not carry Python inside it: it finds the module beside itself (the build tree's python/
// folder, or the installed site folder) and becomes the system's Python 3 with PYTHONPATH
// leading there.
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "commands.h"

#ifndef KELTO_PYTHON_EXECUTABLE
#define KELTO_PYTHON_EXECUTABLE "/usr/bin/python3"
#endif
#ifndef KELTO_PYTHON_VERSION
#define KELTO_PYTHON_VERSION "3"
#endif

namespace kelto::cli {
namespace {

constexpr std::string_view kScriptUsage =
    "usage: kelto-cli script FILE.py [ARG...]\n"
    "\n"
    "Runs a Python script with the module kelto importable (the system's Python 3,\n"
    "" KELTO_PYTHON_EXECUTABLE
    "). The script sees FILE.py and the ARGs in sys.argv.\n"
    "'python3 -c \"import kelto; help(kelto)\"' describes the module.\n";

// Whether the folder holds the module (kelto.cpython-...so).
bool HoldsModule(const std::filesystem::path& folder) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("kelto.") && name.ends_with(".so")) {
            return true;
        }
    }
    return false;
}

// Where the module is for this kelto-cli: the build tree's python/ beside cli/, or the site
// folder of the prefix it is installed in.
std::string ModuleFolder() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return {};
    }
    const std::filesystem::path up = self.parent_path().parent_path();
    const std::filesystem::path lib = up / "lib";
    const std::string version = "python" KELTO_PYTHON_VERSION;
    for (const std::filesystem::path& folder :
         {up / "python", lib / version / "dist-packages", lib / version / "site-packages",
          lib / "python3" / "dist-packages"}) {
        if (HoldsModule(folder)) {
            return folder.string();
        }
    }
    return {};
}

}  // namespace

int RunScript(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        err << "kelto-cli script: needs a Python script\n" << kScriptUsage;
        return kExitUsage;
    }
    if (args[0] == "--help" || args[0] == "-h") {
        out << kScriptUsage;
        return kExitOk;
    }
    if (const std::string folder = ModuleFolder(); !folder.empty()) {
        const char* before = std::getenv("PYTHONPATH");
        const std::string path =
            before != nullptr && *before != '\0' ? folder + ":" + before : folder;
        ::setenv("PYTHONPATH", path.c_str(), 1);
    }
    std::vector<std::string> words{KELTO_PYTHON_EXECUTABLE};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    out.flush();
    err.flush();
    ::execv(KELTO_PYTHON_EXECUTABLE, argv.data());
    err << "kelto-cli script: cannot run " KELTO_PYTHON_EXECUTABLE ": " << std::strerror(errno)
        << '\n';
    return kExitFailed;
}

}  // namespace kelto::cli
