#include "mail/mail_header.h"

#include "mail/report_mail.h"
#include "tests/mail/mail_test_support.h"
#include "tests/support/smtp_peer.h"

#include <gtest/gtest.h>

#include <regex>

namespace sorpex {
namespace {

using test::sjis;

constexpr std::time_t kLeapDay = 1835477400; // 2028-02-29 22:50:00 UTC

// A clock stopped at kLeapDay whose local time is `offset` seconds ahead of UTC.
class ZoneClock : public Clock {
public:
    explicit ZoneClock(long offset) : m_offset(offset) {}
    std::time_t now() const override { return kLeapDay; }
    LocalTime toLocal(std::time_t time) const override {
        const std::time_t shifted = time + m_offset;
        std::tm parts{};
        gmtime_r(&shifted, &parts);
        return fromTm(parts);
    }

private:
    long m_offset;
};

// `text` repeated up to 256 bytes, the longest subject the settings hold.
std::string filled(const std::string& text) {
    std::string out;
    while (out.size() + text.size() <= 256) {
        out += text;
    }
    return out;
}

// Sender, recipients, subject (CP932) and what a reader makes of From and To (UTF-8); the
// subject must read back as it was written.
TEST(MessageHeader, AMailReaderReadsEveryFieldBackWhole) {
    const std::string plain = "from=|s@x.test\nto=|a@x.test\n";
    const std::vector<std::array<std::string, 4>> cases = {
        {sjis("山田 太郎 <y@x.test>"), "a@x.test", sjis("山田 太郎 報告"), "from=山田 太郎|y@x.test\nto=|a@x.test\n"},
        {"s@x.test", "<a@x.test>\r\n<b@x.test>", sjis("[SORPEX]月次レポート ﾃｽﾄ"),
         "from=|s@x.test\nto=|a@x.test\nto=|b@x.test\n"},
        {"s@x.test", "a@x.test; b@x.test;", "r", "from=|s@x.test\nto=|a@x.test\nto=|b@x.test\n"},
        {"s@x.test", sjis("山田 花子 <a@x.test>;Suzuki, Ichiro <b@x.test>"), "r",
         "from=|s@x.test\nto=山田 花子|a@x.test\nto=Suzuki, Ichiro|b@x.test\n"},
        {"s@x.test", "<admin1@printers.example.test><admin2@printers.example.test><admin3@printers.example.test>", "r",
         "from=|s@x.test\nto=|admin1@printers.example.test\nto=|admin2@printers.example.test\n"
         "to=|admin3@printers.example.test\n"},
        {"s@x.test", "a@x.test", filled(sjis("月次集計報告")), plain},
        {"s@x.test", "a@x.test", filled(sjis("ﾌﾟﾘﾝﾀ 集計 abc ")) + "x", plain},
        {"s@x.test", "a@x.test", filled(sjis("ｱa")), plain},
        {"s@x.test", "a@x.test", filled("\xFB\xFC" + sjis("橋 報告 x")), plain},
    };
    const MailStamp stamp = makeMailStamp(ZoneClock(9 * 3600), kLeapDay, "0123456789abcdef", "printhost");
    const std::regex encodedWord(R"(=\?[^?]+\?B\?[A-Za-z0-9+/=]*\?=)");
    for (const auto& [sender, recipients, subject, fromTo] : cases) {
        std::string message;
        for (const std::string& line : messageHeaderLines(sender, recipients, subject, stamp)) {
            EXPECT_LE(line.size(), kHeaderFoldColumn) << line;
            for (std::sregex_iterator word(line.begin(), line.end(), encodedWord), end; word != end; ++word) {
                EXPECT_LE(word->length(), 75);
            }
            message += line + "\r\n";
        }
        EXPECT_EQ(test::readHeaders(message + "\r\nbody\r\n"),
                  "subject=" + cp932::toUtf8(subject) + "\n" + fromTo +
                      "date=2028-03-01T07:50:00+09:00\nmessage-id=<20280301075000.0123456789abcdef@printhost>\n"
                      "defects=0\n")
            << message;
    }
}

TEST(MessageHeader, DateCarriesTheLocalOffsetAndMessageIdsDiffer) {
    for (const auto& [offset, date] :
         {std::pair{9 * 3600L, "Wed, 01 Mar 2028 07:50:00 +0900"}, std::pair{0L, "Tue, 29 Feb 2028 22:50:00 +0000"},
          std::pair{-12600L, "Tue, 29 Feb 2028 19:20:00 -0330"}}) {
        EXPECT_EQ(makeMailStamp(ZoneClock(offset), kLeapDay, "u", "h").date, date);
    }
    const MailStamp now = makeMailStamp(Clock()); // the machine's clock, zone and host name
    EXPECT_EQ(test::withStampMarked("\r\nDate: " + now.date + "\r\nMessage-ID: " + now.messageId + "\r\n"),
              "\r\n[stamp]\r\n");
    EXPECT_NE(makeMailStamp(ZoneClock(0)).messageId, makeMailStamp(ZoneClock(0)).messageId);
}

} // namespace
} // namespace sorpex
