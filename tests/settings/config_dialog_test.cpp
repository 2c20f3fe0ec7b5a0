#include "base/cp932.h"
#include "settings/app_settings.h"
#include "settings/config_dialog.h"
#include "tests/support/qt/modal_driver.h"
#include "tests/support/scripted_interaction.h"
#include "tests/support/temp_dir.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <functional>
#include <sys/stat.h>

using namespace sorpex;
using namespace sorpex::test;

namespace {

void click(QWidget* dialog, const char* button) {
    control<QPushButton>(dialog, button)->click();
}

struct Fixture {
    TempDir dir;
    ScriptedInteraction ui;
    AppSettings settings;
    std::string path = dir.file("SORPEX.ini");

    explicit Fixture(const std::string& ini = "") {
        if (!ini.empty()) {
            writeFileBytes(path, ini);
            chmod(path.c_str(), 0644);
        }
        readSettingsFile(settings, path);
        applySettings(settings);
    }
    void run(const std::function<void(QWidget*)>& act) {
        ModalDriver driver;
        driver.run(
            "configDialog", [this] { openEnvironmentSettings(settings, ui, nullptr); }, act);
    }
    std::string file() const { return std::filesystem::exists(path) ? readFileBytes(path) : "(none)"; }
};

} // namespace

class ConfigDialogTest : public QObject {
    Q_OBJECT

private slots:
    void okWithoutChangesWritesEveryKeyBack();
    void choicesAndBrowsedPathsAreStored();
    void suppliesAndTheirThresholdAreStored();
    void cancelAfterBrowsingChangesNothing();
    void valuesOutsideTheListsOpenUnselected();
    void aFailedWriteStillClosesAndKeepsTheValues();
    void snmpVersionAndV3CredentialsAreCheckedAndStored();
};

void ConfigDialogTest::okWithoutChangesWritesEveryKeyBack() {
    Fixture f("[AppParam]\r\nFilter=A;B\r\nFilter_Enable=off\r\n\r\n[ReportParam]\r\nPassword=pw\r\n");
    f.run([&](QWidget* d) {
        QCOMPARE(d->windowTitle(), QString::fromUtf8("環境設定"));
        QCOMPARE(control<QComboBox>(d, "timeoutCombo")->currentText(), QString(" 2"));
        QCOMPARE(control<QComboBox>(d, "retryCombo")->currentText(), QString(" 0"));
        QCOMPARE(control<QComboBox>(d, "autoSaveCombo")->currentText(), QString::fromUtf8("しない"));
        QCOMPARE(control<QLineEdit>(d, "parallelEdit")->text(), QString("10"));
        click(d, "okButton");
    });
    // Parallel at its default is not written: the file stays as the Windows version writes it.
    QCOMPARE(f.file(), "[AppParam]\r\nFilter=A;B;\r\nFilter_Enable=off\r\nTimeOut=2\r\nRetry=0\r\nDefalutCSV=\r\n"
                       "DefalutSavePath=\r\nAuto_Save=OFF\r\n\r\n[ReportParam]\r\nPassword=pw\r\n");
    // The file holds a password, so whoever rewrites it leaves it to its owner alone.
    struct stat info {};
    stat(f.path.c_str(), &info);
    QCOMPARE(info.st_mode & 0777, 0600u);
    QVERIFY(f.ui.shown.empty());
}

