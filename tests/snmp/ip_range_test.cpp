#include "app/commands.h"
#include "base/cp932.h"
#include "inventory/printer_table.h"
#include "tests/support/qt/app_fixture.h"
#include "tests/support/snmpsim_agent.h"

#include <QAbstractButton>
#include <QApplication>
#include <QtTest>

#include <filesystem>
#include <memory>

using namespace sorpex;
using namespace sorpex::test;

namespace {

// Printers answer on these last octets of 127.0.4.x; every other address there is silent.
// Scanners answer too, but the model filter refuses them.
const int kPrinters[] = {3, 6, 9};
const int kScanners[] = {12, 18};

std::vector<std::string> recording(const std::string& model, int n) {
    return {"1.3.6.1.2.1.1.1.0|4|firmware",
            "1.3.6.1.2.1.1.4.0|4|admin",
            "1.3.6.1.2.1.1.5.0|4|dev-" + std::to_string(n),
            "1.3.6.1.2.1.1.6.0|4x|82528a4b", // "３階"
            "1.3.6.1.2.1.25.3.2.1.3.1|4|" + model,
            "1.3.6.1.2.1.25.3.2.1.5.1|2|2",
            "1.3.6.1.2.1.25.3.5.1.1.1|2|3",
            "1.3.6.1.2.1.25.3.5.1.2.1|4x|00",
            "1.3.6.1.2.1.43.10.2.1.4.1.1|65|" + std::to_string(100 * n)};
}

std::string at(int n) {
    return "127.0.4." + std::to_string(n);
}

struct Fixture : AppFixture {
    explicit Fixture(const std::string& extraIni = "")
        : AppFixture("[AppParam]\r\nTimeOut=1\r\nSnmpPort=1161\r\n" + extraIni) {
        // The pauses of the run are not under test here.
        app->setBatchTiming(
            {std::chrono::milliseconds(1), std::chrono::milliseconds(20), std::chrono::milliseconds(200)});
    }
    // The range dialog's next showing: the two addresses typed, then OK.
    void enterRange(const QStringList& start, const QStringList& end) {
        driver.add("ipRangeDialog", [start, end](QWidget* d) {
            typeAddress(d, "startAddress", start);
            typeAddress(d, "endAddress", end);
            clickButton(d, "okButton");
        });
    }
    void runRange() {
        app->runCommand(command::kAcquireRange);
        QCOMPARE(driver.pending(), 0);
        QCOMPARE(driver.unexpected, 0);
    }
};

QStringList octets(int last) {
    return {"127", "0", "4", QString::number(last)};
}

} // namespace

class IpRangeTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void answeringPrintersStayAndTheRestGo();
    void refusalsReopenTheDialogAndTheLastRangeComesBack();
    void aTableOf1020RowsTakesThreeMore();
    void aCancelledRunDropsEveryNewRowNeverQueried();
    void aRunThatStopsBeforeQueryingDropsEveryNewRow();

private:
    std::unique_ptr<TempDir> m_recordings;
    std::unique_ptr<SnmpSimAgents> m_agents;
};

void IpRangeTest::initTestCase() {
    m_recordings = std::make_unique<TempDir>();
    std::vector<SimulatedAgent> agents;
    for (int n : kPrinters) {
        std::string file = m_recordings->file("p" + std::to_string(n) + ".snmprec");
        writeRecording(file, recording("Printer Model R", n));
        agents.push_back({at(n), file});
    }
    for (int n : kScanners) {
        std::string file = m_recordings->file("s" + std::to_string(n) + ".snmprec");
        writeRecording(file, recording("Scanner Model Q", n));
        agents.push_back({at(n), file});
    }
    m_agents = std::make_unique<SnmpSimAgents>(agents, 1161);
}

void IpRangeTest::cleanupTestCase() {
    m_agents.reset();
}

