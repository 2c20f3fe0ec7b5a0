#include "base/cp932.h"
#include "base/input_file.h"
#include "base/replacing_file.h"
#include "tests/support/temp_dir.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace sorpex;
using namespace sorpex::test;

namespace {

mode_t modeOf(const std::string& path) {
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

std::size_t entriesIn(const TempDir& dir) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        ++count;
    }
    return count;
}

} // namespace

TEST(ReplacingFile, NewFilesFollowTheUmaskAndReplacedOnesKeepTheirPermissions) {
    TempDir dir;
    std::string path = dir.file("list.csv");
    mode_t old = umask(027);
    EXPECT_EQ(replaceFile(path, "one"), 0);
    EXPECT_EQ(modeOf(path), 0640u);
    chmod(path.c_str(), 0604);
    EXPECT_EQ(replaceFile(path, "two"), 0);
    EXPECT_EQ(modeOf(path), 0604u);
    EXPECT_EQ(replaceFile(path, "three", true), 0);
    EXPECT_EQ(modeOf(path), 0600u);
    umask(old);
    EXPECT_EQ(readFileBytes(path), "three");
    EXPECT_EQ(entriesIn(dir), 1u);
}

TEST(ReplacingFile, AnUnfinishedFileLeavesTheOldOneAndNoTemporary) {
    TempDir dir;
    std::string path = dir.file("SORPEX.ini");
    writeFileBytes(path, "old");
    {
        ReplacingFile file(path);
        ASSERT_TRUE(file.open());
        ASSERT_TRUE(file.write("new, but never committed"));
    }
    EXPECT_EQ(readFileBytes(path), "old");
    EXPECT_EQ(entriesIn(dir), 1u);
    EXPECT_EQ(replaceFile(dir.file("no-such-folder/x"), "x"), ENOENT);
    EXPECT_EQ(replaceFile(dir.path().string(), "x"), EISDIR);
}

TEST(InputFile, OnlyARegularFileIsOpenedAndNothingElseBlocks) {
    TempDir dir;
    writeFileBytes(dir.file("list.csv"), "abc");
    InputFile regular(dir.file("list.csv"));
    ASSERT_TRUE(regular.isOpen());
    char buffer[8];
    EXPECT_EQ(regular.readFully(buffer, sizeof buffer), 3u);

    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
    InputFile fifo(dir.file("fifo"));
    EXPECT_FALSE(fifo.isOpen());
    EXPECT_EQ(fifo.error(), EINVAL);
    EXPECT_EQ(InputFile(dir.path().string()).error(), EISDIR);
    EXPECT_EQ(InputFile(dir.file("missing")).error(), ENOENT);
}

TEST(Cp932, ATruncationNeverSplitsADoubleByteCharacter) {
    std::string text = "ab" + cp932::fromUtf8("表示");
    EXPECT_EQ(cp932::truncate(text, 3), "ab");
    EXPECT_EQ(cp932::truncate(text, 4), text.substr(0, 4));
    EXPECT_EQ(cp932::truncate(text, 100), text);
}
