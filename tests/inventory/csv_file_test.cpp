#include "inventory/csv_file.h"

#include "base/cp932.h"
#include "inventory/ip_address.h"
#include "tests/support/child_process.h"
#include "tests/support/scripted_interaction.h"
#include "tests/support/temp_dir.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace sorpex;
using namespace sorpex::test;

namespace {

const std::string kHeaderLine = std::string(kCsvHeader) + "\r\n";
const char* const kNotAList = "プリンタ情報CSVファイルではありません";
const char* const kTooManyRows = "件数が上限を超えています。範囲内で処理します。";

struct Loaded {
    std::unique_ptr<PrinterTable> table = std::make_unique<PrinterTable>();
    bool result = false;
    ScriptedInteraction ui;
};

std::unique_ptr<Loaded> load(std::string_view bytes) {
    auto loaded = std::make_unique<Loaded>();
    loaded->result = readCsvBytes(*loaded->table, bytes, loaded->ui);
    return loaded;
}

// comment|address|community of every live row.
std::vector<std::string> rows(const PrinterTable& table) {
    std::vector<std::string> result;
    for (int i = 0, end = table.terminatorSlot(); i < end; ++i) {
        const PrinterRecord& row = table.slot(i);
        result.push_back(row.comment.str() + "|" + row.ipAddress.str() + "|" + row.community.str());
    }
    return result;
}

// The file as writeCsvFile writes it.
std::string listBytes(const PrinterTable& table) {
    std::string bytes = kHeaderLine;
    for (int i = 0; i < table.rowCount(); ++i) {
        bytes += csvLine(table.slot(i)) + "\r\n";
    }
    return bytes;
}

std::string manyRows(int count) {
    std::string text = kHeaderLine;
    for (int i = 0; i < count; ++i) {
        text += "\"p" + std::to_string(i) + "\",10." + std::to_string(i / 250) + "." + std::to_string(i % 250) +
                ".1,public,\"\",,\"\",\"\",\"\",\"\"\r\n";
    }
    return text;
}

} // namespace

TEST(CsvWrite, WritesTheHeaderQuotedAndBareColumnsAndCrLfExactly) {
    TempDir dir;
    PrinterTable table;
    table.appendRecord("192.168.1.10", "public", cp932::fromUtf8("総務部 2F"));
    table.appendRecord("192.168.1.11", "private", "");
    table.appendRecord("192.168.1.12", "pub,lic", "\"already quoted");
    table.appendRecord("", "", "a blank line loads as a row without an address");
    PrinterRecord& row = table.slot(0);
    row.model.set("PALIVOX LP-9000");
    row.count.set("123456");
    row.sysName.set("prt,01");
    row.sysLocation.set(cp932::fromUtf8("東京本社３階"));
    row.sysContact.set("Not Support");
    row.sysDescr.set("line1\r\nline2");
    row.deviceStatus = 3; // never written
    table.slot(2).model.set("say \"hi\", twice\"");
    table.slot(1).id = kEmptySlotId;

    ScriptedInteraction ui;
    std::string path = dir.file("list.csv");
    ASSERT_TRUE(writeCsvFile(table, path, ui));
    EXPECT_TRUE(ui.shown.empty());
    EXPECT_FALSE(table.modified());
    std::string expected = kHeaderLine + "\"" + cp932::fromUtf8("総務部 2F") +
                           "\",192.168.1.10,public,\"PALIVOX LP-9000\",123456,\"prt,01\",\"" +
                           cp932::fromUtf8("東京本社３階") + "\",\"Not Support\",\"line1line2\"\r\n" +
                           "\"\"\"already quoted\",192.168.1.12,\"pub,lic\",\"say \"\"hi, twice\"\"\",,\"\",\"\","
                           "\"\",\"\"\r\n\"a blank line loads as a row without an address\"\r\n";
    EXPECT_EQ(readFileBytes(path), expected);
}

