#include "app/commands.h"
#include "app/main_frame.h"
#include "base/cp932.h"
#include "inventory/printer_table.h"
#include "tests/support/qt/app_fixture.h"
#include "ui/find_bar.h"
#include "ui/sorpex_view.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QtTest>

#include <memory>

using namespace sorpex;
using namespace sorpex::test;

namespace {

struct Fixture : AppFixture {
    explicit Fixture(const std::string& ini = "") : AppFixture(ini) {}
    // Rows 1 ... n at 10.0.0.<n> with the comments given, listed and unmodified.
    void fill(const std::vector<const char*>& comments) {
        for (std::size_t i = 0; i < comments.size(); ++i) {
            QVERIFY(table().appendRecord("10.0.0." + std::to_string(i + 1), "public", cp932::fromUtf8(comments[i])));
        }
        table().setModified(false);
        app->refreshList();
    }
    QString header(int column) { return view()->model()->headerData(column, Qt::Horizontal).toString(); }
    void clickHeader(int column) {
        QHeaderView* header = view()->horizontalHeader();
        QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }
    void rightClick() {
        QPoint at(10, 5);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, view()->viewport()->mapToGlobal(at));
        QApplication::sendEvent(view()->viewport(), &event);
    }
};

// Chooses one item of the context menu and notes which items were enabled.
ModalDriver::Step chooseFromMenu(int command, QStringList& items) {
    return [command, &items](QWidget* widget) {
        auto* menu = qobject_cast<QMenu*>(widget);
        QVERIFY(menu != nullptr);
        for (QAction* action : menu->actions()) {
            items << (action->isSeparator() ? QString("-") : action->text() + (action->isEnabled() ? "" : " [off]"));
        }
        QAction* chosen = menu->findChild<QAction*>(QString("command%1").arg(command));
        if (chosen == nullptr || !chosen->isEnabled()) {
            menu->close();
            return;
        }
        menu->setActiveAction(chosen);
        QTest::keyClick(menu, Qt::Key_Return);
    };
}

} // namespace

class ListCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void commandsWithoutASelectionSayWhyAndAreNeverDisabled();
    void deleteAsksForEachRowAndClosesTheIdGap();
    void movesFollowThePrinterAndStopAtTheEdges();
    void headerClicksSortOppositeWaysAndMarkTheColumn();
    void idAndStatusSortDescendingOnTheFirstClick();
    void idResetAsksOnlyWhenThereAreRows();
    void theContextMenuGreysOutWhatNeedsASelection();
    void aDoubleClickChangesTheSelectedRows();
    void addOnAFullTableShowsNoDialog();
    void debugShowsTheRawStatusValues();
    void suppliesShowThreeColumnsThatSortAndWarn();
    void acquireSelectedAsksOnlyTheSelectedPrinters();
    void theFindBarHidesRowsAndCommandsActOnWhatIsShown();
    void keysSortMoveAndOpenTheContextMenu();
};

void ListCommandsTest::commandsWithoutASelectionSayWhyAndAreNeverDisabled() {
    Fixture f;
    using namespace command;
    for (int id : {kAddPrinter, kChangePrinter, kDeletePrinters, kMoveUp, kMoveDown, kResetIds, kAcquireRange}) {
        for (QAction* action : f.app->mainFrame()->actions(id)) {
            QVERIFY2(action->isEnabled(), qPrintable(QString::number(id)));
        }
    }
    f.fill({"a", "b"});
    for (int id : {kChangePrinter, kContextChange, kDeletePrinters, kDeleteKey, kContextDelete, kMoveUp, kMoveDown,
                   kContextAcquireSelected}) {
        f.app->runCommand(id);
    }
    QCOMPARE(f.ui.texts(), std::vector<std::string>(8, "プリンタを選択してください"));
    for (const auto& shown : f.ui.shown) {
        QCOMPARE(shown.icon, MessageIcon::Stop);
        QCOMPARE(shown.buttons, MessageButtons::Ok);
    }
    QCOMPARE(f.table().rowCount(), 2);
    QVERIFY(!f.table().modified());
}

