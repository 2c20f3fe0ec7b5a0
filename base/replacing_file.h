#pragma once

#include "base/unique_fd.h"

#include <string>
#include <string_view>
#include <sys/types.h>

namespace sorpex {

// Replaces a regular file as a whole: the new contents go to a temporary file beside the
// target, which is flushed to disk and renamed over the target only when everything was
// written. A failure at any point, a full disk included, leaves the old file as it was.
//
// Only a regular file (or nothing) at the target is replaced: a symbolic link there gives
// ELOOP, a folder EISDIR, a device, a FIFO or a socket EINVAL, and the target stays untouched.
// The temporary file is readable by its owner only until the rename, and its name is
// unpredictable but recognisable: a later replacement of the same target removes what a
// killed process left behind.
class ReplacingFile {
public:
    // `target` is a native (file-system) path.
    explicit ReplacingFile(std::string target);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Owner-only permissions (0600) for the new file, whatever the old one had.
    void setOwnerOnly(bool ownerOnly) { m_ownerOnly = ownerOnly; }

    bool open();
    bool write(std::string_view bytes);
    bool commit();

    // errno of the first failure, 0 when none.
    int error() const { return m_error; }

private:
    bool fail(int error);
    bool createTemporary();

    std::string m_target;
    std::string m_temporary;
    UniqueFd m_fd;
    int m_error = 0;
    mode_t m_mode = 0;
    bool m_ownerOnly = false;
    bool m_committed = false;
};

// Writes `bytes` as the whole new contents of `target`; returns 0 or the errno of the failure.
int replaceFile(const std::string& target, std::string_view bytes, bool ownerOnly = false);

} // namespace sorpex
