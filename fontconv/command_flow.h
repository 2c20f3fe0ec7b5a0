#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

#include "fontconv/console.h"

namespace zuvfntc {

// Where a run takes place: relative file names are taken from `workDir`; `keyFd` is the
// terminal that dump pauses read a key from (-1: the pauses read from the input stream).
struct RunEnvironment {
    std::filesystem::path workDir = ".";
    Charset charset = Charset::Utf8;
    int keyFd = -1;
};

// One run of zuvfntc: `args` are the command-line arguments after the program name, `in` and
// `out` the console. Returns the exit code.
int runConverter(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                 const RunEnvironment& environment = {});

} // namespace zuvfntc
