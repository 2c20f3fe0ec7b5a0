#include "tests/support/smtp_peer.h"

#include "tests/support/port_check.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace sorpex::test {
namespace {

const std::string kPython = "/usr/bin/python3";

std::string script(const std::string& name) {
    return std::string(SORPEX_SOURCE_DIR) + "/tests/support/" + name;
}

std::string readIfPresent(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

SmtpPeer::SmtpPeer(std::string address, int port, std::vector<std::string> options)
    : m_address(std::move(address)), m_port(port) {
    requireFreePort(m_address, m_port, Transport::Tcp);
    std::vector<std::string> argv = {kPython,  script("smtp_peer.py"), "--address", m_address,
                                     "--port", std::to_string(m_port), "--out",     m_dir.path().string()};
    argv.insert(argv.end(), options.begin(), options.end());
    m_process = std::make_unique<ChildProcess>(argv, m_dir.file("peer.log"));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!std::filesystem::exists(m_dir.path() / "ready")) {
        if (!m_process->running() || std::chrono::steady_clock::now() > deadline) {
            throw std::runtime_error("the SMTP peer did not start: " + log());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

SmtpPeer::~SmtpPeer() {
    m_process.reset();
}

std::string SmtpPeer::file(const std::string& name) const {
    return readIfPresent(m_dir.path() / name);
}

int SmtpPeer::messageCount() const {
    int count = 0;
    while (std::filesystem::exists(m_dir.path() / ("message-" + std::to_string(count + 1) + ".eml"))) {
        ++count;
    }
    return count;
}

std::vector<std::string> SmtpPeer::commands() const {
    std::vector<std::string> lines;
    std::istringstream in(file("commands.txt"));
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

DecodedMail decodeMail(const std::string& message) {
    TempDir dir;
    writeFileBytes(dir.file("message.eml"), message);
    const RunResult result =
        runProgram({kPython, script("decode_mail.py"), dir.file("message.eml"), dir.path().string()});
    if (result.exitCode != 0) {
        throw std::runtime_error("decode_mail.py failed: " + result.output);
    }
    DecodedMail mail;
    mail.from = readIfPresent(dir.path() / "from.txt");
    mail.to = readIfPresent(dir.path() / "to.txt");
    mail.subject = readIfPresent(dir.path() / "subject.txt");
    mail.body = readIfPresent(dir.path() / "body.txt");
    for (int n = 1; std::filesystem::exists(dir.path() / ("attachment-" + std::to_string(n) + ".bin")); ++n) {
        mail.attachmentNames.push_back(readIfPresent(dir.path() / ("attachment-" + std::to_string(n) + ".name")));
        mail.attachments.push_back(readIfPresent(dir.path() / ("attachment-" + std::to_string(n) + ".bin")));
    }
    return mail;
}

std::string readHeaders(const std::string& message) {
    TempDir dir;
    writeFileBytes(dir.file("message.eml"), message);
    const RunResult result = runProgram({kPython, script("read_headers.py"), dir.file("message.eml")});
    if (result.exitCode != 0) {
        throw std::runtime_error("read_headers.py failed: " + result.output);
    }
    return result.output;
}

} // namespace sorpex::test
