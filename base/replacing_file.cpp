#include "base/replacing_file.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <sys/random.h>
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

// A name beside the target that nobody can guess, so that nobody can plant a file or a link
// there beforehand; O_EXCL refuses whatever is there all the same.
std::string temporaryName(const std::string& target) {
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char random[6] = {};
    if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) {
        // Without the kernel's randomness the clock and the process still vary the name.
        std::uint64_t seed = static_cast<std::uint64_t>(std::time(nullptr)) * 2654435761u ^ ::getpid();
        for (unsigned char& byte : random) {
            seed = seed * 6364136223846793005u + 1442695040888963407u;
            byte = static_cast<unsigned char>(seed >> 56);
        }
    }
    std::string name = target + '.';
    for (unsigned char byte : random) {
        name += kLetters[byte % (sizeof kLetters - 1)];
    }
    return name;
}

} // namespace

ReplacingFile::ReplacingFile(std::string target) : m_target(resolvedTarget(target)) {}

ReplacingFile::~ReplacingFile() {
    m_fd.reset();
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
    struct stat old {};
    const bool exists = ::stat(m_target.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) {
        return fail(EISDIR);
    }
    // A new file gets 0666 less the umask, as any file the user creates; a replaced one keeps
    // the permissions it had.
    const mode_t created = m_ownerOnly ? 0600 : 0666;
    for (int attempt = 0; attempt < 100 && !m_fd.valid(); ++attempt) {
        std::string name = temporaryName(m_target);
        m_fd.reset(::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, created));
        if (m_fd.valid()) {
            m_temporary = std::move(name);
        } else if (errno != EEXIST) {
            return fail(errno);
        }
    }
    if (!m_fd.valid()) {
        return fail(EEXIST);
    }
    if (m_ownerOnly || exists) {
        if (::fchmod(m_fd.get(), m_ownerOnly ? 0600 : old.st_mode & 07777) != 0) {
            return fail(errno);
        }
    }
    return true;
}

bool ReplacingFile::write(std::string_view bytes) {
    if (!m_fd.valid() || m_error != 0) {
        return fail(EBADF);
    }
    while (!bytes.empty()) {
        ssize_t n = ::write(m_fd.get(), bytes.data(), bytes.size());
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
    if (!m_fd.valid() || m_error != 0) {
        return fail(EBADF);
    }
    if (::fsync(m_fd.get()) != 0) {
        return fail(errno);
    }
    if (::close(m_fd.release()) != 0) {
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
