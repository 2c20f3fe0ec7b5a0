#include "app/commands.h"
#include "app/main_frame.h"
#include "base/qt/qt_text.h"
#include "app/sorpex_app.h"
#include "snmp/wait_dialog.h"
#include "tests/support/csv_builder.h"
#include "tests/support/qt/app_fixture.h"
#include "tests/support/snmpsim_agent.h"
#include "ui/sorpex_view.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

#include <filesystem>
#include <memory>

using namespace sorpex;
using namespace sorpex::test;

namespace {

// The title names the product, not the program file (here this test).
const QString kProgram = "SORPEX";

std::string csvFile(const std::vector<std::string>& addresses) {
    std::vector<ListRow> rows;
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        rows.push_back({"row " + std::to_string(i + 1), addresses[i]});
    }
    return listFile(rows);
}

std::string printerRecording(int n) {
    return "1.3.6.1.2.1.1.1.0|4|Printer firmware\n"
           "1.3.6.1.2.1.1.4.0|4|admin\n"
           "1.3.6.1.2.1.1.5.0|4|prn-" +
           std::to_string(n) +
           "\n"
           "1.3.6.1.2.1.1.6.0|4x|82528a4b\n" // "３階"
           "1.3.6.1.2.1.25.3.2.1.3.1|4|Printer Model X\n"
           "1.3.6.1.2.1.25.3.2.1.5.1|2|2\n"
           "1.3.6.1.2.1.25.3.5.1.1.1|2|3\n"
           "1.3.6.1.2.1.25.3.5.1.2.1|4x|" +
           std::string(n % 5 == 0 ? "40" : "00") +
           "\n"
           "1.3.6.1.2.1.43.10.2.1.4.1.1|65|" +
           std::to_string(100 * n) + "\n";
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void startsUntitledWithoutAStartupFile();
    void aSettingsFileThatIsAFolderIsReportedAndTheDefaultsStand();
    void aMissingStartupFileIsReportedOnceAndNamedInTheTitle();
    void aStartupFileIsListed();
    void aListOnTheCommandLineOpensInsteadOfTheStartupFile();
    void menusToolbarAndStatusBarAreTheProgramsOwn();
    void acceleratorsRouteToTheMenuCommands();
    void aboutShowsTheVersion();
    void anAcquisitionRunFillsTheListAndSavesAutomatically();
    void aCancelConfirmedDuringTheFirstBatchKeepsTheRest();
    void aCancelAnsweredNoGoesOn();
    void unusableAddressesAreMarkedAndAsked();
    void withoutThreadsTheWindowKeepsItsListAndSaysWhy();
    void anUnusableSnmpSettingStopsTheRunWithItsMessage();
    void closingAsksToSaveAndACancelledSaveKeepsTheWindow();
    void aDailyScheduleTakesEffectAtTheNextTick();
    void theWindowKeepsItsPlaceAndColumnsWhenItCloses();

private:
    std::unique_ptr<TempDir> m_recordings;
    std::unique_ptr<SnmpSimAgents> m_agents;
};

void MainWindowTest::initTestCase() {
    QCOMPARE(QCoreApplication::applicationName(), QString("main_window_test"));
    m_recordings = std::make_unique<TempDir>();
    std::vector<SimulatedAgent> agents;
    for (int n = 1; n <= 30; ++n) {
        std::string file = m_recordings->file("p" + std::to_string(n) + ".snmprec");
        writeFileBytes(file, printerRecording(n));
        agents.push_back({"127.0.9." + std::to_string(n), file});
    }
    m_agents = std::make_unique<SnmpSimAgents>(agents, 1161);
}

void MainWindowTest::cleanupTestCase() {
    m_agents.reset();
}

void MainWindowTest::startsUntitledWithoutAStartupFile() {
    AppFixture f;
    f.start("[AppParam]\r\nDefalutCSV=\r\n");
    QCOMPARE(f.title(), QString::fromUtf8("無題 - ") + kProgram);
    QCOMPARE(f.list()->rowCount(), 0);
    QVERIFY(f.ui.shown.empty());
    QVERIFY(f.app->mainFrame()->isVisible());
}

