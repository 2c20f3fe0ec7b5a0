#include "fontconv/command_flow.h"
#include "tests/fontconv/font_builders.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <sstream>
#include <sys/stat.h>

namespace zuvfntc {
namespace {

using namespace test;
using sorpex::test::readFileBytes;
using sorpex::test::TempDir;
using sorpex::test::writeFileBytes;

struct Result {
    int code;
    std::string console;
};

Result run(const TempDir& dir, const std::vector<std::string>& args, const std::string& typed = "",
           Charset charset = Charset::Utf8) {
    std::istringstream in(typed);
    std::ostringstream out;
    int code = runConverter(args, in, out, {dir.path(), charset, -1});
    return {code, out.str()};
}

const std::string kBanner = "Font Conversion Program. Version 1.00\n";

std::string twoGlyphFont() {
    return indexedFont("WIN", {indexedGlyph24(pattern24(1)), indexedGlyph24(pattern24(2))});
}

TEST(CommandFlow, UsageWithoutTheExampleListUnderMinus7) {
    TempDir dir;
    Result plain = run(dir, {"font", "?x"});
    EXPECT_EQ(plain.code, 1);
    EXPECT_TRUE(plain.console.starts_with(kBanner));
    EXPECT_TRUE(plain.console.ends_with(" usage: zuvfntc fontfile \n        ex. zuvfntc eudc.euf\n"
                                        "            (eudc.euf, $sys1z24.fnt, userfont.fon, $extr.fnt)\n"));
    Result alternative = run(dir, {"-?", "-7"});
    EXPECT_EQ(alternative.code, 1);
    EXPECT_TRUE(alternative.console.ends_with(" usage: zuvfntc fontfile \n        ex. zuvfntc eudc.euf\n"));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(CommandFlow, ConvertsAndAppendsTheTableSection) {
    TempDir dir;
    writeFileBytes(dir.file("eudc.win"), twoGlyphFont());
    writeFileBytes(dir.file("codes.tbl"), std::string("\0\0\x88\x9F\xF0\x40", 6));
    Result result = run(dir, {"eudc.win"}, "y codes.tbl\n");
    EXPECT_EQ(result.code, 0);
    EXPECT_TRUE(result.console.ends_with("\n    2 個の外字を変換しました。\n"
                                         "\n  変換テーブルを使用しますか(y/n) : "
                                         "    ファイル名 : "
                                         "\n外字ファイル zuvfnt.fnt が作成されました。\n"))
        << result.console;
    std::string font =
        palivoxFont({palivoxRecord(0x6941, bytesOf(pattern24(1))), palivoxRecord(0x6942, bytesOf(pattern24(2)))});
    EXPECT_EQ(readFileBytes(dir.file("zuvfnt.fnt")), font + std::string("PALIVOX TABLE   \0\0\x48\x67\x69\x41", 22));
}

TEST(CommandFlow, OutputDirectoryTakesTheFileAndTheEndTextNamesItBare) {
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "out");
    writeFileBytes(dir.file("eudc.win"), twoGlyphFont());
    Result result = run(dir, {"eudc.win", "out"}, "n\n");
    EXPECT_EQ(result.code, 0);
    EXPECT_TRUE(result.console.ends_with("\n外字ファイル zuvfnt.fnt が作成されました。\n"));
    EXPECT_EQ(parseFont(readFileBytes(dir.file("out/zuvfnt.fnt"))).size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "zuvfnt.fnt"));

    // The overwrite question names the file in the directory.
    Result again = run(dir, {"eudc.win", "out"}, "N");
    EXPECT_EQ(again.code, 1);
    EXPECT_TRUE(again.console.ends_with("\n　外字データ(out/zuvfnt.fnt)を上書きしますか (y/n) : "));
}

TEST(CommandFlow, ReconversionWithAnOutputDirectoryReplacesOnlyTheFileThere) {
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "out");
    std::string font = palivoxFont({palivoxRecord(0x6941, bytesOf(pattern24(1)))});
    writeFileBytes(dir.file("out/zuvfnt.fnt"), font);
    writeFileBytes(dir.file("zuvfnt.fnt"), "not to be touched");
    Result result = run(dir, {"out/zuvfnt.fnt", "out"}, "y n\n");
    EXPECT_EQ(result.code, 0) << result.console;
    EXPECT_EQ(readFileBytes(dir.file("out/zuvfnt.fnt")), font);
    EXPECT_EQ(readFileBytes(dir.file("zuvfnt.fnt")), "not to be touched");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "out/zuvfnt.new"));
}

