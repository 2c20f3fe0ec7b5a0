#include "base/cp932.h"
#include "inventory/csv_file.h"
#include "tests/support/temp_dir.h"
#include "usage/report_reader.h"
#include "usage/usage_csv.h"
#include "usage/usage_folder.h"
#include "usage/usage_summary.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

using namespace sorpex;
using namespace sorpex::test;

namespace {

const std::string kClassicHeader = std::string(kCsvHeader) + "\r\n";
const std::string kSuppliesHeader = std::string(kCsvHeader) + std::string(kCsvSuppliesHeader) + "\r\n";

// One printer line of a report; an empty serial writes a nine-column line.
struct Line {
    std::string address;
    std::string count;
    std::string serial = "";
    std::string supplies = "";
    std::string lowest = "";
};

std::string reportLine(const Line& line, bool withSupplies) {
    std::string text = "\"c " + line.address + "\"," + line.address + ",public,\"" +
                       (line.count.empty() ? "No Response" : "Model X") + "\"," + line.count + ",\"\",\"\",\"\",\"\"";
    if (withSupplies) {
        text += ",\"" + line.serial + "\"," + line.lowest + ",\"" + line.supplies + "\"";
    }
    return text + "\r\n";
}

// A report at a local time "yyyymmddhhmmss"; twelve columns when any line has a serial.
struct Report {
    std::string stamp;
    std::vector<Line> lines;
};

void writeReports(const TempDir& dir, const std::vector<Report>& reports) {
    for (const Report& report : reports) {
        bool withSupplies = false;
        for (const Line& line : report.lines) {
            withSupplies = withSupplies || !line.serial.empty() || !line.supplies.empty();
        }
        std::string bytes = withSupplies ? kSuppliesHeader : kClassicHeader;
        for (const Line& line : report.lines) {
            bytes += reportLine(line, withSupplies);
        }
        writeFileBytes(dir.file("SORPEX_" + report.stamp + ".csv"), bytes);
    }
}

UsagePeriod february() {
    return periodOfDays({2025, 2, 1}, {2025, 2, 28});
}

// One expected row: address, serial, pages ("" for none), note (UTF-8), start and end count.
struct Row {
    std::string address;
    std::string serial;
    std::string pages;
    std::string note;
    std::uint64_t startCount;
    std::uint64_t endCount;
};

struct PagesCase {
    const char* name;
    std::vector<Report> reports;
    std::vector<Row> rows;
};

TEST(UsagePages, FollowTheRuleOverMixedReports) {
    const std::vector<PagesCase> cases = {
        {"the period's edges are its midnights",
         {{"20250131235959", {{"10.0.0.1", "100"}}},
          {"20250201000000", {{"10.0.0.1", "150"}}},
          {"20250215120000", {{"10.0.0.1", "200"}}},
          {"20250228235959", {{"10.0.0.1", "300"}}},
          {"20250301000000", {{"10.0.0.1", "1000"}}}},
         {{"10.0.0.1", "", "150", "", 150, 300}}},
        {"without a reading before the start, the first inside it begins",
         {{"20250203080000", {{"10.0.0.1", "500"}}}, {"20250210080000", {{"10.0.0.1", "540"}}}},
         {{"10.0.0.1", "", "40", "", 500, 540}}},
        {"a reset adds nothing and the increases after it count",
         {{"20250101080000", {{"10.0.0.1", "1000"}}},
          {"20250205080000", {{"10.0.0.1", "1200"}}},
          {"20250210080000", {{"10.0.0.1", "50"}}},
          {"20250220080000", {{"10.0.0.1", "80"}}}},
         {{"10.0.0.1", "", "230", "カウンタ減少", 1000, 80}}},
        {"silent and unsupported readings are no readings",
         {{"20250101080000", {{"10.0.0.1", "100"}}},
          {"20250205080000", {{"10.0.0.1", ""}}},
          {"20250206080000", {{"10.0.0.1", "Not Support"}}},
          {"20250210080000", {{"10.0.0.1", "400"}}}},
         {{"10.0.0.1", "", "300", "", 100, 400}}},
        {"a printer silent all the period has too few readings",
         {{"20250101080000", {{"10.0.0.1", "100"}, {"10.0.0.2", "7"}}},
          {"20250210080000", {{"10.0.0.1", ""}, {"10.0.0.2", "9"}}}},
         {{"10.0.0.1", "", "", "データ不足", 100, 100}, {"10.0.0.2", "", "2", "", 7, 9}}},
        {"another serial at the address is another printer; readings without one stay with the last",
         {{"20250101080000", {{"10.0.0.1", "5000", "A1"}}},
          {"20250205080000", {{"10.0.0.1", "5100"}}},
          {"20250210080000", {{"10.0.0.1", "10", "B2"}}},
          {"20250215080000", {{"10.0.0.1", "40"}}},
          {"20250220080000", {{"10.0.0.1", "60", "B2"}}}},
         {{"10.0.0.1", "B2", "50", "交換", 10, 60}, {"10.0.0.1", "A1", "100", "交換", 5000, 5100}}},
        {"a serial seen first is no replacement, and rows follow the newest report",
         {{"20250101080000", {{"10.0.0.1", "100"}, {"10.0.0.2", "100"}}},
          {"20250210080000", {{"10.0.0.2", "150", "S2"}, {"10.0.0.1", "120", "S1"}}}},
         {{"10.0.0.2", "S2", "50", "", 100, 150}, {"10.0.0.1", "S1", "20", "", 100, 120}}},
        {"a printer last named before the period has no row",
         {{"20250101080000", {{"10.0.0.1", "100"}, {"10.0.0.9", "100"}}}, {"20250210080000", {{"10.0.0.1", "150"}}}},
         {{"10.0.0.1", "", "50", "", 100, 150}}},
    };
    for (const PagesCase& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        writeReports(dir, c.reports);
        const UsageCollection usage = collectUsage(dir.path().string(), february());
        ASSERT_EQ(usage.status, UsageCollection::Status::Ok);
        ASSERT_EQ(usage.table.rows.size(), c.rows.size());
        for (std::size_t i = 0; i < c.rows.size(); ++i) {
            const PrinterUsage& got = usage.table.rows[i];
            EXPECT_EQ(got.ipAddress, c.rows[i].address);
            EXPECT_EQ(got.serialNumber, c.rows[i].serial);
            EXPECT_EQ(got.pages ? std::to_string(*got.pages) : "", c.rows[i].pages);
            EXPECT_EQ(cp932::toUtf8(usageNote(got)), c.rows[i].note);
            EXPECT_EQ(got.startCount, c.rows[i].startCount);
            EXPECT_EQ(got.endCount, c.rows[i].endCount);
        }
    }
}

TEST(UsageFolder, DamageIsCountedAndNeverSummed) {
    TempDir dir;
    writeReports(dir, {{"20250101080000", {{"10.0.0.1", "100"}, {"10.0.0.2", "100"}}},
                       {"20250220080000", {{"10.0.0.1", "300"}, {"10.0.0.2", "300"}}}});
    // A counter that is no number, an address refused, a line cut in the middle.
    writeFileBytes(dir.file("SORPEX_20250210080000.csv"), kClassicHeader + reportLine({"10.0.0.1", "2x0"}, false) +
                                                              reportLine({"10.0.0.255", "5"}, false) +
                                                              "\"c\",10.0.0.2,public,\"Model X\",99");
    writeFileBytes(dir.file("SORPEX_20250212080000.csv"), "Comment,IP Address\r\n");
    writeFileBytes(dir.file("SORPEX_20250211080000.csv"), "\xef\xbb\xbf" + kClassicHeader); // UTF-8 with BOM
    mkdir(dir.file("old").c_str(), 0700);

    const UsageCollection usage = collectUsage(dir.path().string(), february());
    ASSERT_EQ(usage.status, UsageCollection::Status::Ok);
    EXPECT_EQ(usage.reportsRead, 3);
    EXPECT_EQ(usage.filesSkipped, 3);
    EXPECT_EQ(usage.linesIgnored, 3);
    ASSERT_EQ(usage.table.rows.size(), 2u);
    EXPECT_EQ(*usage.table.rows[0].pages, 200u);
    EXPECT_EQ(*usage.table.rows[1].pages, 200u);
    EXPECT_EQ(cp932::toUtf8(usageCountsLine(usage)),
              "レポート 3 件を読みました（レポートでないファイル 3 件、除いた行 3 件）");
}

TEST(UsageFolder, MissingOrEmptyFolderSaysSo) {
    TempDir dir;
    EXPECT_EQ(collectUsage(dir.path().string(), february()).status, UsageCollection::Status::NoReports);
    writeReports(dir, {{"20250301080000", {{"10.0.0.1", "100"}}}}); // after the period only
    EXPECT_EQ(collectUsage(dir.path().string(), february()).status, UsageCollection::Status::NoReports);
    const UsageCollection missing = collectUsage(dir.file("none"), february());
    EXPECT_EQ(missing.status, UsageCollection::Status::FolderUnreadable);
    EXPECT_EQ(cp932::toUtf8(usageProblemMessage(missing, "X")), "レポートのフォルダを読めません\nX\nError Code = 2");
}

TEST(UsageFolder, ReportTimeComesFromTheNameElseTheFile) {
    EXPECT_EQ(reportNameTime("SORPEX_20250201000000.csv"), localInstant({2025, 2, 1}));
    for (const char* name : {"SORPEX_2025020100000.csv", "SORPEX_20251301000000.csv", "SORPEX_20250201000000.CSV",
                             "sorpex_20250201000000.csv", "SORPEX_2025020100000x.csv"}) {
        EXPECT_FALSE(reportNameTime(name)) << name;
    }
    TempDir dir;
    writeFileBytes(dir.file("monday.csv"), kClassicHeader + reportLine({"10.0.0.1", "10"}, false));
    writeFileBytes(dir.file("tuesday.csv"), kClassicHeader + reportLine({"10.0.0.1", "25"}, false));
    const timespec monday[2] = {{0, UTIME_OMIT}, {localInstant({2025, 2, 3}, 8), 0}};
    const timespec tuesday[2] = {{0, UTIME_OMIT}, {localInstant({2025, 2, 4}, 8), 0}};
    utimensat(AT_FDCWD, dir.file("monday.csv").c_str(), monday, 0);
    utimensat(AT_FDCWD, dir.file("tuesday.csv").c_str(), tuesday, 0);
    const UsageCollection usage = collectUsage(dir.path().string(), february());
    ASSERT_EQ(usage.table.rows.size(), 1u);
    EXPECT_EQ(*usage.table.rows[0].pages, 15u);
}

TEST(UsageCsv, WritesTheTableAsTheReportsWriteTexts) {
    TempDir dir;
    writeReports(dir,
                 {{"20250131080000", {{"10.0.0.1", "100", "S\"1", "Black Toner:50%; Drum:90%"}, {"10.0.0.2", ""}}},
                  {"20250210080000", {{"10.0.0.1", "250", "S\"1", "Black Toner:40%; Drum:90%"}, {"10.0.0.2", ""}}}});
    const UsageCollection usage = collectUsage(dir.path().string(), february());
    EXPECT_EQ(cp932::toUtf8(usageCsv(usage.table)),
              "Comment,IP Address,Serial Number,Printer Model,Start,Start Count,End,End Count,Pages,Note,Empty In\r\n"
              "\"c 10.0.0.1\",10.0.0.1,\"S\"\"1\",\"Model X\",2025/01/31 08:00:00,100,2025/02/10 08:00:00,250,150,"
              "\"\",\"Black Toner:40\"\r\n"
              "\"c 10.0.0.2\",10.0.0.2,\"\",\"\",,,,,,\"データ不足\",\"\"\r\n");
    EXPECT_EQ(usageFileName({2025, 2, 1}, {2025, 2, 28}), "SORPEX_usage_20250201-20250228.csv");
}

TEST(UsageMailSummary, TellsTheFleetThePagesAndTheSuppliesToOrder) {
    TempDir dir;
    std::vector<Report> reports = {{"20250131080000", {}}, {"20250210080000", {}}, {"20250220080000", {}}};
    const char* black[] = {"Black Toner:50%", "Black Toner:30%", "Black Toner:10%"};
    for (int n = 1; n <= 7; ++n) {
        for (int r = 0; r < 3; ++r) {
            const std::string address = "10.0.0." + std::to_string(n);
            Line line{address, std::to_string(100 + (8 - n) * 50 * r), "S" + std::to_string(n)};
            if (n == 1) {
                line.supplies = black[r];
                line.lowest = line.supplies.substr(12, 2);
            } else if (n == 2) {
                line.supplies = "Black Toner:60%; Waste:5%"; // the waste box is no supply to order
                line.lowest = "60";
            } else if (n == 7 && r == 2) {
                line.count = "";
            }
            reports[static_cast<std::size_t>(r)].lines.push_back(line);
        }
    }
    writeReports(dir, reports);
    const UsagePeriod period = february();
    EXPECT_EQ(cp932::toUtf8(usageMailSummary(collectUsage(dir.path().string(), period), period, 10)),
              "使用枚数 2025/02/01 00:00:00 から 2025/02/28 23:59:59\r\n"
              "プリンタ 7 台: 応答 6 台、無応答 1 台\r\n"
              "期間の合計枚数: 2750 枚\r\n"
              "枚数の多いプリンタ:\r\n"
              "  c 10.0.0.1 (10.0.0.1): 700 枚\r\n"
              "  c 10.0.0.2 (10.0.0.2): 600 枚\r\n"
              "  c 10.0.0.3 (10.0.0.3): 500 枚\r\n"
              "  c 10.0.0.4 (10.0.0.4): 400 枚\r\n"
              "  c 10.0.0.5 (10.0.0.5): 300 枚\r\n"
              "残量が 10% 以下の消耗品:\r\n"
              "  c 10.0.0.1 (10.0.0.1) Black Toner 10%\r\n"
              "14 日以内に切れる見込みの消耗品:\r\n"
              "  c 10.0.0.1 (10.0.0.1) Black Toner あと 5 日\r\n");
}

TEST(SupplyForecast, FitsTheFallSinceTheLastRefill) {
    const std::time_t day = 24 * 60 * 60;
    struct Case {
        const char* name;
        std::vector<std::pair<int, int>> points; // day, percent
        std::optional<int> days;
    };
    const std::vector<Case> cases = {
        {"a steady fall of 2 a day", {{0, 60}, {1, 58}, {2, 56}, {10, 40}}, 20},
        {"a refill starts the line again", {{0, 10}, {1, 5}, {2, 90}, {3, 89}, {4, 88}}, 88},
        {"a flat supply does not run out", {{0, 50}, {5, 50}, {9, 50}}, std::nullopt},
        {"one reading is no line", {{0, 50}}, std::nullopt},
        {"empty already", {{0, 4}, {1, 2}, {2, 0}}, 0},
        {"readings older than 90 days fall out", {{0, 100}, {1, 99}, {100, 30}, {101, 30}}, std::nullopt},
    };
    for (const Case& c : cases) {
        SupplySeries series;
        for (auto [at, percent] : c.points) {
            series.add(at * day, percent);
        }
        EXPECT_EQ(series.daysUntilEmpty(), c.days) << c.name;
    }
    const std::vector<SupplyLevel> levels =
        parseSupplyLevels(cp932::fromUtf8("Black Toner:40%; Waste: box:5%; Cyan:残あり; Drum:不明; Bad:140%"));
    ASSERT_EQ(levels.size(), 2u);
    EXPECT_EQ(levels[1].name, "Waste: box");
    EXPECT_EQ(levels[1].percent, 5);
}

TEST(ReportReader, JoinsQuotedFieldsAsTheLoaderDoes) {
    // The Windows version writes texts unescaped: a comma or a line break inside a comment.
    const std::string bytes = kClassicHeader + "\"a, b\r\nc\",010.0.0.1,public,\"M\"\"X\",77,\"\",\"\",\"\",\"\"\r\n";
    std::vector<ReportLine> lines;
    const ReportScan scan = scanReport(bytes, [&](const ReportLine& line) { lines.push_back(line); });
    EXPECT_EQ(scan.kind, ReportKind::Classic);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].comment, "a, bc");
    EXPECT_EQ(lines[0].ipAddress, "10.0.0.1");
    EXPECT_EQ(lines[0].model, "M\"X");
    EXPECT_EQ(lines[0].count, "77");
}

// A list whose printers name their SNMP version has one more column at the end, after the nine or
// after the supplies columns.
TEST(ReportReader, ReadsReportsWithTheVersionColumn) {
    const std::string version(kCsvVersionHeader);
    const struct {
        std::string bytes;
        ReportKind kind;
    } cases[] = {
        {std::string(kCsvHeader) + version + "\r\n\"a\",10.0.0.1,public,\"M\",77,\"\",\"\",\"\",\"\",2c\r\n",
         ReportKind::Classic},
        {std::string(kCsvHeader) + std::string(kCsvSuppliesHeader) + version +
             "\r\n\"a\",10.0.0.1,public,\"M\",77,\"\",\"\",\"\",\"\",\"S1\",40,\"Black Toner:40%\",3\r\n",
         ReportKind::WithSupplies},
    };
    for (const auto& c : cases) {
        std::vector<ReportLine> lines;
        const ReportScan scan = scanReport(c.bytes, [&](const ReportLine& line) { lines.push_back(line); });
        EXPECT_EQ(scan.kind, c.kind);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].count, "77");
    }
}

} // namespace
