#include "base/qt/dialog_units.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QWidget>

namespace sorpex {
namespace {

// Average width of the Latin letters, as Windows measures a dialog font.
double baseX(const QWidget* widget) {
    QFontMetrics metrics = widget->fontMetrics();
    return metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 52.0;
}

double baseY(const QWidget* widget) {
    return widget->fontMetrics().height();
}

} // namespace

QRect dialogRect(const QWidget* widget, int x, int y, int width, int height) {
    double bx = baseX(widget) / 4.0;
    double by = baseY(widget) / 8.0;
    return QRect(qRound(x * bx), qRound(y * by), qRound(width * bx), qRound(height * by));
}

QSize dialogSize(const QWidget* widget, int width, int height) {
    return dialogRect(widget, 0, 0, width, height).size();
}

QLabel* addLabel(QWidget* dialog, const QString& text, int x, int y, int width, int height, Qt::Alignment alignment) {
    auto* label = new QLabel(text, dialog);
    label->setAlignment(alignment);
    label->setGeometry(dialogRect(dialog, x, y, width, height));
    return label;
}

void place(QWidget* control, const char* name, int controlId, int x, int y, int width, int height) {
    control->setObjectName(name);
    if (controlId != 0) {
        control->setProperty("controlId", controlId);
    }
    control->setGeometry(dialogRect(control->parentWidget(), x, y, width, height));
}

void placeCombo(QComboBox* combo, const char* name, int controlId, int x, int y, int width, const QStringList& items) {
    combo->addItems(items);
    combo->setMaxVisibleItems(static_cast<int>(items.size()));
    place(combo, name, controlId, x, y, width, 12);
    combo->resize(combo->width(), combo->sizeHint().height());
}

} // namespace sorpex
