#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <map>

class QWidget;

namespace sorpex::test {

// Plays the user in the program's own dialogs and menus, which block the test in their event
// loops: every time a window with one of the driven object names is shown, the next step
// scripted for that name runs on it from inside that loop. A window shown with no step left is
// closed and counted in `unexpected`, so a missing step fails the test instead of hanging it.
class ModalDriver : public QObject {
public:
    using Step = std::function<void(QWidget*)>;

    ModalDriver();
    ~ModalDriver() override;

    void add(const QString& objectName, Step step) { m_steps[objectName].push_back(std::move(step)); }
    // Steps not yet run, over every name.
    int pending() const;

    int unexpected = 0;
    QStringList shown; // object names, in the order the windows were shown

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::map<QString, std::deque<Step>> m_steps;
};

// The address control of a dialog: fills its four fields as typed ("" leaves one blank).
void typeAddress(QWidget* dialog, const char* controlName, const QStringList& octets);
QStringList addressFields(QWidget* dialog, const char* controlName);
void clickButton(QWidget* dialog, const char* buttonName);

} // namespace sorpex::test
