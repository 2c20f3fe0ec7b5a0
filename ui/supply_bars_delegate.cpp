#include "ui/supply_bars_delegate.h"

#include "ui/printer_list_model.h"

#include <QApplication>
#include <QPainter>

#include <algorithm>

namespace sorpex {
namespace {

constexpr int kBarWidth = 36;
constexpr int kGap = 4;
constexpr int kMargin = 3;

const QColor kWarningRed(0xD3, 0x2F, 0x2F);
const QColor kOtherGrey(0x90, 0x90, 0x90);

bool namesAny(const QString& description, std::initializer_list<const char*> words) {
    return std::any_of(words.begin(), words.end(), [&](const char* word) {
        return description.contains(QString::fromUtf8(word), Qt::CaseInsensitive);
    });
}

// Waste boxes fill up: a low percent there is good news.
bool isWasteBox(const QString& description) {
    return namesAny(description, {"waste", "廃"});
}

} // namespace

SupplyBarsDelegate::SupplyBarsDelegate(const PrinterListModel& model, QObject* parent)
    : QStyledItemDelegate(parent), m_model(model) {}

QRect SupplyBarsDelegate::barFrame(const QRect& cell, int n) {
    const int height = std::max(4, cell.height() - 2 * kMargin - 2);
    const int top = cell.top() + (cell.height() - height) / 2;
    return QRect(cell.left() + kMargin + n * (kBarWidth + kGap), top, kBarWidth, height);
}

QRect SupplyBarsDelegate::barFill(const QRect& frame, int percent) {
    const QRect inside = frame.adjusted(1, 1, -1, -1);
    const int width = (inside.width() * std::clamp(percent, 0, 100) + 50) / 100;
    return QRect(inside.left(), inside.top(), width, inside.height());
}

QColor SupplyBarsDelegate::supplyColor(const QString& description) {
    if (isWasteBox(description)) {
        return kOtherGrey;
    }
    if (namesAny(description, {"cyan", "シアン"})) {
        return QColor(0x00, 0xA0, 0xE0);
    }
    if (namesAny(description, {"magenta", "マゼンタ"})) {
        return QColor(0xE0, 0x00, 0x7A);
    }
    if (namesAny(description, {"yellow", "イエロー"})) {
        return QColor(0xF0, 0xC8, 0x00);
    }
    if (namesAny(description, {"black", "ブラック", "黒"})) {
        return QColor(0x30, 0x30, 0x30);
    }
    return kOtherGrey;
}

void SupplyBarsDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QVector<SupplyBar>& bars = m_model.supplyBars(index.row());
    if (bars.isEmpty()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    const QString text = opt.text;
    opt.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget); // background and selection

    painter->save();
    painter->setClipRect(option.rect);
    const QColor outline = option.palette.color(QPalette::Text);
    const int count = static_cast<int>(bars.size());
    for (int n = 0; n < count; ++n) {
        const SupplyBar& bar = bars[n];
        const QRect frame = barFrame(option.rect, n);
        painter->setPen(Qt::NoPen);
        // On a dark list the empty part is lighter than the list, so a black toner still shows.
        const QColor base = option.palette.color(QPalette::Base);
        painter->setBrush(base.lightness() < 128 ? QColor(0x60, 0x60, 0x60) : base);
        painter->drawRect(frame);
        const bool low = bar.percent >= 0 && bar.percent <= m_model.supplyWarn() && !isWasteBox(bar.description);
        const QColor color = low ? kWarningRed : supplyColor(bar.description);
        if (bar.percent >= 0) {
            painter->fillRect(barFill(frame, bar.percent), color);
        } else if (bar.someRemaining) {
            painter->fillRect(frame.adjusted(1, 1, -1, -1), QBrush(color, Qt::BDiagPattern));
        } else {
            painter->setPen(outline);
            painter->drawText(frame, Qt::AlignCenter, "?");
        }
        painter->setPen(QPen(outline, 1));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(frame.adjusted(0, 0, -1, -1));
    }
    QRect textRect = option.rect.adjusted(kMargin + count * (kBarWidth + kGap) + 2, 0, 0, 0);
    if (textRect.width() > 0) {
        const bool selected = (option.state & QStyle::State_Selected) != 0;
        painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                          option.fontMetrics.elidedText(text, Qt::ElideRight, textRect.width()));
    }
    painter->restore();
}

} // namespace sorpex