void ListCommandsTest::deleteAsksForEachRowAndClosesTheIdGap() {
    Fixture f;
    f.fill({"一階", "二階", "三階", "四階"});
    f.selectRows({1, 2});
    f.ui.answerNext(Answer::Ok);
    f.ui.answerNext(Answer::Cancel);
    f.app->runCommand(command::kDeleteKey);
    QCOMPARE(f.ui.texts(), (std::vector<std::string>{
                               "以下のプリンタを削除しますか？\n\nID：2\nIPアドレス：10.0.0.2\nコメント：二階",
                               "以下のプリンタを削除しますか？\n\nID：3\nIPアドレス：10.0.0.3\nコメント：三階"}));
    QCOMPARE(f.ui.shown[0].icon, MessageIcon::Question);
    QCOMPARE(f.ui.shown[0].buttons, MessageButtons::OkCancel);
    QCOMPARE(f.column(0), QStringList({"1", "2", "3"}));
    QCOMPARE(f.column(1),
             QStringList({QString::fromUtf8("一階"), QString::fromUtf8("三階"), QString::fromUtf8("四階")}));
    QVERIFY(f.table().modified());

    // Cancel to every question changes nothing, not even the flag.
    f.table().setModified(false);
    f.ui.shown.clear();
    f.selectRows({0, 2});
    f.ui.answerNext(Answer::Cancel);
    f.ui.answerNext(Answer::Cancel);
    f.app->runCommand(command::kContextDelete);
    QCOMPARE(f.ui.texts().size(), 2u);
    QCOMPARE(f.column(0), QStringList({"1", "2", "3"}));
    QVERIFY(!f.table().modified());
}

void ListCommandsTest::movesFollowThePrinterAndStopAtTheEdges() {
    Fixture f;
    f.fill({"a", "b", "c"});
    f.selectRows({0});
    f.app->runCommand(command::kMoveUp);
    QVERIFY(!f.table().modified());
    QCOMPARE(f.view()->selectedIds(), std::vector<int>{1});

    f.app->runCommand(command::kMoveDown);
    f.app->runCommand(command::kMoveDown);
    // IDs travel with their printers; the selection follows the moved one.
    QCOMPARE(f.column(0), QStringList({"2", "3", "1"}));
    QCOMPARE(f.view()->selectedIds(), std::vector<int>{1});
    QCOMPARE(f.view()->currentIndex().row(), 2);
    QVERIFY(f.table().modified());

    f.table().setModified(false);
    f.app->runCommand(command::kMoveDown);
    QCOMPARE(f.column(0), QStringList({"2", "3", "1"}));
    QVERIFY(!f.table().modified());

    f.app->runCommand(command::kMoveUp);
    QCOMPARE(f.column(0), QStringList({"2", "1", "3"}));
    QCOMPARE(f.view()->selectedIds(), std::vector<int>{1});

    f.selectRows({0, 1});
    f.app->runCommand(command::kMoveUp);
    QCOMPARE(f.ui.texts(), std::vector<std::string>{"複数選択できません"});
    QCOMPARE(f.column(0), QStringList({"2", "1", "3"}));
    QVERIFY(f.ui.shown.size() == 1 && f.ui.shown[0].icon == MessageIcon::Stop);
}

void ListCommandsTest::headerClicksSortOppositeWaysAndMarkTheColumn() {
    Fixture f;
    f.fill({"b", "c", "a"});
    f.table().slot(0).model.set("Model B");
    f.table().slot(1).model.set("Model C");
    f.table().slot(2).model.set("Model A");
    f.table().slot(0).sysName.set("x");
    f.table().slot(1).sysName.set("z");
    f.table().slot(2).sysName.set("y");
    f.app->refreshList();

    f.clickHeader(1);
    QCOMPARE(f.column(1), QStringList({"a", "b", "c"}));
    QCOMPARE(f.header(1), QString::fromUtf8("コメント△"));
    QVERIFY(f.table().modified());
    f.clickHeader(1);
    QCOMPARE(f.column(1), QStringList({"c", "b", "a"}));
    QCOMPARE(f.header(1), QString::fromUtf8("コメント▽"));
    // Sorting does not renumber.
    QCOMPARE(f.column(0), QStringList({"2", "1", "3"}));

    f.clickHeader(3);
    QCOMPARE(f.column(3), QStringList({"Model A", "Model B", "Model C"}));
    QCOMPARE(f.header(3), QString::fromUtf8("機種名△"));
    f.clickHeader(5);
    QCOMPARE(f.column(5), QStringList({"z", "y", "x"}));
    QCOMPARE(f.header(5), QString::fromUtf8("システム名▽"));
    QCOMPARE(f.header(3), QString::fromUtf8("機種名"));
    QCOMPARE(f.header(1), QString::fromUtf8("コメント"));

    // A refresh takes the mark away; the order stays.
    f.app->refreshList();
    QCOMPARE(f.header(5), QString::fromUtf8("システム名"));
    QCOMPARE(f.column(5), QStringList({"z", "y", "x"}));
}

