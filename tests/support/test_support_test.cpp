// The test support itself: what a test leaves when it dies, and whose peer answers.
#include "tests/support/child_process.h"
#include "tests/support/smtp_peer.h"
#include "tests/support/snmpsim_agent.h"
#include "tests/support/temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <sstream>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace sorpex::test {
namespace {

using testing::HasSubstr;
using testing::ThrowsMessage;

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

// A socket on `address`:`port` that shares its port as snmpsimd does, or listens over TCP.
int holdPort(const char* address, int port, int type) {
    int fd = socket(AF_INET, type, 0);
    int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in endpoint{};
    endpoint.sin_family = AF_INET;
    endpoint.sin_port = htons(static_cast<std::uint16_t>(port));
    inet_pton(AF_INET, address, &endpoint.sin_addr);
    EXPECT_EQ(bind(fd, reinterpret_cast<const sockaddr*>(&endpoint), sizeof endpoint), 0);
    if (type == SOCK_STREAM) {
        listen(fd, 1);
    }
    return fd;
}

TEST(TestSupport, PeersRefuseAnAddressAnotherProcessHolds) {
    int udp = holdPort("127.0.10.1", 1161, SOCK_DGRAM);
    EXPECT_THAT(
        [] {
            SnmpSimAgents agents({{"127.0.10.1", projectRecording("full_printer.snmprec")}});
        },
        ThrowsMessage<std::runtime_error>(HasSubstr("127.0.10.1:1161 (UDP) is already taken")));
    close(udp);

    int tcp = holdPort("127.0.10.1", 2525, SOCK_STREAM);
    EXPECT_THAT([] { SmtpPeer peer("127.0.10.1", 2525); },
                ThrowsMessage<std::runtime_error>(HasSubstr("127.0.10.1:2525 (TCP) is already taken")));
    close(tcp);
}

} // namespace
} // namespace sorpex::test
