#include "base/cp932.h"
#include "settings/app_settings.h"
#include "settings/repeat_dialog.h"
#include "tests/support/qt/modal_driver.h"
#include "tests/support/scripted_interaction.h"
#include "tests/support/temp_dir.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <ctime>
#include <filesystem>
#include <functional>
#include <sys/stat.h>

using namespace sorpex;
using namespace sorpex::test;

namespace {

const std::string kDefaultReport = "[ReportParam]\r\nReport=NO\r\nMailServer=\r\nPort=25\r\nFromAdd=\r\nToAdd=\r\n"
                                   "Subject=[SORPEX]Report\r\nUser=\r\nPassword=\r\n";

// Text as an input method commits it, which also carries characters keyClicks cannot send.
void typeText(QWidget* edit, const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(edit, &event);
}

void retype(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    typeText(edit, text);
}

void clickOk(QWidget* dialog) {
    control<QPushButton>(dialog, "okButton")->click();
}

mode_t fileMode(const std::string& path) {
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_mode & 0777;
}

// A settings file in a folder of its own, read as at start-up.
struct Fixture {
    TempDir dir;
    ScriptedInteraction ui;
    AppSettings settings;
    std::string path = dir.file("SORPEX.ini");

    explicit Fixture(const std::string& ini = "", mode_t mode = 0644) {
        if (!ini.empty()) {
            writeFileBytes(path, ini);
            chmod(path.c_str(), mode);
        }
        readSettingsFile(settings, path);
        applySettings(settings);
    }
    void run(const std::function<void(QWidget*)>& act) {
        ModalDriver driver;
        driver.run(
            "repeatDialog", [this] { openRepeatSettings(settings, ui, nullptr); }, act);
    }
    std::string file() const { return std::filesystem::exists(path) ? readFileBytes(path) : "(none)"; }
};

// Switches the mail on and fills every field.
void fillMail(QWidget* d, const QString& port = "25") {
    auto* mail = control<QCheckBox>(d, "mailCheck");
    if (!mail->isChecked()) {
        mail->click();
    }
    retype(control<QLineEdit>(d, "serverEdit"), "127.0.0.1");
    retype(control<QLineEdit>(d, "portEdit"), port);
    retype(control<QLineEdit>(d, "fromEdit"), "sorpex@example.com");
    control<QPlainTextEdit>(d, "toEdit")->setPlainText("<admin@example.com>");
}

} // namespace

class RepeatDialogTest : public QObject {
    Q_OBJECT

private slots:
    void monthlyOnTheLastDayAt2355();
    void weeklyOnMondayWednesdayAndFridayAt905();
    void noScheduleWritesOnlyAutoStartAndKeepsEveryValue();
    void mailFieldsAreCheckedOnlyWithTheSwitchOn();
    void thePortIsWrittenAsTypedAndUsedAsANumber();
    void weeklyWithoutAWeekdayStaysOpenAndCancelPutsEverythingBack();
    void controlsFollowTheCycleAndTheMailSwitch();
    void editsKeepTheirByteLimitsAndRefuseWhatCp932CannotHold();
    void aStoredPasswordMakesTheFileOwnerOnly();
    void aFailedWriteClosesWithoutDerivingTheTrigger();
    void securityFollowsThePortUntilChosenAndAPlainPasswordIsWarnedOf();
};

void RepeatDialogTest::monthlyOnTheLastDayAt2355() {
    Fixture f;
    f.run([&](QWidget* d) {
        QCOMPARE(d->windowTitle(), QString::fromUtf8("繰り返し取得設定"));
        auto* day = control<QComboBox>(d, "dayCombo");
        QCOMPARE(day->count(), 31);
        QCOMPARE(day->itemText(0), QString(" 1"));
        QCOMPARE(day->itemText(29), QString("30"));
        control<QComboBox>(d, "cycleCombo")->setCurrentIndex(1);
        day->setCurrentIndex(30);
        QCOMPARE(day->currentText(), QString::fromUtf8("最終"));
        control<QComboBox>(d, "hourCombo")->setCurrentIndex(23);
        control<QComboBox>(d, "minuteCombo")->setCurrentIndex(11);
        QCOMPARE(control<QComboBox>(d, "minuteCombo")->currentText(), QString("55"));
        clickOk(d);
        QVERIFY(!d->isVisible());
    });
    QCOMPARE(f.file(),
             kDefaultReport + "\r\n[AutoStartParam]\r\nAutoStart=YES\r\nCycle=Monthly\r\nTriger=End\r\nTime=23:55\r\n");
    QCOMPARE(f.settings.trigger.dateKey, 32u);
    QCOMPARE(f.settings.trigger.timeKey, 23u * 65536 + 55u * 256);
    QVERIFY(f.ui.shown.empty());
}

