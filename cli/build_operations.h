// The operations of `kelto-cli build`, applied through the document's own operations.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "document/document_core.h"

namespace kelto::cli {

// Applies one operation ("add:sphere@1,2", "group", ...). Returns nothing on success, or why
// the operation cannot be done (unknown name, kind or key, or a malformed value).
std::optional<std::string> ApplyBuildOperation(DocumentCore& document, std::string_view operation);

// The operations' summary for --help.
extern const std::string_view kBuildOperationsHelp;

}  // namespace kelto::cli
