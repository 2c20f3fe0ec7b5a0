#include "snmp/snmp_get.h"

#include "settings/app_settings.h"
#include "tests/support/child_process.h"
#include "tests/support/snmpsim_agent.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace sorpex;
using namespace sorpex::test;

namespace {

constexpr int kPort = 1161;
constexpr int kParallelAgents = 10;
const char* const kMainAgent = "127.0.1.1";
const char* const kSilentAgent = "127.0.1.250"; // nobody listens there

std::string agentAddress(int n) {
    return "127.0.1." + std::to_string(n);
}

AppSettings testSettings() {
    AppSettings settings;
    settings.snmpPort = kPort;
    settings.timeoutSeconds = 1;
    settings.retryCount = 0;
    return settings;
}

class SnmpGetAgainstAgents : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new TempDir;
        std::vector<SimulatedAgent> agents;
        std::string main = s_dir->file("main.snmprec");
        writeRecording(main, {
                                 "1.3.6.1.2.1.1.1.0|4|Test agent",
                                 "1.3.6.1.2.1.1.2.0|6|1.3.6.1.4.1.99999.1",
                                 "1.3.6.1.2.1.1.3.0|67|123456",
                                 "1.3.6.1.2.1.1.4.0|4x|41420d0a",
                                 "1.3.6.1.2.1.1.5.0|4x|8376838a8393835e",
                                 "1.3.6.1.2.1.1.6.0|4|",
                                 "1.3.6.1.2.1.2.2.1.5.1|66|100000000",
                                 "1.3.6.1.2.1.4.20.1.1.127.0.1.1|64|192.168.0.1",
                                 "1.3.6.1.2.1.25.3.2.1.5.1|2|-3",
                                 "1.3.6.1.2.1.25.3.5.1.2.1|4x|00",
                                 "1.3.6.1.2.1.31.1.1.1.6.1|70|4294967297",
                                 "1.3.6.1.2.1.43.10.2.1.4.1.1|65|4294967295",
                             });
        agents.push_back({kMainAgent, main});
        for (int n = 2; n <= kParallelAgents; ++n) {
            std::string file = s_dir->file("agent" + std::to_string(n) + ".snmprec");
            writeRecording(file, {"1.3.6.1.2.1.1.5.0|4|agent-" + std::to_string(n)});
            agents.push_back({agentAddress(n), file});
        }
        s_agents = new SnmpSimAgents(agents, kPort);
    }
    static void TearDownTestSuite() {
        delete s_agents;
        delete s_dir;
    }

    static std::string get(const std::string& oid, int expectedResult = kSnmpAnswered) {
        std::string out = "left over";
        EXPECT_EQ(snmpGet(testSettings(), kMainAgent, "public", oid, out), expectedResult) << oid << ": " << out;
        return out;
    }

    static TempDir* s_dir;
    static SnmpSimAgents* s_agents;
};
TempDir* SnmpGetAgainstAgents::s_dir = nullptr;
SnmpSimAgents* SnmpGetAgainstAgents::s_agents = nullptr;

} // namespace

TEST_F(SnmpGetAgainstAgents, RendersEachValueItIsGiven) {
    EXPECT_EQ(get(".1.3.6.1.2.1.1.1.0"), "Test agent");
    EXPECT_EQ(get(".1.3.6.1.2.1.1.2.0"), "1.3.6.1.4.1.99999.1");
    EXPECT_EQ(get(".1.3.6.1.2.1.1.3.0"), "123456");
    EXPECT_EQ(get(".1.3.6.1.2.1.1.4.0"), "AB<0x0D><0x0A>");
    EXPECT_EQ(get(".1.3.6.1.2.1.1.5.0"), "\x83\x76\x83\x8A\x83\x93\x83\x5E");
    EXPECT_EQ(get(".1.3.6.1.2.1.1.6.0"), "");
    EXPECT_EQ(get(".1.3.6.1.2.1.2.2.1.5.1"), "100000000");
    EXPECT_EQ(get(".1.3.6.1.2.1.4.20.1.1.127.0.1.1"), "192.168.0.1");
    EXPECT_EQ(get(".1.3.6.1.2.1.25.3.2.1.5.1"), "-3");
    EXPECT_EQ(get(".1.3.6.1.2.1.25.3.5.1.2.1"), "<0x00>");
    EXPECT_EQ(get(".1.3.6.1.2.1.43.10.2.1.4.1.1"), "4294967295");
    // Without the leading dot the identifier is relative to mib-2.
    EXPECT_EQ(get("1.1.0"), "Test agent");
}

