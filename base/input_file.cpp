#include "base/input_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace sorpex {

InputFile::InputFile(const std::string& nativePath) {
    // O_NONBLOCK keeps a FIFO from blocking the open. It stays: a file on disk ignores it, and a
    // file of /proc that waits for data (kmsg) fails with EAGAIN instead of holding the reader.
    m_fd.reset(::open(nativePath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!m_fd.valid()) {
        m_error = errno;
        return;
    }
    struct stat info {};
    if (::fstat(m_fd.get(), &info) != 0) {
        m_error = errno;
    } else if (S_ISDIR(info.st_mode)) {
        m_error = EISDIR;
    } else if (!S_ISREG(info.st_mode)) {
        // Only a regular file has an end to read to.
        m_error = EINVAL;
    }
    m_size = info.st_size;
    if (m_error != 0) {
        m_fd.reset();
    }
}

ssize_t InputFile::read(char* buffer, std::size_t capacity) {
    while (true) {
        ssize_t n = ::read(m_fd.get(), buffer, capacity);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        return n;
    }
}

std::size_t InputFile::readFully(char* buffer, std::size_t capacity) {
    std::size_t filled = 0;
    while (filled < capacity) {
        ssize_t n = read(buffer + filled, capacity - filled);
        if (n <= 0) {
            break;
        }
        filled += static_cast<std::size_t>(n);
    }
    return filled;
}

} // namespace sorpex
