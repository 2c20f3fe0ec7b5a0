#include "base/replacing_file.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorpex {
namespace {

constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t kRandomLength = 12;
// Between the target's name and the random part: ".list.csv.~Xy3..." beside "list.csv".
constexpr std::string_view kMarker = ".~";

struct PathParts {
    std::string folder;
    std::string name;
};

PathParts split(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return {".", path};
    }
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// A long name is cut so that the temporary's name still fits NAME_MAX; the random part keeps its
// full length, so the name stays as hard to guess.
std::string temporaryPrefix(const PathParts& parts) {
    constexpr std::size_t kNameRoom = NAME_MAX - 1 - kMarker.size() - kRandomLength;
    return "." + parts.name.substr(0, kNameRoom) + std::string(kMarker);
}

bool isTemporaryName(std::string_view entry, std::string_view prefix) {
    if (entry.size() != prefix.size() + kRandomLength || entry.substr(0, prefix.size()) != prefix) {
        return false;
    }
    for (char c : entry.substr(prefix.size())) {
        if (std::string_view(kLetters).find(c) == std::string_view::npos) {
            return false;
        }
    }
    return true;
}

// A name nobody can guess, so that nobody can plant a file or a link there beforehand; O_EXCL
// refuses whatever is there all the same.
std::string randomPart() {
    unsigned char random[kRandomLength] = {};
    if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) {
        // Without the kernel's randomness the clock and the process still vary the name.
        std::uint64_t seed = static_cast<std::uint64_t>(std::time(nullptr)) * 2654435761u ^ ::getpid();
        for (unsigned char& byte : random) {
            seed = seed * 6364136223846793005u + 1442695040888963407u;
            byte = static_cast<unsigned char>(seed >> 56);
        }
    }
    std::string part;
    for (unsigned char byte : random) {
        part += kLetters[byte % (sizeof kLetters - 1)];
    }
    return part;
}

// A writer holds a lock on its temporary file until it is renamed or removed, and the kernel
// drops the lock with a killed process: a temporary file of ours that nobody holds is left over.
void removeLeftovers(const PathParts& parts) {
    DIR* folder = ::opendir(parts.folder.c_str());
    if (folder == nullptr) {
        return;
    }
    const std::string prefix = temporaryPrefix(parts);
    while (const dirent* entry = ::readdir(folder)) {
        if (!isTemporaryName(entry->d_name, prefix)) {
            continue;
        }
        UniqueFd fd(::openat(::dirfd(folder), entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat info {};
        if (fd.valid() && ::fstat(fd.get(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
            ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0) {
            ::unlinkat(::dirfd(folder), entry->d_name, 0);
        }
    }
    ::closedir(folder);
}

// The umask as the kernel reports it; setting it to read it would race with other threads.
mode_t currentUmask() {
    UniqueFd status(::open("/proc/self/status", O_RDONLY | O_CLOEXEC));
    char text[4096];
    ssize_t n = status.valid() ? ::read(status.get(), text, sizeof text - 1) : -1;
    if (n > 0) {
        text[n] = '\0';
        if (const char* line = std::strstr(text, "\nUmask:")) {
            return static_cast<mode_t>(std::strtoul(line + 7, nullptr, 8) & 0777);
        }
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

} // namespace

ReplacingFile::ReplacingFile(std::string target) : m_target(std::move(target)) {}

ReplacingFile::~ReplacingFile() {
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

bool ReplacingFile::createTemporary() {
    const PathParts parts = split(m_target);
    const std::string base = (parts.folder == "/" ? "/" : parts.folder + "/") + temporaryPrefix(parts);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = base + randomPart();
        UniqueFd fd(::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (!fd.valid()) {
            if (errno == EEXIST) {
                continue;
            }
            return fail(errno);
        }
        // Another save that took the file for a leftover before the lock was ours has removed
        // it: take a new name.
        struct stat info {};
        if (::flock(fd.get(), LOCK_EX) != 0 || ::fstat(fd.get(), &info) != 0 || info.st_nlink == 0) {
            continue;
        }
        m_fd = std::move(fd);
        m_temporary = std::move(name);
        return true;
    }
    return fail(EEXIST);
}

bool ReplacingFile::open() {
    struct stat old {};
    const bool exists = ::lstat(m_target.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) {
        return fail(errno);
    }
    if (exists && S_ISLNK(old.st_mode)) {
        // A link planted where the file is saved would send the contents elsewhere.
        return fail(ELOOP);
    }
    if (exists && S_ISDIR(old.st_mode)) {
        return fail(EISDIR);
    }
    if (exists && !S_ISREG(old.st_mode)) {
        // Renaming over a device, a FIFO or a socket would put a plain file in its place.
        return fail(EINVAL);
    }
    removeLeftovers(split(m_target));
    if (!createTemporary()) {
        return false;
    }
    if (exists) {
        // A replaced file keeps its permissions and its group (a list kept for a group stays
        // so); where the group cannot be kept, the saver's own gets no rights in its place. The
        // set-user-ID, set-group-ID and sticky bits are never carried over: the new file is
        // the saver's, and a list or settings file is nothing to run.
        m_mode = old.st_mode & 0777;
        if (::fchown(m_fd.get(), static_cast<uid_t>(-1), old.st_gid) != 0) {
            m_mode &= ~static_cast<mode_t>(070);
        }
    } else {
        // A new file gets 0666 less the umask, as any file the user creates.
        m_mode = 0666 & ~currentUmask();
    }
    if (m_ownerOnly) {
        m_mode = 0600;
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
    // The contents become readable by others only when they are complete.
    if (::fsync(m_fd.get()) != 0 || ::fchmod(m_fd.get(), m_mode) != 0) {
        return fail(errno);
    }
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
        return fail(errno);
    }
    m_committed = true;
    // Closing drops the lock only now, so the file is never taken for a leftover.
    if (::close(m_fd.release()) != 0) {
        return fail(errno);
    }
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
