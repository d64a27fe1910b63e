// File > Run Script...: a Python script run against the active document, with the system's
// Python embedded in the application and the module `kelto` built in.
#pragma once

#include <string>

#include "document/document_core.h"
#include "model/status.h"

namespace kelto {

// Runs the script at `script_path` on the calling (window) thread, the interpreter started
// the first time. The script sees `core` as its global `doc` and as kelto.active_document()
// (`document_path` is its file, empty before the first save), and sys.argv is
// [script_path]. What it changes is one history step, "Run Script NAME". A script that raises
// (or cannot be read or compiled) leaves the scene, its history and its modified flag as they
// were, and the status carries the exception and its traceback. When the script ends, the
// Document it was given is detached: handles kept beyond it raise kelto.Error.
Status RunScript(DocumentCore& core, const std::string& document_path,
                 const std::string& script_path);

}  // namespace kelto
