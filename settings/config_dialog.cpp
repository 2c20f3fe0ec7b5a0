#include "settings/config_dialog.h"

#include "base/cp932.h"
#include "base/qt/cp932_edit.h"
#include "base/qt/dialog_units.h"
#include "base/interaction.h"
#include "base/qt/qt_text.h"
#include "settings/app_settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <charconv>

namespace sorpex {
namespace {

// Selects `value` in a list of numbers. A value in range that the list does not offer (from a
// hand-edited file) is added to it, so that OK keeps it; one out of range leaves no selection.
void selectNumber(QComboBox* list, int value, int lowest, int highest) {
    const QString text = QString("%1").arg(value, 2);
    int index = list->findText(text);
    if (index < 0 && value >= lowest && value <= highest) {
        list->addItem(text);
        index = list->count() - 1;
    }
    list->setCurrentIndex(index);
}

} // namespace

SORPEXConfig::SORPEXConfig(AppSettings& settings, UserInteraction& ui, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_ui(ui) {
    setObjectName("configDialog");
    setWindowTitle(QString::fromUtf8("環境設定"));
    setFixedSize(dialogSize(this, 365, 224));

    // The labels start further left and the lists further right than in the old dialog: at 8
    // units per Japanese character "タイムアウト時間：" takes 72 units.
    auto* acquisition = new QGroupBox(QString::fromUtf8("情報取得設定"), this);
    place(acquisition, "acquisitionGroup", 0, 7, 7, 172, 112);
    addLabel(this, "タイムアウト時間：", 15, 22, 72, 8);
    m_timeout = new QComboBox(this);
    placeCombo(m_timeout, "timeoutCombo", 1038, 90, 20, 38,
               {" 1", " 2", " 3", " 4", " 5", " 6", " 7", " 8", " 9", "10"});
    addLabel(this, "秒", 132, 23, 9, 8);
    addLabel(this, "リトライ回数：", 15, 36, 72, 8);
    m_retry = new QComboBox(this);
    placeCombo(m_retry, "retryCombo", 1039, 90, 35, 38, {" 0", " 1", " 2", " 3", " 4", " 5"});
    addLabel(this, "回", 132, 37, 9, 8);
    addLabel(this, "同時取得数：", 15, 52, 72, 8);
    m_parallel = new Cp932LineEdit({.limit = 3, .digitsOnly = true}, this);
    place(m_parallel, "parallelEdit", 0, 90, 50, 38, 12);
    addLabel(this, "台", 132, 52, 9, 8);
    addLabel(this, "情報取得後の自動保存：", 15, 68, 88, 8);
    m_autoSave = new QComboBox(this);
    placeCombo(m_autoSave, "autoSaveCombo", 1042, 106, 67, 40,
               {QString::fromUtf8("しない"), QString::fromUtf8("する")});
    m_supplies = new QCheckBox(QString::fromUtf8("消耗品とシリアル番号を取得する"), this);
    place(m_supplies, "suppliesCheck", 0, 15, 83, 150, 10);
    addLabel(this, "残量の警告値：", 15, 99, 72, 8);
    m_supplyWarn = new Cp932LineEdit({.limit = 3, .digitsOnly = true}, this);
    place(m_supplyWarn, "supplyWarnEdit", 0, 90, 97, 38, 12);
    addLabel(this, "%以下", 132, 99, 30, 8);
    connect(m_supplies, &QCheckBox::toggled, m_supplyWarn, &QWidget::setEnabled);

    auto* paths = new QGroupBox(QString::fromUtf8("パス設定"), this);
    place(paths, "pathGroup", 0, 7, 127, 172, 73);
    addLabel(this, "起動時の呼び出しCSVファイル", 15, 142, 109, 13);
    m_csvPath = new Cp932LineEdit({.limit = kPathLimit}, this);
    place(m_csvPath, "csvPathEdit", 1046, 15, 151, 113, 13);
    auto* csvBrowse = new QPushButton(QString::fromUtf8("参照..."), this);
    place(csvBrowse, "csvBrowseButton", 1043, 131, 151, 40, 12);
    addLabel(this, "自動保存先パス", 15, 170, 109, 13);
    m_savePath = new Cp932LineEdit({.limit = kPathLimit}, this);
    place(m_savePath, "savePathEdit", 1047, 15, 179, 112, 12);
    auto* saveBrowse = new QPushButton(QString::fromUtf8("参照..."), this);
    place(saveBrowse, "saveBrowseButton", 1044, 132, 179, 40, 12);

    auto* snmp = new QGroupBox(QString::fromUtf8("SNMP設定"), this);
    place(snmp, "snmpGroup", 0, 186, 7, 172, 193);
    addLabel(this, "既定のバージョン：", 194, 22, 72, 8);
    m_version = new QComboBox(this);
    placeCombo(m_version, "versionCombo", 0, 270, 20, 80, {"v1", "v2c", "v3"});
    addLabel(this, "SNMPv3", 194, 40, 72, 8);
    addLabel(this, "ユーザー名：", 194, 54, 72, 8);
    m_v3User = new Cp932LineEdit({.limit = kSnmpV3TextLimit}, this);
    place(m_v3User, "v3UserEdit", 0, 270, 52, 80, 12);
    addLabel(this, "認証方式：", 194, 70, 72, 8);
    m_v3Auth = new QComboBox(this);
    QStringList authNames{QString::fromUtf8("なし")};
    for (std::size_t i = 1; i < kSnmpAuthProtocolNames.size(); ++i) {
        authNames << QString::fromLatin1(kSnmpAuthProtocolNames[i].data(), kSnmpAuthProtocolNames[i].size());
    }
    placeCombo(m_v3Auth, "v3AuthCombo", 0, 270, 68, 80, authNames);
    addLabel(this, "認証パスワード：", 194, 86, 72, 8);
    m_v3AuthPassword = new Cp932LineEdit({.limit = kSnmpV3TextLimit}, this);
    place(m_v3AuthPassword, "v3AuthPasswordEdit", 0, 270, 84, 80, 12);
    addLabel(this, "暗号化方式：", 194, 102, 72, 8);
    m_v3Priv = new QComboBox(this);
    QStringList privNames{QString::fromUtf8("なし")};
    for (std::size_t i = 1; i < kSnmpPrivProtocolNames.size(); ++i) {
        privNames << QString::fromLatin1(kSnmpPrivProtocolNames[i].data(), kSnmpPrivProtocolNames[i].size());
    }
    placeCombo(m_v3Priv, "v3PrivCombo", 0, 270, 100, 80, privNames);
    addLabel(this, "暗号化パスワード：", 194, 118, 72, 8);
    m_v3PrivPassword = new Cp932LineEdit({.limit = kSnmpV3TextLimit}, this);
    place(m_v3PrivPassword, "v3PrivPasswordEdit", 0, 270, 116, 80, 12);
    addLabel(this, "コンテキスト名：", 194, 134, 72, 8);
    m_v3Context = new Cp932LineEdit({.limit = kSnmpV3TextLimit}, this);
    place(m_v3Context, "v3ContextEdit", 0, 270, 132, 80, 12);
    m_v3AuthPassword->setEchoMode(QLineEdit::Password);
    m_v3PrivPassword->setEchoMode(QLineEdit::Password);

    auto* ok = new QPushButton("OK", this);
    place(ok, "okButton", 1, 37, 203, 50, 14);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QString::fromUtf8("キャンセル"), this);
    place(cancel, "cancelButton", 2, 115, 203, 50, 14);
    connect(ok, &QPushButton::clicked, this, &SORPEXConfig::accept);
    connect(cancel, &QPushButton::clicked, this, &SORPEXConfig::reject);
    connect(csvBrowse, &QPushButton::clicked, this, &SORPEXConfig::browseCsvFile);
    connect(saveBrowse, &QPushButton::clicked, this, &SORPEXConfig::browseSaveFolder);

    selectNumber(m_timeout, settings.timeoutSeconds, kTimeoutMin, kTimeoutMax);
    selectNumber(m_retry, settings.retryCount, kRetryMin, kRetryMax);
    m_parallel->setCp932Text(std::to_string(settings.parallel));
    m_autoSave->setCurrentIndex(settings.autoSave ? 1 : 0);
    m_supplies->setChecked(settings.supplies);
    m_supplyWarn->setCp932Text(std::to_string(settings.supplyWarn));
    m_supplyWarn->setEnabled(settings.supplies);
    m_csvPath->setCp932Text(settings.defaultCsvPath);
    m_savePath->setCp932Text(settings.defaultSavePath);
    const SnmpV3Credentials& v3 = settings.snmpV3;
    m_version->setCurrentIndex(settings.snmpVersion == SnmpVersion::V3    ? 2
                               : settings.snmpVersion == SnmpVersion::V2c ? 1
                                                                          : 0);
    m_v3User->setCp932Text(v3.user);
    m_v3Auth->setCurrentIndex(static_cast<int>(v3.authProtocol));
    m_v3AuthPassword->setCp932Text(v3.authPassword);
    m_v3Priv->setCurrentIndex(static_cast<int>(v3.privProtocol));
    m_v3PrivPassword->setCp932Text(v3.privPassword);
    m_v3Context->setCp932Text(v3.context);
    auto touched = [this] { m_snmpTouched = true; };
    for (QComboBox* combo : {m_version, m_v3Auth, m_v3Priv}) {
        connect(combo, &QComboBox::currentIndexChanged, this, touched);
    }
    for (Cp932LineEdit* edit : {m_v3User, m_v3AuthPassword, m_v3PrivPassword, m_v3Context}) {
        connect(edit, &QLineEdit::textEdited, this, touched);
    }
}

bool SORPEXConfig::takePath(Cp932LineEdit* edit, const std::string& path) {
    if (path.size() > kPathLimit) {
        m_ui.showMessage(cp932::fromUtf8("パスが長すぎます。259バイト以内のパスを選択してください。"),
                         MessageIcon::Stop, MessageButtons::Ok);
        return false;
    }
    edit->setText(fromCp932(path));
    return true;
}

void SORPEXConfig::browseCsvFile() {
    FileChooserRequest request;
    request.filter = cp932::fromUtf8("CSVファイル(*.csv)|*.csv|");
    request.defaultExtension = "csv";
    request.mustExist = true;
    if (std::optional<std::string> path = m_ui.chooseOpenFile(request)) {
        takePath(m_csvPath, *path);
    }
}

void SORPEXConfig::browseSaveFolder() {
    FileChooserRequest request;
    request.title = cp932::fromUtf8("フォルダ選択");
    if (std::optional<std::string> path = m_ui.chooseFolder(request)) {
        takePath(m_savePath, *path);
    }
}

int SORPEXConfig::numberInRange(Cp932LineEdit* edit, int lowest, int highest, const char* utf8Refusal) {
    std::string text = edit->cp932Text();
    int value = -1;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < lowest || value > highest) {
        m_ui.showMessage(cp932::fromUtf8(utf8Refusal), MessageIcon::Stop, MessageButtons::Ok);
        edit->setFocus();
        edit->selectAll();
        return -1;
    }
    return value;
}

