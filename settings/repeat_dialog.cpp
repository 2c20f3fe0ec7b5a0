#include "settings/repeat_dialog.h"

#include "base/cp932.h"
#include "base/qt/cp932_edit.h"
#include "base/qt/dialog_units.h"
#include "base/interaction.h"
#include "base/qt/qt_text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <climits>
#include <initializer_list>

namespace sorpex {
namespace {

// Mail edits of the dialog, in bytes as the old edits counted them; the settings file keeps
// more, so a longer value read from it is shown whole and may only get shorter.
constexpr std::size_t kServerLimit = 128;
constexpr std::size_t kPortLimit = 4;
constexpr std::size_t kAddressLimit = 128;
constexpr std::size_t kSubjectLimit = 128;
constexpr std::size_t kBodyLimit = 256;
// With kLoginPort, the ports whose encryption the dialog proposes until the user picks one.
constexpr int kSmtpsPort = 465;

struct WeekdayBox {
    const char* name;
    const char* label;
    int controlId; // Friday comes after Thursday in the week, not in the IDs
    int x;
};

constexpr std::array<WeekdayBox, 7> kWeekdayBoxes = {{{"mondayCheck", "月", 1018, 73},
                                                      {"tuesdayCheck", "火", 1019, 90},
                                                      {"wednesdayCheck", "水", 1020, 107},
                                                      {"thursdayCheck", "木", 1021, 124},
                                                      {"fridayCheck", "金", 1024, 141},
                                                      {"saturdayCheck", "土", 1022, 158},
                                                      {"sundayCheck", "日", 1023, 175}}};

QStringList numberItems(int first, int last, int step) {
    QStringList items;
    for (int n = first; n <= last; n += step) {
        items << QString("%1").arg(n, 2);
    }
    return items;
}

// The decimal value of the port text; the edit takes digits only, and an empty text is 0.
int portValue(const std::string& text) {
    long long value = 0;
    for (char c : text) {
        value = value * 10 + (c - '0');
        if (value > INT_MAX) {
            return INT_MAX;
        }
    }
    return static_cast<int>(value);
}

} // namespace

CRepeat::CRepeat(AppSettings& settings, UserInteraction& ui, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_ui(ui), m_atOpening(valuesOf(settings)) {
    setObjectName("repeatDialog");
    setWindowTitle(QString::fromUtf8("繰り返し取得設定"));
    // Taller than the old dialog: the login of the authenticated mail session, the encryption
    // and its warning; and the note takes three lines, so the mail rows start a line lower.
    setFixedSize(dialogSize(this, 286, 315));

    addLabel(this, "繰り返し登録", 21, 20, 48, 8);
    m_cycle = new QComboBox(this);
    placeCombo(m_cycle, "cycleCombo", 1017, 72, 18, 52,
               {QString::fromUtf8("設定なし"), QString::fromUtf8("毎月"), QString::fromUtf8("毎週"),
                QString::fromUtf8("毎日")});
    m_day = new QComboBox(this);
    placeCombo(m_day, "dayCombo", 1025, 128, 18, 34, numberItems(1, 30, 1) << QString::fromUtf8("最終"));
    addLabel(this, "日", 166, 20, 9, 8);
    m_hour = new QComboBox(this);
    placeCombo(m_hour, "hourCombo", 1026, 177, 18, 30, numberItems(0, 23, 1));
    addLabel(this, "時", 211, 20, 9, 8);
    m_minute = new QComboBox(this);
    placeCombo(m_minute, "minuteCombo", 1027, 223, 18, 30, numberItems(0, 55, 5));
    addLabel(this, "分", 259, 20, 9, 8);

    for (std::size_t day = 0; day < kWeekdayBoxes.size(); ++day) {
        const WeekdayBox& box = kWeekdayBoxes[day];
        addLabel(this, QString::fromUtf8(box.label), box.x, 39, 10, 8);
        m_weekdays[day] = new QCheckBox(this);
        place(m_weekdays[day], box.name, box.controlId, box.x, 50, 16, 10);
    }

    addLabel(this, "メール送信(SMTP)", 21, 68, 64, 8);
    m_mail = new QCheckBox(this);
    place(m_mail, "mailCheck", 1033, 87, 68, 8, 10);
    QLabel* note =
        new QLabel(QString::fromUtf8(
                       "※注意：メール送信機能を使用する場合、ネットワーク管理者に確認してからチェックしてください。"),
                   this);
    note->setWordWrap(true);
    place(note, "mailNote", 0, 101, 64, 155, 24);

    // The labels start left of the old x = 45: "ポート番号:" takes 44 units.
    addLabel(this, "サーバ名:", 40, 97, 46, 8);
    m_server = new Cp932LineEdit({.limit = kServerLimit}, this);
    place(m_server, "serverEdit", 1034, 88, 93, 157, 14);
    addLabel(this, "ポート番号:", 40, 112, 46, 8);
    m_port = new Cp932LineEdit({.limit = kPortLimit, .digitsOnly = true}, this);
    place(m_port, "portEdit", 1035, 88, 109, 31, 14);
    addLabel(this, "暗号化:", 40, 127, 46, 8);
    m_security = new QComboBox(this);
    placeCombo(m_security, "securityCombo", 0, 88, 124, 60,
               {QString::fromUtf8("なし"), QString("STARTTLS"), QString("SSL/TLS")});
    addLabel(this, "差出人:", 40, 142, 46, 8);
    m_from = new Cp932LineEdit({.limit = kAddressLimit}, this);
    place(m_from, "fromEdit", 1036, 88, 139, 157, 14);
    addLabel(this, "ユーザー名:", 40, 157, 46, 8);
    m_user = new Cp932LineEdit({.limit = kLoginLimit}, this);
    place(m_user, "userEdit", 0, 88, 154, 157, 14);
    addLabel(this, "パスワード:", 40, 172, 46, 8);
    m_password = new Cp932LineEdit({.limit = kLoginLimit}, this);
    place(m_password, "passwordEdit", 0, 88, 169, 157, 14);
    m_password->setEchoMode(QLineEdit::Password);
    m_passwordWarning = addLabel(this, "※パスワードは暗号化されずに送信されます。", 40, 185, 205, 8);
    m_passwordWarning->setObjectName("passwordWarningLabel");
    addLabel(this, "宛先:", 40, 198, 46, 8);
    m_to = new Cp932TextEdit({.limit = kAddressLimit}, this);
    place(m_to, "toEdit", 1037, 88, 196, 157, 22);
    // Two lines tall: a scroll bar would leave no room for them; the cursor scrolls the text.
    m_to->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    addLabel(this, "件名:", 40, 221, 46, 8);
    m_subject = new Cp932LineEdit({.limit = kSubjectLimit}, this);
    place(m_subject, "subjectEdit", 1038, 88, 219, 157, 14);
    addLabel(this, "本文:", 40, 234, 46, 8);
    m_body = new Cp932TextEdit({.limit = kBodyLimit, .enterStartsLine = true}, this);
    place(m_body, "bodyEdit", 1039, 88, 234, 157, 43);
    m_body->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_usage = new QCheckBox(QString::fromUtf8("使用枚数を添付する"), this);
    place(m_usage, "usageCheck", 0, 88, 281, 157, 10);

    auto* ok = new QPushButton("OK", this);
    place(ok, "okButton", 1, 60, 294, 50, 14);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QString::fromUtf8("キャンセル"), this);
    place(cancel, "cancelButton", 2, 150, 294, 50, 14);

    m_cycle->setCurrentIndex(static_cast<int>(settings.scheduleCycle));
    m_day->setCurrentIndex(settings.scheduleDayIndex);
    m_hour->setCurrentIndex(settings.scheduleHour);
    m_minute->setCurrentIndex(settings.scheduleMinuteIndex);
    for (std::size_t day = 0; day < m_weekdays.size(); ++day) {
        m_weekdays[day]->setChecked(settings.scheduleWeekdays[day]);
    }
    m_mail->setChecked(settings.mailEnabled);
    m_usage->setChecked(settings.mailUsage);
    m_server->setCp932Text(settings.mailServer);
    m_port->setCp932Text(std::to_string(settings.mailPort));
    m_security->setCurrentIndex(static_cast<int>(settings.mailSecurity));
    m_from->setCp932Text(settings.mailFrom);
    m_user->setCp932Text(settings.mailUser);
    m_password->setCp932Text(settings.mailPassword);
    m_to->setCp932Text(settings.mailTo);
    m_subject->setCp932Text(settings.mailSubject);
    m_body->setCp932Text(settings.mailBody);
    applyEnablingRule();
    updatePasswordWarning();

    connect(m_cycle, &QComboBox::currentIndexChanged, this, &CRepeat::cycleChanged);
    connect(m_mail, &QCheckBox::clicked, this, &CRepeat::mailSwitchClicked);
    connect(m_port, &QLineEdit::textEdited, this, &CRepeat::portEdited);
    // activated comes only from the user, never from the port's preselection.
    connect(m_security, &QComboBox::activated, this, [this] { m_securityChosen = true; });
    connect(m_security, &QComboBox::currentIndexChanged, this, &CRepeat::updatePasswordWarning);
    connect(m_password, &QLineEdit::textChanged, this, &CRepeat::updatePasswordWarning);
    connect(ok, &QPushButton::clicked, this, &CRepeat::accept);
    connect(cancel, &QPushButton::clicked, this, &CRepeat::reject);
}

CRepeat::Values CRepeat::valuesOf(const AppSettings& s) {
    return {s.scheduleCycle,    s.scheduleDayIndex, s.scheduleHour, s.scheduleMinuteIndex,
            s.scheduleWeekdays, s.mailEnabled,      s.mailServer,   s.mailPort,
            s.mailFrom,         s.mailTo,           s.mailSubject,  s.mailBody,
            s.mailUser,         s.mailPassword,     s.mailSecurity, s.mailUsage,
            s.trigger};
}

void CRepeat::restore(const Values& v) {
    AppSettings& s = m_settings;
    s.scheduleCycle = v.cycle;
    s.scheduleDayIndex = v.dayIndex;
    s.scheduleHour = v.hour;
    s.scheduleMinuteIndex = v.minuteIndex;
    s.scheduleWeekdays = v.weekdays;
    s.mailEnabled = v.mailEnabled;
    s.mailServer = v.server;
    s.mailPort = v.port;
    s.mailFrom = v.from;
    s.mailTo = v.to;
    s.mailSubject = v.subject;
    s.mailBody = v.body;
    s.mailUser = v.user;
    s.mailPassword = v.password;
    s.mailSecurity = v.security;
    s.mailUsage = v.usage;
    s.trigger = v.trigger;
}

void CRepeat::applyEnablingRule() {
    ScheduleCycle cycle = m_settings.scheduleCycle;
    bool scheduled = cycle != ScheduleCycle::None;
    m_day->setEnabled(cycle == ScheduleCycle::Monthly);
    for (QCheckBox* box : m_weekdays) {
        box->setEnabled(cycle == ScheduleCycle::Weekly);
    }
    m_hour->setEnabled(scheduled);
    m_minute->setEnabled(scheduled);
    // Without a schedule nothing is mailed, but the switch keeps its state (and OK its checks).
    m_mail->setEnabled(scheduled);
    bool mailEdits = scheduled && m_settings.mailEnabled;
    for (QWidget* edit : std::initializer_list<QWidget*>{m_server, m_port, m_security, m_from, m_user, m_password, m_to,
                                                         m_subject, m_body, m_usage}) {
        edit->setEnabled(mailEdits);
    }
}

void CRepeat::cycleChanged(int index) {
    m_settings.scheduleCycle = static_cast<ScheduleCycle>(index);
    applyEnablingRule();
}

void CRepeat::mailSwitchClicked(bool on) {
    m_settings.mailEnabled = on;
    applyEnablingRule();
}

void CRepeat::portEdited(const QString& text) {
    if (m_securityChosen) {
        return;
    }
    const int port = portValue(text.toStdString());
    const MailSecurity security = port == kLoginPort   ? MailSecurity::StartTls
                                  : port == kSmtpsPort ? MailSecurity::Tls
                                                       : m_atOpening.security;
    m_security->setCurrentIndex(static_cast<int>(security));
}

void CRepeat::updatePasswordWarning() {
    m_passwordWarning->setVisible(m_security->currentIndex() == static_cast<int>(MailSecurity::None) &&
                                  !m_password->text().isEmpty());
}

bool CRepeat::mailFieldsMissing() const {
    const AppSettings& s = m_settings;
    return s.mailEnabled && (s.mailPort == 0 || s.mailServer.empty() || s.mailFrom.empty() || s.mailTo.empty() ||
                             s.mailSubject.empty() || s.mailBody.empty());
}

void CRepeat::accept() {
    AppSettings& s = m_settings;
    s.scheduleCycle = static_cast<ScheduleCycle>(m_cycle->currentIndex());
    s.scheduleDayIndex = m_day->currentIndex();
    s.scheduleHour = m_hour->currentIndex();
    s.scheduleMinuteIndex = m_minute->currentIndex();
    for (std::size_t day = 0; day < m_weekdays.size(); ++day) {
        s.scheduleWeekdays[day] = m_weekdays[day]->isChecked();
    }
    s.mailEnabled = m_mail->isChecked();
    std::string portText = m_port->cp932Text();
    s.mailServer = m_server->cp932Text();
    s.mailPort = portValue(portText);
    s.mailFrom = m_from->cp932Text();
    s.mailTo = m_to->cp932Text();
    s.mailSubject = m_subject->cp932Text();
    s.mailBody = m_body->cp932Text();
    s.mailUser = m_user->cp932Text();
    s.mailPassword = m_password->cp932Text();
    s.mailSecurity = static_cast<MailSecurity>(m_security->currentIndex());
    s.mailUsage = m_usage->isChecked();

    if (mailFieldsMissing()) {
        m_ui.showMessage(cp932::fromUtf8("メール情報をすべて設定してください。"), MessageIcon::Warning,
                         MessageButtons::Ok);
        return;
    }
    // The port goes into the file as typed, leading zeros included.
    if (!writeReportSettings(s, portText, m_ui)) {
        QDialog::accept();
        return;
    }
    m_reportWritten = true;
    // The file now holds the encryption chosen here, not the wrong value it was read with.
    s.mailSettingsError.clear();
    deriveScheduleTrigger(s);
    if (s.scheduleCycle == ScheduleCycle::Weekly &&
        std::find(s.scheduleWeekdays.begin(), s.scheduleWeekdays.end(), true) == s.scheduleWeekdays.end()) {
        m_ui.showMessage(cp932::fromUtf8("曜日にチェックしてください。"), MessageIcon::Warning, MessageButtons::Ok);
        return;
    }
    writeScheduleSettings(s, m_ui);
    QDialog::accept();
}

void CRepeat::reject() {
    restore(m_atOpening);
    // A refused OK may already have written the mail keys: the file goes back with the record,
    // so that a cancelled change does not come back at the next start.
    if (m_reportWritten) {
        writeReportSettings(m_settings, std::to_string(m_settings.mailPort), m_ui);
    }
    QDialog::reject();
}

void openRepeatSettings(AppSettings& settings, UserInteraction& ui, QWidget* parent) {
    CRepeat dialog(settings, ui, parent);
    dialog.exec();
}

} // namespace sorpex
