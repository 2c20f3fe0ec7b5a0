#include "tests/support/snmpsim_agent.h"

#include "tests/support/port_check.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace sorpex::test {
namespace {

// Numeric OIDs sort by their numbers, as snmpsim wants its lines.
std::vector<unsigned long> oidNumbers(const std::string& line) {
    std::vector<unsigned long> numbers;
    std::string oid = line.substr(0, line.find('|'));
    std::size_t pos = 0;
    while (pos < oid.size()) {
        std::size_t dot = oid.find('.', pos);
        numbers.push_back(std::stoul(oid.substr(pos, dot - pos)));
        if (dot == std::string::npos) {
            break;
        }
        pos = dot + 1;
    }
    return numbers;
}

// Every agent of a run answers this object with the run's own token, so that the test knows the
// agent that answers is its own. The example arc 2.999 sorts after every object of a recording.
const std::string kTokenOid = "2.999.1.1.0";

std::string newToken() {
    static std::atomic<int> runs{0};
    return "sorpex-test-" + std::to_string(getpid()) + "-" + std::to_string(++runs) + "-" +
           std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
}

void appendTokenLine(const fs::path& recording, const std::string& token) {
    std::string text = readFileBytes(recording.string());
    std::ofstream out(recording, std::ios::binary | std::ios::app);
    out << (text.empty() || text.back() == '\n' ? "" : "\n") << kTokenOid << "|4|" << token << "\n";
}

// True once the agent at `address` answers with `token`; throws when another one answers.
bool answersAsOurs(const std::string& address, int port, const std::string& token, const SimulatedV3User* v3User) {
    const std::string where = address + ":" + std::to_string(port);
    std::vector<std::string> argv = {"snmpget", "-v1", "-c", "public"};
    if (v3User != nullptr) {
        argv = {"snmpget", "-v3",           "-l", "authPriv", "-u", v3User->name,    "-a", "SHA-256",
                "-A",      v3User->authKey, "-x", "AES",      "-X", v3User->privKey, "-n", "public"};
    }
    argv.insert(argv.end(), {"-t", "0.3", "-r", "0", where, kTokenOid});
    RunResult result = runProgram(argv, std::chrono::seconds(5));
    if (result.output.find(token) != std::string::npos) {
        return true;
    }
    if (result.output.find("Timeout") != std::string::npos || result.exitCode < 0) {
        return false;
    }
    throw std::runtime_error(where + " answers, but not as this run's agent (another test's agent took the " +
                             "address?): " + result.output);
}

} // namespace

SnmpSimAgents::SnmpSimAgents(const std::vector<SimulatedAgent>& agents, int port, const SimulatedV3User* v3User)
    : m_dir(std::make_unique<TempDir>()) {
    for (const SimulatedAgent& agent : agents) {
        requireFreePort(agent.address, port, Transport::Udp);
    }
    const std::string token = newToken();
    // snmpsimd drops root for nobody: its folders must be open to everyone.
    fs::path data = m_dir->path() / "data";
    fs::path cache = m_dir->path() / "cache";
    fs::create_directories(data / "public");
    fs::create_directories(cache);
    chmod(m_dir->path().c_str(), 0755);
    chmod(data.c_str(), 0755);
    chmod((data / "public").c_str(), 0755);
    chmod(cache.c_str(), 0777);

    std::vector<std::string> argv = {"snmpsimd", "--data-dir=" + data.string(), "--cache-dir=" + cache.string(),
                                     "--logging-method=file:" + (cache / "snmpsimd.log").string()};
    if (v3User == nullptr) {
        argv.push_back("--v2c-arch");
    } else {
        // Without --v2c-arch the context name picks the recording, as the community does with it.
        argv.insert(argv.end(), {"--v3-user=" + v3User->name, "--v3-auth-key=" + v3User->authKey,
                                 "--v3-auth-proto=SHA256", "--v3-priv-key=" + v3User->privKey, "--v3-priv-proto=AES"});
    }
    if (geteuid() == 0) {
        argv.push_back("--process-user=nobody");
        argv.push_back("--process-group=nogroup");
    }
    for (std::size_t i = 0; i < agents.size(); ++i) {
        // The N-th endpoint answers from public/1.3.6.1.6.1.1.N.snmprec.
        fs::path file = data / "public" / ("1.3.6.1.6.1.1." + std::to_string(i) + ".snmprec");
        fs::copy_file(agents[i].recording, file);
        appendTokenLine(file, token);
        chmod(file.c_str(), 0644);
        argv.push_back("--agent-udpv4-endpoint=" + agents[i].address + ":" + std::to_string(port));
    }
    m_process = std::make_unique<ChildProcess>(argv, (m_dir->path() / "snmpsimd.out").string());

    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!answersAsOurs(agents.front().address, port, token, v3User)) {
        if (!m_process->running() || std::chrono::steady_clock::now() > deadline) {
            throw std::runtime_error("snmpsimd did not start: " + log());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

SnmpSimAgents::~SnmpSimAgents() {
    m_process.reset();
}

std::string SnmpSimAgents::log() const {
    std::string text;
    for (const char* name : {"snmpsimd.out", "cache/snmpsimd.log"}) {
        std::ifstream in(m_dir->path() / name);
        text += std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return text;
}

std::string projectRecording(const std::string& name) {
    return std::string(SORPEX_SOURCE_DIR) + "/tests/data/snmprec/" + name;
}

std::string sharedRecordingDir() {
    return SORPEX_SHARED_SNMPREC;
}

bool sharedRecordingsPresent() {
    return fs::is_directory(sharedRecordingDir());
}

void writeRecording(const std::string& path, std::vector<std::string> lines) {
    std::sort(lines.begin(), lines.end(),
              [](const std::string& a, const std::string& b) { return oidNumbers(a) < oidNumbers(b); });
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const std::string& line : lines) {
        out << line << '\n';
    }
}

} // namespace sorpex::test
