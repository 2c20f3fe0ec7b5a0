#include "ui/entry_dialog.h"

#include "base/cp932.h"
#include "base/qt/cp932_edit.h"
#include "base/qt/dialog_units.h"
#include "base/interaction.h"
#include "base/qt/qt_text.h"
#include "inventory/csv_file.h"
#include "inventory/printer_record.h"
#include "ui/entry_check.h"
#include "base/qt/ip_address_edit.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace sorpex {
namespace {

// The widest text each field of the record takes.
constexpr std::size_t kCommunityLimit = CommunityText::kMaxLength; // 255
constexpr std::size_t kCommentLimit = RecordText::kMaxLength;      // 1023

// A label right-aligned against the control to its right, which starts at x = 67. The old
// dialog gave its labels up to x = 58 and its controls 100 units from x = 61; at 8 units per
// Japanese character "コミュニティ名" needs 56 of them.
void addFieldLabel(QDialog* dialog, const char* text, int y) {
    addLabel(dialog, text, 7, y, 57, 9, Qt::AlignRight | Qt::AlignTop);
}

// The message for a text CP932 cannot store, or nothing.
std::string unencodableRefusal(const char* field, const QString& text) {
    int position = firstUnencodable(text);
    if (position == 0) {
        return {};
    }
    return cp932::fromUtf8(field) + cp932::fromUtf8("に使用できない文字が含まれています（") + std::to_string(position) +
           cp932::fromUtf8("文字目）");
}

// The message for a text the list file would not bring back whole, or nothing: every run of
// quotes loads as one quote (the community would ask the printer with another name).
std::string unsavableRefusal(const char* field, std::string_view text) {
    const std::size_t offset = csvUnsavableQuote(text);
    if (offset == std::string_view::npos) {
        return {};
    }
    const qsizetype position = fromCp932(text.substr(0, offset)).size() + 1;
    return cp932::fromUtf8(field) + cp932::fromUtf8("に続けて並んだ \" や , の直前の \" は保存できません（") +
           std::to_string(position) + cp932::fromUtf8("文字目）");
}

} // namespace

CEntryPrt::CEntryPrt(QWidget* parent) : QDialog(parent) {
    setObjectName("entryDialog");
    setWindowTitle(QString::fromUtf8("プリンタ情報"));
    setFixedSize(dialogSize(this, 169, 145));

    // Created in tab order: OK is the first tab stop and has the focus when the dialog opens.
    m_ok = new QPushButton("OK", this);
    place(m_ok, "okButton", 1, 34, 124, 50, 14);
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QString::fromUtf8("キャンセル"), this);
    place(m_cancel, "cancelButton", 2, 90, 124, 50, 14);

    m_address = new IpAddressEdit(this);
    place(m_address, "addressEdit", 1000, 67, 27, 94, 15);
    addFieldLabel(this, "ＩＰアドレス", 31);

    // What CP932 cannot hold is taken here and refused at OK, with its position.
    m_community = new Cp932LineEdit({.limit = kCommunityLimit, .refuseUnencodable = false}, this);
    place(m_community, "communityEdit", 1001, 67, 44, 94, 14);
    addFieldLabel(this, "コミュニティ名", 49);

    m_comment = new Cp932TextEdit({.limit = kCommentLimit, .refuseUnencodable = false}, this);
    place(m_comment, "commentEdit", 1002, 67, 60, 94, 42);
    addFieldLabel(this, "コメント", 65);

    m_version = new QComboBox(this);
    placeCombo(m_version, "versionCombo", 1003, 67, 106, 60, {QString::fromUtf8("既定値"), "v1", "v2c", "v3"});
    addFieldLabel(this, "SNMP", 108);

    m_id = new QLineEdit(this);
    m_id->setReadOnly(true);
    m_id->setAlignment(Qt::AlignRight);
    m_id->setFocusPolicy(Qt::ClickFocus);
    place(m_id, "idEdit", 1005, 67, 10, 35, 14);
    addFieldLabel(this, "ID", 13);

    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CEntryPrt::setIdText(const QString& text) {
    m_id->setText(text);
}

void CEntryPrt::setValues(const EntryValues& values) {
    m_address->setAddress(values.address);
    m_community->setCp932Text(values.community);
    m_comment->setCp932Text(values.comment);
    m_version->setCurrentIndex(static_cast<int>(values.version));
}

std::uint32_t CEntryPrt::address() const {
    return m_address->address();
}
QString CEntryPrt::communityText() const {
    return m_community->text();
}
QString CEntryPrt::commentText() const {
    return m_comment->crLfText();
}
SnmpVersion CEntryPrt::version() const {
    // The list holds the versions in the order of their values, the settings' default first.
    const int index = m_version->currentIndex();
    return index > 0 ? static_cast<SnmpVersion>(index) : SnmpVersion::Default;
}

void CEntryPrt::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_ok->setFocus(Qt::OtherFocusReason);
}

std::optional<EntryValues> runEntryDialog(QWidget* parent, UserInteraction& ui, const PrinterTable& table,
                                          const std::string& idText, const EntryValues& initial, int skipId) {
    // One dialog for the whole loop: after a refusal it opens again with what was typed.
    CEntryPrt dialog(parent);
    dialog.setIdText(fromCp932(idText));
    dialog.setValues(initial);
    while (dialog.exec() == QDialog::Accepted) {
        // Text CP932 cannot hold would reach the record as '?': refused before the other checks.
        std::string refusal = unencodableRefusal("コミュニティ名", dialog.communityText());
        if (refusal.empty()) {
            refusal = unencodableRefusal("コメント", dialog.commentText());
        }
        EntryValues entered{dialog.address(), toCp932(dialog.communityText()), toCp932(dialog.commentText()),
                            dialog.version()};
        if (refusal.empty()) {
            refusal = unsavableRefusal("コミュニティ名", entered.community);
        }
        if (refusal.empty()) {
            refusal = unsavableRefusal("コメント", entered.comment);
        }
        if (refusal.empty()) {
            refusal = entryRefusal(table, entered.address, entered.community, skipId);
        }
        if (refusal.empty()) {
            return entered;
        }
        ui.showMessage(refusal, MessageIcon::Stop, MessageButtons::Ok);
    }
    return std::nullopt;
}

} // namespace sorpex