void IpRangeTest::answeringPrintersStayAndTheRestGo() {
    Fixture f;
    QVERIFY(f.table().appendRecord("10.0.0.1", "public", "outside"));
    QVERIFY(f.table().appendRecord(at(6), "public", cp932::fromUtf8("受付")));
    QVERIFY(f.table().appendRecord(at(15), "private", cp932::fromUtf8("倉庫")));
    QVERIFY(f.table().appendRecord(at(12), "public", "scanner"));
    f.table().slot(0).model.set("untouched");
    f.app->refreshList();

    f.enterRange(octets(1), octets(20));
    f.runRange();
    QVERIFY(f.ui.shown.empty());

    // Rows already there keep their place, ID, community and comment; the silent one stays too.
    // The refused model goes, old or new, and so does every new address that did not answer.
    QCOMPARE(f.column(0), QStringList({"1", "2", "3", "4", "5"}));
    QCOMPARE(f.column(2), QStringList({"10.0.0.1", QString::fromStdString(at(6)), QString::fromStdString(at(15)),
                                       QString::fromStdString(at(3)), QString::fromStdString(at(9))}));
    QCOMPARE(f.column(1), QStringList({"outside", QString::fromUtf8("受付"), QString::fromUtf8("倉庫"), "", ""}));
    QCOMPARE(f.column(3),
             QStringList({"untouched", "Printer Model R", "No Response", "Printer Model R", "Printer Model R"}));
    QCOMPARE(f.column(4), QStringList({"", "600", "", "300", "900"}));
    QCOMPARE(f.column(5), QStringList({"", "dev-6", "", "dev-3", "dev-9"}));
    QCOMPARE(f.column(6)[4], QString::fromUtf8("３階"));
    QCOMPARE(f.column(8)[3], QString("Online"));
    QCOMPARE(f.table().slot(2).community.str(), std::string("private"));
    QCOMPARE(f.table().slot(3).community.str(), std::string("public"));
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(f.table().slot(i).fromRange, 0);
    }
    QVERIFY(f.table().modified());
    QVERIFY(!f.app->runState().rangeMode.load());
}

void IpRangeTest::refusalsReopenTheDialogAndTheLastRangeComesBack() {
    Fixture f;
    QStringList firstStart;
    QStringList firstEnd;
    f.driver.add("ipRangeDialog", [&](QWidget* d) {
        firstStart = addressFields(d, "startAddress");
        firstEnd = addressFields(d, "endAddress");
        typeAddress(d, "startAddress", octets(3));
        clickButton(d, "okButton");
    });
    QStringList kept;
    f.driver.add("ipRangeDialog", [&](QWidget* d) {
        kept = addressFields(d, "startAddress");
        typeAddress(d, "endAddress", octets(255));
        clickButton(d, "okButton");
    });
    f.enterRange(octets(3), {"127", "0", "3", "254"});
    // A range of one address.
    f.enterRange(octets(3), octets(3));
    f.runRange();
    QCOMPARE(firstStart, QStringList({"", "", "", ""}));
    QCOMPARE(firstEnd, QStringList({"", "", "", ""}));
    QCOMPARE(kept, QStringList({"127", "0", "4", "3"}));
    QCOMPARE(f.ui.texts(), (std::vector<std::string>{"IPアドレスを入力してください",
                                                     "IPアドレスの最後が 0 または 255 は使用できません",
                                                     "開始IPアドレスより終了IPアドレスを大きくしてください"}));
    for (const auto& shown : f.ui.shown) {
        QCOMPARE(shown.icon, MessageIcon::Stop);
    }
    QCOMPARE(f.column(2), QStringList({QString::fromStdString(at(3))}));
    QCOMPARE(f.column(3), QStringList({"Printer Model R"}));

    // Next time the dialog offers the range accepted last; Cancel changes nothing.
    QStringList offeredStart;
    QStringList offeredEnd;
    f.driver.add("ipRangeDialog", [&](QWidget* d) {
        offeredStart = addressFields(d, "startAddress");
        offeredEnd = addressFields(d, "endAddress");
        typeAddress(d, "endAddress", octets(20));
        clickButton(d, "cancelButton");
    });
    f.table().setModified(false);
    f.runRange();
    QCOMPARE(offeredStart, QStringList({"127", "0", "4", "3"}));
    QCOMPARE(offeredEnd, QStringList({"127", "0", "4", "3"}));
    QCOMPARE(f.column(2).size(), 1);
    QVERIFY(!f.table().modified());
}