int SORPEXConfig::choiceInRange(QComboBox* list, int lowest, int highest, const char* utf8Refusal) {
    const int value = list->currentIndex() < 0 ? -1 : list->currentText().trimmed().toInt();
    if (value < lowest || value > highest) {
        m_ui.showMessage(cp932::fromUtf8(utf8Refusal), MessageIcon::Stop, MessageButtons::Ok);
        list->setFocus();
        return -1;
    }
    return value;
}

bool SORPEXConfig::takeSnmpValues() {
    if (!m_settings.snmpSettingsError.empty() && !m_snmpTouched) {
        return true;
    }
    SnmpV3Credentials v3;
    v3.user = m_v3User->cp932Text();
    v3.authProtocol = static_cast<SnmpAuthProtocol>(std::max(m_v3Auth->currentIndex(), 0));
    v3.authPassword = m_v3AuthPassword->cp932Text();
    v3.privProtocol = static_cast<SnmpPrivProtocol>(std::max(m_v3Priv->currentIndex(), 0));
    v3.privPassword = m_v3PrivPassword->cp932Text();
    v3.context = m_v3Context->cp932Text();
    std::string refusal = snmpV3Refusal(v3);
    if (refusal.empty() && m_version->currentIndex() == 2 && v3.user.empty()) {
        refusal = cp932::fromUtf8("SNMPv3のユーザー名を入力してください。");
    }
    if (!refusal.empty()) {
        m_ui.showMessage(refusal, MessageIcon::Stop, MessageButtons::Ok);
        return false;
    }
    m_settings.snmpVersion = m_version->currentIndex() == 2   ? SnmpVersion::V3
                             : m_version->currentIndex() == 1 ? SnmpVersion::V2c
                                                              : SnmpVersion::V1;
    m_settings.snmpV3 = v3;
    m_settings.snmpSettingsError.clear();
    return true;
}

