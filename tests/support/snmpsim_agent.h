#pragma once

#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

#include <memory>
#include <string>
#include <vector>

namespace sorpex::test {

// One simulated agent: a loopback address and the recording it answers from (community "public").
struct SimulatedAgent {
    std::string address;   // 127.0.0.x only
    std::string recording; // path of a .snmprec file
};

// SNMPv3 mode: the one user snmpsimd serves, with SHA-256 and AES keys. The agents then answer
// v3 with context "public" only, each from its own recording.
struct SimulatedV3User {
    std::string name;
    std::string authKey;
    std::string privKey;
};

// An snmpsimd process serving every agent on its address and `port`. The constructor returns
// when the first agent answers; a test that cannot start it fails rather than hangs.
class SnmpSimAgents {
public:
    explicit SnmpSimAgents(const std::vector<SimulatedAgent>& agents, int port = 1161,
                           const SimulatedV3User* v3User = nullptr);
    ~SnmpSimAgents();

    std::string log() const;

private:
    std::unique_ptr<TempDir> m_dir;
    std::unique_ptr<ChildProcess> m_process;
};

// The project's own recordings (tests/data/snmprec) and the real ones beside the project
// (../shared/snmprec), which may be absent.
std::string projectRecording(const std::string& name);
std::string sharedRecordingDir();
bool sharedRecordingsPresent();

// Writes a recording made of "OID|TAG|VALUE" lines (sorted here) to `path`.
void writeRecording(const std::string& path, std::vector<std::string> lines);

} // namespace sorpex::test
