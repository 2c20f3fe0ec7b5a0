#include "settings/app_settings.h"

#include "base/cp932.h"
#include "tests/support/scripted_interaction.h"
#include "tests/support/temp_dir.h"

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace sorpex;
using sorpex::test::readFileBytes;
using sorpex::test::ScriptedInteraction;
using sorpex::test::TempDir;
using sorpex::test::writeFileBytes;

namespace {

AppSettings loaded(const std::string& path) {
    AppSettings settings;
    readSettingsFile(settings, path);
    applySettings(settings);
    return settings;
}

AppSettings loadedFrom(const TempDir& dir, const std::string& text) {
    writeFileBytes(dir.file("SORPEX.ini"), text);
    return loaded(dir.file("SORPEX.ini"));
}

} // namespace

TEST(SettingsFile, NoFileGivesTheDefaultsAndCreatesNothing) {
    TempDir dir;
    AppSettings s = loaded(dir.file("SORPEX.ini"));
    EXPECT_EQ(s.settingsFilePath, dir.file("SORPEX.ini"));
    EXPECT_EQ(s.timeoutSeconds, 2);
    EXPECT_EQ(s.retryCount, 0);
    EXPECT_TRUE(s.filterEnabled);
    EXPECT_EQ(s.filterEnableText, "ON");
    EXPECT_TRUE(s.filterEntries.empty());
    EXPECT_FALSE(s.autoSave);
    EXPECT_FALSE(s.debugStatus);
    EXPECT_EQ(s.scheduleCycle, ScheduleCycle::None);
    EXPECT_FALSE(s.mailEnabled);
    EXPECT_EQ(s.mailPort, 25);
    EXPECT_EQ(s.mailSubject, "[SORPEX]Report");
    EXPECT_EQ(s.mailBody, "Report File.");
    EXPECT_EQ(s.snmpPort, 161);
    EXPECT_EQ(s.parallel, 10);
    EXPECT_EQ(s.scheduleHour, 0);
    EXPECT_EQ(s.scheduleMinuteIndex, 0);
    EXPECT_FALSE(std::filesystem::exists(dir.file("SORPEX.ini")));
}

// A settings file that is a folder, a FIFO or an endless device is refused at once with its
// errno, and the defaults stand, as for a missing file (ENOENT).
TEST(SettingsFile, OnlyARegularFileIsReadAndNothingElseBlocksOrThrows) {
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.file("fifo.ini").c_str(), 0600), 0);
    const std::pair<std::string, int> cases[] = {{dir.file("missing.ini"), ENOENT},
                                                 {dir.path().string(), EISDIR},
                                                 {dir.file("fifo.ini"), EINVAL},
                                                 {"/dev/zero", EINVAL}};
    for (const auto& [path, error] : cases) {
        AppSettings settings;
        EXPECT_EQ(readSettingsFile(settings, path), error) << path;
        applySettings(settings);
        EXPECT_EQ(settings.timeoutSeconds, 2) << path;
    }
    EXPECT_EQ(settingsReadMessage(EISDIR), cp932::fromUtf8("SORPEX.ini読込みエラー\nError Code = 21"));
}

// A settings file is small: one longer than any (a log another process keeps growing, a huge
// sparse file) is refused with the read error, after reading no more than the limit.
TEST(SettingsFile, AFileLargerThanTheLimitIsRefusedWithTheReadError) {
    TempDir dir;
    const std::string path = dir.file("SORPEX.ini");
    const std::string head = "[AppParam]\r\nTimeOut=7\r\n;";
    for (const auto& [size, error] :
         {std::pair<std::size_t, int>{kSettingsFileLimit, 0}, {kSettingsFileLimit + 1, EFBIG}}) {
        writeFileBytes(path, head + std::string(size - head.size(), 'x'));
        AppSettings settings;
        EXPECT_EQ(readSettingsFile(settings, path), error) << size;
        applySettings(settings);
        EXPECT_EQ(settings.timeoutSeconds, error == 0 ? 7 : 2) << size;
    }
    std::filesystem::resize_file(path, std::uintmax_t{2} << 30);
    AppSettings settings;
    EXPECT_EQ(readSettingsFile(settings, path), EFBIG);
    EXPECT_EQ(settingsReadMessage(EFBIG), cp932::fromUtf8("SORPEX.ini読込みエラー\nError Code = 27"));
    ScriptedInteraction ui;
    EXPECT_FALSE(writeEnvironmentSettings(settings, ui)) << "nothing is written over a file that was not read";
    EXPECT_EQ(std::filesystem::file_size(path), std::uintmax_t{2} << 30);
}