void ListCommandsTest::idAndStatusSortDescendingOnTheFirstClick() {
    Fixture f;
    f.fill({"a", "b", "c"});
    f.clickHeader(0);
    QCOMPARE(f.column(0), QStringList({"3", "2", "1"}));
    QCOMPARE(f.header(0), QString::fromUtf8("ID△"));

    Fixture g;
    g.fill({"a", "b", "c"});
    for (int i = 0; i < 3; ++i) {
        g.table().slot(i).deviceStatus = 2;
        g.table().slot(i).printerStatus = 3 + i; // idle, printing, warmup
    }
    g.clickHeader(8);
    QCOMPARE(g.column(8), QStringList({"Warmup", "Printing", "Online"}));
    QCOMPARE(g.header(8), QString::fromUtf8("ステータス△"));
}

void ListCommandsTest::idResetAsksOnlyWhenThereAreRows() {
    Fixture f;
    f.app->runCommand(command::kResetIds);
    QVERIFY(f.ui.shown.empty());

    f.fill({"a", "b", "c"});
    f.table().slot(0).id = 7;
    f.table().slot(1).id = 3;
    f.table().slot(2).id = 5;
    f.app->refreshList();
    f.ui.answerNext(Answer::Cancel);
    f.app->runCommand(command::kResetIds);
    QCOMPARE(f.ui.texts(), std::vector<std::string>{"IDを更新しますか？"});
    QCOMPARE(f.ui.shown[0].icon, MessageIcon::Question);
    QCOMPARE(f.ui.shown[0].buttons, MessageButtons::OkCancel);
    QCOMPARE(f.column(0), QStringList({"7", "3", "5"}));

    f.app->runCommand(command::kResetIds);
    QCOMPARE(f.column(0), QStringList({"1", "2", "3"}));
    QCOMPARE(f.column(1), QStringList({"a", "b", "c"}));
    QVERIFY(!f.table().modified());
}

void ListCommandsTest::theContextMenuGreysOutWhatNeedsASelection() {
    Fixture f;
    f.fill({"a", "b"});
    QStringList items;
    f.driver.add("listContextMenu", chooseFromMenu(command::kContextAdd, items));
    f.driver.add("entryDialog", [](QWidget* d) { clickButton(d, "cancelButton"); });
    f.rightClick();
    QCOMPARE(f.driver.pending(), 0);
    QCOMPARE(items, QStringList({QString::fromUtf8("選択プリンタの情報取得 [off]"), "-",
                                 QString::fromUtf8("プリンタ削除... [off]"), QString::fromUtf8("プリンタ追加..."),
                                 QString::fromUtf8("プリンタ設定変更... [off]")}));

    items.clear();
    f.selectRows({1});
    f.driver.add("listContextMenu", chooseFromMenu(command::kContextDelete, items));
    f.ui.answerNext(Answer::Cancel);
    f.rightClick();
    QCOMPARE(items, QStringList({QString::fromUtf8("選択プリンタの情報取得"), "-", QString::fromUtf8("プリンタ削除..."),
                                 QString::fromUtf8("プリンタ追加..."), QString::fromUtf8("プリンタ設定変更...")}));
    QCOMPARE(f.ui.texts().size(), 1u);
    QVERIFY(f.ui.texts()[0].find("ID：2") != std::string::npos);
    QCOMPARE(f.driver.unexpected, 0);
}

void ListCommandsTest::aDoubleClickChangesTheSelectedRows() {
    Fixture f;
    f.fill({"a", "b", "c"});
    QStringList ids;
    f.driver.add("entryDialog", [&](QWidget* d) {
        ids << d->findChild<QLineEdit*>("idEdit")->text();
        clickButton(d, "cancelButton");
    });
    QRect second = f.view()->visualRect(f.view()->model()->index(1, 1));
    QTest::mouseDClick(f.view()->viewport(), Qt::LeftButton, {}, second.center());
    QCOMPARE(ids, QStringList({"2"}));

    // Below the last row nothing is selected.
    f.view()->clearSelection();
    QTest::mouseDClick(f.view()->viewport(), Qt::LeftButton, {}, QPoint(10, f.view()->viewport()->height() - 5));
    QCOMPARE(f.ui.texts(), std::vector<std::string>{"プリンタを選択してください"});
    QCOMPARE(f.driver.unexpected, 0);
}