TEST(CsvWrite, EmptyTableIsTheHeaderAloneAndLoadsEmpty) {
    TempDir dir;
    PrinterTable table;
    ScriptedInteraction ui;
    ASSERT_TRUE(writeCsvFile(table, dir.file("empty.csv"), ui));
    EXPECT_EQ(readFileBytes(dir.file("empty.csv")), kHeaderLine);
    table.appendRecord("10.0.0.1", "public", "x");
    ASSERT_TRUE(readCsvFile(table, dir.file("empty.csv"), ui));
    EXPECT_EQ(table.terminatorSlot(), 0);
}

TEST(CsvWrite, UnwritableFolderShowsErrnoAndKeepsModified) {
    TempDir dir;
    PrinterTable table;
    table.appendRecord("10.0.0.1", "public", "x");
    ScriptedInteraction ui;
    EXPECT_FALSE(writeCsvFile(table, dir.file("missing/list.csv"), ui));
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, "ファイル書込みできません\nError Code = 2");
    EXPECT_EQ(ui.shown[0].icon, MessageIcon::Stop);
    EXPECT_EQ(ui.shown[0].buttons, MessageButtons::Ok);
    EXPECT_TRUE(table.modified());
}

// A full disk half-way through: a child process with a file-size limit writes a table larger
// than the limit over an existing file.
TEST(CsvWrite, WriteFailingHalfWayKeepsTheOldFileAndModified) {
    TempDir dir;
    const std::string path = dir.file("list.csv");
    const std::string old = kHeaderLine + "\"old\",10.0.0.1,public,\"\",,\"\",\"\",\"\",\"\"\r\n";
    writeFileBytes(path, old);

    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        PrinterTable table;
        for (int i = 1; i <= 20; ++i) {
            table.appendRecord("10.0.1." + std::to_string(i), "public", std::string(500, 'c'));
        }
        ScriptedInteraction ui;
        bool written = writeCsvFile(table, path, ui);
        int code = 0;
        if (written) {
            code = 1;
        } else if (ui.shown.size() != 1 || ui.shown[0].text != "ファイル書込みできません\nError Code = 27") {
            code = 2;
        } else if (!table.modified()) {
            code = 3;
        }
        _exit(code);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: written, 2: wrong message, 3: modified cleared";
    EXPECT_EQ(readFileBytes(path), old);
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        ++files;
    }
    EXPECT_EQ(files, 1) << "no temporary file is left behind";
}

TEST(CsvRoundTrip, CommentsWithCommasQuotesAndLineBreaks) {
    TempDir dir;
    PrinterTable table;
    const std::vector<std::string> comments = {
        "a, b, c", "say \"hi\" twice", "\"quoted\"", "first\r\nsecond", cp932::fromUtf8("経理部,３階"), ""};
    for (std::size_t i = 0; i < comments.size(); ++i) {
        table.appendRecord("10.0.0." + std::to_string(i + 1), "pub,lic", comments[i]);
        table.slot(static_cast<int>(i)).model.set("model, with \"quotes\"");
    }
    ScriptedInteraction ui;
    ASSERT_TRUE(writeCsvFile(table, dir.file("list.csv"), ui));

    PrinterTable loaded;
    ASSERT_TRUE(readCsvFile(loaded, dir.file("list.csv"), ui));
    EXPECT_TRUE(ui.shown.empty());
    // Only the line break is lost.
    std::vector<std::string> expected = {"a, b, c|10.0.0.1|pub,lic",
                                         "say \"hi\" twice|10.0.0.2|pub,lic",
                                         "\"quoted\"|10.0.0.3|pub,lic",
                                         "firstsecond|10.0.0.4|pub,lic",
                                         cp932::fromUtf8("経理部,３階") + "|10.0.0.5|pub,lic",
                                         "|10.0.0.6|pub,lic"};
    EXPECT_EQ(rows(loaded), expected);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(loaded.slot(i).id, i + 1);
        EXPECT_TRUE(loaded.slot(i).model.empty()) << "acquired columns are not read back";
    }
    EXPECT_FALSE(loaded.modified());
}

std::string withoutLineBreaks(std::string_view text) {
    std::string joined;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\n' && !(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            joined += text[i];
        }
    }
    return joined;
}

