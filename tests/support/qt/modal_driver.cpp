#include "tests/support/qt/modal_driver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QtTest>

namespace sorpex::test {

ModalDriver::ModalDriver() {
    qApp->installEventFilter(this);
    m_watchTimer.setInterval(20);
    connect(&m_watchTimer, &QTimer::timeout, this, [this] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto found = m_watches.find(widget->objectName());
            if (found != m_watches.end() && widget->isVisible()) {
                found->second(widget);
            }
        }
    });
}

void ModalDriver::watch(const QString& objectName, Step visit) {
    m_watches[objectName] = std::move(visit);
    m_watchTimer.start();
}

void ModalDriver::run(const QString& objectName, const std::function<void()>& open, Step step) {
    add(objectName, std::move(step));
    open();
    QCOMPARE(pending(), 0);
    QCOMPARE(unexpected, 0);
}

ModalDriver::~ModalDriver() {
    qApp->removeEventFilter(this);
}

int ModalDriver::pending() const {
    int count = 0;
    for (const auto& entry : m_steps) {
        count += static_cast<int>(entry.second.size());
    }
    return count;
}

bool ModalDriver::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Show || !watched->isWidgetType()) {
        return false;
    }
    auto* window = static_cast<QWidget*>(watched);
    auto found = m_steps.find(window->objectName());
    if (!window->isWindow() || found == m_steps.end()) {
        return false;
    }
    shown << window->objectName();
    Step step;
    if (!found->second.empty()) {
        step = std::move(found->second.front());
        found->second.pop_front();
    }
    // Run once the window's own event loop is going.
    QPointer<QWidget> target(window);
    QTimer::singleShot(0, this, [this, target, step] {
        if (!target) {
            return;
        }
        if (step) {
            step(target);
        } else {
            ++unexpected;
        }
        if (!target || !target->isVisible()) {
            return;
        }
        // Closed without the dialog's own Cancel, which might do more than close.
        if (auto* dialog = qobject_cast<QDialog*>(target.data())) {
            dialog->done(QDialog::Rejected);
        } else {
            target->close();
        }
    });
    return false;
}

void typeAddress(QWidget* dialog, const char* controlName, const QStringList& octets) {
    QWidget* control = dialog->findChild<QWidget*>(controlName);
    QVERIFY(control != nullptr);
    for (int i = 0; i < 4; ++i) {
        auto* field = control->findChild<QLineEdit*>(QString("octet%1").arg(i));
        QVERIFY(field != nullptr);
        field->selectAll();
        field->del();
        QTest::keyClicks(field, octets.value(i));
    }
}

QStringList addressFields(QWidget* dialog, const char* controlName) {
    QStringList octets;
    QWidget* control = dialog->findChild<QWidget*>(controlName);
    for (int i = 0; i < 4 && control != nullptr; ++i) {
        octets << control->findChild<QLineEdit*>(QString("octet%1").arg(i))->text();
    }
    return octets;
}

void clickButton(QWidget* dialog, const char* buttonName) {
    auto* button = dialog->findChild<QAbstractButton*>(buttonName);
    QVERIFY(button != nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
}

} // namespace sorpex::test
