#include "fontconv/replacing_file.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
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
        mode = existing.st_mode & 0777;
    }
    // mkstemp: a name nobody can guess or plant beforehand, created with O_EXCL, readable by
    // the owner only until it is complete.
    std::filesystem::path pattern = target;
    pattern += ".XXXXXX";
    std::string name = pattern.native();
    int fd = mkostemp(name.data(), O_CLOEXEC);
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