// A text as the list file brings it back: without its line breaks, without the quotes right
// before a comma, and with every run of quotes as one quote.
std::string carried(std::string_view text) {
    const std::string joined = withoutLineBreaks(text);
    std::string read;
    for (std::size_t i = 0; i < joined.size(); ++i) {
        const std::size_t end = std::min(joined.find_first_not_of('"', i), joined.size());
        if (end > i && end < joined.size() && joined[end] == ',') {
            i = end - 1;
        } else if (joined[i] != '"' || read.empty() || read.back() != '"') {
            read += joined[i];
        }
    }
    return read;
}

// Random tables of hostile texts, saved and loaded again: every row comes back, with its address
// and with its texts as the file carries them. Also the three ways a saved list lost rows:
// a text that begins with a quote, a comment that does, and a row without an address.
TEST(CsvRoundTrip, RandomHostileTablesComeBackRowForRow) {
    const std::vector<std::string> pieces = {"\"",
                                             "\"\"",
                                             "\"\"\"",
                                             "\",",
                                             ",",
                                             "\r",
                                             "\n",
                                             "\r\n",
                                             "\x01",
                                             "\x1F",
                                             " ",
                                             "a",
                                             "Lobby",
                                             "Comment,IP Address",
                                             cp932::fromUtf8("髙橋"),
                                             cp932::fromUtf8("ﾌﾟﾘﾝﾀ"),
                                             cp932::fromUtf8("表示"),
                                             std::string(300, 'x')};
    const std::vector<std::string> addresses = {"10.0.0.1", "192.168.1.254", "", "10.0.0.255", "1.2.3"};
    std::mt19937 random(18);
    auto text = [&] {
        std::string t;
        for (int n = std::uniform_int_distribution(0, 12)(random); n > 0; --n) {
            t += pieces[random() % pieces.size()];
        }
        return t;
    };
    ScriptedInteraction ui;
    for (int round = 0; round < 300; ++round) {
        PrinterTable table;
        for (int n = std::uniform_int_distribution(0, 12)(random); n > 0; --n) {
            std::string address = addresses[random() % addresses.size()];
            table.appendRecord(address, address.empty() ? "" : text(), text());
            PrinterRecord& row = table.slot(table.rowCount() - 1);
            for (RecordText* field :
                 {&row.model, &row.count, &row.sysName, &row.sysLocation, &row.sysContact, &row.sysDescr}) {
                field->set(text());
            }
        }
        table.slot(0).sysDescr.set("\"Lobby\" printer, floor 2");
        const std::string saved = listBytes(table);
        PrinterTable loaded;
        ASSERT_TRUE(readCsvBytes(loaded, saved, ui)) << ui.texts().back();
        ASSERT_EQ(loaded.rowCount(), table.rowCount());
        for (int i = 0; i < table.rowCount(); ++i) {
            const PrinterRecord& row = table.slot(i);
            const bool usable = normalizedIpAddress(row.ipAddress.view()).has_value();
            const std::string community = usable ? carried(row.community.view()) : "";
            EXPECT_EQ(rows(loaded)[static_cast<std::size_t>(i)],
                      carried(row.comment.view()) + "|" + (usable ? row.ipAddress.str() : "") + "|" + community);
            // What the entry dialog lets through comes back whole; what it refuses would not.
            for (std::string_view t : {row.comment.view(), row.community.view()}) {
                EXPECT_EQ(csvUnsavableQuote(t) == std::string_view::npos, carried(t) == withoutLineBreaks(t)) << t;
            }
        }
        // What was loaded is saved as it was read.
        const std::string again = listBytes(loaded);
        ASSERT_TRUE(readCsvBytes(loaded, again, ui));
        EXPECT_EQ(listBytes(loaded), again);
    }
    EXPECT_TRUE(ui.shown.empty());
}