void SORPEXConfig::accept() {
    // Refused before anything is stored, so the dialog stays as the user left it. A time-out of
    // 0 would make every printer look silent.
    const int timeout =
        choiceInRange(m_timeout, kTimeoutMin, kTimeoutMax, "タイムアウト時間は 1 から 60 秒の範囲で選択してください。");
    const int retry = timeout < 0 ? -1
                                  : choiceInRange(m_retry, kRetryMin, kRetryMax,
                                                  "リトライ回数は 0 から 10 回の範囲で選択してください。");
    if (retry < 0) {
        return;
    }
    const int parallel =
        numberInRange(m_parallel, kParallelMin, kParallelMax, "同時取得数は 1 から 256 の範囲で入力してください。");
    // The threshold is greyed out with the supplies off; it then keeps its value.
    int supplyWarn = m_settings.supplyWarn;
    if (parallel >= 0 && m_supplies->isChecked()) {
        supplyWarn = numberInRange(m_supplyWarn, kSupplyWarnMin, kSupplyWarnMax,
                                   "残量の警告値は 0 から 100 の範囲で入力してください。");
    }
    if (parallel < 0 || supplyWarn < 0 || !takeSnmpValues()) {
        return;
    }
    m_settings.parallel = parallel;
    m_settings.supplies = m_supplies->isChecked();
    m_settings.supplyWarn = supplyWarn;
    m_settings.timeoutSeconds = timeout;
    m_settings.retryCount = retry;
    m_settings.defaultSavePath = m_savePath->cp932Text();
    m_settings.defaultCsvPath = m_csvPath->cp932Text();
    m_settings.autoSave = m_autoSave->currentIndex() == 1;
    // A failed write has shown its message; the new values still apply until the program ends.
    writeEnvironmentSettings(m_settings, m_ui);
    QDialog::accept();
}

void openEnvironmentSettings(AppSettings& settings, UserInteraction& ui, QWidget* parent) {
    SORPEXConfig dialog(settings, ui, parent);
    dialog.exec();
}

} // namespace sorpex
