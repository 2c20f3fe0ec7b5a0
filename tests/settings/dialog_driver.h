#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace sorpex::test {

// Opens a dialog through `open` and hands it to `act` once it is up. A dialog that `act` leaves
// open is closed afterwards, so that a failed check cannot hang the test.
inline void drive(const std::function<void()>& open, const std::function<void(QDialog*)>& act) {
    bool acted = false;
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || acted) {
            return;
        }
        acted = true;
        act(dialog);
        if (dialog->isVisible()) {
            dialog->done(QDialog::Rejected);
        }
    });
    timer.start();
    open();
    QVERIFY(acted);
}

template <typename T> T* control(QDialog* dialog, const char* name) {
    T* found = dialog->findChild<T*>(name);
    if (found == nullptr) {
        qFatal("no control %s", name);
    }
    return found;
}

} // namespace sorpex::test
