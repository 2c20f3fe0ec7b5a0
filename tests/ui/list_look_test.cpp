#include "base/cp932.h"
#include "inventory/printer_table.h"
#include "ui/list_look.h"
#include "ui/printer_list_model.h"
#include "ui/supply_bars_delegate.h"

#include <QImage>
#include <QPainter>
#include <QTableView>
#include <QtTest>

using namespace sorpex;

class ListLookTest : public QObject {
    Q_OBJECT

private slots:
    void statusMarksFollowTheRawValues_data();
    void statusMarksFollowTheRawValues();
    void barsAreAsWideAsTheirPercent();
};

void ListLookTest::statusMarksFollowTheRawValues_data() {
    QTest::addColumn<int>("device");
    QTest::addColumn<int>("printer");
    QTest::addColumn<int>("errors");
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("kind");
    const int none = static_cast<int>(StatusKind::None);
    const int attention = static_cast<int>(StatusKind::Attention);
    const int fault = static_cast<int>(StatusKind::Fault);
    QTest::newRow("online") << 2 << 3 << 0x00 << "M" << none;
    QTest::newRow("printing") << 2 << 4 << 0x00 << "M" << none;
    QTest::newRow("jammed") << 2 << 3 << 0x04 << "M" << fault;
    QTest::newRow("no toner") << 2 << 3 << 0x10 << "M" << fault;
    QTest::newRow("door open") << 2 << 3 << 0x08 << "M" << fault;
    QTest::newRow("device down") << 5 << 1 << 0x00 << "M" << fault;
    QTest::newRow("no paper") << 2 << 3 << 0x40 << "M" << attention;
    QTest::newRow("low toner") << 2 << 3 << 0x20 << "M" << attention;
    QTest::newRow("device warns") << 3 << 3 << 0x00 << "M" << attention;
    QTest::newRow("not asked") << 0 << 0 << 0x00 << "" << none;
    QTest::newRow("no response") << 0 << 0 << 0x00 << "No Response" << static_cast<int>(StatusKind::NoResponse);
}

void ListLookTest::statusMarksFollowTheRawValues() {
    QFETCH(int, device);
    QFETCH(int, printer);
    QFETCH(int, errors);
    QFETCH(QString, model);
    QFETCH(int, kind);
    PrinterRecord row;
    row.deviceStatus = device;
    row.printerStatus = printer;
    row.errorState = static_cast<std::uint8_t>(errors);
    row.model.set(model.toStdString());
    QCOMPARE(static_cast<int>(statusKind(row)), kind);
}

// Bars drawn into a picture: cyan filled over half its bar, black at 5 % red, as at or below the
// threshold of 10, the waste box never red, 残あり hatched and 不明 left empty.
void ListLookTest::barsAreAsWideAsTheirPercent() {
    PrinterTable table;
    table.clearTable();
    QVERIFY(table.appendRecord("10.0.0.1", "public", ""));
    table.slot(0).lowestSupply = 5;
    table.slot(0).supplies.set(cp932::fromUtf8("Cyan Toner:50%; Black Toner:5%; Waste Toner Box:5%; "
                                               "Yellow Toner:残あり; Drum:不明"));
    PrinterListModel model;
    model.refresh(table, {.debug = false, .supplies = true, .supplyWarn = 10});
    QCOMPARE(model.index(0, static_cast<int>(ListColumn::LowestSupply)).data(Qt::ToolTipRole).toString(),
             QString("Black Toner:5%"));
    QCOMPARE(model.supplyBars(0).size(), 5);

    QTableView view;
    view.setModel(&model);
    SupplyBarsDelegate delegate(model, nullptr);
    const QRect cell(0, 0, 300, 20);
    QImage image(cell.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QStyleOptionViewItem option;
    option.initFrom(&view);
    option.rect = cell;
    option.palette.setColor(QPalette::Base, Qt::white);
    delegate.paint(&painter, option, model.index(0, static_cast<int>(ListColumn::Supplies)));
    painter.end();

    auto countIn = [&](int bar, QColor color) {
        int count = 0;
        const QRect frame = SupplyBarsDelegate::barFrame(cell, bar);
        for (int x = frame.left(); x <= frame.right(); ++x) {
            count += image.pixelColor(x, frame.center().y()) == color ? 1 : 0;
        }
        return count;
    };
    const QRect frame = SupplyBarsDelegate::barFrame(cell, 0);
    const int inside = frame.width() - 2;
    QCOMPARE(countIn(0, SupplyBarsDelegate::supplyColor("Cyan Toner")), (inside * 50 + 50) / 100);
    QCOMPARE(countIn(1, QColor(0xD3, 0x2F, 0x2F)), (inside * 5 + 50) / 100);
    QCOMPARE(countIn(2, QColor(0xD3, 0x2F, 0x2F)), 0);
    QVERIFY(countIn(3, SupplyBarsDelegate::supplyColor("Yellow Toner")) > 0);
    QCOMPARE(countIn(4, SupplyBarsDelegate::supplyColor("Drum")), 0);
}

QTEST_MAIN(ListLookTest)
#include "list_look_test.moc"