TEST_F(SnmpGetAgainstAgents, AnObjectTheAgentLacksIsNotSupported) {
    EXPECT_EQ(get(".1.3.6.1.2.1.43.18.1.1.8.1"), "Not Support");
    // SNMPv1 cannot carry a Counter64: the agent answers with an error status.
    EXPECT_EQ(get(".1.3.6.1.2.1.31.1.1.1.6.1"), "Not Support");
}

TEST_F(SnmpGetAgainstAgents, GetNextNamesTheObjectAfterAndEndsPastTheLast) {
    std::string name = "left over";
    std::string out;
    EXPECT_EQ(snmpGetNext(testSettings(), kMainAgent, "public", ".1.3.6.1.2.1.1.1.0", name, out), kSnmpAnswered);
    EXPECT_EQ(name, ".1.3.6.1.2.1.1.2.0");
    EXPECT_EQ(out, "1.3.6.1.4.1.99999.1");
    EXPECT_EQ(snmpGetNext(testSettings(), kMainAgent, "public", ".1.3.6.1.2.1.4", name, out), kSnmpAnswered);
    EXPECT_EQ(name, ".1.3.6.1.2.1.4.20.1.1.127.0.1.1");
    EXPECT_EQ(out, "192.168.0.1");
    // Nothing comes after the last object: the v1 agent says noSuchName.
    EXPECT_EQ(snmpGetNext(testSettings(), kMainAgent, "public", ".2.999.9", name, out), kSnmpAnswered);
    EXPECT_EQ(name, "");
    EXPECT_EQ(out, "Not Support");
    EXPECT_EQ(snmpGetNext(testSettings(), kSilentAgent, "public", ".1.3.6.1.2.1.1", name, out), kSnmpNoResponse);
    EXPECT_EQ(name, "");
}

TEST_F(SnmpGetAgainstAgents, ABadIdentifierIsALocalFailure) {
    EXPECT_EQ(get(".1.3.x.1", kSnmpLocalFailure), "SNMP oidlist Error");
    EXPECT_EQ(get("", kSnmpLocalFailure), "SNMP oidlist Error");
    EXPECT_EQ(get(".1..3", kSnmpLocalFailure), "SNMP oidlist Error");
    EXPECT_EQ(get(".1.3.99999999999", kSnmpLocalFailure), "SNMP oidlist Error");
}

TEST_F(SnmpGetAgainstAgents, AWrongCommunityGetsNoAnswer) {
    std::string out;
    EXPECT_EQ(snmpGet(testSettings(), kMainAgent, "private", ".1.3.6.1.2.1.1.1.0", out), kSnmpNoResponse);
    EXPECT_EQ(out, "No Response");
}

TEST_F(SnmpGetAgainstAgents, ASilentAgentTimesOutAfterEveryRetry) {
    AppSettings settings = testSettings();
    settings.timeoutSeconds = 1;
    settings.retryCount = 1;
    std::string out;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(snmpGet(settings, kSilentAgent, "public", ".1.3.6.1.2.1.1.1.0", out), kSnmpNoResponse);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(out, "No Response");
    // time-out × (retries + 1) = 2 s; the bounds are generous.
    EXPECT_GT(seconds, 1.5);
    EXPECT_LT(seconds, 8.0);
}

TEST_F(SnmpGetAgainstAgents, TenThreadsAtOnceEachGetTheirOwnAnswer) {
    std::vector<std::thread> threads;
    std::vector<int> wrong(kParallelAgents + 1, 0);
    for (int n = 2; n <= kParallelAgents; ++n) {
        threads.emplace_back([n, &wrong] {
            for (int round = 0; round < 20; ++round) {
                std::string out;
                int result = snmpGet(testSettings(), agentAddress(n), "public", ".1.3.6.1.2.1.1.5.0", out);
                if (result != kSnmpAnswered || out != "agent-" + std::to_string(n)) {
                    ++wrong[n];
                }
            }
        });
    }
    threads.emplace_back([&wrong] {
        for (int round = 0; round < 20; ++round) {
            std::string out;
            if (snmpGet(testSettings(), kMainAgent, "public", ".1.3.6.1.2.1.1.1.0", out) != kSnmpAnswered ||
                out != "Test agent") {
                ++wrong[1];
            }
        }
    });
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (int n = 1; n <= kParallelAgents; ++n) {
        EXPECT_EQ(wrong[n], 0) << "agent " << n;
    }
}