// TimeOut 0 would hand the library a time-out of 0 µs: like Parallel, a value out of range reads
// as the default.
TEST(SettingsFile, TimeOutAndRetryOutsideTheirRangesReadAsTheDefaults) {
    TempDir dir;
    const std::vector<std::tuple<std::string, int, int>> cases = {
        {"TimeOut=1\nRetry=10", 1, 10}, {"TimeOut=60\nRetry=0", 60, 0}, {"TimeOut=0\nRetry=11", 2, 0},
        {"TimeOut=61\nRetry=-1", 2, 0}, {"TimeOut=-5\nRetry=3", 2, 3},  {"TimeOut=x\nRetry=", 2, 0}};
    for (const auto& [values, timeout, retry] : cases) {
        AppSettings s = loadedFrom(dir, "[AppParam]\n" + values + "\n");
        EXPECT_EQ(s.timeoutSeconds, timeout) << values;
        EXPECT_EQ(s.retryCount, retry) << values;
    }
}

// Started in a folder whose name CP932 cannot hold, the settings file there is read and written.
TEST(SettingsFile, TheStartFolderIsTakenAsTheFileSystemSpellsIt) {
    TempDir dir;
    const std::string folder = dir.file("café-é");
    std::filesystem::create_directory(folder);
    writeFileBytes(folder + "/SORPEX.ini", "[AppParam]\r\nTimeOut=7\r\n");
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    const std::string path = defaultSettingsFilePath();
    std::filesystem::current_path(before);

    AppSettings s;
    EXPECT_EQ(readSettingsFile(s, path), 0) << path;
    applySettings(s);
    EXPECT_EQ(s.timeoutSeconds, 7);
    s.retryCount = 3;
    ScriptedInteraction ui;
    EXPECT_TRUE(writeEnvironmentSettings(s, ui));
    EXPECT_NE(readFileBytes(folder + "/SORPEX.ini").find("Retry=3"), std::string::npos);
}

TEST(SettingsFile, EachTextIsComparedByItsOwnRule) {
    TempDir dir;
    AppSettings s =
        loadedFrom(dir, "[appparam]\nAuto_Save=on\nDebug=yes\nFilter_Enable=off\nSnmpPort=1161\nParallel=256\n"
                        "Supplies=1\nSupplyWarn=0\n[AutoStartParam]\nAutoStart=yes\nCycle=Daily\n");
    EXPECT_TRUE(s.autoSave);
    EXPECT_FALSE(s.debugStatus); // only "YES" exactly
    EXPECT_FALSE(s.filterEnabled);
    EXPECT_EQ(s.filterEnableText, "off");
    EXPECT_EQ(s.snmpPort, 1161);
    EXPECT_EQ(s.parallel, 256);
    EXPECT_TRUE(s.supplies);
    EXPECT_EQ(s.supplyWarn, 0);
    EXPECT_EQ(s.scheduleCycle, ScheduleCycle::None); // only "Dayly" is the daily cycle

    s = loadedFrom(dir, "[AppParam]\nDebug=YES\n[AutoStartParam]\nAutoStart=YES\nCycle=dAYLY\n");
    EXPECT_TRUE(s.debugStatus);
    EXPECT_EQ(s.scheduleCycle, ScheduleCycle::Daily);

    s = loadedFrom(dir, "[AutoStartParam]\nAutoStart=No\nCycle=Weekly\nTriger=Mon\n");
    EXPECT_EQ(s.scheduleCycle, ScheduleCycle::None);
    EXPECT_TRUE(s.scheduleWeekdays[Monday]); // the day names are read whatever the cycle
}

TEST(SettingsFile, DayNamesAreFoundInsideOtherText) {
    TempDir dir;
    AppSettings s = loadedFrom(dir, "[AutoStartParam]\nAutoStart=YES\nCycle=Weekly\nTriger=Monday;xFriy;sun\n");
    EXPECT_EQ(s.scheduleCycle, ScheduleCycle::Weekly);
    std::array<bool, 7> expected{true, false, false, false, true, false, false};
    EXPECT_EQ(s.scheduleWeekdays, expected); // "sun" is not "Sun"
    EXPECT_EQ(s.trigger.weekdayBits, 1u + 16u);
}

