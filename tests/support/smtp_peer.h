#pragma once

#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

#include <memory>
#include <string>
#include <vector>

namespace sorpex::test {

// An aiosmtpd server of the test's own (tests/support/smtp_peer.py) on a loopback address. The
// constructor returns once it accepts connections; the destructor stops it. `options` are the
// script's options, e.g. {"--refuse-rcpt", "nobody@example.test"} or {"--silent"}.
class SmtpPeer {
public:
    SmtpPeer(std::string address, int port, std::vector<std::string> options = {});
    ~SmtpPeer();

    const std::string& address() const { return m_address; }
    int port() const { return m_port; }

    // What the server recorded (see the script); empty when it recorded nothing of that kind.
    std::string file(const std::string& name) const;
    std::vector<std::string> commands() const;
    int messageCount() const;
    std::string message(int number = 1) const { return file("message-" + std::to_string(number) + ".eml"); }
    std::string transcript() const { return file("transcript.bin"); }
    std::string log() const { return file("peer.log"); }

private:
    std::string m_address;
    int m_port;
    TempDir m_dir;
    std::unique_ptr<ChildProcess> m_process;
};

// What a mail reader makes of a received message (tests/support/decode_mail.py), texts UTF-8.
struct DecodedMail {
    std::string from;
    std::string to;
    std::string subject;
    std::string body;
    std::vector<std::string> attachmentNames;
    std::vector<std::string> attachments;
};
DecodedMail decodeMail(const std::string& message);

// What a mail reader (Python's email, policy=default) reads from the message's header, one
// "field=value" a line (tests/support/read_headers.py).
std::string readHeaders(const std::string& message);

} // namespace sorpex::test
