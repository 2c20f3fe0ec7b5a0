// The test support itself: what a test leaves when it dies.
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace sorpex::test {
namespace {

// Run alone by the test below, in a process of its own: a test that starts a peer, makes a folder
// and dies before any destructor runs.
TEST(TestSupportHelper, DISABLED_AbortsWithAPeerAndAFolder) {
    const char* report = std::getenv("SORPEX_LEFT_BEHIND");
    if (report == nullptr) {
        GTEST_SKIP() << "run by AbortedTestLeavesNoPeerAndNoFolder";
    }
    auto* folder = new TempDir;
    auto* peer = new ChildProcess({"sleep", "60"});
    writeFileBytes(report, std::to_string(peer->pid()) + " " + folder->path().string());
    std::abort();
}

bool processGone(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    // A zombie no parent has reaped yet counts as gone.
    return !std::getline(stat, line) || line.find(") Z ") != std::string::npos;
}

TEST(TestSupport, AbortedTestLeavesNoPeerAndNoFolder) {
    TempDir dir;
    setenv("SORPEX_LEFT_BEHIND", dir.file("left.txt").c_str(), 1);
    RunResult helper = runProgram({"/proc/self/exe", "--gtest_also_run_disabled_tests",
                                   "--gtest_filter=TestSupportHelper.DISABLED_AbortsWithAPeerAndAFolder"});
    unsetenv("SORPEX_LEFT_BEHIND");
    ASSERT_EQ(helper.exitCode, -1) << helper.output;
    pid_t peer = 0;
    std::string folder;
    std::istringstream(readFileBytes(dir.file("left.txt"))) >> peer >> folder;
    ASSERT_GT(peer, 0);

    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while ((!processGone(peer) || std::filesystem::exists(folder)) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_TRUE(processGone(peer));
    EXPECT_FALSE(std::filesystem::exists(folder));
    kill(peer, SIGKILL);
    std::filesystem::remove_all(folder);
}

} // namespace
} // namespace sorpex::test
