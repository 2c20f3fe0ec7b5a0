#include "app/main_frame.h"
#include "tests/support/csv_builder.h"
#include "tests/support/qt/app_fixture.h"
#include "tests/support/smtp_peer.h"
#include "tests/support/snmpsim_agent.h"
#include "ui/sorpex_view.h"

#include <QAbstractItemModel>
#include <QtTest>

#include <ctime>
#include <filesystem>
#include <memory>

using namespace sorpex;
using namespace sorpex::test;

namespace {

const QString kProgram = "SORPEX";
const char* const kMailServer = "127.0.6.10";
constexpr int kMailPort = 2525;

// A local time as the clock shows it.
std::time_t localInstant(int year, int month, int day, int hour, int minute, int second) {
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    parts.tm_isdst = -1;
    return std::mktime(&parts);
}

std::vector<std::filesystem::path> filesIn(const std::string& folder) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        files.push_back(entry.path());
    }
    return files;
}

// The application with a daily schedule at 09:05 and mail on, and a clock the test moves.
struct Fixture : AppFixture {
    explicit Fixture(bool autoSave) {
        writeFileBytes(dir.file("fleet.csv"), listFile({{"one", "127.0.6.1"}, {"two", "127.0.6.2"}}));
        std::filesystem::create_directory(dir.file("reports"));
        start("[AppParam]\r\nDefalutCSV=" + dir.file("fleet.csv") + "\r\nSnmpPort=1161\r\nTimeOut=1\r\n" +
              "Auto_Save=" + (autoSave ? "ON" : "OFF") + "\r\nDefalutSavePath=" + dir.file("reports") +
              "\r\n[AutoStartParam]\r\nAutoStart=YES\r\nCycle=Dayly\r\nTime=9:5\r\n"
              "[ReportParam]\r\nReport=YES\r\nMailServer=" +
              kMailServer + "\r\nPort=" + std::to_string(kMailPort) +
              "\r\nFromAdd=<sorpex@example.test>\r\nToAdd=<admin@example.test>\r\n");
    }

    void tickAt(std::time_t instant) {
        clock.set(instant);
        app->onScheduleTimer();
    }
};

} // namespace

class ScheduledReportTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void mailOnAutoSaveOffMailsANewFileAndKeepsTheTitle();
    void mailAndAutoSaveOnMailTheFileTheRunSaved();

private:
    std::unique_ptr<TempDir> m_recordings;
    std::unique_ptr<SnmpSimAgents> m_agents;
};

void ScheduledReportTest::initTestCase() {
    m_recordings = std::make_unique<TempDir>();
    std::vector<SimulatedAgent> agents;
    for (int n = 1; n <= 2; ++n) {
        std::string file = m_recordings->file("p" + std::to_string(n) + ".snmprec");
        writeRecording(file, {"1.3.6.1.2.1.25.3.2.1.3.1|4|Printer Model " + std::to_string(n),
                              "1.3.6.1.2.1.43.10.2.1.4.1.1|65|" + std::to_string(500 * n)});
        agents.push_back({"127.0.6." + std::to_string(n), file});
    }
    m_agents = std::make_unique<SnmpSimAgents>(agents, 1161);
}

void ScheduledReportTest::cleanupTestCase() {
    m_agents.reset();
}

void ScheduledReportTest::mailOnAutoSaveOffMailsANewFileAndKeepsTheTitle() {
    SmtpPeer peer(kMailServer, kMailPort);
    Fixture f(false);
    QCOMPARE(f.app->mainFrame()->windowTitle(), "fleet - " + kProgram);

    f.tickAt(localInstant(2027, 3, 9, 9, 4, 59));
    QCOMPARE(peer.messageCount(), 0);
    f.tickAt(localInstant(2027, 3, 9, 9, 5, 0));
    QCOMPARE(peer.messageCount(), 1);
    // A second tick within the same second does not fire the occurrence again.
    f.tickAt(localInstant(2027, 3, 9, 9, 5, 0));
    QCOMPARE(peer.messageCount(), 1);

    QVERIFY2(f.ui.shown.empty(), f.ui.shown.empty() ? "" : f.ui.shown[0].text.c_str());
    QCOMPARE(f.app->view()->model()->index(1, 3).data().toString(), QString("Printer Model 2"));
    QCOMPARE(f.app->mainFrame()->windowTitle(), "fleet - " + kProgram);
    std::vector<std::filesystem::path> saved = filesIn(f.dir.file("reports"));
    QCOMPARE(saved.size(), 1u);
    // The automatic name carries the time of the clock the schedule runs on.
    QCOMPARE(saved[0].filename().string(), "SORPEX_20270309090500.csv");
    DecodedMail mail = decodeMail(peer.message());
    QCOMPARE(mail.attachmentNames, std::vector<std::string>{saved[0].filename().string()});
    QCOMPARE(mail.attachments.size(), 1u);
    QCOMPARE(mail.attachments[0], readFileBytes(saved[0].string()));
    QVERIFY(mail.attachments[0].find("\"Printer Model 1\",500") != std::string::npos);
}

void ScheduledReportTest::mailAndAutoSaveOnMailTheFileTheRunSaved() {
    SmtpPeer peer(kMailServer, kMailPort);
    Fixture f(true);
    // The tick before came late: 09:05:00 fell between two ticks and still fires, once.
    f.tickAt(localInstant(2027, 3, 9, 9, 4, 58));
    f.tickAt(localInstant(2027, 3, 9, 9, 5, 1));
    QCOMPARE(peer.messageCount(), 1);
    f.tickAt(localInstant(2027, 3, 9, 9, 5, 2));
    QCOMPARE(peer.messageCount(), 1);

    std::vector<std::filesystem::path> saved = filesIn(f.dir.file("reports"));
    QCOMPARE(saved.size(), 1u);
    QCOMPARE(saved[0].filename().string(), "SORPEX_20270309090501.csv");
    QCOMPARE(f.app->mainFrame()->windowTitle(), "SORPEX_20270309090501 - " + kProgram);
    DecodedMail mail = decodeMail(peer.message());
    QCOMPARE(mail.attachments.size(), 1u);
    QCOMPARE(mail.attachments[0], readFileBytes(saved[0].string()));
}

QTEST_MAIN(ScheduledReportTest)
#include "scheduled_report_test.moc"
