#include "base/cp932.h"
#include "inventory/csv_file.h"
#include "tests/support/manual_clock.h"
#include "tests/support/qt/modal_driver.h"
#include "tests/support/scripted_interaction.h"
#include "tests/support/temp_dir.h"
#include "usage/usage_csv.h"
#include "usage/usage_dialog.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QTableWidget>
#include <QtTest>

using namespace sorpex;
using namespace sorpex::test;

namespace {

// Two printers over January to March 2025, one report on the 10th and the 20th of each month.
void writeQuarter(const TempDir& dir) {
    int count = 1000;
    for (int month = 1; month <= 3; ++month) {
        for (int day : {10, 20}) {
            count += 100 * month;
            char name[64];
            std::snprintf(name, sizeof name, "SORPEX_2025%02d%02d080000.csv", month, day);
            writeFileBytes(dir.file(name), std::string(kCsvHeader) + "\r\n" + "\"first\",10.0.0.1,public,\"M\"," +
                                               std::to_string(count) + ",\"\",\"\",\"\",\"\"\r\n" +
                                               "\"second\",10.0.0.2,public,\"M\"," + std::to_string(count * 2) +
                                               ",\"\",\"\",\"\",\"\"\r\n");
        }
    }
}

QStringList barLabels(QChartView* view, QList<qreal>* values = nullptr) {
    auto* axis = qobject_cast<QBarCategoryAxis*>(view->chart()->axes(Qt::Horizontal).value(0));
    auto* series = qobject_cast<QBarSeries*>(view->chart()->series().value(0));
    if (values != nullptr && series != nullptr) {
        QBarSet* set = series->barSets().value(0);
        for (int i = 0; i < set->count(); ++i) {
            values->append(set->at(i));
        }
    }
    return axis != nullptr ? axis->categories() : QStringList();
}

} // namespace

class UsageDialogTest : public QObject {
    Q_OBJECT

private slots:
    void countsTheLastMonthAtOnceAndChartsAPrintersMonths();
    void savesTheTableAndTheChartThroughTheChoosers();
    void saysWhyNothingWasCounted();
    void aReplacedPrinterHasABarOfItsOwn();
};

void UsageDialogTest::countsTheLastMonthAtOnceAndChartsAPrintersMonths() {
    TempDir dir;
    writeQuarter(dir);
    ScriptedInteraction ui;
    ManualClock clock(localInstant({2025, 3, 25}, 9));
    UsageDialog dialog(dir.path().string(), clock, ui);

    // 先月 is February: from the 20 January reading (1200, 2400) to 20 February (1600, 3200).
    QCOMPARE(control<QDateEdit>(&dialog, "fromDate")->date(), QDate(2025, 2, 1));
    QCOMPARE(control<QDateEdit>(&dialog, "toDate")->date(), QDate(2025, 2, 28));
    auto* table = control<QTableWidget>(&dialog, "usageTable");
    QCOMPARE(table->rowCount(), 2);
    QCOMPARE(table->item(0, 8)->text(), QString("400"));
    QCOMPARE(table->item(1, 8)->text(), QString("800"));
    QList<qreal> pages;
    auto* chart = control<QChartView>(&dialog, "usageChart");
    QCOMPARE(barLabels(chart, &pages), QStringList({"first", "second"}));
    QCOMPARE(pages, QList<qreal>({400, 800}));

    auto* preset = control<QComboBox>(&dialog, "periodCombo");
    preset->activated(2); // 過去12か月
    QCOMPARE(control<QDateEdit>(&dialog, "fromDate")->date(), QDate(2024, 3, 26));
    // No reading before the period: the first one inside begins it (10 January, 1100 ... 2200).
    QCOMPARE(table->item(0, 8)->text(), QString("1100"));
    table->selectRow(1);
    pages.clear();
    QCOMPARE(barLabels(chart, &pages), QStringList({"2025/01", "2025/02", "2025/03"}));
    QCOMPARE(pages, QList<qreal>({200, 800, 1200}));
    QVERIFY(chart->chart()->title().startsWith("second"));
}

void UsageDialogTest::savesTheTableAndTheChartThroughTheChoosers() {
    TempDir dir;
    writeQuarter(dir);
    ScriptedInteraction ui;
    ManualClock clock(localInstant({2025, 3, 25}, 9));
    UsageDialog dialog(dir.path().string(), clock, ui);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    ui.chooseNext(dir.file("usage.csv"));
    clickButton(&dialog, "saveCsvButton");
    QCOMPARE(ui.asked.back().request.initialName, std::string("SORPEX_usage_20250201-20250228.csv"));
    QCOMPARE(readFileBytes(dir.file("usage.csv")), usageCsv(dialog.collection().table));

    ui.chooseNext(dir.file("chart.png"));
    clickButton(&dialog, "savePngButton");
    QVERIFY(readFileBytes(dir.file("chart.png")).rfind("\x89PNG\r\n", 0) == 0);

    // A folder in the way: the message, and nothing replaced.
    ui.chooseNext(dir.path().string());
    clickButton(&dialog, "saveCsvButton");
    QCOMPARE(ui.texts().back(), std::string("ファイル書込みできません\nError Code = 21"));
}

void UsageDialogTest::saysWhyNothingWasCounted() {
    TempDir dir;
    ScriptedInteraction ui;
    ManualClock clock(localInstant({2025, 3, 25}, 9));
    UsageDialog dialog(dir.file("none"), clock, ui);
    QVERIFY(control<QLabel>(&dialog, "countsLabel")
                ->text()
                .startsWith(QString::fromUtf8("レポートのフォルダを読めません")));
    QCOMPARE(control<QTableWidget>(&dialog, "usageTable")->rowCount(), 0);
    QVERIFY(ui.shown.empty());
}

void UsageDialogTest::aReplacedPrinterHasABarOfItsOwn() {
    TempDir dir;
    const std::string header = std::string(kCsvHeader) + std::string(kCsvSuppliesHeader) + "\r\n";
    int day = 1;
    for (const char* line : {"\"x\",10.0.0.1,public,\"M\",100,\"\",\"\",\"\",\"\",\"OLD\",,\"\"\r\n",
                             "\"x\",10.0.0.1,public,\"M\",150,\"\",\"\",\"\",\"\",\"OLD\",,\"\"\r\n",
                             "\"x\",10.0.0.1,public,\"M\",10,\"\",\"\",\"\",\"\",\"NEW\",,\"\"\r\n",
                             "\"x\",10.0.0.1,public,\"M\",30,\"\",\"\",\"\",\"\",\"NEW\",,\"\"\r\n"}) {
        writeFileBytes(dir.file("SORPEX_202502" + std::to_string(10 + day++) + "080000.csv"), header + line);
    }
    ScriptedInteraction ui;
    ManualClock clock(localInstant({2025, 3, 25}, 9));
    UsageDialog dialog(dir.path().string(), clock, ui);
    QList<qreal> pages;
    QCOMPARE(barLabels(control<QChartView>(&dialog, "usageChart"), &pages), QStringList({"x", "x (OLD)"}));
    QCOMPARE(pages, QList<qreal>({20, 50}));
}

QTEST_MAIN(UsageDialogTest)
#include "usage_dialog_test.moc"