void RepeatDialogTest::weeklyOnMondayWednesdayAndFridayAt905() {
    // Keys already in the file are replaced where they stand, new ones join their section.
    Fixture f("[AppParam]\r\nTimeOut=3\r\n\r\n[AutoStartParam]\r\nAutoStart=NO\r\nTime=0:0\r\n");
    f.run([&](QWidget* d) {
        QList<int> ids;
        for (const char* name : {"mondayCheck", "tuesdayCheck", "wednesdayCheck", "thursdayCheck", "fridayCheck",
                                 "saturdayCheck", "sundayCheck"}) {
            ids << control<QCheckBox>(d, name)->property("controlId").toInt();
        }
        QCOMPARE(ids, QList<int>({1018, 1019, 1020, 1021, 1024, 1022, 1023}));
        control<QComboBox>(d, "cycleCombo")->setCurrentIndex(2);
        control<QCheckBox>(d, "mondayCheck")->click();
        control<QCheckBox>(d, "wednesdayCheck")->click();
        control<QCheckBox>(d, "fridayCheck")->click();
        control<QComboBox>(d, "hourCombo")->setCurrentIndex(9);
        control<QComboBox>(d, "minuteCombo")->setCurrentIndex(1);
        clickOk(d);
    });
    QCOMPARE(f.file(), "[AppParam]\r\nTimeOut=3\r\n\r\n[AutoStartParam]\r\nAutoStart=YES\r\nTime=9:5\r\n"
                       "Cycle=Weekly\r\nTriger=Mon;Wed;Fri\r\n\r\n" +
                           kDefaultReport);
    QCOMPARE(f.settings.trigger.weekdayBits, 1u | 4u | 16u);
    QCOMPARE(f.settings.trigger.dateMask, 0u);
}

void RepeatDialogTest::noScheduleWritesOnlyAutoStartAndKeepsEveryValue() {
    const std::string report = "[ReportParam]\r\nReport=YES\r\nMailServer=mail.example.com\r\nPort=587\r\n"
                               "FromAdd=<sorpex@example.com>\r\nToAdd=<a@example.com>\\n<b@example.com>\r\n"
                               "Subject=" +
                               cp932::fromUtf8("月次レポート") + "\r\nUser=sorpex\r\nPassword=p@ss\\word\r\n";
    const std::string schedule = "[AutoStartParam]\r\nAutoStart=YES\r\nCycle=Weekly\r\nTriger=Tue\r\nTime=7:30\r\n";
    Fixture f(report + "\r\n" + schedule, 0600);
    QCOMPARE(f.settings.mailTo, "<a@example.com>\r\n<b@example.com>");
    f.run([&](QWidget* d) {
        QCOMPARE(control<QPlainTextEdit>(d, "toEdit")->toPlainText(), QString("<a@example.com>\n<b@example.com>"));
        control<QComboBox>(d, "cycleCombo")->setCurrentIndex(0);
        clickOk(d);
    });
    std::string expected = report + "\r\n" + schedule;
    expected.replace(expected.find("AutoStart=YES"), 13, "AutoStart=No");
    QCOMPARE(f.file(), expected);
    QCOMPARE(f.settings.scheduleCycle, ScheduleCycle::None);
    QCOMPARE(f.settings.trigger.dateKey, 0u);
    QCOMPARE(f.settings.trigger.dateMask, 0xFFFFFFFFu);
}