TEST(SettingsFile, TimeAndDayAreReadAsTheDialogOffersThem) {
    TempDir dir;
    AppSettings s = loadedFrom(dir, "[AutoStartParam]\nAutoStart=YES\nCycle=Monthly\nTriger=End\nTime=7:59\n");
    EXPECT_EQ(s.scheduleHour, 7);
    EXPECT_EQ(s.scheduleMinuteIndex, 11); // 7:55
    EXPECT_EQ(s.scheduleDayIndex, 30);

    s = loadedFrom(dir, "[AutoStartParam]\nAutoStart=YES\nCycle=monthly\nTriger=15\nTime=23:07\n");
    EXPECT_EQ(s.scheduleDayIndex, 14);
    EXPECT_EQ(s.scheduleHour, 23);
    EXPECT_EQ(s.scheduleMinuteIndex, 1);

    s = loadedFrom(dir, "[AutoStartParam]\nAutoStart=YES\nCycle=Monthly\nTriger=31\nTime=99:99\n");
    EXPECT_EQ(s.scheduleDayIndex, 0);
    EXPECT_EQ(s.scheduleHour, 0);
    EXPECT_EQ(s.scheduleMinuteIndex, 0);
}

TEST(SettingsFile, ValuesAreCutAndNumbersReadTheirLeadingDigits) {
    TempDir dir;
    std::string longSubject(300, 'S');
    AppSettings s = loadedFrom(dir, "[AppParam]\nTimeOut=12abc\nRetry=x\nFilter=A;;B;\nParallel=257\n"
                                    "[ReportParam]\nPort=\nSubject=" +
                                        longSubject + "\nMailServer=\n");
    EXPECT_EQ(s.timeoutSeconds, 12);
    EXPECT_EQ(s.retryCount, 0);
    EXPECT_EQ(s.mailPort, 25); // an empty number keeps its default
    EXPECT_EQ(s.mailSubject, std::string(256, 'S'));
    EXPECT_EQ(s.mailServer, "");
    EXPECT_EQ(s.filterEntries, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(s.parallel, 10); // out of range: the default, never a run that asks nobody

    EXPECT_FALSE(s.supplies);
    EXPECT_EQ(s.supplyWarn, 10);

    s = loadedFrom(dir, "[AppParam]\nFilter=;;;\nParallel=0\nSupplies=2\nSupplyWarn=101\n");
    EXPECT_EQ(s.parallel, 10);
    EXPECT_FALSE(s.supplies) << "only 1 turns the supplies on";
    EXPECT_EQ(s.supplyWarn, 10);
    EXPECT_TRUE(s.filterEntries.empty());
    s = loadedFrom(dir, "[AppParam]\nFilter=Printer X\n");
    EXPECT_EQ(s.filterEntries, (std::vector<std::string>{"Printer X"}));
}

TEST(SettingsFile, LfAndCrLfFilesReadTheSame) {
    TempDir dir;
    AppSettings lf = loadedFrom(dir, "[ReportParam]\nReport=YES\nMailServer=127.0.0.1\nPort=587\n");
    AppSettings crlf = loadedFrom(dir, "[ReportParam]\r\nReport=YES\r\nMailServer=127.0.0.1\r\nPort=587\r\n");
    EXPECT_TRUE(lf.mailEnabled);
    EXPECT_EQ(lf.mailServer, crlf.mailServer);
    EXPECT_EQ(lf.mailPort, 587);
    EXPECT_EQ(crlf.mailPort, 587);
}

TEST(ScheduleTrigger, EachCycleGivesItsKeysAndMasks) {
    AppSettings s;
    deriveScheduleTrigger(s);
    EXPECT_EQ(s.trigger.dateKey, 0u);
    EXPECT_EQ(s.trigger.dateMask, 0xFFFFFFFFu);
    EXPECT_EQ(s.trigger.timeKey, 0u);
    EXPECT_EQ(s.trigger.timeMask, 0xFFFFFFFFu);
    EXPECT_EQ(s.trigger.weekdayMask, 0x7Fu);

    s.scheduleHour = 23;
    s.scheduleMinuteIndex = 11;
    s.scheduleCycle = ScheduleCycle::Monthly;
    s.scheduleDayIndex = 30;
    deriveScheduleTrigger(s);
    EXPECT_EQ(s.trigger.dateKey, 32u);
    EXPECT_EQ(s.trigger.dateMask, 0xFFu);
    EXPECT_EQ(s.trigger.timeKey, 23u * 65536 + 55u * 256);
    EXPECT_EQ(s.trigger.weekdayMask, 0u);
    s.scheduleDayIndex = 4;
    deriveScheduleTrigger(s);
    EXPECT_EQ(s.trigger.dateKey, 5u);

    s.scheduleCycle = ScheduleCycle::Weekly;
    s.scheduleWeekdays = {false, true, false, false, true, false, false};
    deriveScheduleTrigger(s);
    EXPECT_EQ(s.trigger.dateMask, 0u);
    EXPECT_EQ(s.trigger.weekdayBits, 18u);
    EXPECT_EQ(s.trigger.weekdayMask, 0x7Fu);

    s.scheduleCycle = ScheduleCycle::Daily;
    deriveScheduleTrigger(s);
    EXPECT_EQ(s.trigger.dateMask, 0u);
    EXPECT_EQ(s.trigger.weekdayBits, 0u);
    EXPECT_EQ(s.trigger.weekdayMask, 0u);
}

TEST(SettingsWriters, WriteTheirKeysByteForByte) {
    TempDir dir;
    AppSettings s = loaded(dir.file("SORPEX.ini"));
    ScriptedInteraction ui;

    s.filterEntries = {"A", "B"};
    s.defaultCsvPath = "/home/u/printers.csv";
    ASSERT_TRUE(writeEnvironmentSettings(s, ui));
    std::string environment = "[AppParam]\r\nFilter=A;B;\r\nTimeOut=2\r\nRetry=0\r\n"
                              "DefalutCSV=/home/u/printers.csv\r\nDefalutSavePath=\r\nFilter_Enable=ON\r\n"
                              "Auto_Save=OFF\r\n";
    EXPECT_EQ(readFileBytes(dir.file("SORPEX.ini")), environment);

    s.mailEnabled = true;
    s.mailServer = "127.0.0.1";
    s.mailFrom = cp932::fromUtf8("管理者 <admin@example.jp>");
    s.mailTo = "<a@example.jp>\r\n<b@example.jp>";
    ASSERT_TRUE(writeReportSettings(s, "0587", ui));
    std::string report = "[ReportParam]\r\nReport=YES\r\nMailServer=127.0.0.1\r\nPort=0587\r\nFromAdd=" +
                         cp932::fromUtf8("管理者 <admin@example.jp>") +
                         "\r\nToAdd=<a@example.jp>\\n<b@example.jp>\r\nSubject=[SORPEX]Report\r\nUser=\r\n"
                         "Password=\r\n";
    EXPECT_EQ(readFileBytes(dir.file("SORPEX.ini")), environment + "\r\n" + report);

    s.scheduleCycle = ScheduleCycle::Weekly;
    s.scheduleWeekdays = {true, false, true, false, true, false, false};
    s.scheduleHour = 9;
    s.scheduleMinuteIndex = 1;
    ASSERT_TRUE(writeScheduleSettings(s, ui));
    std::string schedule = "[AutoStartParam]\r\nAutoStart=YES\r\nCycle=Weekly\r\nTriger=Mon;Wed;Fri\r\nTime=9:5\r\n";
    EXPECT_EQ(readFileBytes(dir.file("SORPEX.ini")), environment + "\r\n" + report + "\r\n" + schedule);

    // No schedule: only AutoStart changes, the rest stays for the next time.
    s.scheduleCycle = ScheduleCycle::None;
    ASSERT_TRUE(writeScheduleSettings(s, ui));
    std::string none = "[AutoStartParam]\r\nAutoStart=No\r\nCycle=Weekly\r\nTriger=Mon;Wed;Fri\r\nTime=9:5\r\n";
    EXPECT_EQ(readFileBytes(dir.file("SORPEX.ini")), environment + "\r\n" + report + "\r\n" + none);
    EXPECT_TRUE(ui.shown.empty());

    // What was written reads back as it was set.
    AppSettings again = loaded(dir.file("SORPEX.ini"));
    EXPECT_EQ(again.filterEntries, s.filterEntries);
    EXPECT_EQ(again.mailTo, s.mailTo);
    EXPECT_EQ(again.mailFrom, s.mailFrom);
    EXPECT_EQ(again.mailPort, 587);
    EXPECT_EQ(again.scheduleCycle, ScheduleCycle::None);
}

TEST(SettingsWriters, MonthlyAndDailyTriggersAreWrittenInTheirForms) {
    TempDir dir;
    AppSettings s = loaded(dir.file("SORPEX.ini"));
    ScriptedInteraction ui;
    s.scheduleCycle = ScheduleCycle::Monthly;
    s.scheduleDayIndex = 30;
    s.scheduleHour = 23;
    s.scheduleMinuteIndex = 11;
    ASSERT_TRUE(writeScheduleSettings(s, ui));
    EXPECT_EQ(readFileBytes(dir.file("SORPEX.ini")),
              "[AutoStartParam]\r\nAutoStart=YES\r\nCycle=Monthly\r\nTriger=End\r\nTime=23:55\r\n");
    s.scheduleCycle = ScheduleCycle::Daily;
    ASSERT_TRUE(writeScheduleSettings(s, ui));
    EXPECT_EQ(readFileBytes(dir.file("SORPEX.ini")),
              "[AutoStartParam]\r\nAutoStart=YES\r\nCycle=Dayly\r\nTriger=\r\nTime=23:55\r\n");
}

TEST(SettingsWriters, KeepEverythingElseInAnExistingFile) {
    TempDir dir;
    std::string handWritten = "; SORPEX\r\n[APPPARAM]\r\ntimeout=9\r\nFilter_Enable=off\r\nDebug=YES\r\n"
                              "[Mine]\r\nkeep=me\r\n";
    AppSettings s = loadedFrom(dir, handWritten);
    ScriptedInteraction ui;
    s.timeoutSeconds = 3;
    ASSERT_TRUE(writeEnvironmentSettings(s, ui));
    EXPECT_EQ(readFileBytes(dir.file("SORPEX.ini")),
              "; SORPEX\r\n[APPPARAM]\r\ntimeout=3\r\nFilter_Enable=off\r\nDebug=YES\r\nFilter=\r\nRetry=0\r\n"
              "DefalutCSV=\r\nDefalutSavePath=\r\nAuto_Save=OFF\r\n[Mine]\r\nkeep=me\r\n");
}

TEST(SettingsWriters, AStoredPasswordMakesTheFileOwnerOnly) {
    TempDir dir;
    AppSettings s = loaded(dir.file("SORPEX.ini"));
    ScriptedInteraction ui;
    ASSERT_TRUE(writeEnvironmentSettings(s, ui));
    chmod(dir.file("SORPEX.ini").c_str(), 0644);
    s.mailPassword = "secret";
    ASSERT_TRUE(writeReportSettings(s, "587", ui));
    struct stat info {};
    ASSERT_EQ(stat(dir.file("SORPEX.ini").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    // Every later write keeps it so while the password is there.
    ASSERT_TRUE(writeScheduleSettings(s, ui));
    ASSERT_EQ(stat(dir.file("SORPEX.ini").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(SettingsWriters, AWriteThatFailsHalfWayLeavesTheOldFileWhole) {
    TempDir dir;
    std::string old = "[AppParam]\r\nFilter=KEEP;\r\nTimeOut=5\r\n";
    writeFileBytes(dir.file("SORPEX.ini"), old);
    AppSettings s = loaded(dir.file("SORPEX.ini"));
    s.filterEntries.assign(20, std::string(60, 'x'));

    // In a child: a file-size limit below the new file's size, as a full disk would be.
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{64, 64};
        setrlimit(RLIMIT_FSIZE, &limit);
        ScriptedInteraction ui;
        bool written = writeEnvironmentSettings(s, ui);
        bool toldTheUser = ui.shown.size() == 1 && ui.shown[0].text == "SORPEX.ini書込みエラー\nError Code = 27" &&
                           ui.shown[0].icon == MessageIcon::Stop && ui.shown[0].buttons == MessageButtons::Ok;
        _exit(!written && toldTheUser ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the writer did not report the failure as expected";
    EXPECT_EQ(readFileBytes(dir.file("SORPEX.ini")), old);
    std::size_t files = 0;
    for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator(dir.path())) {
        ++files;
    }
    EXPECT_EQ(files, 1u) << "a temporary file was left behind";
}

TEST(SettingsWriters, AnUnwritableFolderIsReportedWithItsErrno) {
    TempDir dir;
    AppSettings s = loaded(dir.file("missing-folder/SORPEX.ini"));
    ScriptedInteraction ui;
    EXPECT_FALSE(writeScheduleSettings(s, ui));
    ASSERT_EQ(ui.texts().size(), 1u);
    EXPECT_EQ(ui.texts()[0], "SORPEX.ini書込みエラー\nError Code = 2");
}

TEST(RecipientLines, SurviveTheOneLineFormAndOldValuesReadUnchanged) {
    std::string sjisSo = "\x83\x5C"; // "ソ": its second byte is a backslash
    std::string lines = "<a@x>\r\n<b@y>\n" + sjisSo + "\\z";
    std::string stored = encodeLineBreaks(lines);
    EXPECT_EQ(stored.find('\r'), std::string::npos);
    EXPECT_EQ(stored.find('\n'), std::string::npos);
    EXPECT_EQ(decodeLineBreaks(stored), "<a@x>\r\n<b@y>\r\n" + sjisSo + "\\z");
    EXPECT_EQ(decodeLineBreaks("a@x;b@y"), "a@x;b@y");
    EXPECT_EQ(decodeLineBreaks(sjisSo + "n"), sjisSo + "n");
}

TEST(SettingsWriters, SecurityIsWrittenOnceChosen) {
    TempDir dir;
    AppSettings s = loaded(dir.file("SORPEX.ini"));
    ScriptedInteraction ui;
    EXPECT_EQ(s.mailSecurity, MailSecurity::None);
    ASSERT_TRUE(writeReportSettings(s, "25", ui));
    EXPECT_EQ(readFileBytes(dir.file("SORPEX.ini")).find("Security"), std::string::npos);

    s.mailSecurity = MailSecurity::Tls;
    ASSERT_TRUE(writeReportSettings(s, "465", ui));
    EXPECT_TRUE(readFileBytes(dir.file("SORPEX.ini")).ends_with("Password=\r\nSecurity=2\r\n"));
    EXPECT_EQ(loaded(dir.file("SORPEX.ini")).mailSecurity, MailSecurity::Tls);
    // Back to none: written too, or the old choice would come back at the next start.
    s.mailSecurity = MailSecurity::None;
    ASSERT_TRUE(writeReportSettings(s, "25", ui));
    EXPECT_TRUE(readFileBytes(dir.file("SORPEX.ini")).ends_with("Security=0\r\n"));
}

// A wrong Security read as 0 would send the password in clear: it is an error naming the value.
TEST(SettingsFile, SecurityOtherThan0To2IsAnErrorNamingItsValue) {
    TempDir dir;
    for (const auto& [value, security] :
         {std::pair{"", MailSecurity::None}, std::pair{"0", MailSecurity::None},
          std::pair{" 1 ", MailSecurity::StartTls}, std::pair{"2", MailSecurity::Tls}}) {
        const AppSettings s = loadedFrom(dir, "[ReportParam]\r\nSecurity=" + std::string(value) + "\r\n");
        EXPECT_EQ(s.mailSecurity, security);
        EXPECT_EQ(s.mailSettingsError, "") << value;
    }
    for (const char* value : {"STARTTLS", "tls", "yes", "3", "1x"}) {
        const AppSettings s = loadedFrom(dir, "[ReportParam]\r\nSecurity=" + std::string(value) + "\r\n");
        EXPECT_EQ(cp932::toUtf8(s.mailSettingsError),
                  "SORPEX.iniの設定値が正しくありません。\n[ReportParam] Security=" + std::string(value) +
                      "\n(0:なし 1:STARTTLS 2:SSL/TLS)");
    }
}

// A [Window] section edited by hand or cut short: the place stands only with all four numbers, and
// the columns only when the whole list reads.
TEST(SettingsFile, AWindowSectionReadsWholeOrNotAtAll) {
    TempDir dir;
    const std::string place = "[Window]\r\nLeft=-5\r\nTop=7\r\nWidth=800\r\nHeight=600\r\n";
    struct Case {
        std::string extra;
        bool placed;
        std::vector<int> widths;
        std::vector<int> order;
    };
    const Case cases[] = {
        {"ColumnWidths=50,150\r\nColumnOrder=2,0,1\r\n", true, {50, 150}, {2, 0, 1}},
        {"ColumnWidths=50,,150\r\nColumnOrder=0,0,1\r\n", true, {}, {}},
        {"ColumnWidths=50,150,\r\nColumnOrder=1,2\r\n", true, {}, {}},
        {"ColumnWidths=0,150\r\nColumnOrder=0,1 \r\n", true, {}, {0, 1}},
        {"ColumnWidths=99999999999\r\nColumnOrder=x\r\n", true, {}, {}},
    };
    for (const Case& c : cases) {
        AppSettings s = loadedFrom(dir, place + c.extra);
        ASSERT_TRUE(s.window.has_value()) << c.extra;
        EXPECT_EQ(s.window->left, -5);
        EXPECT_EQ(s.window->columnWidths, c.widths) << c.extra;
        EXPECT_EQ(s.window->columnOrder, c.order) << c.extra;
    }
    for (const char* broken : {"Width=800\r\nHeight=600\r\n", "Left=0\r\nTop=0\r\nWidth=99\r\nHeight=600\r\n",
                               "Left=0\r\nTop=0\r\nWidth=800px\r\nHeight=600\r\n"}) {
        EXPECT_FALSE(loadedFrom(dir, std::string("[Window]\r\n") + broken).window.has_value()) << broken;
    }
}

TEST(SettingsWriters, UsageIsWrittenOnlyOnceSwitchedOn) {
    TempDir dir;
    AppSettings s = loaded(dir.file("SORPEX.ini"));
    ScriptedInteraction ui;
    ASSERT_TRUE(writeReportSettings(s, "25", ui));
    EXPECT_EQ(readFileBytes(dir.file("SORPEX.ini")).find("Usage"), std::string::npos);
    s.mailUsage = true;
    ASSERT_TRUE(writeReportSettings(s, "25", ui));
    EXPECT_TRUE(readFileBytes(dir.file("SORPEX.ini")).ends_with("Password=\r\nUsage=1\r\n"));
    EXPECT_TRUE(loaded(dir.file("SORPEX.ini")).mailUsage);
}

// Every SnmpParam value that cannot be used as it stands is an error naming its key; the record
// then never holds less security than the file asked for.
TEST(SettingsFile, SnmpKeysAreTakenOrRefusedByName) {
    struct Case {
        const char* ini;
        const char* error; // "" when the values are taken
    };
    const Case cases[] = {
        {"", ""},
        {"Version=2c\r\nV3User=u\r\nV3AuthProtocol=sha-512\r\nV3AuthPassword=12345678\r\n"
         "V3PrivProtocol=AES-256\r\nV3PrivPassword=abcdefgh\r\nV3Context=ctx\r\n",
         ""},
        {"Version=4\r\n", "SORPEX.iniの設定値が正しくありません。\n[SnmpParam] Version=4\n(1, 2c, 3)"},
        {"V3PrivProtocol=3DES\r\n",
         "SORPEX.iniの設定値が正しくありません。\n[SnmpParam] V3PrivProtocol=3DES\n(なし, DES, AES, AES-192, AES-256)"},
        {"V3AuthProtocol=MD5\r\n",
         "SNMPv3の設定 V3AuthProtocol/V3AuthPassword: 認証プロトコルと認証パスワードは両方設定してください。"},
        {"V3AuthPassword=12345678\r\n",
         "SNMPv3の設定 V3AuthProtocol/V3AuthPassword: 認証プロトコルと認証パスワードは両方設定してください。"},
        {"V3PrivProtocol=DES\r\nV3PrivPassword=12345678\r\n",
         "SNMPv3の設定 V3PrivProtocol: 暗号化には認証の設定が必要です。"},
        {"V3AuthProtocol=SHA\r\nV3AuthPassword=1234567\r\n",
         "SNMPv3の設定 V3AuthPassword: パスワードは8文字以上で入力してください。"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        AppSettings s = loadedFrom(dir, std::string("[SnmpParam]\r\n") + c.ini);
        EXPECT_EQ(cp932::toUtf8(s.snmpSettingsError), c.error) << c.ini;
    }
    TempDir dir;
    AppSettings s = loadedFrom(dir, std::string("[SnmpParam]\r\n") + cases[1].ini);
    EXPECT_EQ(s.snmpVersion, SnmpVersion::V2c);
    EXPECT_EQ(s.snmpV3.authProtocol, SnmpAuthProtocol::Sha512);
    EXPECT_EQ(s.snmpV3.privProtocol, SnmpPrivProtocol::Aes256);
    EXPECT_EQ(s.snmpV3.context, "ctx");
    EXPECT_EQ(loadedFrom(dir, "").snmpVersion, SnmpVersion::V1);
}
