#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace sorpex::test {

// A fresh directory under /tmp, removed with everything in it when the object goes, or when the
// test process dies first.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::string file(std::string_view name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

std::string readFileBytes(const std::string& path);
void writeFileBytes(const std::string& path, std::string_view bytes);

} // namespace sorpex::test
