#include "fontconv/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zuvfntc {

InputFile::InputFile(int fd, const FileIdentity& identity)
    : m_buffer(fd, std::ios::in | std::ios::binary), m_stream(&m_buffer), m_identity(identity) {}

std::unique_ptr<InputFile> InputFile::open(const std::filesystem::path& path) {
    // O_NONBLOCK: a FIFO without a writer would otherwise hold open() for ever.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || fcntl(fd, F_SETFL, 0) != 0) {
        close(fd);
        return nullptr;
    }
    return std::unique_ptr<InputFile>(new InputFile(fd, {info.st_dev, info.st_ino}));
}

} // namespace zuvfntc
