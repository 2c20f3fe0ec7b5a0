#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

class QComboBox;
class QLabel;
class QWidget;

namespace sorpex {

// Dialog layouts are given in dialog units, as the Windows version's dialogs were drawn: a
// horizontal unit is a quarter of the font's average character width, a vertical unit an
// eighth of its height. These turn them into pixels for a widget's font.
QRect dialogRect(const QWidget* widget, int x, int y, int width, int height);
QSize dialogSize(const QWidget* widget, int width, int height);

// A static text of a dialog, placed in dialog units.
QLabel* addLabel(QWidget* dialog, const QString& text, int x, int y, int width, int height,
                 Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);

// Places a control in dialog units and gives it its object name and, where it has one, its old
// control ID (property "controlId").
void place(QWidget* control, const char* name, int controlId, int x, int y, int width, int height);

// A drop-down list keeps its own height.
void placeCombo(QComboBox* combo, const char* name, int controlId, int x, int y, int width, const QStringList& items);

} // namespace sorpex
