#pragma once

#include "settings/app_settings.h"

#include <QDialog>

#include <array>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QWidget;

namespace sorpex {

class Cp932LineEdit;
class Cp932TextEdit;
class UserInteraction;

// 繰り返し取得設定: the schedule of the repeated acquisition and the report mail. The cycle and
// the mail switch reach the settings as soon as they change, so that the controls follow
// them; OK stores the rest, writes the ReportParam and AutoStartParam keys and derives the
// trigger. Cancel puts back every value the dialog may have changed, also after a refused OK.
class CRepeat : public QDialog {
    Q_OBJECT
public:
    CRepeat(AppSettings& settings, UserInteraction& ui, QWidget* parent = nullptr);

    void accept() override;
    void reject() override;

private:
    // The values of the settings this dialog changes, as they were at opening.
    struct Values {
        ScheduleCycle cycle;
        int dayIndex;
        int hour;
        int minuteIndex;
        std::array<bool, 7> weekdays;
        bool mailEnabled;
        std::string server;
        int port;
        std::string from;
        std::string to;
        std::string subject;
        std::string body;
        std::string user;
        std::string password;
        MailSecurity security;
        bool usage;
        ScheduleTrigger trigger;
    };
    static Values valuesOf(const AppSettings& settings);
    void restore(const Values& values);

    void applyEnablingRule();
    void cycleChanged(int index);
    void mailSwitchClicked(bool on);
    void portEdited(const QString& text);
    void updatePasswordWarning();
    bool mailFieldsMissing() const;

    AppSettings& m_settings;
    UserInteraction& m_ui;
    Values m_atOpening;
    bool m_reportWritten = false;
    bool m_securityChosen = false; // by the user, in this opening: the port no longer picks it

    QComboBox* m_cycle;
    QComboBox* m_day;
    QComboBox* m_hour;
    QComboBox* m_minute;
    std::array<QCheckBox*, 7> m_weekdays{};
    QCheckBox* m_mail;
    Cp932LineEdit* m_server;
    Cp932LineEdit* m_port;
    QComboBox* m_security;
    QCheckBox* m_usage;
    Cp932LineEdit* m_from;
    Cp932LineEdit* m_user;
    Cp932LineEdit* m_password;
    QLabel* m_passwordWarning;
    Cp932TextEdit* m_to;
    Cp932LineEdit* m_subject;
    Cp932TextEdit* m_body;
};

// 繰り返し取得設定 (32805): the schedule and the report mail.
void openRepeatSettings(AppSettings& settings, UserInteraction& ui, QWidget* parent);

} // namespace sorpex
