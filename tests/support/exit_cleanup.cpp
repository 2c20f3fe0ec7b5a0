#include "tests/support/exit_cleanup.h"

#include <fcntl.h>
#include <mutex>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

extern char** environ;

namespace sorpex::test {
namespace {

std::mutex g_mutex;
int g_watcher = -1; // our end of the watcher's standard input; it sees the end when we die

// Starts the watcher on a socket rather than a pipe: a write after it died fails quietly
// (MSG_NOSIGNAL) instead of killing the test with SIGPIPE.
int startWatcher() {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    // A group of its own: a terminal's interrupt reaches the test, not the watcher.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    std::string script = std::string(SORPEX_SOURCE_DIR) + "/tests/support/reaper.py";
    char* argv[] = {const_cast<char*>("/usr/bin/python3"), script.data(), nullptr};
    pid_t pid = -1;
    int rc = posix_spawn(&pid, argv[0], &actions, &attributes, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(ends[1]);
    if (rc != 0) {
        close(ends[0]);
        return -1;
    }
    return ends[0];
}

void tell(const std::string& line) {
    std::lock_guard lock(g_mutex);
    if (g_watcher < 0) {
        g_watcher = startWatcher();
    }
    if (g_watcher >= 0) {
        [[maybe_unused]] ssize_t sent = send(g_watcher, line.data(), line.size(), MSG_NOSIGNAL);
    }
}

} // namespace

void cleanUpGroupAtExit(pid_t group) {
    tell("+g " + std::to_string(group) + "\n");
}

void forgetGroup(pid_t group) {
    tell("-g " + std::to_string(group) + "\n");
}

void cleanUpFolderAtExit(const std::filesystem::path& folder) {
    tell("+d " + folder.string() + "\n");
}

void forgetFolder(const std::filesystem::path& folder) {
    tell("-d " + folder.string() + "\n");
}

} // namespace sorpex::test