// A spreadsheet reads the report by RFC 4180: Python's csv module finds nine fields on every
// line and every text whole, quotes, commas, line breaks and Japanese included.
TEST(CsvRoundTrip, AnRfc4180ReaderGetsNineFieldsAndEveryTextWhole) {
    const std::vector<std::string> texts = {"\"Lobby\" printer, floor 2",
                                            "\"VIP room",
                                            "ends with \"",
                                            "a\"b",
                                            "lone\rcr",
                                            "\x01\x1F",
                                            cp932::fromUtf8("髙橋 ﾌﾟﾘﾝﾀ"),
                                            ",",
                                            ""};
    PrinterTable table;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        table.appendRecord("10.0.0." + std::to_string(i + 1), texts[(i + 1) % texts.size()], texts[i]);
        PrinterRecord& row = table.slot(static_cast<int>(i));
        row.model.set(texts[(i + 2) % texts.size()]);
        row.count.set(texts[(i + 3) % texts.size()]);
        row.sysName.set(texts[(i + 4) % texts.size()]);
        row.sysLocation.set(texts[(i + 5) % texts.size()]);
        row.sysContact.set(texts[(i + 6) % texts.size()]);
        row.sysDescr.set(texts[(i + 7) % texts.size()]);
    }
    TempDir dir;
    ScriptedInteraction ui;
    ASSERT_TRUE(writeCsvFile(table, dir.file("report.csv"), ui));
    // Each field as the hex of its UTF-8 bytes, one line per record.
    RunResult python = runProgram({"/usr/bin/python3", "-c",
                                   "import csv,sys\n"
                                   "with open(sys.argv[1], encoding='cp932', newline='') as f:\n"
                                   "    for r in csv.reader(f): print(' '.join(x.encode().hex() for x in r))\n",
                                   dir.file("report.csv")});
    ASSERT_EQ(python.exitCode, 0) << python.output;
    auto hex = [](std::string_view text) {
        std::string out;
        for (unsigned char c : cp932::toUtf8(text)) {
            out += "0123456789abcdef"[c >> 4];
            out += "0123456789abcdef"[c & 15];
        }
        return out;
    };
    std::string expected = hex("Comment");
    for (const char* name : {"IP Address", "Community Name", "Printer Model", "Count", "System Name", "System Location",
                             "System Contact", "System Descr"}) {
        expected += " " + hex(name);
    }
    expected += "\n";
    for (int i = 0; i < table.rowCount(); ++i) {
        const PrinterRecord& row = table.slot(i);
        expected += hex(row.comment.view());
        for (std::string_view field :
             {row.ipAddress.view(), row.community.view(), row.model.view(), row.count.view(), row.sysName.view(),
              row.sysLocation.view(), row.sysContact.view(), row.sysDescr.view()}) {
            expected += " " + hex(field);
        }
        expected += "\n";
    }
    EXPECT_EQ(python.output, expected);
}

TEST(CsvRead, CollapsesEveryRunOfQuotes) {
    auto loaded = load("\"a\"\"b\",10.0.0.1,pu\"\"\"\"b\r\n"
                       "x\"\"\"y,10.0.0.2,p\r\n"
                       "\"\"\"lead\",10.0.0.3,p\r\n"
                       "\"\"\"\",10.0.0.4,p\r\n"
                       "\"\",10.0.0.5,p\r\n");
    EXPECT_TRUE(loaded->result);
    EXPECT_EQ(rows(*loaded->table), (std::vector<std::string>{"a\"b|10.0.0.1|pu\"b", "x\"y|10.0.0.2|p",
                                                              "\"lead|10.0.0.3|p", "\"|10.0.0.4|p", "|10.0.0.5|p"}));
}

TEST(CsvRead, LinesWithoutHeaderFewOrManyColumnsAndLoneLf) {
    auto loaded = load("only a comment\n"
                       "\n"
                       "c,10.0.0.1,public,\"m\",1,2,3,4,5,6,7,8\n"
                       "lone\rcr,10.0.0.2,public");
    EXPECT_TRUE(loaded->result);
    EXPECT_EQ(rows(*loaded->table),
              (std::vector<std::string>{"only a comment||", "||", "c|10.0.0.1|public", "lone\rcr|10.0.0.2|public"}));
}

