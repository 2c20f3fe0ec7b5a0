#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <functional>
#include <map>

namespace sorpex::test {

// Plays the user in the program's own dialogs and menus, which block the test in their event
// loops: every time a window with one of the driven object names is shown, the next step
// scripted for that name runs on it from inside that loop. A dialog the step leaves open is
// closed afterwards, and a window shown with no step left is closed and counted in
// `unexpected`, so a failed check or a missing step fails the test instead of hanging it.
class ModalDriver : public QObject {
public:
    using Step = std::function<void(QWidget*)>;

    ModalDriver();
    ~ModalDriver() override;

    void add(const QString& objectName, Step step) { m_steps[objectName].push_back(std::move(step)); }
    // While a window of that name is visible, `visit` runs on it every 20 ms (the progress
    // dialog, which shows for the length of a run).
    void watch(const QString& objectName, Step visit);
    // `open` shows the window; `step` acts on it. Checks that it ran and nothing else showed.
    void run(const QString& objectName, const std::function<void()>& open, Step step);

    // Steps not yet run, over every name.
    int pending() const;

    int unexpected = 0;
    QStringList shown; // object names, in the order the windows were shown

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::map<QString, std::deque<Step>> m_steps;
    std::map<QString, Step> m_watches;
    QTimer m_watchTimer;
};

// The control of a dialog by its object name; a missing one ends the test.
template <typename T> T* control(QWidget* dialog, const char* name) {
    T* found = dialog->findChild<T*>(name);
    if (found == nullptr) {
        qFatal("no control %s", name);
    }
    return found;
}

// The address control of a dialog: fills its four fields as typed ("" leaves one blank).
void typeAddress(QWidget* dialog, const char* controlName, const QStringList& octets);
QStringList addressFields(QWidget* dialog, const char* controlName);
void clickButton(QWidget* dialog, const char* buttonName);

} // namespace sorpex::test