void ListCommandsTest::addOnAFullTableShowsNoDialog() {
    Fixture f;
    for (int i = 0; i < PrinterTable::kMaxRows; ++i) {
        QVERIFY(f.table().appendRecord("10.0." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1), "public",
                                       ""));
    }
    f.table().setModified(false);
    f.driver.add("entryDialog", {});
    f.app->runCommand(command::kAddPrinter);
    QCOMPARE(f.ui.texts(), std::vector<std::string>{"件数が上限を超えます。これ以上追加できません。"});
    QVERIFY(f.driver.shown.isEmpty());
    QCOMPARE(f.table().rowCount(), PrinterTable::kMaxRows);
    QVERIFY(!f.table().modified());
}

void ListCommandsTest::debugShowsTheRawStatusValues() {
    for (const char* debug : {"YES", "yes"}) {
        Fixture f(std::string("[AppParam]\r\nDebug=") + debug + "\r\n");
        f.fill({"a", "b"});
        f.table().slot(0).deviceStatus = 2;
        f.table().slot(0).printerStatus = 3;
        f.table().slot(0).errorState = 0x40;
        f.table().slot(1).printerStatus = 4;
        f.app->refreshList();
        QCOMPARE(f.cell(0, 8), QString(std::string(debug) == "YES" ? "NoPaper(2,3,40)" : "NoPaper"));
        QCOMPARE(f.cell(1, 8), QString());
    }
}

void ListCommandsTest::suppliesShowThreeColumnsThatSortAndWarn() {
    // Turned on in 環境設定, the columns show at once.
    Fixture off;
    off.fill({"a"});
    QCOMPARE(off.view()->model()->columnCount(), 9);
    off.driver.run(
        "configDialog", [&] { off.app->runCommand(command::kEnvironmentSettings); },
        [](QWidget* d) {
            control<QCheckBox>(d, "suppliesCheck")->setChecked(true);
            clickButton(d, "okButton");
        });
    QCOMPARE(off.view()->model()->columnCount(), 12);

    Fixture f("[AppParam]\r\nSupplies=1\r\nSupplyWarn=20\r\n");
    f.fill({"a", "b", "c"});
    const int lowest[] = {20, kNoSupplyPercent, 5};
    for (int i = 0; i < 3; ++i) {
        f.table().slot(i).lowestSupply = lowest[i];
    }
    f.table().slot(1).serialNumber.set("SN-1");
    f.table().slot(0).supplies.set(cp932::fromUtf8("黒:20%"));
    f.app->refreshList();
    QCOMPARE(f.header(9) + f.header(10) + f.header(11), QString::fromUtf8("シリアル番号最少残量消耗品"));
    QCOMPARE(f.column(10), QStringList({"20%", "", "5%"}));
    QCOMPARE(f.cell(0, 11), QString::fromUtf8("黒:20%"));
    QCOMPARE(f.cell(1, 9), QString("SN-1"));
    auto warned = [&](int row) { return f.view()->model()->index(row, 10).data(Qt::BackgroundRole).isValid(); };
    QVERIFY(warned(0) && !warned(1) && warned(2));
    QVERIFY(!f.view()->model()->index(0, 9).data(Qt::BackgroundRole).isValid());

    // The emptiest first; a printer without a percent last.
    f.clickHeader(10);
    QCOMPARE(f.column(10), QStringList({"5%", "20%", ""}));
    QCOMPARE(f.header(10), QString::fromUtf8("最少残量△"));
}

void ListCommandsTest::acquireSelectedAsksOnlyTheSelectedPrinters() {
    // Nobody listens on these addresses: a queried row says so, the other keeps what it had.
    Fixture f("[AppParam]\r\nTimeOut=1\r\nSnmpPort=1161\r\n");
    QVERIFY(f.table().appendRecord("127.0.4.201", "public", "a"));
    QVERIFY(f.table().appendRecord("127.0.4.202", "public", "b"));
    f.table().slot(0).model.set("kept");
    f.app->refreshList();
    f.selectRows({1});
    f.app->runCommand(command::kContextAcquireSelected);
    QVERIFY(f.ui.shown.empty());
    QCOMPARE(f.column(3), QStringList({"kept", "No Response"}));
    QVERIFY(f.table().modified());
}

