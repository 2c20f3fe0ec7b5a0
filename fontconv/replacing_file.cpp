#include "fontconv/replacing_file.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zuvfntc {
namespace {

// The temporary file of the save under way, for a signal handler to remove. The program
// replaces one file at a time.
char g_pendingPath[4096];
volatile std::sig_atomic_t g_pending = 0;

void setPending(const std::filesystem::path& path) {
    const std::string& text = path.native();
    if (text.size() < sizeof g_pendingPath) {
        std::memcpy(g_pendingPath, text.c_str(), text.size() + 1);
        g_pending = 1;
    }
}

constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t kRandomLength = 6;

// "zuvfnt.fnt.Xy3abQ" beside "zuvfnt.fnt": a name nobody can guess or plant beforehand. A long
// name is cut so that the whole still fits NAME_MAX; the random part keeps its length.
std::filesystem::path temporaryName(const std::filesystem::path& target) {
    unsigned char random[kRandomLength] = {};
    if (getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) {
        return {};
    }
    std::string name = target.filename().native().substr(0, NAME_MAX - 1 - kRandomLength) + ".";
    for (unsigned char byte : random) {
        name += kLetters[byte % (sizeof kLetters - 1)];
    }
    return target.parent_path() / name;
}

mode_t defaultMode() {
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

} // namespace

void removePendingTemporary() {
    if (g_pending) {
        unlink(g_pendingPath);
        g_pending = 0;
    }
}

ReplacingFile::ReplacingFile(int fd, std::filesystem::path temporary, std::filesystem::path target, mode_t mode)
    : m_buffer(fd, std::ios::out | std::ios::binary), m_stream(&m_buffer), m_temporary(std::move(temporary)),
      m_target(std::move(target)), m_mode(mode) {}

std::unique_ptr<ReplacingFile> ReplacingFile::create(const std::filesystem::path& target) {
    mode_t mode = defaultMode();
    struct stat existing {};
    if (lstat(target.c_str(), &existing) == 0) {
        if (!S_ISREG(existing.st_mode)) {
            return nullptr;
        }
        // Never the set-user-ID, set-group-ID or sticky bit: the new file is the saver's.
        mode = existing.st_mode & 0777;
    }
    // Created exclusively, never through a link, and readable by the owner only until complete.
    std::filesystem::path name;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        name = temporaryName(target);
        fd = name.empty() ? -1 : open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (fd < 0) {
        return nullptr;
    }
    setPending(name);
    return std::unique_ptr<ReplacingFile>(new ReplacingFile(fd, name, target, mode));
}

ReplacingFile::~ReplacingFile() {
    if (!m_committed) {
        m_buffer.close();
        unlink(m_temporary.c_str());
        g_pending = 0;
    }
}

bool ReplacingFile::commit() {
    m_stream.flush();
    bool written = !m_stream.fail() && fchmod(m_buffer.fd(), m_mode) == 0 && fsync(m_buffer.fd()) == 0;
    if (m_buffer.close() == nullptr || !written || rename(m_temporary.c_str(), m_target.c_str()) != 0) {
        return false;
    }
    m_committed = true;
    g_pending = 0;
    return true;
}

} // namespace zuvfntc