// Descriptors run out in this process, not at the agent: a request that finds none free waits for
// another request's session to close. In a child process whose limit leaves room for two sockets.
TEST_F(SnmpGetAgainstAgents, ARequestWithoutAFreeDescriptorWaitsForOneInsteadOfFailing) {
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizers' runtime takes descriptors of its own in the child, which a limit of two free
    // ones does not leave room for; the plain build runs the case.
    GTEST_SKIP() << "not under the sanitizers";
#endif
    initSnmpLibrary();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Room for two sockets: the folder's own descriptor is closed again after the count.
        const auto open = std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
        rlimit limit{};
        getrlimit(RLIMIT_NOFILE, &limit);
        limit.rlim_cur = static_cast<rlim_t>(open + 1);
        setrlimit(RLIMIT_NOFILE, &limit);
        std::atomic<int> wrong{0};
        std::vector<std::thread> threads;
        for (int n = 2; n <= kParallelAgents * 5; ++n) {
            threads.emplace_back([n, &wrong] {
                std::string out;
                wrong += snmpGet(testSettings(), agentAddress(n % 9 + 2), "public", ".1.3.6.1.2.1.1.5.0", out) !=
                         kSnmpAnswered;
            });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
        _exit(std::min(wrong.load(), 100));
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0) << "requests without an answer";
}

// Replies that no ordinary agent sends, as some printers do: a SEQUENCE, an IpAddress of five
// bytes. The library would drop them (and print to stderr); they are rendered as values instead.
TEST(SnmpGetOddReplies, ASequenceOrAFiveByteAddressIsRenderedNotDroppedAndNothingIsPrinted) {
    TempDir dir;
    const std::string ready = dir.file("ready");
    ChildProcess agent({"/usr/bin/python3", std::string(SORPEX_SOURCE_DIR) + "/tests/support/odd_snmp_agent.py",
                        "127.0.1.240", std::to_string(kPort), ready, "1.3.6.1.2.1.1.1.0=30030201ff",
                        "1.3.6.1.2.1.1.2.0=40050102030405", "1.3.6.1.2.1.1.3.0=0403616263"},
                       dir.file("agent.log"));
    for (int wait = 0; wait < 100 && !std::filesystem::exists(ready); ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(std::filesystem::exists(ready)) << readFileBytes(dir.file("agent.log"));
    testing::internal::CaptureStderr();
    std::string sequence, address, text;
    EXPECT_EQ(snmpGet(testSettings(), "127.0.1.240", "public", ".1.3.6.1.2.1.1.1.0", sequence), kSnmpAnswered);
    EXPECT_EQ(snmpGet(testSettings(), "127.0.1.240", "public", ".1.3.6.1.2.1.1.2.0", address), kSnmpAnswered);
    EXPECT_EQ(snmpGet(testSettings(), "127.0.1.240", "public", ".1.3.6.1.2.1.1.3.0", text), kSnmpAnswered);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(sequence, "<0x02><0x01><0xFF>");
    EXPECT_EQ(address, "Invalid");
    EXPECT_EQ(text, "abc");
}

namespace {

// The value a recording holds for one OID, for the text types the recordings use.
std::optional<std::string> recordedText(const std::string& file, const std::string& oid) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        std::size_t first = line.find('|');
        std::size_t second = line.find('|', first + 1);
        if (first == std::string::npos || second == std::string::npos || line.substr(0, first) != oid) {
            continue;
        }
        std::string tag = line.substr(first + 1, second - first - 1);
        std::string value = line.substr(second + 1);
        if (tag == "4") {
            return value;
        }
        if (tag == "4x") {
            std::string bytes;
            for (std::size_t i = 0; i + 1 < value.size(); i += 2) {
                bytes += static_cast<char>(std::stoi(value.substr(i, 2), nullptr, 16));
            }
            return bytes;
        }
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace

TEST(SnmpGetRealPrinters, AnswerWhatTheirRecordingsHold) {
    if (!sharedRecordingsPresent()) {
        GTEST_SKIP() << "no recordings of real printers beside the project";
    }
    std::vector<SimulatedAgent> agents;
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(sharedRecordingDir())) {
        if (entry.path().extension() == ".snmprec") {
            files.push_back(entry.path().string());
            agents.push_back({agentAddress(100 + static_cast<int>(agents.size())), entry.path().string()});
        }
    }
    ASSERT_FALSE(agents.empty());
    SnmpSimAgents simulated(agents, kPort);
    for (std::size_t i = 0; i < agents.size(); ++i) {
        for (const char* oid : {"1.3.6.1.2.1.25.3.2.1.3.1", "1.3.6.1.2.1.1.1.0"}) {
            std::optional<std::string> recorded = recordedText(files[i], oid);
            std::string out;
            EXPECT_EQ(snmpGet(testSettings(), agents[i].address, "public", std::string(".") + oid, out), kSnmpAnswered);
            if (recorded) {
                EXPECT_EQ(out, recorded->substr(0, 1023)) << files[i] << " " << oid;
            } else {
                EXPECT_EQ(out, "Not Support") << files[i] << " " << oid;
            }
        }
    }
}

namespace {

// A UDP socket on one loopback address and port, closed with the object.
struct UdpSocket {
    UdpSocket(const char* address, int port) : fd(socket(AF_INET, SOCK_DGRAM, 0)) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_port = htons(static_cast<std::uint16_t>(port));
        inet_pton(AF_INET, address, &local.sin_addr);
        bound = fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0;
        timeval wait{3, 0};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    }
    ~UdpSocket() { close(fd); }
    int fd;
    bool bound = false;
};

// The GetResponse to a short-form v1 request: its PDU tag made 0xA2, its NULL value "ok", and
// the four enclosing lengths grown by two. Puts the request ID's bytes into `requestId`.
std::string answerTo(std::string message, std::string& requestId) {
    const std::size_t pdu = 7 + static_cast<unsigned char>(message[6]);
    const std::size_t list = pdu + 2 + (2 + message[pdu + 3]) + 6;
    requestId = message.substr(pdu + 4, static_cast<unsigned char>(message[pdu + 3]));
    message[pdu] = '\xA2';
    for (std::size_t length : {std::size_t{1}, pdu + 1, list + 1, list + 3}) {
        message[length] = static_cast<char>(message[length] + 2);
    }
    message.replace(message.size() - 2, 2, "\x04\x02ok", 4);
    return message;
}

} // namespace

