#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

using namespace sorpex::test;

namespace {

std::string snmpGetText(const std::string& address, const std::string& oid) {
    RunResult result =
        runProgram({"snmpget", "-v1", "-c", "public", "-t", "1", "-r", "0", "-Oqv", address + ":1161", oid},
                   std::chrono::seconds(10));
    return result.output;
}

} // namespace

// make demo in its window-less mode: the fleet starts, says where it is, and answers.
TEST(DemoFleet, StartsAnswersAndStops) {
    TempDir dir;
    // The fleet's agents drop root for nobody, who must reach the demo folder.
    std::filesystem::permissions(dir.path(), std::filesystem::perms(0755));
    std::string output = dir.file("demo.out");
    auto process = std::make_unique<ChildProcess>(
        std::vector<std::string>{std::string(SORPEX_SOURCE_DIR) + "/scripts/demo.sh",
                                 std::string(SORPEX_BINARY_DIR) + "/app/sorpex", "--fleet-only", "--base", "127.0.8",
                                 "--folder", dir.file("demo")},
        output);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (readFileBytes(output).find("ready\n") == std::string::npos) {
        ASSERT_TRUE(process->running()) << readFileBytes(output);
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << readFileBytes(output);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::string printed = readFileBytes(output);
    EXPECT_NE(printed.find("127.0.8.1\n"), std::string::npos);
    EXPECT_NE(printed.find("127.0.8.26\n"), std::string::npos);

    // A printer, a device that is no printer, a printer with no paper, and a silent address.
    EXPECT_NE(snmpGetText("127.0.8.1", "1.3.6.1.2.1.25.3.2.1.3.1").find("PALIVOX"), std::string::npos);
    EXPECT_NE(snmpGetText("127.0.8.21", "1.3.6.1.2.1.25.3.2.1.3.1").find("Network Switch"), std::string::npos);
    EXPECT_NE(snmpGetText("127.0.8.3", "1.3.6.1.2.1.25.3.5.1.2.1").find("@"), std::string::npos);
    EXPECT_NE(snmpGetText("127.0.8.28", "1.3.6.1.2.1.1.5.0").find("Timeout"), std::string::npos);

    // Its own settings and list, apart from the user's.
    EXPECT_NE(readFileBytes(dir.file("demo/SORPEX.ini")).find("SnmpPort=1161"), std::string::npos);
    EXPECT_NE(readFileBytes(dir.file("demo/demo.csv")).find("127.0.8.30,public"), std::string::npos);

    process.reset(); // stopping the demo stops its fleet
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_NE(snmpGetText("127.0.8.1", "1.3.6.1.2.1.1.5.0").find("Timeout"), std::string::npos);
}
