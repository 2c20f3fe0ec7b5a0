// The dialogue through the real program, its console a pipe.
#include "tests/fontconv/font_builders.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <iterator>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace zuvfntc {
namespace {

using namespace test;
using sorpex::test::ChildProcess;
using sorpex::test::readFileBytes;
using sorpex::test::runProgram;
using sorpex::test::RunResult;
using sorpex::test::TempDir;
using sorpex::test::writeFileBytes;

// The shell command that runs zuvfntc in `dir`, started by `launch` (a limit or a user before
// "exec") and with `redirection`; the C locale gives UTF-8 texts.
std::string zuvfntcCommand(const TempDir& dir, const std::vector<std::string>& args, const std::string& launch = "exec",
                           const std::string& redirection = "") {
    std::string command = "cd '" + dir.path().string() + "' && export LC_ALL=C && " + launch + " '" ZUVFNTC_PROGRAM "'";
    for (const std::string& arg : args) {
        command += " '" + arg + "'";
    }
    return command + " " + redirection;
}

// Runs zuvfntc in `dir` with `typed` on its standard input.
RunResult zuvfntc(const TempDir& dir, const std::vector<std::string>& args, const std::string& typed = "",
                  const std::string& launch = "exec", const std::string& redirection = "") {
    return runProgram({"/bin/sh", "-c", zuvfntcCommand(dir, args, launch, redirection)}, std::chrono::seconds(20),
                      typed);
}

const std::string kUsage = " usage: zuvfntc fontfile \n        ex. zuvfntc eudc.euf\n"
                           "            (eudc.euf, $sys1z24.fnt, userfont.fon, $extr.fnt)\n";

std::string winFont() {
    return indexedFont("WIN", {indexedGlyph24(pattern24(1)), indexedGlyph24(pattern24(2))});
}

TEST(ZuvfntcProgram, UsageEndsWithCode1) {
    TempDir dir;
    for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"?"}, {"-?"}}) {
        RunResult result = zuvfntc(dir, args);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_TRUE(result.output.starts_with("Font Conversion Program. Version 1.00\n")) << result.output;
        EXPECT_TRUE(result.output.ends_with(kUsage)) << result.output;
    }
}

TEST(ZuvfntcProgram, LoneMinusDIsTheInputFileAndDumps) {
    TempDir dir;
    RunResult missing = zuvfntc(dir, {"-d"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.output.ends_with("\n　外字ファイルがありません。[-d]\n"));

    // One byte per key press from a pipe: two glyphs take "ab", and the rest answers the table
    // questions.
    writeFileBytes(dir.file("-d"), winFont());
    writeFileBytes(dir.file("t.tbl"), std::string("\0\0\x88\x9F", 4));
    RunResult dumped = zuvfntc(dir, {"-d"}, "aby t.tbl\n");
    EXPECT_EQ(dumped.exitCode, 0) << dumped.output;
    EXPECT_NE(dumped.output.find(" Code : 6942(0000), Length : 0048\n"), std::string::npos);
    EXPECT_TRUE(dumped.output.ends_with("\n外字ファイル zuvfnt.fnt が作成されました。\n"));
    EXPECT_TRUE(readFileBytes(dir.file("zuvfnt.fnt")).ends_with(std::string("PALIVOX TABLE   \0\0\x48\x67", 20)));
}

TEST(ZuvfntcProgram, DecliningTheOverwriteTouchesNothing) {
    TempDir dir;
    writeFileBytes(dir.file("eudc.win"), winFont());
    writeFileBytes(dir.file("zuvfnt.fnt"), "old font");
    RunResult result = zuvfntc(dir, {"eudc.win"}, "n\n");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.output.ends_with("\n　外字データ(zuvfnt.fnt)を上書きしますか (y/n) : "));
    EXPECT_EQ(readFileBytes(dir.file("zuvfnt.fnt")), "old font");
    EXPECT_EQ(readFileBytes(dir.file("eudc.win")), winFont());
}

