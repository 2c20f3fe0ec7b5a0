#include "mail/base64.h"
#include "mail/jis_text.h"

#include "base/cp932.h"

#include <gtest/gtest.h>

#include <iconv.h>
#include <string>
#include <utility>
#include <vector>

namespace sorpex {
namespace {

using namespace std::string_literals;

std::string sjis(std::string_view utf8) {
    return cp932::fromUtf8(utf8);
}

// glibc's own Shift_JIS to ISO-2022-JP, as an independent reference; nothing when it has no code.
std::optional<std::string> iconvJis(std::string_view sjisText) {
    iconv_t cd = iconv_open("ISO-2022-JP", "SJIS");
    char* in = const_cast<char*>(sjisText.data());
    std::size_t inLeft = sjisText.size();
    char buffer[64];
    char* out = buffer;
    std::size_t outLeft = sizeof buffer;
    const bool converted = iconv(cd, &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1) &&
                           iconv(cd, nullptr, nullptr, &out, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    if (!converted) {
        return std::nullopt;
    }
    return std::string(buffer, out);
}

// The characters of an ISO-2022-JP text, each with the character set it stands in.
std::vector<std::pair<char, std::string>> jisCharacters(std::string_view jis) {
    std::vector<std::pair<char, std::string>> characters;
    char set = 'B';
    std::size_t pos = 0;
    while (pos < jis.size()) {
        if (jis[pos] == '\x1B') {
            set = jis.substr(pos, 3) == kEscKanji ? 'K' : jis[pos + 2];
            pos += 3;
            continue;
        }
        const std::size_t width = set == 'K' ? 2 : 1;
        characters.emplace_back(set, std::string(jis.substr(pos, width)));
        pos += width;
    }
    return characters;
}

TEST(Base64, EncodesEachGroupAndPadsTheLastOne) {
    EXPECT_EQ(base64Encode(""), "");
    EXPECT_EQ(base64Encode("f"), "Zg==");
    EXPECT_EQ(base64Encode("fo"), "Zm8=");
    EXPECT_EQ(base64Encode("foo"), "Zm9v");
    EXPECT_EQ(base64Encode("foobar"), "Zm9vYmFy");
    EXPECT_EQ(base64Encode("\xFF\xFE\xFD\x00"s), "//79AA==");
    EXPECT_EQ(base64Encode(std::string(57, 'x')).size(), 76u);
}

TEST(SjisToJis, AgreesWithIconvOnEveryJisX0208Character) {
    int compared = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!cp932::isLeadByte(static_cast<unsigned char>(lead))) {
            continue;
        }
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            const std::string pair = {static_cast<char>(lead), static_cast<char>(trail)};
            const std::optional<std::string> expected = iconvJis(pair);
            if (!expected || expected->size() != 8) {
                continue;
            }
            ASSERT_EQ(sjisToJis(pair), *expected) << std::hex << lead << " " << trail;
            ++compared;
        }
    }
    EXPECT_GT(compared, 6800);
}

TEST(SjisToJis, SwitchesBetweenAsciiKanaAndKanji) {
    EXPECT_EQ(sjisToJis("[SORPEX]Report"), "[SORPEX]Report");
    EXPECT_EQ(sjisToJis(sjis("日本")), "\x1B$BF|K\\\x1B(B");
    EXPECT_EQ(sjisToJis(sjis("ｱｲｳ")), "\x1B(I123\x1B(B");
    EXPECT_EQ(sjisToJis(sjis("aｶｳﾝﾀ一覧b")), "a\x1B(I63]@\x1B$B0lMw\x1B(Bb");
    EXPECT_EQ(sjisToJis(""), "");
}

