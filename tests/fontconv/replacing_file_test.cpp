#include "fontconv/process_setup.h"
#include "fontconv/replacing_file.h"
#include "tests/support/file_call_spy.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

namespace zuvfntc {
namespace {

using sorpex::test::readFileBytes;
using sorpex::test::TempDir;
using sorpex::test::writeFileBytes;

long entriesIn(const TempDir& dir) {
    return std::distance(std::filesystem::directory_iterator(dir.path()), {});
}

bool replace(const std::filesystem::path& target, const std::string& bytes) {
    std::unique_ptr<ReplacingFile> file = ReplacingFile::create(target);
    if (!file) {
        return false;
    }
    file->stream() << bytes;
    return file->commit();
}

TEST(ReplacingFile, LongNamesAreSavedAndSetIdAndStickyBitsAreDropped) {
    TempDir dir;
    for (std::size_t length : {248, 249, 255}) {
        const std::filesystem::path target = dir.path() / std::string(length, 'f');
        writeFileBytes(target, "old font");
        ASSERT_EQ(chmod(target.c_str(), 06755), 0);
        EXPECT_TRUE(replace(target, "new font")) << length;
        EXPECT_EQ(readFileBytes(target), "new font");
        EXPECT_EQ(std::filesystem::status(target).permissions(), std::filesystem::perms(0755));
        std::filesystem::remove(target);
        EXPECT_EQ(entriesIn(dir), 0);
    }
}

// The next temporary name is known (the randomness gives zeros once): a file planted there is
// neither written into nor renamed over the font; the font is on disk before the rename.
TEST(ReplacingFile, TheTemporaryIsCreatedExclusivelyAndSyncedBeforeTheRename) {
    TempDir dir;
    const std::filesystem::path planted = dir.path() / "zuvfnt.fnt.AAAAAA";
    writeFileBytes(planted, "planted");
    file_call_spy::forcedZeroRandoms = 1;
    file_call_spy::take();
    EXPECT_TRUE(replace(dir.path() / "zuvfnt.fnt", "font"));
    const std::vector<std::string> calls = file_call_spy::take();
    EXPECT_EQ(readFileBytes(planted), "planted");
    EXPECT_EQ(readFileBytes(dir.file("zuvfnt.fnt")), "font");
    EXPECT_EQ(entriesIn(dir), 2);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_TRUE(calls[0].starts_with("fsync zuvfnt.fnt.")) << calls[0];
    EXPECT_NE(calls[0], "fsync zuvfnt.fnt.AAAAAA");
    EXPECT_EQ(calls[1], "rename" + calls[0].substr(5));
}

// Irreversible for the process, so each case runs in a child of its own.
TEST(ProcessSetup, CoreDumpsAreOffUnlessTheVariableSaysOne) {
    for (const auto& [request, kept] :
         std::vector<std::pair<const char*, bool>>{{nullptr, false}, {"0", false}, {"1", true}}) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const rlimit some{4096, RLIM_INFINITY};
            setrlimit(RLIMIT_CORE, &some);
            prepareProcess(request);
            rlimit now{};
            getrlimit(RLIMIT_CORE, &now);
            const bool off = now.rlim_cur == 0 && now.rlim_max == 0 && prctl(PR_GET_DUMPABLE) == 0;
            const bool untouched = now.rlim_cur == 4096 && prctl(PR_GET_DUMPABLE) == 1;
            _exit((kept ? untouched : off) ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_EQ(WEXITSTATUS(status), 0) << (request ? request : "unset");
    }
}

} // namespace
} // namespace zuvfntc
