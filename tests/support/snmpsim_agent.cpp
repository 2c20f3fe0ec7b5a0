#include "tests/support/snmpsim_agent.h"

#include <algorithm>
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

bool answers(const std::string& address, int port) {
    RunResult result = runProgram({"snmpget", "-v1", "-c", "public", "-t", "0.3", "-r", "0",
                                   address + ":" + std::to_string(port), "1.3.6.1.2.1.1.1.0"},
                                  std::chrono::seconds(5));
    return result.output.find("Timeout") == std::string::npos && result.exitCode >= 0;
}

} // namespace

SnmpSimAgents::SnmpSimAgents(const std::vector<SimulatedAgent>& agents, int port) : m_dir(std::make_unique<TempDir>()) {
    // snmpsimd drops root for nobody: its folders must be open to everyone.
    fs::path data = m_dir->path() / "data";
    fs::path cache = m_dir->path() / "cache";
    fs::create_directories(data / "public");
    fs::create_directories(cache);
    chmod(m_dir->path().c_str(), 0755);
    chmod(data.c_str(), 0755);
    chmod((data / "public").c_str(), 0755);
    chmod(cache.c_str(), 0777);

    std::vector<std::string> argv = {"snmpsimd", "--v2c-arch", "--data-dir=" + data.string(),
                                     "--cache-dir=" + cache.string(),
                                     "--logging-method=file:" + (cache / "snmpsimd.log").string()};
    if (geteuid() == 0) {
        argv.push_back("--process-user=nobody");
        argv.push_back("--process-group=nogroup");
    }
    for (std::size_t i = 0; i < agents.size(); ++i) {
        // The N-th endpoint answers from public/1.3.6.1.6.1.1.N.snmprec.
        fs::path file = data / "public" / ("1.3.6.1.6.1.1." + std::to_string(i) + ".snmprec");
        fs::copy_file(agents[i].recording, file);
        chmod(file.c_str(), 0644);
        argv.push_back("--agent-udpv4-endpoint=" + agents[i].address + ":" + std::to_string(port));
    }
    m_process = std::make_unique<ChildProcess>(argv, (m_dir->path() / "snmpsimd.out").string());

    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!answers(agents.front().address, port)) {
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