TEST(ZuvfntcProgram, YesLeavesEsForTheTableQuestion) {
    TempDir dir;
    writeFileBytes(dir.file("eudc.win"), winFont());
    writeFileBytes(dir.file("zuvfnt.fnt"), "old font");
    RunResult result = zuvfntc(dir, {"eudc.win"}, "yes\n");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.output.ends_with("\n    2 個の外字を変換しました。\n\n  変換テーブルを使用しますか(y/n) : "
                                        "\n外字ファイル zuvfnt.fnt が作成されました。\n"))
        << result.output;
    EXPECT_EQ(parseFont(readFileBytes(dir.file("zuvfnt.fnt"))).size(), 2u);
}

TEST(ZuvfntcProgram, NoGlyphGivesAnEmptyFileWithoutTheTableQuestion) {
    TempDir dir;
    writeFileBytes(dir.file("eudc.win"), indexedFont("WIN", {indexedGlyph64(pattern64(1))}));
    RunResult result = zuvfntc(dir, {"eudc.win"}, "y\n");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.output.ends_with("\n    0 個の外字を変換しました。\n")) << result.output;
    EXPECT_EQ(readFileBytes(dir.file("zuvfnt.fnt")), "");
}

TEST(ZuvfntcProgram, ConvertsItsOwnFontOntoItself) {
    TempDir dir;
    std::string font =
        palivoxFont({palivoxRecord(0x6941, bytesOf(pattern24(1))), palivoxRecord(0x6A41, bytesOf(pattern24(2)))});
    writeFileBytes(dir.file("zuvfnt.fnt"), font + std::string("PALIVOX TABLE   \0\0", 18));
    RunResult result = zuvfntc(dir, {"zuvfnt.fnt"}, "y\nn\n");
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_NE(result.output.find("\n　外字データ(zuvfnt.fnt)を上書きしますか (y/n) : "), std::string::npos);
    EXPECT_EQ(readFileBytes(dir.file("zuvfnt.fnt")), font);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "zuvfnt.new"));
}

TEST(ZuvfntcProgram, Minus7WritesR42FontWithoutTheTableQuestion) {
    TempDir dir;
    writeFileBytes(dir.file("eudc.win"), indexedFont("Windows", {indexedGlyph24(pattern24(1))}));
    RunResult result = zuvfntc(dir, {"eudc.win", "-7"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.output.ends_with("\n    1 個の外字を変換しました。\n"
                                        "\n外字ファイル r42fnt.fnt が作成されました。\n"))
        << result.output;
    EXPECT_EQ(readFileBytes(dir.file("r42fnt.fnt")), palivoxFont({palivoxRecord(0xF040, bytesOf(pattern24(1)))}, true));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "zuvfnt.fnt"));
}

TEST(ZuvfntcProgram, ClosedStandardInputIsNeverTheFont) {
    TempDir dir;
    // A font whose first byte is "y" would answer the overwrite question if it took descriptor 0.
    writeFileBytes(dir.file("user.fnt"), padBlock(blockRecord(0xA479, blockData(pattern24(1)))));
    writeFileBytes(dir.file("zuvfnt.fnt"), "old font");
    RunResult result = zuvfntc(dir, {"user.fnt"}, "", "exec", "<&-");
    EXPECT_EQ(result.exitCode, 1) << result.output;
    EXPECT_TRUE(result.output.ends_with("\n　外字データ(zuvfnt.fnt)を上書きしますか (y/n) : ")) << result.output;
    EXPECT_EQ(readFileBytes(dir.file("zuvfnt.fnt")), "old font");
}

