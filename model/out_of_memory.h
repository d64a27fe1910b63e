// What happens when memory runs out: the process says so on standard error and ends.
#pragma once

namespace kelto {

// Installs the process-wide new-handler: "out of memory" and a line end go to standard
// error and the process exits with status 1. There is no recovery and nothing is saved.
// Both programs call it first thing in main().
void InstallOutOfMemoryHandler();

// What the handler does, for code that finds memory exhausted without `new` (C libraries'
// buffers): "out of memory" on standard error and exit status 1.
[[noreturn]] void ReportOutOfMemory();

}  // namespace kelto
