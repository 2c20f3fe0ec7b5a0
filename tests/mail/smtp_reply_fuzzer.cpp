// Server replies are outside data: whatever bytes arrive, the reader keeps to its limits, a
// reply read from the socket in pieces is read the same as one handed over whole, and the AUTH
// line of an EHLO reply is looked for in any bytes without reading past them.
#include "mail/reply_reader.h"
#include "mail/smtp_client.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>

using namespace sorpex;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > 16384) {
        return 0;
    }
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    ReplyReader whole;
    whole.feed(input);
    ReplyReader split;
    const std::size_t at = data[0] % size;
    split.feed(input.substr(0, at));
    split.feed(input.substr(at));
    if (whole.text() != split.text() || whole.complete() != split.complete() || whole.text().size() > kReplyLimit ||
        whole.text().find_first_of(std::string_view("\r\0", 2)) != std::string::npos) {
        std::abort();
    }
    // The whole reply starts with the first line, and the extensions are read from any of it.
    if (whole.wholeText() != split.wholeText() || whole.wholeText().size() > kWholeReplyLimit ||
        !whole.wholeText().starts_with(whole.text())) {
        std::abort();
    }
    chooseAuthMechanism(input);
    chooseAuthMechanism(whole.wholeText());

    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) {
        return 0;
    }
    const bool written = write(fds[1], data, size) == static_cast<ssize_t>(size);
    close(fds[1]); // the peer hangs up, so the read never waits
    SmtpSocket socket(fds[0]);
    std::string text;
    const bool answered = readReply(socket, "250", &text);
    if (written && (text != whole.text() || answered != whole.answers("250"))) {
        std::abort();
    }
    return 0;
}
