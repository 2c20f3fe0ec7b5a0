#pragma once

#include <QRect>
#include <QSize>

class QWidget;

namespace sorpex {

// Dialog layouts are given in dialog units, as the Windows version's dialogs were drawn: a
// horizontal unit is a quarter of the font's average character width, a vertical unit an
// eighth of its height. These turn them into pixels for a widget's font.
QRect dialogRect(const QWidget* widget, int x, int y, int width, int height);
QSize dialogSize(const QWidget* widget, int width, int height);

} // namespace sorpex