TEST(CommandFlow, InputThatIsTheOutputFileIsReadBeforeItIsReplaced) {
    TempDir dir;
    writeFileBytes(dir.file("zuvfnt.fnt"), twoGlyphFont()); // a WIN font under the output's name
    Result result = run(dir, {"zuvfnt.fnt"}, "y\nn\n");
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(parseFont(readFileBytes(dir.file("zuvfnt.fnt"))).size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "zuvfnt.new"));
}

TEST(CommandFlow, InputUnderTheTemporaryNameOfOldIsConvertedNotEmptied) {
    for (bool alternative : {false, true}) {
        TempDir dir;
        const std::string fontName = alternative ? "r42fnt.fnt" : "zuvfnt.fnt";
        const std::string oldNewName = alternative ? "r42fnt.new" : "zuvfnt.new";
        std::string font = palivoxFont({palivoxRecord(0x6941, bytesOf(pattern24(1)))});
        writeFileBytes(dir.file(oldNewName), font);
        writeFileBytes(dir.file(fontName), "old font");
        std::filesystem::permissions(dir.path() / fontName, std::filesystem::perms(0640));
        std::vector<std::string> args = {oldNewName};
        if (alternative) {
            args.push_back("-7");
        }
        Result result = run(dir, args, "y n\n");
        EXPECT_EQ(result.code, 0) << result.console;
        EXPECT_EQ(readFileBytes(dir.file(fontName)),
                  palivoxFont({palivoxRecord(0x6941, bytesOf(pattern24(1)))}, alternative));
        EXPECT_EQ(readFileBytes(dir.file(oldNewName)), font);
        // The replaced font keeps its permission bits, and no temporary file is left.
        EXPECT_EQ(std::filesystem::status(dir.path() / fontName).permissions(), std::filesystem::perms(0640));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
    }
}

TEST(CommandFlow, InputsAndTablesThatAreNoRegularFileAreRefusedAtOnce) {
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
    for (const std::string& input : {dir.file("fifo"), std::string("/dev/zero")}) {
        Result result = run(dir, {input});
        EXPECT_EQ(result.code, 1);
        EXPECT_TRUE(result.console.ends_with("\n　外字ファイルがありません。[" + input + "]\n")) << result.console;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "zuvfnt.fnt"));

    writeFileBytes(dir.file("eudc.win"), twoGlyphFont());
    const std::string converted =
        palivoxFont({palivoxRecord(0x6941, bytesOf(pattern24(1))), palivoxRecord(0x6942, bytesOf(pattern24(2)))});
    // The output itself would be read while the table section grows it.
    for (const std::string& table : {std::string("zuvfnt.fnt"), dir.file("fifo"), std::string("/dev/zero")}) {
        std::filesystem::remove(dir.path() / "zuvfnt.fnt");
        Result result = run(dir, {"eudc.win"}, "y " + table + "\n");
        EXPECT_EQ(result.code, 1);
        EXPECT_TRUE(result.console.ends_with("\n　  変換テーブルファイルがありません。[" + table + "]\n"))
            << result.console;
        EXPECT_EQ(readFileBytes(dir.file("zuvfnt.fnt")), converted);
    }
}

// /proc/self/mem fails its first read (EIO): neither the font nor the table is taken as ended
// there, and the files from before stay as they were.
TEST(CommandFlow, AReadErrorIsAnInputErrorAndKeepsTheOldFiles) {
    TempDir dir;
    writeFileBytes(dir.file("zuvfnt.fnt"), "old font");
    Result result = run(dir, {"/proc/self/mem"}, "y\n");
    EXPECT_EQ(result.code, 1);
    EXPECT_TRUE(result.console.ends_with("\n　外字ファイルがありません。[/proc/self/mem]\n")) << result.console;
    EXPECT_EQ(readFileBytes(dir.file("zuvfnt.fnt")), "old font");

    std::filesystem::remove(dir.path() / "zuvfnt.fnt");
    writeFileBytes(dir.file("eudc.win"), twoGlyphFont());
    result = run(dir, {"eudc.win"}, "y /proc/self/mem\n");
    EXPECT_EQ(result.code, 1);
    EXPECT_TRUE(result.console.ends_with("\n　  変換テーブルファイルがありません。[/proc/self/mem]\n"))
        << result.console;
    EXPECT_EQ(readFileBytes(dir.file("zuvfnt.fnt")), palivoxFont({palivoxRecord(0x6941, bytesOf(pattern24(1))),
                                                                  palivoxRecord(0x6942, bytesOf(pattern24(2)))}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

TEST(CommandFlow, OutputFolderThatIsNoFolderIsRefused) {
    TempDir dir;
    writeFileBytes(dir.file("eudc.win"), twoGlyphFont());
    for (const std::string& folder : {std::string("nosuchdir/"), std::string("eudc.win")}) {
        Result result = run(dir, {"eudc.win", folder}, "n\n");
        EXPECT_EQ(result.code, 1);
        EXPECT_TRUE(result.console.ends_with("\n　出力先のフォルダがありません。[" + folder + "]\n")) << result.console;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "zuvfnt.fnt"));
}

TEST(CommandFlow, OutputNameHeldByALinkIsAskedAboutAndNeverWrittenThrough) {
    TempDir dir;
    writeFileBytes(dir.file("eudc.win"), twoGlyphFont());
    std::filesystem::create_symlink(dir.path() / "elsewhere.fnt", dir.path() / "zuvfnt.fnt");
    Result result = run(dir, {"eudc.win"}, "y n\n");
    EXPECT_EQ(result.code, 1);
    EXPECT_TRUE(result.console.ends_with("\n　外字データ(zuvfnt.fnt)を上書きしますか (y/n) : "
                                         "\n　外字ファイルを作成できません。[zuvfnt.fnt]\n"))
        << result.console;
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "zuvfnt.fnt"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "elsewhere.fnt"));
}