void ConfigDialogTest::choicesAndBrowsedPathsAreStored() {
    Fixture f;
    const std::string csv = cp932::fromUtf8("/データ/一覧.csv");
    f.run([&](QWidget* d) {
        auto* csvEdit = control<QLineEdit>(d, "csvPathEdit");
        auto* saveEdit = control<QLineEdit>(d, "savePathEdit");
        f.ui.chooseNext(csv);
        click(d, "csvBrowseButton");
        QCOMPARE(csvEdit->text(), QString::fromUtf8("/データ/一覧.csv"));
        QCOMPARE(f.ui.asked[0].kind, ScriptedInteraction::Asked::Open);
        QCOMPARE(f.ui.asked[0].request.filter, cp932::fromUtf8("CSVファイル(*.csv)|*.csv|"));
        QCOMPARE(f.ui.asked[0].request.defaultExtension, "csv");
        QVERIFY(f.ui.asked[0].request.mustExist);

        saveEdit->setText("/typed");
        f.ui.chooseNext(std::nullopt);
        click(d, "saveBrowseButton");
        QCOMPARE(saveEdit->text(), QString("/typed"));
        QCOMPARE(f.ui.asked[1].kind, ScriptedInteraction::Asked::Folder);
        QCOMPARE(f.ui.asked[1].request.title, cp932::fromUtf8("フォルダ選択"));
        f.ui.chooseNext("/" + std::string(259, 'r')); // one byte over the limit
        click(d, "saveBrowseButton");
        QCOMPARE(saveEdit->text(), QString("/typed"));
        QCOMPARE(f.ui.shown.size(), 1u);
        f.ui.chooseNext("/data/reports");
        click(d, "saveBrowseButton");

        // Typing stops at 259 bytes; a double-byte character does not squeeze into the last one.
        csvEdit->setText(QString(258, 'c'));
        csvEdit->insert(QString::fromUtf8("表"));
        QCOMPARE(csvEdit->text().size(), 258);
        csvEdit->setText(QString::fromUtf8("/データ/一覧.csv"));

        control<QComboBox>(d, "timeoutCombo")->setCurrentIndex(9);
        control<QComboBox>(d, "retryCombo")->setCurrentIndex(5);
        control<QComboBox>(d, "autoSaveCombo")->setCurrentIndex(1);

        // Out of range or empty: refused, and the dialog stays with what was typed.
        auto* parallel = control<QLineEdit>(d, "parallelEdit");
        for (const char* typed : {"0", "257", ""}) {
            parallel->setText(typed);
            click(d, "okButton");
            QVERIFY(d->isVisible());
            QCOMPARE(parallel->text(), QString(typed));
        }
        QCOMPARE(f.ui.texts().size(), 4u);
        QCOMPARE(f.ui.texts().back(), "同時取得数は 1 から 256 の範囲で入力してください。");
        QCOMPARE(f.ui.shown.back().icon, MessageIcon::Stop);
        QCOMPARE(f.settings.timeoutSeconds, 2);
        parallel->setText("256");
        click(d, "okButton");
    });
    QCOMPARE(f.file(), "[AppParam]\r\nFilter=\r\nTimeOut=10\r\nRetry=5\r\nDefalutCSV=" + csv +
                           "\r\nDefalutSavePath=/data/reports\r\nFilter_Enable=ON\r\nAuto_Save=ON\r\nParallel=256\r\n");
    QCOMPARE(f.settings.parallel, 256);
    QCOMPARE(f.settings.timeoutSeconds, 10);
    QCOMPARE(f.settings.retryCount, 5);
    QVERIFY(f.settings.autoSave);
    QCOMPARE(f.settings.defaultCsvPath, csv);
}

