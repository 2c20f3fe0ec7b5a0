#include "app/replacing_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorpex {
namespace {

// The real file behind a symbolic link is the one to replace, so the link stays a link.
std::string resolvedTarget(const std::string& target) {
    char resolved[PATH_MAX];
    if (realpath(target.c_str(), resolved) != nullptr) {
        return resolved;
    }
    return target;
}

mode_t currentUmask() {
    mode_t mask = umask(0);
    umask(mask);
    return mask;
}

} // namespace

ReplacingFile::ReplacingFile(std::string target) : m_target(resolvedTarget(target)) {}

ReplacingFile::~ReplacingFile() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    if (!m_committed && !m_temporary.empty()) {
        ::unlink(m_temporary.c_str());
    }
}

bool ReplacingFile::fail(int error) {
    if (m_error == 0) {
        m_error = error != 0 ? error : EIO;
    }
    return false;
}

bool ReplacingFile::open() {
    mode_t mode = 0666 & ~currentUmask();
    struct stat old {};
    if (::stat(m_target.c_str(), &old) == 0) {
        if (S_ISDIR(old.st_mode)) {
            return fail(EISDIR);
        }
        mode = old.st_mode & 07777;
    }
    if (m_ownerOnly) {
        mode = 0600;
    }
    std::string pattern = m_target + ".XXXXXX";
    m_fd = ::mkstemp(pattern.data());
    if (m_fd < 0) {
        return fail(errno);
    }
    m_temporary = pattern;
    if (::fchmod(m_fd, mode) != 0) {
        return fail(errno);
    }
    return true;
}

bool ReplacingFile::write(std::string_view bytes) {
    if (m_fd < 0 || m_error != 0) {
        return fail(EBADF);
    }
    while (!bytes.empty()) {
        ssize_t n = ::write(m_fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return fail(errno);
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

bool ReplacingFile::commit() {
    if (m_fd < 0 || m_error != 0) {
        return fail(EBADF);
    }
    if (::fsync(m_fd) != 0) {
        return fail(errno);
    }
    int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        return fail(errno);
    }
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
        return fail(errno);
    }
    m_committed = true;
    return true;
}

int replaceFile(const std::string& target, std::string_view bytes, bool ownerOnly) {
    ReplacingFile file(target);
    file.setOwnerOnly(ownerOnly);
    if (file.open() && file.write(bytes) && file.commit()) {
        return 0;
    }
    return file.error();
}

} // namespace sorpex
