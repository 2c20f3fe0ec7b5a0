#pragma once

namespace zuvfntc {

// Gets the process ready before it opens any file: descriptors 0, 1 and 2 open (on /dev/null
// where the caller closed them), a temporary file removed when a signal ends the run, and a
// write past the file-size limit reported as a failed write, and no core dump unless
// `coreDumpRequest` (the value of ZUVFNTC_CORE_DUMPS) is "1". False when that cannot be done.
bool prepareProcess(const char* coreDumpRequest);

// Turns core dumps off unless `request` is "1"; true when they stay on.
bool limitCoreDumps(const char* request);

} // namespace zuvfntc
