#pragma once

#include <QRect>
#include <QStyledItemDelegate>

namespace sorpex {

class PrinterListModel;

// The Supplies cell as one small bar per supply, in the toner's colour, red at or below the
// warning threshold; the text follows the bars as far as it fits.
class SupplyBarsDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    SupplyBarsDelegate(const PrinterListModel& model, QObject* parent);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // The frame of bar `n` (from 0) in a cell, and the part a percent fills.
    static QRect barFrame(const QRect& cell, int n);
    static QRect barFill(const QRect& frame, int percent);
    // The colour a supply's description names: cyan, magenta, yellow, black; grey otherwise.
    static QColor supplyColor(const QString& description);

private:
    const PrinterListModel& m_model;
};

} // namespace sorpex