void ConfigDialogTest::suppliesAndTheirThresholdAreStored() {
    Fixture f("[AppParam]\r\nSupplyWarn=15\r\n");
    f.run([&](QWidget* d) {
        auto* check = control<QCheckBox>(d, "suppliesCheck");
        auto* warn = control<QLineEdit>(d, "supplyWarnEdit");
        QCOMPARE(check->text(), QString::fromUtf8("消耗品とシリアル番号を取得する"));
        QVERIFY(!check->isChecked());
        QVERIFY(!warn->isEnabled());
        QCOMPARE(warn->text(), QString("15"));
        check->setChecked(true);
        QVERIFY(warn->isEnabled());
        for (const char* typed : {"101", ""}) {
            warn->setText(typed);
            click(d, "okButton");
            QVERIFY(d->isVisible());
        }
        QCOMPARE(f.ui.texts().back(), "残量の警告値は 0 から 100 の範囲で入力してください。");
        QVERIFY(!f.settings.supplies);
        warn->setText("100");
        click(d, "okButton");
    });
    QVERIFY(f.settings.supplies);
    QCOMPARE(f.settings.supplyWarn, 100);
    const std::string written = "[AppParam]\r\nSupplyWarn=100\r\nFilter=\r\nTimeOut=2\r\nRetry=0\r\nDefalutCSV=\r\n"
                                "DefalutSavePath=\r\nFilter_Enable=ON\r\nAuto_Save=OFF\r\nSupplies=1\r\n";
    QCOMPARE(f.file(), written);

    // Off again: the key stays, now 0, and the greyed-out threshold is not taken.
    f.run([&](QWidget* d) {
        control<QCheckBox>(d, "suppliesCheck")->setChecked(false);
        control<QLineEdit>(d, "supplyWarnEdit")->setText("200");
        click(d, "okButton");
    });
    QCOMPARE(f.file(), written.substr(0, written.size() - 3) + "0\r\n");
}

void ConfigDialogTest::cancelAfterBrowsingChangesNothing() {
    const std::string ini = "[AppParam]\r\nDefalutCSV=/old.csv\r\nTimeOut=4\r\n";
    Fixture f(ini);
    f.run([&](QWidget* d) {
        f.ui.chooseNext("/new.csv");
        click(d, "csvBrowseButton");
        f.ui.chooseNext("/new");
        click(d, "saveBrowseButton");
        control<QComboBox>(d, "timeoutCombo")->setCurrentIndex(0);
        click(d, "cancelButton");
    });
    QCOMPARE(f.file(), ini);
    QCOMPARE(f.settings.defaultCsvPath, "/old.csv");
    QCOMPARE(f.settings.defaultSavePath, "");
    QCOMPARE(f.settings.timeoutSeconds, 4);
}

void ConfigDialogTest::valuesOutsideTheListsOpenUnselected() {
    // In range but not offered (a hand-edited file): added to the list and kept by OK. Out of
    // range: read as the defaults, never stored as a time-out of 0.
    Fixture f("[AppParam]\r\nTimeOut=30\r\nRetry=8\r\nParallel=999\r\n");
    f.run([&](QWidget* d) {
        QCOMPARE(control<QLineEdit>(d, "parallelEdit")->text(), QString("10"));
        QCOMPARE(control<QComboBox>(d, "timeoutCombo")->currentText(), QString("30"));
        QCOMPARE(control<QComboBox>(d, "retryCombo")->currentText(), QString(" 8"));
        click(d, "okButton");
    });
    QCOMPARE(f.settings.timeoutSeconds, 30);
    QCOMPARE(f.settings.retryCount, 8);
    QVERIFY(f.file().starts_with("[AppParam]\r\nTimeOut=30\r\nRetry=8\r\nParallel=10\r\n"));

    Fixture outside("[AppParam]\r\nTimeOut=0\r\nRetry=11\r\n");
    outside.run([&](QWidget* d) {
        QCOMPARE(control<QComboBox>(d, "timeoutCombo")->currentText(), QString(" 2"));
        QCOMPARE(control<QComboBox>(d, "retryCombo")->currentText(), QString(" 0"));
        click(d, "cancelButton");
    });

    // A record set outside the ranges by other means opens unselected, and OK says the range.
    Fixture unset;
    unset.settings.timeoutSeconds = 0;
    unset.settings.retryCount = -1;
    unset.run([&](QWidget* d) {
        QCOMPARE(control<QComboBox>(d, "timeoutCombo")->currentIndex(), -1);
        click(d, "okButton");
        QVERIFY(d->isVisible());
        control<QComboBox>(d, "timeoutCombo")->setCurrentIndex(0);
        click(d, "okButton");
        QVERIFY(d->isVisible());
        control<QComboBox>(d, "retryCombo")->setCurrentIndex(1);
        click(d, "okButton");
    });
    QCOMPARE(unset.ui.texts(), (std::vector<std::string>{"タイムアウト時間は 1 から 60 秒の範囲で選択してください。",
                                                         "リトライ回数は 0 から 10 回の範囲で選択してください。"}));
    QCOMPARE(unset.settings.timeoutSeconds, 1);
    QCOMPARE(unset.settings.retryCount, 1);
}