void RepeatDialogTest::mailFieldsAreCheckedOnlyWithTheSwitchOn() {
    // Off: the fields may be empty.
    Fixture off("[AutoStartParam]\r\nAutoStart=YES\r\nCycle=Dayly\r\n");
    off.run([&](QWidget* d) {
        fillMail(d);
        retype(control<QLineEdit>(d, "serverEdit"), "");
        retype(control<QLineEdit>(d, "subjectEdit"), "");
        control<QCheckBox>(d, "mailCheck")->click();
        clickOk(d);
        QVERIFY(!d->isVisible());
    });
    QVERIFY(off.ui.shown.empty());
    QVERIFY(off.file().find("Report=NO\r\nMailServer=\r\nPort=25\r\n") != std::string::npos);
    QVERIFY(off.file().find("Subject=\r\n") != std::string::npos);

    // On, with the cycle set to none: the switch is disabled but still ticked, and still counts.
    Fixture on("[AutoStartParam]\r\nAutoStart=YES\r\nCycle=Dayly\r\n");
    on.run([&](QWidget* d) {
        fillMail(d, "0");
        control<QComboBox>(d, "cycleCombo")->setCurrentIndex(0);
        QVERIFY(!control<QCheckBox>(d, "mailCheck")->isEnabled());
        QVERIFY(control<QCheckBox>(d, "mailCheck")->isChecked());
        clickOk(d);
        QVERIFY(d->isVisible());
        QCOMPARE(on.ui.texts(), std::vector<std::string>{"メール情報をすべて設定してください。"});
        QCOMPARE(on.ui.shown[0].icon, MessageIcon::Warning);
        QCOMPARE(on.file(), "[AutoStartParam]\r\nAutoStart=YES\r\nCycle=Dayly\r\n");

        auto* cycle = control<QComboBox>(d, "cycleCombo");
        cycle->setCurrentIndex(3);
        retype(control<QLineEdit>(d, "portEdit"), "25");
        control<QPlainTextEdit>(d, "bodyEdit")->clear();
        clickOk(d);
        QCOMPARE(on.ui.shown.size(), 2u); // an empty body is refused too
        typeText(control<QPlainTextEdit>(d, "bodyEdit"), "Report File.");
        cycle->setCurrentIndex(0);
        clickOk(d);
        QVERIFY(!d->isVisible());
    });
    QCOMPARE(on.file(), "[AutoStartParam]\r\nAutoStart=No\r\nCycle=Dayly\r\n\r\n[ReportParam]\r\nReport=YES\r\n"
                        "MailServer=127.0.0.1\r\nPort=25\r\nFromAdd=sorpex@example.com\r\n"
                        "ToAdd=<admin@example.com>\r\nSubject=[SORPEX]Report\r\nUser=\r\nPassword=\r\n");
}

void RepeatDialogTest::thePortIsWrittenAsTypedAndUsedAsANumber() {
    Fixture f;
    f.run([&](QWidget* d) {
        control<QComboBox>(d, "cycleCombo")->setCurrentIndex(3);
        fillMail(d, "0587");
        clickOk(d);
    });
    QVERIFY(f.file().find("\r\nPort=0587\r\n") != std::string::npos);
    QCOMPARE(f.settings.mailPort, 587);
    AppSettings again;
    readSettingsFile(again, f.path);
    applySettings(again);
    QCOMPARE(again.mailPort, 587);
}

void RepeatDialogTest::weeklyWithoutAWeekdayStaysOpenAndCancelPutsEverythingBack() {
    const std::string ini = "[AutoStartParam]\r\nAutoStart=YES\r\nCycle=Monthly\r\nTriger=15\r\nTime=6:0\r\n";
    Fixture f(ini);
    const AppSettings before = f.settings;
    f.run([&](QWidget* d) {
        control<QComboBox>(d, "cycleCombo")->setCurrentIndex(2);
        fillMail(d);
        clickOk(d);
        QVERIFY(d->isVisible());
        QCOMPARE(f.ui.texts(), std::vector<std::string>{"曜日にチェックしてください。"});
        QVERIFY(f.file().find("MailServer=127.0.0.1") != std::string::npos);
        QVERIFY(f.file().starts_with(ini));
        QCOMPARE(f.settings.trigger.weekdayBits, 0u);
        QCOMPARE(f.settings.trigger.dateMask, 0u);
        control<QPushButton>(d, "cancelButton")->click();
    });
    QCOMPARE(f.settings.scheduleCycle, ScheduleCycle::Monthly);
    QCOMPARE(f.settings.scheduleDayIndex, 14);
    QVERIFY(!f.settings.mailEnabled);
    QCOMPARE(f.settings.mailServer, before.mailServer);
    QCOMPARE(f.settings.trigger.dateKey, before.trigger.dateKey);
    QCOMPARE(f.settings.trigger.dateMask, before.trigger.dateMask);
    QCOMPARE(f.settings.trigger.weekdayMask, before.trigger.weekdayMask);
    // The mail keys the refused OK wrote go back as well.
    QCOMPARE(f.file(), ini + "\r\n" + kDefaultReport);
}