void MainWindowTest::aSettingsFileThatIsAFolderIsReportedAndTheDefaultsStand() {
    AppFixture f;
    std::filesystem::create_directory(f.dir.file("SORPEX.ini"));
    f.app = std::make_unique<CSORPEXApp>(f.dir.file("SORPEX.ini"), &f.ui, &f.clock);
    f.app->start();
    QCOMPARE(f.ui.texts(), std::vector<std::string>{"SORPEX.ini読込みエラー\nError Code = 21"});
    QCOMPARE(f.ui.shown[0].icon, MessageIcon::Stop);
    QCOMPARE(f.title(), QString::fromUtf8("無題 - ") + kProgram);
    QVERIFY(f.app->mainFrame()->isVisible());
}

void MainWindowTest::aMissingStartupFileIsReportedOnceAndNamedInTheTitle() {
    AppFixture f;
    std::string missing = f.dir.file("printers.csv");
    f.start("[AppParam]\r\nDefalutCSV=" + missing + "\r\n");
    int startupMessages = 0;
    for (const auto& shown : f.ui.shown) {
        if (shown.text == "「環境設定」の「起動時の呼び出しCSVファイル」を確認して下さい。") {
            ++startupMessages;
            QCOMPARE(shown.icon, MessageIcon::Information);
        }
    }
    QCOMPARE(startupMessages, 1);
    QCOMPARE(f.title(), "printers - " + kProgram);
    QCOMPARE(f.list()->rowCount(), 0);
}

void MainWindowTest::aStartupFileIsListed() {
    AppFixture f;
    writeFileBytes(f.dir.file("fleet.csv"), csvFile({"127.0.9.1", "127.0.9.2", "127.0.9.3"}));
    f.start("[AppParam]\r\nDefalutCSV=" + f.dir.file("fleet.csv") + "\r\n");
    QVERIFY(f.ui.shown.empty());
    QCOMPARE(f.title(), "fleet - " + kProgram);
    QCOMPARE(f.list()->rowCount(), 3);
    QCOMPARE(f.cell(0, 0), QString("1"));
    QCOMPARE(f.cell(2, 1), QString("row 3"));
    QCOMPARE(f.cell(1, 2), QString("127.0.9.2"));
    QCOMPARE(f.list()->headerData(1, Qt::Horizontal).toString(), QString::fromUtf8("コメント"));
    QCOMPARE(f.list()->headerData(8, Qt::Horizontal).toString(), QString::fromUtf8("ステータス"));
}

void MainWindowTest::aListOnTheCommandLineOpensInsteadOfTheStartupFile() {
    AppFixture f;
    writeFileBytes(f.dir.file("fleet.csv"), csvFile({"127.0.9.1", "127.0.9.2"}));
    writeFileBytes(f.dir.file("SORPEX.ini"), "[AppParam]\r\nDefalutCSV=" + f.dir.file("missing.csv") + "\r\n");
    f.app = std::make_unique<CSORPEXApp>(f.dir.file("SORPEX.ini"), &f.ui, &f.clock);
    f.app->start(f.dir.file("fleet.csv"));
    QVERIFY(f.ui.shown.empty());
    QCOMPARE(f.title(), "fleet - " + kProgram);
    QCOMPARE(f.list()->rowCount(), 2);
    QCOMPARE(f.app->document().currentFilePath, f.dir.file("fleet.csv"));
}