void ConfigDialogTest::aFailedWriteStillClosesAndKeepsTheValues() {
    Fixture f;
    f.settings.settingsFilePath = f.dir.file("missing/SORPEX.ini");
    f.run([&](QWidget* d) {
        control<QComboBox>(d, "retryCombo")->setCurrentIndex(3);
        click(d, "okButton");
        QVERIFY(!d->isVisible());
    });
    QCOMPARE(f.ui.texts(), std::vector<std::string>{"SORPEX.ini書込みエラー\nError Code = 2"});
    QCOMPARE(f.settings.retryCount, 3);
}

void ConfigDialogTest::snmpVersionAndV3CredentialsAreCheckedAndStored() {
    // A value this version cannot use stays in the file while the group is left alone.
    const std::string unknown = "[SnmpParam]\r\nV3AuthProtocol=SHA-999\r\nV3AuthPassword=12345678\r\n";
    Fixture f(unknown);
    QCOMPARE(cp932::toUtf8(f.settings.snmpSettingsError),
             std::string("SORPEX.iniの設定値が正しくありません。\n[SnmpParam] V3AuthProtocol=SHA-999\n"
                         "(なし, MD5, SHA, SHA-224, SHA-256, SHA-384, SHA-512)"));
    f.run([&](QWidget* d) { click(d, "okButton"); });
    QVERIFY(f.file().starts_with(unknown));
    QVERIFY(!f.settings.snmpSettingsError.empty());

    f.run([&](QWidget* d) {
        control<QComboBox>(d, "versionCombo")->setCurrentIndex(2);
        auto* user = control<QLineEdit>(d, "v3UserEdit");
        user->setText("admin");
        emit user->textEdited(user->text());
        control<QComboBox>(d, "v3AuthCombo")->setCurrentIndex(4);
        control<QComboBox>(d, "v3PrivCombo")->setCurrentIndex(2);
        auto* authPassword = control<QLineEdit>(d, "v3AuthPasswordEdit");
        auto* privPassword = control<QLineEdit>(d, "v3PrivPasswordEdit");
        QCOMPARE(authPassword->echoMode(), QLineEdit::Password);
        for (auto [auth, priv] : {std::pair{"1234567", "privpass"}, std::pair{"authpass", ""}}) {
            authPassword->setText(auth);
            privPassword->setText(priv);
            click(d, "okButton");
            QVERIFY(d->isVisible());
        }
        QCOMPARE(f.ui.texts(),
                 (std::vector<std::string>{"SNMPv3の設定 V3AuthPassword: パスワードは8文字以上で入力してください。",
                                           "SNMPv3の設定 V3PrivProtocol/V3PrivPassword: "
                                           "暗号化プロトコルと暗号化パスワードは両方設定してください。"}));
        privPassword->setText("privpass");
        click(d, "okButton");
    });
    QVERIFY(f.settings.snmpSettingsError.empty());
    QCOMPARE(f.settings.snmpVersion, SnmpVersion::V3);
    QVERIFY(f.file().starts_with("[SnmpParam]\r\nV3AuthProtocol=SHA-256\r\nV3AuthPassword=authpass\r\nVersion=3\r\n"
                                 "V3User=admin\r\nV3PrivProtocol=AES\r\nV3PrivPassword=privpass\r\n\r\n[AppParam]"));
    struct stat info {};
    stat(f.path.c_str(), &info);
    QCOMPARE(info.st_mode & 0777, 0600u);
}

QTEST_MAIN(ConfigDialogTest)
#include "config_dialog_test.moc"
