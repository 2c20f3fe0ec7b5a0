#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

class QComboBox;
class QLabel;
class QWidget;

namespace sorpex {

// Dialog layouts are given in dialog units, as the Windows version's dialogs were drawn. The
// units come from the dialog's own font, the way the Windows dialog manager takes them: a
// horizontal unit is a quarter of the font's average width of the Latin letters, a vertical
// unit an eighth of its height. A layout thus scales with the font that is really used.

// In pixels, for the font of the dialog `widget` belongs to.
QRect dialogRect(const QWidget* widget, int x, int y, int width, int height);
QSize dialogSize(const QWidget* widget, int width, int height);

// A static text of a dialog, placed in dialog units. Like a Windows static text it starts at
// the top of its box. Here and in place, a text that does not fit its box grows the control,
// towards the side the text runs to, rather than being shown cut. A label is greyed out together
// with the nearest input control of its row, its caption or its unit.
QLabel* addLabel(QWidget* dialog, const QString& text, int x, int y, int width, int height,
                 Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop);

// Places a control in dialog units and gives it its object name and, where it has one, its old
// control ID (property "controlId").
void place(QWidget* control, const char* name, int controlId, int x, int y, int width, int height);

// A drop-down list keeps its own height.
void placeCombo(QComboBox* combo, const char* name, int controlId, int x, int y, int width, const QStringList& items);

} // namespace sorpex