void MainWindowTest::menusToolbarAndStatusBarAreTheProgramsOwn() {
    AppFixture f;
    f.start("");
    CMainFrame* frame = f.app->mainFrame();
    // The window's icon is the picture of the desktop menu: its body's blue at the middle.
    QCOMPARE(frame->windowIcon().pixmap(64).toImage().pixelColor(32, 36), QColor(0x3d, 0x5f, 0x91));
    QStringList menus;
    for (QAction* menu : frame->menuBar()->actions()) {
        menus << menu->text();
    }
    QCOMPARE(menus, QStringList({QString::fromUtf8("ファイル(&F)"), QString::fromUtf8("操作(&O)"),
                                 QString::fromUtf8("編集(&E)"), QString::fromUtf8("表示(&V)"),
                                 QString::fromUtf8("ヘルプ(&H)")}));
    QStringList file;
    for (QAction* item : frame->menuBar()->actions()[0]->menu()->actions()) {
        file << (item->isSeparator() ? QString("-") : item->text());
    }
    QCOMPARE(file,
             QStringList({QString::fromUtf8("新規作成\tCtrl+N(&N)"), QString::fromUtf8("開く...\tCtrl+O(&O)"),
                          QString::fromUtf8("上書き保存\tCtrl+S(&S)"), QString::fromUtf8("名前を付けて保存(&A)..."),
                          "-", QString::fromUtf8("アプリケーションの終了(&X)")}));
    QStringList edit;
    for (QAction* item : frame->menuBar()->actions()[2]->menu()->actions()) {
        edit << (item->isSeparator() ? QString("-") : item->text() + (item->isEnabled() ? "" : " [off]"));
    }
    QCOMPARE(edit,
             QStringList(
                 {QString::fromUtf8("元に戻す\tCtrl+Z(&U) [off]"), "-", QString::fromUtf8("切り取り\tCtrl+X(&T) [off]"),
                  QString::fromUtf8("コピー\tCtrl+C(&C) [off]"), QString::fromUtf8("貼り付け\tCtrl+V(&P) [off]"), "-",
                  QString::fromUtf8("プリンタ削除...\tDelete"), QString::fromUtf8("プリンタ追加...\tInsert"),
                  QString::fromUtf8("プリンタ設定変更..."), "-", QString::fromUtf8("ID のリセット")}));

    // The toolbar, in order: 0 stands for a separator.
    const int expected[] = {command::kNew,
                            command::kOpen,
                            command::kSaveAs,
                            0,
                            command::kCut,
                            command::kCopy,
                            command::kPaste,
                            0,
                            command::kPrint,
                            command::kAbout,
                            0,
                            command::kAcquireAll,
                            command::kUsage,
                            0,
                            command::kDeletePrinters,
                            command::kAddPrinter,
                            command::kChangePrinter,
                            0,
                            command::kMoveUp,
                            command::kMoveDown,
                            command::kResetIds};
    QList<QAction*> buttons = frame->mainToolBar()->actions();
    QCOMPARE(buttons.size(), static_cast<qsizetype>(std::size(expected)));
    for (qsizetype i = 0; i < buttons.size(); ++i) {
        if (expected[i] == 0) {
            QVERIFY(buttons[i]->isSeparator());
        } else {
            QCOMPARE(buttons[i]->objectName(), QString("command%1").arg(expected[i]));
        }
    }
    QAction* print = frame->findChild<QAction*>(QString("command%1").arg(command::kPrint));
    QVERIFY(!print->isEnabled());
    QAction* acquire = frame->actions(command::kAcquireAll).first();
    QCOMPARE(acquire->statusTip(), QString::fromUtf8("プリンタ情報の取得を開始します"));
    QCOMPARE(acquire->toolTip(), QString::fromUtf8("プリンタ情報取得"));

    QAction* toggle = frame->findChild<QAction*>("toggleToolBar");
    QCOMPARE(toggle->text(), QString::fromUtf8("ツール バー(&T)"));
    toggle->trigger();
    QVERIFY(!frame->mainToolBar()->isVisible());
    toggle->trigger();
    QVERIFY(frame->mainToolBar()->isVisible());

    QCOMPARE(frame->readyLabel()->text(), QString::fromUtf8("レディ"));
    QVERIFY(frame->statusBar()->findChild<QLabel*>("capPane") != nullptr);
    QVERIFY(frame->statusBar()->findChild<QLabel*>("numPane") != nullptr);
    QVERIFY(frame->statusBar()->findChild<QLabel*>("scrlPane") != nullptr);
}