void RepeatDialogTest::controlsFollowTheCycleAndTheMailSwitch() {
    Fixture f("[AutoStartParam]\r\nAutoStart=YES\r\nCycle=Monthly\r\n");
    f.run([&](QWidget* d) {
        auto* cycle = control<QComboBox>(d, "cycleCombo");
        auto* day = control<QComboBox>(d, "dayCombo");
        auto* hour = control<QComboBox>(d, "hourCombo");
        auto* monday = control<QCheckBox>(d, "mondayCheck");
        auto* mail = control<QCheckBox>(d, "mailCheck");
        auto* server = control<QLineEdit>(d, "serverEdit");
        auto* password = control<QLineEdit>(d, "passwordEdit");
        QVERIFY(day->isEnabled() && hour->isEnabled() && mail->isEnabled());
        QVERIFY(!monday->isEnabled() && !server->isEnabled() && !password->isEnabled());

        cycle->setCurrentIndex(2);
        QCOMPARE(f.settings.scheduleCycle, ScheduleCycle::Weekly);
        QVERIFY(!day->isEnabled() && monday->isEnabled());

        mail->click();
        QVERIFY(f.settings.mailEnabled);
        QVERIFY(server->isEnabled() && password->isEnabled());
        QCOMPARE(password->echoMode(), QLineEdit::Password);

        cycle->setCurrentIndex(0);
        QVERIFY(!hour->isEnabled() && !mail->isEnabled() && !server->isEnabled() && !monday->isEnabled());
        QVERIFY(mail->isChecked());
        cycle->setCurrentIndex(3);
        QVERIFY(server->isEnabled() && !day->isEnabled());
        static_cast<QDialog*>(d)->reject(); // Escape and the close box
    });
    QCOMPARE(f.settings.scheduleCycle, ScheduleCycle::Monthly);
    QVERIFY(!f.settings.mailEnabled);
    QCOMPARE(f.file(), "[AutoStartParam]\r\nAutoStart=YES\r\nCycle=Monthly\r\n");
}

void RepeatDialogTest::editsKeepTheirByteLimitsAndRefuseWhatCp932CannotHold() {
    Fixture f("[AutoStartParam]\r\nAutoStart=YES\r\nCycle=Dayly\r\n");
    f.run([&](QWidget* d) {
        fillMail(d);
        auto* server = control<QLineEdit>(d, "serverEdit");
        retype(server, QString(127, 'a'));
        typeText(server, QString::fromUtf8("あ")); // two bytes, one too many
        QCOMPARE(server->text().size(), 127);
        typeText(server, "b");
        QCOMPARE(server->text().size(), 128);

        auto* subject = control<QLineEdit>(d, "subjectEdit");
        retype(subject, QString::fromUtf8("月報〜")); // U+301C has no CP932 code
        QCOMPARE(subject->text(), QString());
        retype(subject, QString::fromUtf8("月報～"));
        QCOMPARE(subject->text(), QString::fromUtf8("月報～"));

        auto* port = control<QLineEdit>(d, "portEdit");
        retype(port, "25a");
        QCOMPARE(port->text(), QString());
        // A paste over the limit keeps what fits, as in every dialog.
        retype(port, "123456");
        QCOMPARE(port->text(), QString("1234"));
        retype(port, "2525");
        typeText(port, "5");
        QCOMPARE(port->text(), QString("2525"));

        auto* password = control<QLineEdit>(d, "passwordEdit");
        retype(password, QString(72, 'p'));
        typeText(password, "q");
        QCOMPARE(password->text().size(), 72);

        // A line break of the body counts as the CR LF it is stored as.
        auto* body = control<QPlainTextEdit>(d, "bodyEdit");
        body->setPlainText(QString(250, 'x'));
        body->moveCursor(QTextCursor::End);
        body->insertPlainText("abcdefgh");
        QCOMPARE(body->toPlainText(), QString(250, 'x') + "abcdef");
        body->clear();
        typeText(body, QString(254, 'x'));
        QTest::keyClick(body, Qt::Key_Return);
        typeText(body, "y");
        QCOMPARE(body->toPlainText(), QString(254, 'x') + "\n");

        auto* to = control<QPlainTextEdit>(d, "toEdit");
        to->setFocus();
        to->moveCursor(QTextCursor::End);
        QTest::keyClick(to, Qt::Key_Return, Qt::ControlModifier); // starts a line, as in a Windows dialog
        typeText(to, "<b@example.com>");
        QTest::keyClick(to, Qt::Key_Return); // confirms instead of starting a line
        QVERIFY(!d->isVisible());
    });
    QCOMPARE(f.settings.mailServer, std::string(127, 'a') + "b");
    QCOMPARE(f.settings.mailSubject, cp932::fromUtf8("月報～"));
    QCOMPARE(f.settings.mailBody, std::string(254, 'x') + "\r\n");
    QCOMPARE(f.settings.mailPassword, std::string(72, 'p'));
    QCOMPARE(f.settings.mailTo, "<admin@example.com>\r\n<b@example.com>");
}

