#include "fontconv/process_setup.h"

#include "fontconv/replacing_file.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace zuvfntc {
namespace {

void removeTemporaryAndDie(int signal) {
    removePendingTemporary();
    // SA_RESETHAND has restored the default action: the run ends as the signal means.
    raise(signal);
}

} // namespace

bool limitCoreDumps(const char* request) {
    if (request != nullptr && std::strcmp(request, "1") == 0) {
        return true;
    }
    // A core handler behind a pipe is not bound by RLIMIT_CORE; a process that is not dumpable
    // gives it nothing either.
    const rlimit none{0, 0};
    setrlimit(RLIMIT_CORE, &none);
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    return false;
}

bool prepareProcess(const char* coreDumpRequest) {
    limitCoreDumps(coreDumpRequest);
    // A closed standard descriptor would be taken by the first file opened: the console would
    // then read its answers from the font or write its texts into it.
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) == -1 && errno == EBADF && open("/dev/null", O_RDWR) != fd) {
            return false;
        }
    }
    struct sigaction action {};
    action.sa_handler = removeTemporaryAndDie;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGPIPE}) {
        sigaction(signal, &action, nullptr);
    }
    std::signal(SIGXFSZ, SIG_IGN);
    return true;
}

} // namespace zuvfntc