// The agent, 127.0.19.1:1161, gets every request; the reply leaves from the socket of the case.
TEST(SnmpGetReplySource, OnlyTheAddressAndPortAskedAreHeardAndEachSessionStartsAtARandomId) {
    UdpSocket agent("127.0.19.1", kPort), otherPort("127.0.19.1", kPort + 1), otherAddress("127.0.19.2", kPort);
    ASSERT_TRUE(agent.bound && otherPort.bound && otherAddress.bound);
    struct Case {
        const char* from;
        int replyFd;
        int result;
        const char* out;
    };
    const Case cases[] = {{"the agent", agent.fd, kSnmpAnswered, "ok"},
                          {"another port", otherPort.fd, kSnmpNoResponse, "No Response"},
                          {"another address", otherAddress.fd, kSnmpNoResponse, "No Response"},
                          {"the agent again", agent.fd, kSnmpAnswered, "ok"}};
    std::vector<long long> ids;
    for (const Case& c : cases) {
        std::thread responder([&] {
            char buffer[512];
            sockaddr_in client{};
            socklen_t length = sizeof client;
            ssize_t got = recvfrom(agent.fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&client), &length);
            if (got > 0) {
                std::string id;
                const std::string reply = answerTo(std::string(buffer, static_cast<std::size_t>(got)), id);
                ids.push_back(0);
                for (unsigned char byte : id) {
                    ids.back() = ids.back() << 8 | byte;
                }
                sendto(c.replyFd, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&client), length);
            }
        });
        std::string out;
        EXPECT_EQ(snmpGet(testSettings(), "127.0.19.1", "public", ".1.3.6.1.2.1.1.1.0", out), c.result) << c.from;
        EXPECT_EQ(out, c.out) << c.from;
        responder.join();
    }
    ASSERT_EQ(ids.size(), std::size(cases));
    for (std::size_t i = 1; i < ids.size(); ++i) {
        EXPECT_GT(ids[i], 0);
        EXPECT_GT(std::llabs(ids[i] - ids[i - 1]), 1) << "request IDs " << ids[i - 1] << " then " << ids[i];
    }
}
