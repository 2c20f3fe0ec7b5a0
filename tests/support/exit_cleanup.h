#pragma once

#include <filesystem>
#include <sys/types.h>

namespace sorpex::test {

// A test that dies without running its destructors (an abort, an uncaught exception, a signal,
// ctest's time-out) would leave its peers running and its folders behind. A watcher process
// (tests/support/reaper.py), started with the first registration, outlives the test and cleans
// up whatever is still registered when the test process ends.
void cleanUpGroupAtExit(pid_t group);
void forgetGroup(pid_t group);
void cleanUpFolderAtExit(const std::filesystem::path& folder);
void forgetFolder(const std::filesystem::path& folder);

} // namespace sorpex::test