TEST(ZuvfntcProgram, OutputThatCannotBeReadIsStillAskedAbout) {
    TempDir dir;
    writeFileBytes(dir.file("eudc.win"), winFont());
    writeFileBytes(dir.file("zuvfnt.fnt"), "old font");
    chmod(dir.file("zuvfnt.fnt").c_str(), 0200);
    std::string launch = "exec";
    if (geteuid() == 0) {
        // Root reads any file: the run must be a user's.
        chmod(dir.path().c_str(), 0755);
        ASSERT_EQ(chown(dir.file("zuvfnt.fnt").c_str(), 65534, 65534), 0);
        launch = "exec setpriv --reuid=65534 --regid=65534 --clear-groups";
    }
    RunResult result = zuvfntc(dir, {"eudc.win"}, "n\n", launch);
    EXPECT_EQ(result.exitCode, 1) << result.output;
    EXPECT_TRUE(result.output.ends_with("\n　外字データ(zuvfnt.fnt)を上書きしますか (y/n) : ")) << result.output;
    chmod(dir.file("zuvfnt.fnt").c_str(), 0600);
    EXPECT_EQ(readFileBytes(dir.file("zuvfnt.fnt")), "old font");
}

TEST(ZuvfntcProgram, FailedOrInterruptedWriteLeavesTheOldFontWhole) {
    TempDir dir;
    std::vector<std::optional<IndexedGlyph>> glyphs(20, indexedGlyph24(pattern24(3)));
    writeFileBytes(dir.file("eudc.win"), indexedFont("WIN", glyphs));
    writeFileBytes(dir.file("zuvfnt.fnt"), "old font");
    const auto entries = [&dir] { return std::distance(std::filesystem::directory_iterator(dir.path()), {}); };

    // 20 glyphs are 1536 bytes, past a limit of two 512-byte blocks.
    RunResult limited = zuvfntc(dir, {"eudc.win"}, "y\n", "ulimit -f 2 && exec");
    EXPECT_EQ(limited.exitCode, 1) << limited.output;
    EXPECT_TRUE(limited.output.ends_with("\n　外字ファイルを作成できません。[zuvfnt.fnt]\n")) << limited.output;
    EXPECT_EQ(readFileBytes(dir.file("zuvfnt.fnt")), "old font");
    EXPECT_EQ(entries(), 2);

    // Ended by a signal while the dump waits for a key: the key never comes from the FIFO.
    ASSERT_EQ(mkfifo(dir.file("keys").c_str(), 0600), 0);
    int keys = open(dir.file("keys").c_str(), O_RDWR);
    ASSERT_GE(keys, 0);
    ASSERT_EQ(write(keys, "y", 1), 1);
    ChildProcess run({"/bin/sh", "-c", zuvfntcCommand(dir, {"eudc.win", "-d"}, "exec", "<keys")}, dir.file("run.out"));
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (readFileBytes(dir.file("run.out")).find(" Code : 6941") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(run.pid(), SIGINT);
    run.stop();
    close(keys);
    EXPECT_NE(readFileBytes(dir.file("run.out")).find(" Code : 6941"), std::string::npos);
    EXPECT_EQ(readFileBytes(dir.file("zuvfnt.fnt")), "old font");
    EXPECT_EQ(entries(), 4); // the font, its input, the FIFO and the console's record
}

TEST(ZuvfntcProgram, ShiftJisLocaleGetsShiftJisTexts) {
    TempDir dir;
    // A Shift-JIS locale of our own, so the test does not depend on the installed ones.
    RunResult made = runProgram({"localedef", "-i", "ja_JP", "-f", "SHIFT_JIS", dir.file("ja_JP.SJIS")});
    if (!std::filesystem::exists(dir.path() / "ja_JP.SJIS" / "LC_CTYPE")) {
        GTEST_SKIP() << "localedef cannot build ja_JP.SJIS: " << made.output;
    }
    std::string command =
        "cd '" + dir.path().string() + "' && LOCPATH=. LC_ALL=ja_JP.SJIS exec '" ZUVFNTC_PROGRAM "' x.euf";
    RunResult result = runProgram({"/bin/sh", "-c", command});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.output.ends_with("\n\x81\x40\x8A\x4F\x8E\x9A\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xAA\x82\xA0"
                                        "\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81\x42[x.euf]\n"))
        << result.output;
}

} // namespace
} // namespace zuvfntc