void RepeatDialogTest::aStoredPasswordMakesTheFileOwnerOnly() {
    Fixture f("[AppParam]\r\nTimeOut=2\r\n", 0644);
    f.run([&](QWidget* d) {
        control<QComboBox>(d, "cycleCombo")->setCurrentIndex(3);
        fillMail(d, "587");
        retype(control<QLineEdit>(d, "userEdit"), "sorpex");
        retype(control<QLineEdit>(d, "passwordEdit"), "secret");
        clickOk(d);
    });
    QCOMPARE(fileMode(f.path), mode_t(0600));
    QVERIFY(f.file().find("User=sorpex\r\nPassword=secret\r\n") != std::string::npos);
    AppSettings again;
    readSettingsFile(again, f.path);
    applySettings(again);
    QCOMPARE(again.mailUser, "sorpex");
    QCOMPARE(again.mailPassword, "secret");

    // A new file is created owner-only from the start.
    Fixture fresh;
    fresh.run([&](QWidget* d) {
        control<QComboBox>(d, "cycleCombo")->setCurrentIndex(3);
        fillMail(d);
        retype(control<QLineEdit>(d, "passwordEdit"), "secret");
        clickOk(d);
    });
    QCOMPARE(fileMode(fresh.path), mode_t(0600));
}

void RepeatDialogTest::aFailedWriteClosesWithoutDerivingTheTrigger() {
    Fixture f;
    f.settings.settingsFilePath = f.dir.file("missing/SORPEX.ini");
    f.run([&](QWidget* d) {
        control<QComboBox>(d, "cycleCombo")->setCurrentIndex(3);
        clickOk(d);
        QVERIFY(!d->isVisible());
    });
    QCOMPARE(f.ui.texts(), std::vector<std::string>{"SORPEX.ini書込みエラー\nError Code = 2"});
    QCOMPARE(f.ui.shown[0].icon, MessageIcon::Stop);
    QCOMPARE(f.settings.scheduleCycle, ScheduleCycle::Daily);
    QCOMPARE(f.settings.trigger.dateMask, 0xFFFFFFFFu); // still the trigger of "none"
}

void RepeatDialogTest::securityFollowsThePortUntilChosenAndAPlainPasswordIsWarnedOf() {
    Fixture f("[AutoStartParam]\r\nAutoStart=YES\r\nCycle=Dayly\r\n");
    f.run([&](QWidget* d) {
        fillMail(d);
        auto* security = control<QComboBox>(d, "securityCombo");
        auto* warning = control<QLabel>(d, "passwordWarningLabel");
        auto* port = control<QLineEdit>(d, "portEdit");
        QCOMPARE(security->currentText(), QString::fromUtf8("なし"));
        QVERIFY(security->isEnabled());
        QVERIFY(warning->isHidden());
        retype(control<QLineEdit>(d, "passwordEdit"), "secret");
        QVERIFY(!warning->isHidden());

        retype(port, "587");
        QCOMPARE(security->currentText(), QString("STARTTLS"));
        QVERIFY(warning->isHidden());
        retype(port, "465");
        QCOMPARE(security->currentText(), QString("SSL/TLS"));
        retype(port, "25");
        QCOMPARE(security->currentIndex(), 0);
        QVERIFY(!warning->isHidden());

        // Once the user has picked one, the port leaves it alone.
        security->setFocus();
        QTest::keyClick(security, Qt::Key_Down);
        QCOMPARE(security->currentText(), QString("STARTTLS"));
        retype(port, "465");
        QCOMPARE(security->currentText(), QString("STARTTLS"));
        auto* usage = control<QCheckBox>(d, "usageCheck");
        QVERIFY(usage->isEnabled() && !usage->isChecked());
        usage->setChecked(true);
        clickOk(d);
        QVERIFY(!d->isVisible());
    });
    QCOMPARE(f.settings.mailSecurity, MailSecurity::StartTls);
    QVERIFY(f.settings.mailUsage);
    QVERIFY(f.file().ends_with("Password=secret\r\nSecurity=1\r\nUsage=1\r\n"));
}

QTEST_MAIN(RepeatDialogTest)
#include "repeat_dialog_test.moc"
