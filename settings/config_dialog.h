#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QWidget;

namespace sorpex {

struct AppSettings;
class Cp932LineEdit;
class UserInteraction;

// 環境設定: SNMP time-out and retries, printers asked at once, automatic saving, the supplies and
// their warning threshold, the two paths, and the default SNMP version with the v3 credentials. The dialog works on
// its own controls; only OK stores them into the settings and writes the AppParam keys.
class SORPEXConfig : public QDialog {
    Q_OBJECT
public:
    SORPEXConfig(AppSettings& settings, UserInteraction& ui, QWidget* parent = nullptr);

    void accept() override;

private:
    void browseCsvFile();
    void browseSaveFolder();
    bool takePath(Cp932LineEdit* edit, const std::string& path);
    // The edit's number when it lies in [lowest, highest]; otherwise the refusal is shown, the
    // edit selected, and -1 given.
    int numberInRange(Cp932LineEdit* edit, int lowest, int highest, const char* utf8Refusal);
    // The same for the number chosen in a list; no choice is refused too.
    int choiceInRange(QComboBox* list, int lowest, int highest, const char* utf8Refusal);
    // The SNMP group's values; false after showing why they cannot be used.
    bool takeSnmpValues();

    AppSettings& m_settings;
    UserInteraction& m_ui;
    QComboBox* m_timeout;
    QComboBox* m_retry;
    Cp932LineEdit* m_parallel;
    QComboBox* m_autoSave;
    QCheckBox* m_supplies;
    Cp932LineEdit* m_supplyWarn;
    Cp932LineEdit* m_csvPath;
    Cp932LineEdit* m_savePath;
    QComboBox* m_version;
    Cp932LineEdit* m_v3User;
    QComboBox* m_v3Auth;
    Cp932LineEdit* m_v3AuthPassword;
    QComboBox* m_v3Priv;
    Cp932LineEdit* m_v3PrivPassword;
    Cp932LineEdit* m_v3Context;
    // With a SnmpParam value the file holds but this version cannot use, the group is written
    // only once the user has changed something in it.
    bool m_snmpTouched = false;
};

// 環境設定 (32807): time-out, retries, printers at once, automatic save and the two paths.
void openEnvironmentSettings(AppSettings& settings, UserInteraction& ui, QWidget* parent);

} // namespace sorpex
