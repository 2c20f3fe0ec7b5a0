#pragma once

#include <QObject>

class QWidget;

namespace sorpex {

// Swallows the user's input to the main window while it is busy (a run, a mail): the window
// keeps repainting, while the progress dialog and the message boxes, windows of their own, keep
// their input.
class InputBlocker : public QObject {
public:
    explicit InputBlocker(QWidget* window);
    ~InputBlocker() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool belongsToWindow(QObject* object) const;

    QWidget* m_window;
};

} // namespace sorpex
