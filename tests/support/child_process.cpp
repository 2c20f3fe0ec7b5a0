#include "tests/support/child_process.h"

#include "tests/support/exit_cleanup.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace sorpex::test {
namespace {

std::vector<char*> cArgs(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    return args;
}

// Every child leads a process group of its own, so that stopping it stops what it started too,
// and the group is stopped also when the test process dies first.
class GroupLeader {
public:
    GroupLeader() {
        posix_spawnattr_init(&m_attributes);
        posix_spawnattr_setflags(&m_attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&m_attributes, 0);
    }
    ~GroupLeader() { posix_spawnattr_destroy(&m_attributes); }
    GroupLeader(const GroupLeader&) = delete;
    GroupLeader& operator=(const GroupLeader&) = delete;

    const posix_spawnattr_t* attributes() const { return &m_attributes; }

private:
    posix_spawnattr_t m_attributes;
};

bool waitWithLimit(pid_t pid, std::chrono::milliseconds limit, int* status) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (true) {
        pid_t done = waitpid(pid, status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR)) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

} // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::string& outputFile) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    std::string out = outputFile.empty() ? "/dev/null" : outputFile;
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    std::vector<char*> args = cArgs(argv);
    GroupLeader leader;
    int rc = posix_spawnp(&m_pid, args[0], &actions, leader.attributes(), args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        m_pid = -1;
        throw std::runtime_error("cannot start " + argv[0]);
    }
    cleanUpGroupAtExit(m_pid);
}

ChildProcess::~ChildProcess() {
    stop();
}

bool ChildProcess::running() {
    if (m_pid < 0) {
        return false;
    }
    int status = 0;
    if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
        // What it started may still run in its group.
        kill(-m_pid, SIGKILL);
        forgetGroup(m_pid);
        m_pid = -1;
        return false;
    }
    return true;
}

void ChildProcess::stop() {
    if (m_pid < 0) {
        return;
    }
    int status = 0;
    kill(-m_pid, SIGTERM);
    if (!waitWithLimit(m_pid, std::chrono::seconds(2), &status)) {
        kill(-m_pid, SIGKILL);
        waitWithLimit(m_pid, std::chrono::seconds(5), &status);
    }
    kill(-m_pid, SIGKILL);
    forgetGroup(m_pid);
    m_pid = -1;
}

RunResult runProgram(const std::vector<std::string>& argv, std::chrono::seconds limit, const std::string& input) {
    int toChild[2];
    int fromChild[2];
    if (pipe(toChild) != 0 || pipe(fromChild) != 0) {
        throw std::runtime_error("pipe failed");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], 2);
    posix_spawn_file_actions_addclose(&actions, toChild[1]);
    posix_spawn_file_actions_addclose(&actions, fromChild[0]);
    std::vector<char*> args = cArgs(argv);
    pid_t pid = -1;
    GroupLeader leader;
    int rc = posix_spawnp(&pid, args[0], &actions, leader.attributes(), args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(toChild[0]);
    close(fromChild[1]);
    if (rc != 0) {
        close(toChild[1]);
        close(fromChild[0]);
        throw std::runtime_error("cannot start " + argv[0]);
    }
    cleanUpGroupAtExit(pid);
    // The input is small; a child that does not read it gets EPIPE, which is ignored.
    signal(SIGPIPE, SIG_IGN);
    if (!input.empty()) {
        [[maybe_unused]] ssize_t written = write(toChild[1], input.data(), input.size());
    }
    close(toChild[1]);

    RunResult result;
    auto deadline = std::chrono::steady_clock::now() + limit;
    char buffer[4096];
    while (true) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            kill(-pid, SIGKILL);
            break;
        }
        pollfd fd{fromChild[0], POLLIN, 0};
        int ready = poll(&fd, 1, static_cast<int>(left.count()));
        if (ready <= 0) {
            continue;
        }
        ssize_t n = read(fromChild[0], buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        result.output.append(buffer, static_cast<size_t>(n));
    }
    close(fromChild[0]);
    int status = 0;
    if (!waitWithLimit(pid, std::chrono::seconds(5), &status)) {
        kill(-pid, SIGKILL);
        waitWithLimit(pid, std::chrono::seconds(5), &status);
    }
    forgetGroup(pid);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

} // namespace sorpex::test
