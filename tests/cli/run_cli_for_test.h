// Runs kelto-cli's command line in-process and keeps what it printed.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace kelto::cli {

struct CliResult {
    int status;
    std::string out;
    std::string err;
};

inline CliResult RunCommand(const std::vector<std::string>& args) {
    const std::vector<std::string_view> views(args.begin(), args.end());
    std::ostringstream out, err;
    const int status = RunCli(views, out, err);
    return {status, out.str(), err.str()};
}

}  // namespace kelto::cli
