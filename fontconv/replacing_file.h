#pragma once

#include <ext/stdio_filebuf.h>

#include <filesystem>
#include <memory>
#include <ostream>
#include <sys/types.h>

namespace zuvfntc {

// A new version of a file, written under a unique name beside it and renamed over it only when
// complete: a failed write, a full disk or an interrupted run leaves the old file whole.
class ReplacingFile {
public:
    // Refuses a target that exists as anything but a regular file (a link, a device, a FIFO, a
    // folder): those are never replaced. Null when refused or when the folder takes no new file.
    static std::unique_ptr<ReplacingFile> create(const std::filesystem::path& target);
    ~ReplacingFile(); // removes the temporary file unless committed
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    std::ostream& stream() { return m_stream; }
    // Writes everything out and renames the file over the target, with the target's permission
    // bits (a new file gets the usual ones). False when any write failed: the target is untouched.
    bool commit();

private:
    ReplacingFile(int fd, std::filesystem::path temporary, std::filesystem::path target, mode_t mode);

    __gnu_cxx::stdio_filebuf<char> m_buffer; // owns and closes the descriptor
    std::ostream m_stream;
    std::filesystem::path m_temporary;
    std::filesystem::path m_target;
    mode_t m_mode;
    bool m_committed = false;
};

// Removes the temporary file of the save under way, if any; safe to call from a signal handler.
void removePendingTemporary();

} // namespace zuvfntc
