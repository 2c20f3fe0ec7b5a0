#pragma once

#include "base/unique_fd.h"

#include <cstddef>
#include <string>
#include <sys/types.h>

namespace sorpex {

// A regular file opened for reading. Anything else is refused at once, without blocking: a
// folder gives EISDIR, a device, a FIFO or a socket EINVAL. A read never waits for data that
// is not there yet.
class InputFile {
public:
    // `nativePath` is a path as the file system takes it.
    explicit InputFile(const std::string& nativePath);

    bool isOpen() const { return m_fd.valid() && m_error == 0; }
    // errno of the failed open, 0 when the file is open.
    int error() const { return m_error; }
    // The size when it was opened.
    off_t size() const { return m_size; }

    // Reads up to `capacity` bytes; 0 at the end, -1 with errno on a failure.
    ssize_t read(char* buffer, std::size_t capacity);
    // Fills `buffer` as far as the file goes; 0 at the end or after a read error.
    std::size_t readFully(char* buffer, std::size_t capacity);

private:
    UniqueFd m_fd;
    int m_error = 0;
    off_t m_size = 0;
};

} // namespace sorpex
