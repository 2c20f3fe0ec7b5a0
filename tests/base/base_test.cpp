#include "base/core_dumps.h"
#include "base/cp932.h"
#include "base/input_file.h"
#include "base/replacing_file.h"
#include "tests/support/file_call_spy.h"
#include "tests/support/temp_dir.h"

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace sorpex;
using namespace sorpex::test;

namespace {

mode_t modeOf(const std::string& path) {
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

gid_t groupOf(const std::string& path) {
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_gid;
}

std::size_t entriesIn(const TempDir& dir) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        ++count;
    }
    return count;
}

} // namespace

TEST(ReplacingFile, NewFilesFollowTheUmaskAndReplacedOnesKeepTheirPermissionsAndGroup) {
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

    // A list kept 0640 for a group stays so, also under a stricter umask.
    const gid_t group = getegid() == 0 ? 65534 : getegid();
    ASSERT_EQ(chown(path.c_str(), static_cast<uid_t>(-1), group), 0);
    chmod(path.c_str(), 0640);
    umask(077);
    EXPECT_EQ(replaceFile(path, "four"), 0);
    EXPECT_EQ(modeOf(path), 0640u);
    EXPECT_EQ(groupOf(path), group);
    umask(old);
    EXPECT_EQ(readFileBytes(path), "four");
    EXPECT_EQ(entriesIn(dir), 1u);
}

TEST(ReplacingFile, OnlyARegularFileIsReplacedNeverALinkOrADevice) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("elsewhere"));
    const std::string victim = dir.file("elsewhere/report.csv");
    writeFileBytes(victim, "keep me");
    ASSERT_EQ(symlink(victim.c_str(), dir.file("planted.csv").c_str()), 0);
    EXPECT_EQ(replaceFile(dir.file("planted.csv"), "x"), ELOOP);
    EXPECT_EQ(readFileBytes(victim), "keep me");
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("planted.csv")));

    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
    EXPECT_EQ(replaceFile(dir.file("fifo"), "x"), EINVAL);
    EXPECT_TRUE(std::filesystem::is_fifo(dir.file("fifo")));
    // The null device, as root may name it from cron.
    if (mknod(dir.file("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        EXPECT_EQ(replaceFile(dir.file("null"), "x"), EINVAL);
        EXPECT_TRUE(std::filesystem::is_character_file(dir.file("null")));
    }
    EXPECT_EQ(entriesIn(dir), 4u) << "no temporary file is left";
}

// kill -9 in the middle of a save: what is left is readable by its owner only, and the next
// save of the same file removes it, but never the temporary file of a save still going on.
TEST(ReplacingFile, ATemporaryLeftByAKilledWriterIsOwnerOnlyAndGoesWithTheNextSave) {
    TempDir dir;
    const std::string path = dir.file("SORPEX.ini");
    writeFileBytes(path, "old");
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ReplacingFile file(path);
        if (file.open() && file.write("Password=secret")) {
            raise(SIGKILL);
        }
        _exit(1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_EQ(entriesIn(dir), 2u);
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        if (entry.path() != path) {
            EXPECT_EQ(modeOf(entry.path().string()) & 077, 0u) << "the leftover holds the password";
        }
    }

    ReplacingFile going(path);
    ASSERT_TRUE(going.open());
    ASSERT_TRUE(going.write("new"));
    EXPECT_EQ(replaceFile(path, "other"), 0);
    EXPECT_EQ(entriesIn(dir), 2u) << "the leftover went, the save still going on stayed";
    EXPECT_TRUE(going.commit());
    EXPECT_EQ(readFileBytes(path), "new");
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

TEST(ReplacingFile, TheNewFileNeverTakesTheSetIdOrStickyBits) {
    TempDir dir;
    const std::string path = dir.file("list.csv");
    for (const auto& [before, after] : {std::pair<mode_t, mode_t>{06755, 0755}, {01640, 0640}, {04600, 0600}}) {
        writeFileBytes(path, "old");
        ASSERT_EQ(chmod(path.c_str(), before), 0);
        EXPECT_EQ(replaceFile(path, "new"), 0);
        EXPECT_EQ(modeOf(path), after) << std::oct << before;
    }
}

// The temporary's name is 15 bytes longer than the target's: a long name is cut, the random part
// is not, so two saves of one target still get names of their own.
TEST(ReplacingFile, NamesUpToNameMaxAreSavedAndTheirTemporariesStayUnpredictable) {
    TempDir dir;
    for (std::size_t length : {240, 241, 250, 255}) {
        const std::string path = dir.file(std::string(length - 4, 'n') + ".csv");
        ReplacingFile first(path);
        ReplacingFile second(path);
        ASSERT_TRUE(first.open()) << length << ": " << first.error();
        ASSERT_TRUE(second.open()) << length << ": " << second.error();
        EXPECT_EQ(entriesIn(dir), 2u);
        ASSERT_TRUE(first.write("first") && first.commit());
        ASSERT_TRUE(second.write("second") && second.commit());
        EXPECT_EQ(readFileBytes(path), "second");
        EXPECT_EQ(replaceFile(path, "third"), 0);
        EXPECT_EQ(readFileBytes(path), "third");
        std::filesystem::remove(path);
        EXPECT_EQ(entriesIn(dir), 0u);
    }
}

// A file planted under the temporary's name (here the name is known: the randomness gives zeros
// once) is not written into or taken over; and the data is on disk before the rename shows it.
TEST(ReplacingFile, TheTemporaryIsCreatedExclusivelyAndSyncedBeforeTheRename) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "a planted file of another user needs root";
    }
    TempDir dir;
    const std::string path = dir.file("SORPEX.ini");
    const std::string planted = dir.file(".SORPEX.ini.~AAAAAAAAAAAA");
    writeFileBytes(planted, "planted");
    ASSERT_EQ(chown(planted.c_str(), 65534, 65534), 0);
    file_call_spy::forcedZeroRandoms = 1;
    file_call_spy::take();
    EXPECT_EQ(replaceFile(path, "Password=secret"), 0);
    const std::vector<std::string> calls = file_call_spy::take();
    EXPECT_EQ(file_call_spy::forcedZeroRandoms, 0);
    EXPECT_EQ(readFileBytes(planted), "planted");
    EXPECT_EQ(readFileBytes(path), "Password=secret");
    EXPECT_EQ(entriesIn(dir), 2u);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_TRUE(calls[0].starts_with("fsync .SORPEX.ini.~")) << calls[0];
    EXPECT_EQ(calls[1], "rename" + calls[0].substr(5));
}

// Irreversible for the process, so each case runs in a child of its own.
TEST(CoreDumps, AreOffUnlessTheVariableSaysOne) {
    for (const auto& [request, kept] : std::vector<std::pair<const char*, bool>>{
             {nullptr, false}, {"", false}, {"0", false}, {"yes", false}, {"1", true}}) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const rlimit some{4096, RLIM_INFINITY};
            setrlimit(RLIMIT_CORE, &some);
            const bool on = limitCoreDumps(request);
            rlimit now{};
            getrlimit(RLIMIT_CORE, &now);
            const bool off = now.rlim_cur == 0 && now.rlim_max == 0 && prctl(PR_GET_DUMPABLE) == 0;
            const bool untouched = now.rlim_cur == 4096 && prctl(PR_GET_DUMPABLE) == 1;
            _exit(on == kept && (kept ? untouched : off) ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_EQ(WEXITSTATUS(status), 0) << (request ? request : "unset");
    }
}
