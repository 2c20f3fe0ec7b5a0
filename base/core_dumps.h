#pragma once

namespace sorpex {

// The variable that keeps core dumps on, for a developer chasing a crash: "1" asks for them.
inline constexpr const char* kCoreDumpVariable = "SORPEX_CORE_DUMPS";

// A core dump holds what the process had in memory, the mail password among it: dumps are
// turned off (no core file, and the process cannot be attached to by other processes of the
// user) unless `request`, the variable's value, is "1". True when they stay on.
bool limitCoreDumps(const char* request);

} // namespace sorpex