void MainWindowTest::acceleratorsRouteToTheMenuCommands() {
    AppFixture f;
    f.start("");
    CMainFrame* frame = f.app->mainFrame();
    frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame));
    // F5 on an empty table: the run's refusal, exactly as the menu item gives it.
    QTest::keyClick(frame, Qt::Key_F5);
    QCOMPARE(f.ui.texts(), std::vector<std::string>{"有効なＩＰアドレスの指定がありません。処理を中止します。"});
    frame->actions(command::kAcquireAll).first()->trigger();
    QCOMPARE(f.ui.texts().size(), 2u);
    QCOMPARE(f.ui.texts()[1], f.ui.texts()[0]);
}

void MainWindowTest::aboutShowsTheVersion() {
    AppFixture f;
    f.start("");
    QString version;
    QString caption;
    f.driver.run(
        "aboutDialog", [&] { f.app->runCommand(command::kAbout); },
        [&](QWidget* dialog) {
            caption = dialog->windowTitle();
            version = dialog->findChild<QLabel*>("versionLabel")->text();
            dialog->close();
        });
    QCOMPARE(caption, QString::fromUtf8("バージョン情報 SORPEX"));
    QCOMPARE(version, QString("SORPEX Version 2.0"));
}

void MainWindowTest::anAcquisitionRunFillsTheListAndSavesAutomatically() {
    AppFixture f;
    std::vector<std::string> addresses;
    for (int n = 1; n <= 25; ++n) {
        addresses.push_back(n <= 20 ? "127.0.9." + std::to_string(n) : "127.0.9." + std::to_string(200 + n));
    }
    writeFileBytes(f.dir.file("fleet.csv"), csvFile(addresses));
    f.start("[AppParam]\r\nDefalutCSV=" + f.dir.file("fleet.csv") +
            "\r\nTimeOut=1\r\nSnmpPort=1161\r\nAuto_Save=ON\r\n" + "DefalutSavePath=" + f.dir.file("reports") + "\r\n");
    std::filesystem::create_directory(f.dir.file("reports"));

    QStringList counts;
    f.driver.watch("waitDialog", [&](QWidget* dialog) { counts << static_cast<WaitDialog*>(dialog)->countText(); });
    f.app->runCommand(command::kAcquireAllKey);

    QVERIFY(!counts.isEmpty());
    QVERIFY(counts.first().endsWith("/25"));
    QVERIFY(f.ui.shown.empty());
    QCOMPARE(f.list()->rowCount(), 25);
    QCOMPARE(f.cell(0, 3), QString("Printer Model X"));
    QCOMPARE(f.cell(6, 4), QString("700"));
    QCOMPARE(f.cell(6, 5), QString("prn-7"));
    QCOMPARE(f.cell(6, 6), QString::fromUtf8("３階"));
    QCOMPARE(f.cell(6, 7), QString("admin"));
    QCOMPARE(f.cell(6, 8), QString("Online"));
    QCOMPARE(f.cell(4, 8), QString("NoPaper"));
    for (int row = 20; row < 25; ++row) {
        QCOMPARE(f.cell(row, 3), QString("No Response"));
        QCOMPARE(f.cell(row, 8), QString());
    }
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    // Rows 5, 10, 15 and 20 have no paper.
    QCOMPARE(f.app->mainFrame()->findChild<QLabel*>("runSummaryPane")->text(),
             QString::fromUtf8("応答あり 20台　応答なし 5台　要注意 4台"));

    std::vector<std::filesystem::path> saved;
    for (const auto& entry : std::filesystem::directory_iterator(f.dir.file("reports"))) {
        saved.push_back(entry.path());
    }
    QCOMPARE(saved.size(), 1u);
    QString name = QString::fromStdString(saved[0].stem().string());
    LocalTime t = f.clock.localNow();
    QCOMPARE(name,
             QString::asprintf("SORPEX_%04d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute, t.second));
    QCOMPARE(f.title(), name + " - " + kProgram);
    QVERIFY(readFileBytes(saved[0].string()).find("\"Printer Model X\",700,\"prn-7\"") != std::string::npos);
}

// No thread for the run or for the mail: the window stays, with its list as it was, and says why.
void MainWindowTest::withoutThreadsTheWindowKeepsItsListAndSaysWhy() {
    AppFixture f;
    writeFileBytes(f.dir.file("fleet.csv"), csvFile({"127.0.9.1", "127.0.9.2"}));
    f.start("[AppParam]\r\nDefalutCSV=" + f.dir.file("fleet.csv") + "\r\nTimeOut=1\r\nSnmpPort=1161\r\n" +
            "[ReportParam]\r\nReport=YES\r\nMailServer=127.0.9.250\r\nPort=2525\r\nFromAdd=<a@example.test>\r\n" +
            "ToAdd=<b@example.test>\r\n");
    BatchTiming timing;
    timing.start = [](std::function<void()>) { return std::thread(); };
    f.app->setBatchTiming(timing);
    f.app->runCommand(command::kAcquireAllKey);
    QCOMPARE(f.ui.texts(), std::vector<std::string>{"資源不足のため、2 件のプリンタに問い合わせできませんでした。"});
    QCOMPARE(f.list()->rowCount(), 2);
    QCOMPARE(f.cell(0, 1), QString("row 1"));
    QCOMPARE(f.cell(1, 3), QString());
    f.app->sendReportMail(f.dir.file("fleet.csv"));
    QCOMPARE(f.ui.texts().back(), std::string("送信処理を開始できません。"));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(f.app->mainFrame()->isVisible());
}

void MainWindowTest::aCancelConfirmedDuringTheFirstBatchKeepsTheRest() {
    AppFixture f;
    // The first batch waits a second for ten silent addresses, time enough to press Cancel.
    std::vector<std::string> addresses;
    for (int n = 1; n <= 30; ++n) {
        addresses.push_back(n <= 10 ? "127.0.9." + std::to_string(100 + n) : "127.0.9." + std::to_string(n));
    }
    writeFileBytes(f.dir.file("fleet.csv"), csvFile(addresses));
    f.start("[AppParam]\r\nDefalutCSV=" + f.dir.file("fleet.csv") + "\r\nTimeOut=1\r\nSnmpPort=1161\r\n");

    bool pressed = false;
    QString stateAfter;
    bool cancelVisibleAfter = true;
    f.driver.watch("waitDialog", [&](QWidget* widget) {
        auto* dialog = static_cast<WaitDialog*>(widget);
        auto* cancel = dialog->findChild<QPushButton*>("cancelButton");
        if (!pressed) {
            pressed = true;
            QTest::mouseClick(cancel, Qt::LeftButton);
        } else {
            stateAfter = dialog->stateText();
            cancelVisibleAfter = cancel->isVisible();
        }
    });
    f.ui.answerNext(Answer::Yes);
    f.app->runCommand(command::kAcquireAll);

    QVERIFY(pressed);
    QCOMPARE(f.ui.texts(), std::vector<std::string>{"キャンセルしますか？(10/30)"});
    QCOMPARE(f.ui.shown[0].buttons, MessageButtons::YesNo);
    QCOMPARE(f.ui.shown[0].icon, MessageIcon::Warning);
    QCOMPARE(stateAfter, QString::fromUtf8("キャンセル中"));
    QVERIFY(!cancelVisibleAfter);
    for (int row = 0; row < 10; ++row) {
        QCOMPARE(f.cell(row, 3), QString("No Response"));
    }
    for (int row = 10; row < 30; ++row) {
        QCOMPARE(f.cell(row, 3), QString());
    }
}

void MainWindowTest::aCancelAnsweredNoGoesOn() {
    AppFixture f;
    std::vector<std::string> addresses;
    for (int n = 1; n <= 15; ++n) {
        addresses.push_back(n <= 10 ? "127.0.9." + std::to_string(100 + n) : "127.0.9." + std::to_string(n));
    }
    writeFileBytes(f.dir.file("fleet.csv"), csvFile(addresses));
    f.start("[AppParam]\r\nDefalutCSV=" + f.dir.file("fleet.csv") + "\r\nTimeOut=1\r\nSnmpPort=1161\r\n");
    bool pressed = false;
    f.driver.watch("waitDialog", [&](QWidget* dialog) {
        if (!pressed) {
            pressed = true;
            QTest::mouseClick(dialog->findChild<QPushButton*>("cancelButton"), Qt::LeftButton);
        }
    });
    f.ui.answerNext(Answer::No);
    f.app->runCommand(command::kAcquireAll);
    QCOMPARE(f.ui.texts().size(), 1u);
    for (int row = 10; row < 15; ++row) {
        QCOMPARE(f.cell(row, 3), QString("Printer Model X"));
    }
}

void MainWindowTest::unusableAddressesAreMarkedAndAsked() {
    AppFixture f;
    writeFileBytes(f.dir.file("fleet.csv"), csvFile({"127.0.9.1"}));
    f.start("[AppParam]\r\nDefalutCSV=" + f.dir.file("fleet.csv") + "\r\nSnmpPort=1161\r\n");
    // An address the entry dialog would refuse, put straight into the table.
    f.app->table().slot(0).ipAddress.set("300.1.1.1");
    int dialogs = 0;
    f.driver.watch("waitDialog", [&](QWidget*) { ++dialogs; });
    f.ui.answerNext(Answer::Cancel);
    f.app->runCommand(command::kAcquireAll);
    QCOMPARE(f.ui.texts(), std::vector<std::string>{"有効なＩＰアドレスの指定がありません。処理を中止します。"});
    QCOMPARE(f.cell(0, 3), QString("Invalid IP Address"));
    QCOMPARE(dialogs, 0);

    f.ui.shown.clear();
    QVERIFY(f.app->table().appendRecord("127.0.9.2", "public", ""));
    f.ui.answerNext(Answer::Cancel);
    f.app->runCommand(command::kAcquireAll);
    QCOMPARE(f.ui.texts(), std::vector<std::string>{"無効なＩＰアドレスの指定がありました。処理を続けますか。"});
    QCOMPARE(f.cell(1, 3), QString());
    QCOMPARE(dialogs, 0);
}

void MainWindowTest::anUnusableSnmpSettingStopsTheRunWithItsMessage() {
    AppFixture f;
    writeFileBytes(f.dir.file("fleet.csv"), csvFile({"127.0.9.1"}));
    f.start("[AppParam]\r\nDefalutCSV=" + f.dir.file("fleet.csv") +
            "\r\nSnmpPort=1161\r\n\r\n[SnmpParam]\r\nVersion=9\r\n");
    int dialogs = 0;
    f.driver.watch("waitDialog", [&](QWidget*) { ++dialogs; });
    f.app->runCommand(command::kAcquireAll);
    QCOMPARE(f.ui.texts(),
             std::vector<std::string>{"SORPEX.iniの設定値が正しくありません。\n[SnmpParam] Version=9\n(1, 2c, 3)\n"
                                      "環境設定で直すまで情報取得できません。"});
    QCOMPARE(f.ui.shown[0].icon, MessageIcon::Stop);
    QCOMPARE(f.cell(0, 3), QString());
    QCOMPARE(dialogs, 0);
}

void MainWindowTest::closingAsksToSaveAndACancelledSaveKeepsTheWindow() {
    AppFixture f;
    f.start("");
    CMainFrame* frame = f.app->mainFrame();
    QVERIFY(f.app->table().appendRecord("127.0.9.1", "public", ""));
    f.app->table().setModified();

    // Yes, then Save As cancelled: nothing was saved, so the window stays with its changes.
    f.ui.answerNext(Answer::Yes);
    f.ui.chooseNext(std::nullopt);
    QVERIFY(!frame->close());
    QVERIFY(frame->isVisible());
    QVERIFY(f.app->table().modified());
    QCOMPARE(f.ui.texts(), std::vector<std::string>{"リスト内容が変更されました。\nファイルを保存しますか？"});
    QCOMPARE(f.ui.shown[0].buttons, MessageButtons::YesNo);

    // Exit from the menu asks the same; No lets the window close without a second question.
    f.ui.answerNext(Answer::No);
    frame->actions(command::kExit).first()->trigger();
    QVERIFY(!frame->isVisible());
    QCOMPARE(f.ui.texts().size(), 2u);
}

void MainWindowTest::aDailyScheduleTakesEffectAtTheNextTick() {
    AppFixture f;
    std::tm at{};
    at.tm_year = 2025 - 1900;
    at.tm_mon = 2;
    at.tm_mday = 31;
    at.tm_hour = 9;
    at.tm_min = 4;
    at.tm_isdst = -1;
    f.clock.set(std::mktime(&at));
    f.start("");
    f.driver.run(
        "repeatDialog", [&] { f.app->runCommand(command::kRepeatSettings); },
        [&](QWidget* d) {
            control<QComboBox>(d, "cycleCombo")->setCurrentIndex(3);
            control<QComboBox>(d, "hourCombo")->setCurrentIndex(9);
            control<QComboBox>(d, "minuteCombo")->setCurrentIndex(1);
            clickButton(d, "okButton");
        });
    QVERIFY(readFileBytes(f.dir.file("SORPEX.ini")).ends_with("Cycle=Dayly\r\nTriger=\r\nTime=9:5\r\n"));
    // Nobody tells the timer: its next tick reads the new trigger and starts the run, which
    // finds no printer in the empty list.
    QVERIFY(f.ui.shown.empty());
    f.clock.set(f.clock.now() + 60);
    QTRY_VERIFY_WITH_TIMEOUT(!f.ui.shown.empty(), 3000);
    QCOMPARE(f.ui.texts()[0], "有効なＩＰアドレスの指定がありません。処理を中止します。");
}

void MainWindowTest::theWindowKeepsItsPlaceAndColumnsWhenItCloses() {
    const std::string before = "[AppParam]\r\nSupplies=1\r\n";
    {
        AppFixture f(before);
        // Nothing is written until the window closes.
        QCOMPARE(readFileBytes(f.dir.file("SORPEX.ini")), before);
        f.app->mainFrame()->setGeometry(40, 30, 900, 500);
        QHeaderView* header = f.view()->horizontalHeader();
        header->resizeSection(1, 222);
        header->moveSection(8, 1);
        QVERIFY(f.app->mainFrame()->close());
        const std::string after = readFileBytes(f.dir.file("SORPEX.ini"));
        QVERIFY2(after.starts_with(before + "\r\n[Window]\r\nLeft=40\r\nTop=30\r\nWidth=900\r\nHeight=500\r\n"
                                            "Maximized=0\r\nColumnWidths=50,222,120,"),
                 QByteArray::fromStdString(after).replace("\r\n", "|").constData());
        QVERIFY2(after.ends_with("ColumnOrder=0,8,1,2,3,4,5,6,7,9,10,11\r\n"),
                 QByteArray::fromStdString(after).replace("\r\n", "|").constData());
    }
    for (const char* maximized : {"0", "1"}) {
        AppFixture f;
        f.start(before + "[Window]\r\nLeft=40\r\nTop=30\r\nWidth=900\r\nHeight=500\r\nMaximized=" + maximized +
                "\r\nColumnWidths=50,222\r\nColumnOrder=0,8,1,2,3,4,5,6,7,9,10,11\r\n");
        CMainFrame* frame = f.app->mainFrame();
        QCOMPARE(frame->isMaximized(), *maximized == '1');
        QCOMPARE(frame->isMaximized() ? frame->normalGeometry() : frame->geometry(), QRect(40, 30, 900, 500));
        QCOMPARE(f.view()->columnWidth(1), 222);
        QCOMPARE(f.view()->columnWidth(2), 120);
        QCOMPARE(f.view()->horizontalHeader()->logicalIndex(1), 8);
    }
    // Left on a screen that is no longer there: back on this one.
    AppFixture f(before + "[Window]\r\nLeft=30000\r\nTop=30\r\nWidth=900\r\nHeight=500\r\n");
    QVERIFY(f.app->mainFrame()->screen()->availableGeometry().contains(f.app->mainFrame()->geometry().center()));
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