TEST(CsvRead, OnlyTheFirstSixteenBytesOfTheHeaderCountAndOnlyOnce) {
    auto loaded = load("Comment,IP Address,whatever\r\nx,10.0.0.1,p\r\n");
    EXPECT_TRUE(loaded->result);
    EXPECT_EQ(rows(*loaded->table), (std::vector<std::string>{"x|10.0.0.1|p"}));

    // The line after a header is data without a second test: "IP Address" is no address.
    auto twice = load(kHeaderLine + kHeaderLine);
    EXPECT_FALSE(twice->result);
    EXPECT_EQ(twice->ui.texts(), (std::vector<std::string>{kNotAList}));
}

TEST(CsvRead, AQuotedFieldRunsOnTillAClosingQuoteOrDropsItsRowAtTheEnd) {
    // A field of one quote opens a field and closes none.
    auto lone = load("\"\r\nx\",10.0.0.2,p\r\n");
    EXPECT_TRUE(lone->result);
    EXPECT_EQ(rows(*lone->table), (std::vector<std::string>{"x|10.0.0.2|p"}));

    auto loaded = load("kept,10.0.0.1,p\r\n\"never closed,10.0.0.2,p\r\nmore text");
    EXPECT_TRUE(loaded->result);
    EXPECT_EQ(rows(*loaded->table), (std::vector<std::string>{"kept|10.0.0.1|p"}));
}

TEST(CsvRead, AddressesWithLeadingZerosAndEmptyOctetsAreNormalised) {
    auto loaded = load("a,192.168.001.010,p\r\nb,10..0.5,p\r\nc,.1.2.3,p\r\n");
    EXPECT_TRUE(loaded->result);
    EXPECT_EQ(rows(*loaded->table), (std::vector<std::string>{"a|192.168.1.10|p", "b|10.0.0.5|p", "c|0.1.2.3|p"}));
}

struct Rejection {
    const char* name;
    std::string line;
    std::string keptRow; // what the rejected row holds afterwards
};

class CsvRejects : public ::testing::TestWithParam<Rejection> {};

TEST_P(CsvRejects, KeepsTheRowsBeforeAndTheFieldsReadSoFar) {
    const Rejection& rejection = GetParam();
    auto loaded = load(kHeaderLine + "before,10.0.0.1,public\r\n" + rejection.line + "\r\nafter,10.0.0.3,public\r\n");
    EXPECT_FALSE(loaded->result);
    ASSERT_EQ(loaded->ui.shown.size(), 1u);
    EXPECT_EQ(loaded->ui.shown[0].text, kNotAList);
    EXPECT_EQ(loaded->ui.shown[0].icon, MessageIcon::Stop);
    EXPECT_EQ(rows(*loaded->table), (std::vector<std::string>{"before|10.0.0.1|public", rejection.keptRow}));
    EXPECT_EQ(loaded->table->slot(1).id, 2);
}

INSTANTIATE_TEST_SUITE_P(
    EveryRefusal, CsvRejects,
    ::testing::Values(Rejection{"LastOctet255", "x,10.0.0.255,public", "x|10.0.0.255|"},
                      Rejection{"AllZero", "x,0.0.0.0,public", "x|0.0.0.0|"},
                      Rejection{"EmptyAddress", "x,,public", "x||"},
                      Rejection{"ThreeOctets", "x,10.0.0,public", "x|10.0.0|"},
                      Rejection{"FiveOctets", "x,10.0.0.1.2,public", "x|10.0.0.1.2|"},
                      Rejection{"TrailingSpace", "x,10.0.0.1 ,public", "x|10.0.0.1 |"},
                      Rejection{"OctetAbove255", "x,256.0.0.1,public", "x|256.0.0.1|"},
                      Rejection{"FourDigits", "x,0010.0.0.1,public", "x|0010.0.0.1|"},
                      Rejection{"AddressOf20Bytes", "x," + std::string(20, '1') + ",public", "x||"},
                      Rejection{"CommentOf1024Bytes", "\"" + std::string(1024, 'c') + "\",10.0.0.2,public", "||"},
                      Rejection{"CommunityOf256Bytes", "x,10.0.0.2," + std::string(256, 'p'), "x|10.0.0.2|"}),
    [](const ::testing::TestParamInfo<Rejection>& info) { return info.param.name; });