void ListCommandsTest::theFindBarHidesRowsAndCommandsActOnWhatIsShown() {
    Fixture f("[AppParam]\r\nTimeOut=1\r\nSnmpPort=1161\r\n");
    f.fill({"Osaka 1F", "Tokyo", "OSAKA 2F", "Nagoya"});
    // Nobody listens at 127.0.16.x (tests/LOOPBACK.md): the rows asked answer "No Response".
    for (int row = 0; row < 4; ++row) {
        f.table().slot(row).ipAddress.set("127.0.16." + std::to_string(row + 1));
    }
    f.app->refreshList();
    CMainFrame* frame = f.app->mainFrame();
    frame->findAction()->trigger();
    QVERIFY(f.app->findBar()->isVisible());
    QTest::keyClicks(f.app->findBar()->edit(), "osaka");
    QCOMPARE(f.view()->shownIds(), (std::vector<int>{1, 3}));
    for (int id : {command::kMoveUp, command::kMoveDown, command::kResetIds}) {
        QVERIFY(!frame->actions(id).first()->isEnabled());
    }
    // Select all takes the hidden rows too; no command sees them.
    f.view()->selectAll();
    QCOMPARE(f.view()->selectedIds(), (std::vector<int>{1, 3}));
    f.app->runCommand(command::kMoveDown);
    f.app->runCommand(command::kResetIds);
    QVERIFY(f.ui.shown.empty());
    QVERIFY(!f.table().modified());

    // "All" is all that is shown, and the list is refreshed with the find still on.
    f.app->runCommand(command::kAcquireAll);
    QCOMPARE(f.column(3), QStringList({"No Response", "", "No Response", ""}));
    QCOMPARE(f.view()->shownIds(), (std::vector<int>{1, 3}));

    // Save writes every row, hidden or not.
    f.ui.chooseNext(f.dir.file("all.csv"));
    f.app->runCommand(command::kSaveAs);
    const std::string saved = readFileBytes(f.dir.file("all.csv"));
    for (const char* comment : {"Osaka 1F", "Tokyo", "OSAKA 2F", "Nagoya"}) {
        QVERIFY2(saved.find(comment) != std::string::npos, comment);
    }

    f.view()->selectAll();
    f.ui.answerNext(Answer::Ok);
    f.ui.answerNext(Answer::Ok);
    f.app->runCommand(command::kDeletePrinters);
    QCOMPARE(f.ui.texts().size(), 2u);
    QVERIFY(f.ui.texts()[1].find("OSAKA 2F") != std::string::npos);
    QCOMPARE(f.view()->shownIds(), std::vector<int>{});

    // Esc ends the find: every row again, and the commands back.
    QTest::keyClick(f.app->findBar()->edit(), Qt::Key_Escape);
    QVERIFY(!f.app->findBar()->isVisible());
    QCOMPARE(f.column(1), QStringList({"Tokyo", "Nagoya"}));
    QCOMPARE(f.view()->shownIds(), (std::vector<int>{1, 2}));
    QVERIFY(frame->actions(command::kMoveUp).first()->isEnabled());
}

void ListCommandsTest::keysSortMoveAndOpenTheContextMenu() {
    Fixture f;
    f.fill({"b", "c", "a"});
    CMainFrame* frame = f.app->mainFrame();
    frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame));
    f.view()->setFocus();
    f.selectRows({0});
    QTest::keyClick(f.view(), Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(f.column(1), QStringList({"c", "b", "a"}));
    QTest::keyClick(f.view(), Qt::Key_Up, Qt::ControlModifier);
    QCOMPARE(f.column(1), QStringList({"b", "c", "a"}));

    // 表示 → 並べ替え: the columns shown, the one last sorted checked with its mark.
    QMenu* sort = frame->sortMenu();
    emit sort->aboutToShow();
    QCOMPARE(sort->actions().size(), 9);
    sort->findChild<QAction*>("sortColumn1")->trigger();
    QCOMPARE(f.column(1), QStringList({"a", "b", "c"}));
    emit sort->aboutToShow();
    QAction* comment = sort->findChild<QAction*>("sortColumn1");
    QVERIFY(comment->isChecked());
    QCOMPARE(comment->text(), QString::fromUtf8("コメント△"));
    QVERIFY(!sort->findChild<QAction*>("sortColumn0")->isChecked());

    QStringList items;
    f.driver.add("listContextMenu", chooseFromMenu(0, items));
    f.view()->selectRow(1);
    QTest::keyClick(f.view(), Qt::Key_F10, Qt::ShiftModifier);
    QTRY_COMPARE(items.size(), 5);
    QCOMPARE(items[0], QString::fromUtf8("選択プリンタの情報取得"));
}

QTEST_MAIN(ListCommandsTest)
#include "list_commands_test.moc"
