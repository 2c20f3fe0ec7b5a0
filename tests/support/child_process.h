#pragma once

#include <chrono>
#include <string>
#include <vector>
#include <sys/types.h>

namespace sorpex::test {

// A program the test starts and stops: a peer server, or the program under test. It leads a
// process group of its own, stopped whole, and stopped also when the test process dies first.
class ChildProcess {
public:
    // Starts argv[0] (searched on PATH) with stdin from /dev/null and stdout and stderr into
    // `outputFile` (or /dev/null when empty).
    ChildProcess(const std::vector<std::string>& argv, const std::string& outputFile = "");
    ~ChildProcess(); // stops it: SIGTERM, then SIGKILL after two seconds
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return m_pid; }
    bool running();
    void stop();

private:
    pid_t m_pid = -1;
};

// Runs a program to its end, with a time limit (in a process group of its own, as above); gives its exit code (-1 after
// a signal or the time limit) and what it printed on stdout and stderr together.
struct RunResult {
    int exitCode = -1;
    std::string output;
};
RunResult runProgram(const std::vector<std::string>& argv, std::chrono::seconds limit = std::chrono::seconds(30),
                     const std::string& input = "");

} // namespace sorpex::test