TEST(CsvRead, FieldsAtTheirLongestAreAccepted) {
    // Quotes and collapsed quotes do not count towards the length.
    std::string comment = std::string(1022, 'c') + "\"\"\"\"";
    auto loaded = load("\"" + comment + "\"\"," + "010.000.000.001,\"" + std::string(255, 'p') + "\"\r\n");
    EXPECT_TRUE(loaded->result) << (loaded->ui.shown.empty() ? "" : loaded->ui.shown[0].text);
    EXPECT_EQ(loaded->table->slot(0).comment.view().size(), 1023u);
    EXPECT_EQ(loaded->table->slot(0).ipAddress.view(), "10.0.0.1");
    EXPECT_EQ(loaded->table->slot(0).community.view(), std::string(255, 'p'));
}

TEST(CsvRead, A1023rdRowLoadsSilently) {
    auto loaded = load(manyRows(1023));
    EXPECT_TRUE(loaded->result);
    EXPECT_TRUE(loaded->ui.shown.empty());
    EXPECT_EQ(loaded->table->terminatorSlot(), 1023);
    EXPECT_EQ(loaded->table->slot(1022).id, 1023);
    EXPECT_EQ(loaded->table->slot(1022).comment.view(), "p1022");
}

TEST(CsvRead, A1024thRowIsDroppedWithTheCapacityMessage) {
    for (int count : {1024, 1500}) {
        auto loaded = load(manyRows(count));
        EXPECT_TRUE(loaded->result);
        ASSERT_EQ(loaded->ui.shown.size(), 1u);
        EXPECT_EQ(loaded->ui.shown[0].text, kTooManyRows);
        EXPECT_EQ(loaded->ui.shown[0].icon, MessageIcon::Warning);
        EXPECT_EQ(loaded->table->terminatorSlot(), 1023);
        EXPECT_EQ(loaded->table->slot(1022).comment.view(), "p1022");
    }
}

TEST(CsvRead, ARejected1024thRowDoesNotWritePastTheTable) {
    std::string text = manyRows(1023) + "x,10.0.0.255,p\r\n";
    auto loaded = load(text);
    EXPECT_FALSE(loaded->result);
    EXPECT_EQ(loaded->ui.texts(), (std::vector<std::string>{kNotAList}));
    EXPECT_EQ(loaded->table->terminatorSlot(), 1023);
}

// Opened from a file manager or by cron, only the message says which file it was.
TEST(CsvRead, AFileThatCannotBeLoadedIsNamedAfterItsMessage) {
    TempDir dir;
    const std::string rejected = dir.file("一覧.csv");
    writeFileBytes(rejected, std::string(kCsvHeader) + "\r\nx,10.0.0.255,p\r\n");
    PrinterTable table;
    ScriptedInteraction ui;
    EXPECT_FALSE(readCsvFile(table, dir.file("none.csv"), ui));
    EXPECT_FALSE(readCsvFile(table, dir.path().string(), ui));
    EXPECT_FALSE(readCsvFile(table, rejected, ui));
    EXPECT_EQ(ui.texts(), (std::vector<std::string>{"ファイルオープンエラー\nError Code = 2\n" + dir.file("none.csv"),
                                                    "ファイルオープンエラー\nError Code = 21\n" + dir.path().string(),
                                                    std::string(kNotAList) + "\n" + rejected}));
    EXPECT_EQ(ui.shown[0].icon, MessageIcon::Stop);
}

TEST(CsvFile, PathsAreTheFileSystemsOwnAlsoWhereCp932CannotHoldThem) {
    TempDir dir;
    for (const char* name : {"一覧.csv", "liste-é.csv"}) {
        writeFileBytes(dir.file(name), "x,10.0.0.1,p\r\n");
        PrinterTable table;
        ScriptedInteraction ui;
        EXPECT_TRUE(readCsvFile(table, dir.file(name), ui));
        EXPECT_EQ(rows(table), (std::vector<std::string>{"x|10.0.0.1|p"}));
        EXPECT_TRUE(writeCsvFile(table, dir.file(name), ui));
        EXPECT_TRUE(ui.shown.empty()) << name;
    }
}

