#include "app/lock_keys.h"
#include "app/main_frame.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

#include <QLabel>
#include <QStatusBar>
#include <QtTest>

#include <memory>
#include <thread>

using namespace sorpex;
using namespace sorpex::test;

namespace {

// An X server of the test's own; -displayfd has it pick a free display number and print it.
struct XServer {
    TempDir dir;
    std::unique_ptr<ChildProcess> process;
    QByteArray display;

    XServer() {
        std::string log = dir.file("xvfb.log");
        process = std::make_unique<ChildProcess>(
            std::vector<std::string>{"Xvfb", "-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "320x240x24"}, log);
        for (int i = 0; i < 500 && display.isEmpty() && process->running(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            for (const QByteArray& line : QByteArray::fromStdString(readFileBytes(log)).split('\n')) {
                bool number = false;
                line.trimmed().toInt(&number);
                if (number) {
                    display = ":" + line.trimmed();
                }
            }
        }
    }

    // Presses a key as the user would.
    void press(const char* key) const {
        RunResult result = runProgram({"env", "DISPLAY=" + display.toStdString(), "xdotool", "key", key});
        QCOMPARE(result.exitCode, 0);
    }
};

} // namespace

class LockKeysTest : public QObject {
    Q_OBJECT

private slots:
    void thePanesFollowTheLocksOfTheXKeyboard();
    void withoutADisplayThePanesStayGrey();
};

void LockKeysTest::thePanesFollowTheLocksOfTheXKeyboard() {
    XServer x;
    QVERIFY2(!x.display.isEmpty(), "Xvfb did not start");
    CMainFrame frame;
    LockKeyWatcher* watcher = watchX11LockKeys(x.display, nullptr);
    QVERIFY(watcher != nullptr);
    frame.watchLockKeys(watcher);
    auto* cap = frame.statusBar()->findChild<QLabel*>("capPane");
    auto* num = frame.statusBar()->findChild<QLabel*>("numPane");
    auto* scrl = frame.statusBar()->findChild<QLabel*>("scrlPane");
    QVERIFY(!cap->isEnabled() && !num->isEnabled() && !scrl->isEnabled());

    x.press("Caps_Lock");
    QTRY_VERIFY(cap->isEnabled());
    x.press("Num_Lock");
    QTRY_VERIFY(num->isEnabled());
    // Xvfb's keymap ties no modifier to Scroll Lock, so its light stays off, as it does on many
    // X desktops.
    x.press("Scroll_Lock");
    x.press("Caps_Lock");
    QTRY_VERIFY(!cap->isEnabled());
    QVERIFY(num->isEnabled());
    QVERIFY(!scrl->isEnabled());
}

void LockKeysTest::withoutADisplayThePanesStayGrey() {
    QCOMPARE(watchPlatformLockKeys(nullptr), nullptr); // offscreen
}

QTEST_MAIN(LockKeysTest)
#include "lock_keys_test.moc"