TEST(CommandFlow, OverlongNamesAreRefusedAsNotFound) {
    TempDir dir;
    writeFileBytes(dir.file("eudc.win"), twoGlyphFont());
    std::string longName(128, 'a');
    writeFileBytes(dir.file(longName), twoGlyphFont());

    Result input = run(dir, {longName});
    EXPECT_EQ(input.code, 1);
    EXPECT_TRUE(input.console.ends_with("\n　外字ファイルがありません。[" + longName + "]\n"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "zuvfnt.fnt"));

    Result table = run(dir, {"eudc.win"}, "y " + longName + "\n");
    EXPECT_EQ(table.code, 1);
    EXPECT_TRUE(table.console.ends_with("\n　  変換テーブルファイルがありません。[" + longName.substr(0, 127) + "]\n"));

    std::filesystem::remove(dir.path() / "zuvfnt.fnt");
    Result answer = run(dir, {"eudc.win"}, "y" + std::string(200, 'e') + "\n");
    EXPECT_EQ(answer.code, 1);
    EXPECT_NE(answer.console.find("変換テーブルファイルがありません。"), std::string::npos);

    // 127 characters still fit.
    std::filesystem::rename(dir.path() / longName, dir.path() / longName.substr(1));
    std::filesystem::remove(dir.path() / "zuvfnt.fnt");
    EXPECT_EQ(run(dir, {longName.substr(1)}, "n").code, 0);
}

TEST(CommandFlow, MissingTableFileAndUnwritableOutput) {
    TempDir dir;
    writeFileBytes(dir.file("eudc.win"), twoGlyphFont());
    Result table = run(dir, {"eudc.win"}, "Y nothing.tbl");
    EXPECT_EQ(table.code, 1);
    EXPECT_TRUE(table.console.ends_with("\n　  変換テーブルファイルがありません。[nothing.tbl]\n"));
    // The glyphs written before the table question stay.
    EXPECT_EQ(parseFont(readFileBytes(dir.file("zuvfnt.fnt"))).size(), 2u);

    Result noAnswer = run(dir, {"eudc.win"}, "y");
    EXPECT_EQ(noAnswer.code, 0); // no answer to the table question counts as no

    std::filesystem::remove(dir.path() / "zuvfnt.fnt");
    std::filesystem::create_directory(dir.path() / "zuvfnt.fnt");
    Result blocked = run(dir, {"eudc.win"}, "y");
    EXPECT_EQ(blocked.code, 1);
    EXPECT_TRUE(blocked.console.ends_with("\n　外字ファイルを作成できません。[zuvfnt.fnt]\n"));
}

TEST(CommandFlow, Cp932ConsoleGetsShiftJisTextsAndRawFileNames) {
    TempDir dir;
    Result result = run(dir, {"missing.euf"}, "", Charset::Cp932);
    EXPECT_EQ(result.code, 1);
    // "　外字ファイルがありません。" in Shift-JIS.
    EXPECT_TRUE(result.console.ends_with("\n\x81\x40\x8A\x4F\x8E\x9A\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xAA\x82\xA0"
                                         "\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81\x42[missing.euf]\n"))
        << result.console;
}

} // namespace
} // namespace zuvfntc