void IpRangeTest::aTableOf1020RowsTakesThreeMore() {
    Fixture f;
    for (int i = 0; i < 1018; ++i) {
        QVERIFY(f.table().appendRecord("10.2." + std::to_string(i / 200) + "." + std::to_string(i % 200 + 1), "public",
                                       ""));
    }
    QVERIFY(f.table().appendRecord(at(2), "public", "before the stop"));
    QVERIFY(f.table().appendRecord(at(9), "public", "after the stop"));
    f.table().slot(1019).model.set("old value");
    f.app->refreshList();

    f.enterRange(octets(1), octets(20));
    f.runRange();
    QCOMPARE(f.ui.texts(), std::vector<std::string>{"件数が上限を超えています。範囲内で処理します。"});
    QCOMPARE(f.ui.shown[0].icon, MessageIcon::Warning);
    // .1, .3 and .4 were added and asked; only .3 answered. .2 was asked, .9 was not.
    QCOMPARE(f.table().rowCount(), 1021);
    QStringList ids = f.column(0);
    QCOMPARE(ids.first(), QString("1"));
    QCOMPARE(ids.last(), QString("1021"));
    QStringList models = f.column(3);
    QCOMPARE(models.mid(1018), QStringList({"No Response", "old value", "Printer Model R"}));
    QCOMPARE(f.column(2).last(), QString::fromStdString(at(3)));
    QCOMPARE(models[0], QString());
}

void IpRangeTest::aCancelledRunDropsEveryNewRowNeverQueried() {
    Fixture f;
    std::filesystem::create_directory(f.dir.file("reports"));
    f.app->settings().autoSave = true;
    f.app->settings().defaultSavePath = f.dir.file("reports");
    QVERIFY(f.table().appendRecord("10.0.0.1", "public", "kept"));
    f.app->refreshList();
    // The first batch waits a second for its silent addresses: time to press Cancel.
    f.driver.add("waitDialog", [](QWidget* d) { clickButton(d, "cancelButton"); });
    f.driver.add("waitDialog", [](QWidget*) {});
    f.enterRange(octets(1), octets(30));
    f.ui.answerNext(Answer::Yes);
    f.runRange();
    QCOMPARE(f.ui.texts(), std::vector<std::string>{"キャンセルしますか？(10/30)"});
    // .1 ... .10 were asked: the printers among them stay. .12 and .18 answer, but were never asked.
    QCOMPARE(f.column(2), QStringList({"10.0.0.1", QString::fromStdString(at(3)), QString::fromStdString(at(6)),
                                       QString::fromStdString(at(9))}));
    QCOMPARE(f.column(0), QStringList({"1", "2", "3", "4"}));
    QCOMPARE(f.column(1)[0], QString("kept"));

    // The automatic save came before the cut-off: it still holds the rows never asked. Rows
    // that their queries dropped are no longer rows by then.
    std::vector<std::filesystem::path> saved;
    for (const auto& entry : std::filesystem::directory_iterator(f.dir.file("reports"))) {
        saved.push_back(entry.path());
    }
    QCOMPARE(saved.size(), 1u);
    std::string csv = readFileBytes(saved[0].string());
    for (int n = 11; n <= 30; ++n) {
        QVERIFY2(csv.find("," + at(n) + ",public,") != std::string::npos, at(n).c_str());
    }
    QVERIFY(csv.find("," + at(3) + ",public,\"Printer Model R\"") != std::string::npos);
    QVERIFY(csv.find("," + at(1) + ",") == std::string::npos);
}

void IpRangeTest::aRunThatStopsBeforeQueryingDropsEveryNewRow() {
    Fixture f;
    QVERIFY(f.table().appendRecord("10.0.0.1", "public", ""));
    f.table().slot(0).ipAddress.set("300.0.0.1");
    f.app->refreshList();
    f.enterRange(octets(1), octets(5));
    f.ui.answerNext(Answer::Cancel);
    f.runRange();
    QCOMPARE(f.ui.texts(), std::vector<std::string>{"無効なＩＰアドレスの指定がありました。処理を続けますか。"});
    QCOMPARE(f.column(2), QStringList({"300.0.0.1"}));
    QCOMPARE(f.column(3), QStringList({"Invalid IP Address"}));
}

QTEST_MAIN(IpRangeTest)
#include "ip_range_test.moc"
