#include "app/dialog_units.h"

#include <QFontMetrics>
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

} // namespace sorpex