TEST(SjisToJis, TextEndsAtAnUnconvertiblePairAndStillReturnsToAscii) {
    // 0xF040 is a user-defined character with no JIS X 0208 code; 0x8120 has no valid trail byte.
    EXPECT_EQ(sjisToJis(sjis("日") + "\xF0\x40" + sjis("本")), "\x1B$BF|\x1B(B");
    EXPECT_EQ(sjisToJis("ab\x81\x20"
                        "cd"),
              "ab");
    EXPECT_EQ(sjisToJis(sjis("ｱ") + "\xFA\x40"), "\x1B(I1\x1B(B");
    // A lead byte at the very end has no trail byte to read.
    EXPECT_EQ(sjisToJis(sjis("日") + "\x88"), "\x1B$BF|\x1B(B");
    EXPECT_EQ(sjisToJis(std::string_view("ab\x88", 3)), "ab");
    EXPECT_EQ(sjisToJis("ab\0cd"s), "ab");
}

TEST(SjisToJisLines, LongLinesBreakBetweenCharactersAndLoseNothing) {
    std::string text;
    for (int i = 0; i < 300; ++i) {
        text += sjis(i % 3 == 0 ? "ｱa" : i % 3 == 1 ? "日本x" : "ﾝ一");
    }
    const std::string whole = sjisToJis(text);
    const std::vector<std::string> lines = sjisToJisLines(text, 100);
    ASSERT_GT(lines.size(), 10u);
    std::vector<std::pair<char, std::string>> joined;
    for (const std::string& line : lines) {
        EXPECT_LE(line.size(), 100u);
        const std::size_t lastEscape = line.rfind('\x1B');
        EXPECT_TRUE(lastEscape == std::string::npos || line.substr(lastEscape, 3) == kEscAscii) << line;
        const auto characters = jisCharacters(line);
        joined.insert(joined.end(), characters.begin(), characters.end());
    }
    EXPECT_EQ(joined, jisCharacters(whole));

    EXPECT_EQ(sjisToJisLines("", 100), std::vector<std::string>{""});
    EXPECT_EQ(sjisToJisLines("short", 100), std::vector<std::string>{"short"});
}

TEST(EncodeHeaderText, AsciiStaysAndEachJapaneseRunBecomesOneWord) {
    EXPECT_EQ(encodeHeaderText("[SORPEX]Report"), "[SORPEX]Report");
    EXPECT_EQ(encodeHeaderText(sjis("月次報告 [SORPEX]")), "=?ISO-2022-JP?B?GyRCN248IUpzOXAbKEI=?= [SORPEX]");
    EXPECT_EQ(encodeHeaderText(sjis("Re: 日本 test")), "Re: =?ISO-2022-JP?B?GyRCRnxLXBsoQg==?= test");
    // Half-width katakana is no ISO-2022-JP a reader decodes in a header: such a text goes as UTF-8.
    EXPECT_EQ(encodeHeaderText(sjis("ｶｳﾝﾀ一覧")), "=?UTF-8?B?7722772z776d776A5LiA6Kan?=");
    EXPECT_EQ(encodeHeaderText(sjis("日本 and 日本")),
              "=?ISO-2022-JP?B?GyRCRnxLXBsoQg==?= and =?ISO-2022-JP?B?GyRCRnxLXBsoQg==?=");
    // A text ISO-2022-JP cannot carry goes whole as UTF-8: U+65E5 and the user-defined U+E000.
    EXPECT_EQ(encodeHeaderText(sjis("日") + "\xF0\x40" + "tail"), "=?UTF-8?B?5pel7oCA?=tail");
}

// Row 84 (凜 84-5, 熙 84-6) is the last row of JIS X 0208 and still goes as ISO-2022-JP; the
// extension kanji of CP932 (NEC-selected ED40, IBM FBFC) have no JIS code and go as UTF-8.
TEST(JisCarries, TheLastJisRowStaysIso2022JpAndTheExtensionKanjiDoNot) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {sjis("凜熙"), true}, {sjis("堯槇遙瑤"), true}, {"\xED\x40", false}, {sjis("髙"), false}};
    for (const auto& [text, carried] : cases) {
        EXPECT_EQ(jisCarries(text), carried) << cp932::toUtf8(text);
        EXPECT_EQ(encodeHeaderText(text).starts_with("=?ISO-2022-JP?B?"), carried) << cp932::toUtf8(text);
    }
    EXPECT_EQ(sjisToJis(sjis("凜熙")), "\x1B$Bt%t&\x1B(B");
}

} // namespace
} // namespace sorpex
