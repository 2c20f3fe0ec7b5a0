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

// A clock stopped at kLeapDay whose local time is `offset` seconds ahead of UTC, whatever the
// machine's zone.
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

std::string repeated(std::string_view text, std::size_t bytes) {
    std::string out;
    while (out.size() + text.size() <= bytes) {
        out += text;
    }
    while (out.ends_with(' ')) {
        out.pop_back();
    }
    return out;
}

struct HeaderCase {
    const char* what;
    std::string sender;
    std::string recipients;
    std::string subject;
    std::string read; // what the reader makes of From, To and Subject (UTF-8)
};

TEST(MessageHeader, AMailReaderReadsEveryFieldBackWhole) {
    const std::string longKanji = repeated(sjis("月次集計報告"), 256);
    const std::string longMixed = repeated(sjis("ﾌﾟﾘﾝﾀ 集計 abc "), 256);
    const std::string longUtf8 = repeated("\xFB\xFC" + sjis("橋 報告 ") + "x", 256);
    const std::vector<HeaderCase> cases = {
        {"spaces between Japanese words", sjis("山田 太郎 <yamada@x.test>"), "<a@x.test>", sjis("山田 太郎 報告"),
         "subject=山田 太郎 報告\nfrom=山田 太郎|yamada@x.test\nto=|a@x.test\n"},
        {"kanji then katakana", "a@x.test", "a@x.test", sjis("[SORPEX]月次レポート ﾃｽﾄ"),
         "subject=[SORPEX]月次レポート ﾃｽﾄ\nfrom=|a@x.test\nto=|a@x.test\n"},
        {"recipients on lines of their own", "s@x.test", "<a@x.test>\r\n<b@x.test>", "r",
         "subject=r\nfrom=|s@x.test\nto=|a@x.test\nto=|b@x.test\n"},
        {"recipients between semicolons", "s@x.test", "a@x.test; b@x.test;", "r",
         "subject=r\nfrom=|s@x.test\nto=|a@x.test\nto=|b@x.test\n"},
        {"recipients with names", "s@x.test", sjis("山田 花子 <a@x.test>;Suzuki, Ichiro <b@x.test>"), "r",
         "subject=r\nfrom=|s@x.test\nto=山田 花子|a@x.test\nto=Suzuki, Ichiro|b@x.test\n"},
        {"more recipients than a line holds", "s@x.test",
         "<admin1@printers.example.test><admin2@printers.example.test><admin3@printers.example.test>", "r",
         "subject=r\nfrom=|s@x.test\nto=|admin1@printers.example.test\nto=|admin2@printers.example.test\n"
         "to=|admin3@printers.example.test\n"},
        {"256 bytes of kanji", "s@x.test", "a@x.test", longKanji,
         "subject=" + cp932::toUtf8(longKanji) + "\nfrom=|s@x.test\nto=|a@x.test\n"},
        {"256 bytes of katakana, kanji and ASCII", "s@x.test", "a@x.test", longMixed,
         "subject=" + cp932::toUtf8(longMixed) + "\nfrom=|s@x.test\nto=|a@x.test\n"},
        {"256 bytes of katakana and ASCII by turns", "s@x.test", "a@x.test", repeated(sjis("ｱa"), 256),
         "subject=" + repeated("ｱa", 512) + "\nfrom=|s@x.test\nto=|a@x.test\n"},
        {"256 bytes only UTF-8 carries", "s@x.test", "a@x.test", longUtf8,
         "subject=" + cp932::toUtf8(longUtf8) + "\nfrom=|s@x.test\nto=|a@x.test\n"},
    };
    const MailStamp stamp = makeMailStamp(ZoneClock(9 * 3600), kLeapDay, "0123456789abcdef", "printhost");
    const std::regex encodedWord(R"(=\?[^?]+\?B\?[A-Za-z0-9+/=]*\?=)");
    for (const HeaderCase& c : cases) {
        std::string message;
        for (const std::string& line : messageHeaderLines(c.sender, c.recipients, c.subject, stamp)) {
            EXPECT_LE(line.size(), kHeaderFoldColumn) << c.what << ": " << line;
            for (std::sregex_iterator word(line.begin(), line.end(), encodedWord), end; word != end; ++word) {
                EXPECT_LE(word->length(), 75) << c.what;
            }
            message += line + "\r\n";
        }
        EXPECT_EQ(test::readHeaders(message + "\r\nbody\r\n"),
                  c.read + "date=2028-03-01T07:50:00+09:00\nmessage-id=<20280301075000.0123456789abcdef@printhost>\n"
                           "defects=0\n")
            << c.what << "\n"
            << message;
    }
}

TEST(MessageHeader, DateCarriesTheLocalOffset) {
    const std::vector<std::tuple<long, std::string>> cases = {
        {9 * 3600, "Wed, 01 Mar 2028 07:50:00 +0900"},
        {0, "Tue, 29 Feb 2028 22:50:00 +0000"},
        {-(3 * 3600 + 30 * 60), "Tue, 29 Feb 2028 19:20:00 -0330"},
    };
    for (const auto& [offset, date] : cases) {
        EXPECT_EQ(makeMailStamp(ZoneClock(offset), kLeapDay, "u", "h").date, date);
    }
    // The system's clock and zone, whichever they are, as the window and the batch mode use them.
    const MailStamp now = makeMailStamp(Clock());
    EXPECT_EQ(test::withStampMarked("\r\nDate: " + now.date + "\r\nMessage-ID: " + now.messageId + "\r\n"),
              "\r\n[stamp]\r\n");
    // Two mails of the same second still differ.
    EXPECT_NE(makeMailStamp(ZoneClock(0)).messageId, makeMailStamp(ZoneClock(0)).messageId);
}

TEST(MessageHeader, PlainTextsKeepTheirBytes) {
    EXPECT_EQ(foldHeaderField("Subject", "[SORPEX]Report"), std::vector<std::string>{"Subject: [SORPEX]Report"});
    EXPECT_EQ(recipientListValue("<a@x.test>"), "<a@x.test>");
    // Folded before the space that would pass column 76, and only there.
    const std::string value = std::string(60, 'a') + " " + std::string(20, 'b') + " c";
    EXPECT_EQ(foldHeaderField("To", value),
              (std::vector<std::string>{"To: " + std::string(60, 'a'), " " + std::string(20, 'b') + " c"}));
}

} // namespace
} // namespace sorpex