TEST(NormalizeIpAddress, AcceptsAndRewritesUsableAddresses) {
    const std::pair<const char*, const char*> good[] = {{"192.168.1.10", "192.168.1.10"},
                                                        {"192.168.001.010", "192.168.1.10"},
                                                        {"10..0.5", "10.0.0.5"},
                                                        {"255.255.255.254", "255.255.255.254"},
                                                        {"1.2.3.0", "1.2.3.0"},
                                                        {"000.0.00.1", "0.0.0.1"},
                                                        {"1.2.3.", "1.2.3.0"}};
    for (auto [input, normal] : good) {
        std::string text = input;
        EXPECT_EQ(normalizeIpAddress(text), 0) << input;
        EXPECT_EQ(text, normal);
    }
}

TEST(NormalizeIpAddress, RefusesAndLeavesTheTextAlone) {
    for (const char* input :
         {"", "1.2.3.255", "0.0.0.0", "...", "256.1.1.1", "1.256.1.1", "1.1.256.1", "1.2.3", "1.2.3.4.5", "1.2.3.4 ",
          " 1.2.3.4", "1.2.3.0001", "1111.2.3.4", "a.b.c.d", "1,2,3,4", "1.2.3.-4"}) {
        std::string text = input;
        EXPECT_EQ(normalizeIpAddress(text), 1) << input;
        EXPECT_EQ(text, input);
    }
}

// The printers' own SNMP versions go into a last column only when a printer names one; the
// header tells the loader where it is, also after the supplies columns, and a value the loader
// does not know is refused as any other field.
TEST(CsvVersions, ALastColumnOnlyWhenAPrinterNamesAVersion) {
    TempDir dir;
    PrinterTable table;
    table.appendRecord("10.0.0.1", "public", "a");
    table.appendRecord("10.0.0.2", "private", "b");
    ScriptedInteraction quiet;
    ASSERT_TRUE(writeCsvFile(table, dir.file("plain.csv"), quiet));
    EXPECT_EQ(readFileBytes(dir.file("plain.csv")), listBytes(table));

    table.slot(1).snmpVersion = SnmpVersion::V3;
    for (CsvLayout layout : {CsvLayout::Classic, CsvLayout::WithSupplies}) {
        ScriptedInteraction ui;
        ASSERT_TRUE(writeCsvFile(table, dir.file("versions.csv"), ui, layout));
        const std::string bytes = readFileBytes(dir.file("versions.csv"));
        EXPECT_NE(bytes.find("System Descr" + std::string(layout == CsvLayout::WithSupplies ? kCsvSuppliesHeader : "") +
                             ",SNMP Version\r\n"),
                  std::string::npos);
        EXPECT_NE(bytes.find("\"\",\r\n\"b\""), std::string::npos) << bytes;
        EXPECT_TRUE(bytes.ends_with("\"\",3\r\n")) << bytes;
        auto loaded = load(bytes);
        ASSERT_TRUE(loaded->result);
        EXPECT_EQ(loaded->table->slot(0).snmpVersion, SnmpVersion::Default);
        EXPECT_EQ(loaded->table->slot(1).snmpVersion, SnmpVersion::V3);
    }

    const std::string header = kHeaderLine.substr(0, kHeaderLine.size() - 2) + ",SNMP Version\r\n";
    auto known = load(header + "\"x\",10.0.0.1,public,,,,,,,2c\r\n\"y\",10.0.0.2,public,,,,,,,1\r\n");
    EXPECT_EQ(known->table->slot(0).snmpVersion, SnmpVersion::V2c);
    EXPECT_EQ(known->table->slot(1).snmpVersion, SnmpVersion::V1);
    auto unknown = load(header + "\"x\",10.0.0.1,public,,,,,,,2c\r\n\"y\",10.0.0.2,public,,,,,,,v9\r\n");
    EXPECT_FALSE(unknown->result);
    EXPECT_EQ(unknown->ui.texts(), std::vector<std::string>{kNotAList});
}
