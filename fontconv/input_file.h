#pragma once

#include <ext/stdio_filebuf.h>

#include <filesystem>
#include <istream>
#include <memory>
#include <sys/types.h>

namespace zuvfntc {

// Which file a name leads to, for telling two names of one file apart.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;

    bool operator==(const FileIdentity&) const = default;
};

// A regular file opened for reading. A folder, a FIFO or a device is refused at once: opening
// does not block, and such a file would never end or never begin.
class InputFile {
public:
    static std::unique_ptr<InputFile> open(const std::filesystem::path& path);

    std::istream& stream() { return m_stream; }
    const FileIdentity& identity() const { return m_identity; }

private:
    InputFile(int fd, const FileIdentity& identity);

    __gnu_cxx::stdio_filebuf<char> m_buffer; // owns and closes the descriptor
    std::istream m_stream;
    FileIdentity m_identity;
};

} // namespace zuvfntc
