// The operations of `kelto-cli build`, applied through the document's own operations.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/document_core.h"

namespace kelto::cli {

// Why an operation could not be done: a usage error (unknown name, kind or key, or a malformed
// value) or a failure with the program's message (an image file that cannot be read).
struct BuildError {
    bool usage = true;
    std::string text;
};

// Applies one operation ("add:sphere@1,2", "group", ...). Returns nothing on success. An
// operation that succeeds with a warning (a text made without characters its font lacks)
// appends the warning's text to `warnings` when given.
std::optional<BuildError> ApplyBuildOperation(DocumentCore& document, std::string_view operation,
                                              std::vector<std::string>* warnings = nullptr);

// The operations' summary for --help.
extern const std::string_view kBuildOperationsHelp;

}  // namespace kelto::cli
