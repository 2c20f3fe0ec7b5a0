#pragma once

#include "snmp/acquisition_run.h"

#include <vector>

namespace sorpex {

class PrinterTable;
struct RunState;

// Queries the marked rows with a valid address through `width` worker threads: each takes the
// next row in table order as soon as its last one is done, so a silent printer holds up only its
// own thread. Fewer threads than asked make the window narrower; with none at all no row is
// asked and every one goes into RunState::notAsked. A Cancel is answered at once: while the question is up no row
// starts; after Yes the rows in flight finish and no other starts. Returns when every worker has ended.
void runWindow(PrinterTable& table, const std::vector<int>& marks, RunState& run, const PrinterQuery& query, int width,
               const ThreadStarter& start = startThread);

} // namespace sorpex
