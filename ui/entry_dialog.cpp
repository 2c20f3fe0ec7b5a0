#include "ui/entry_dialog.h"

#include "base/cp932.h"
#include "base/qt/cp932_edit.h"
#include "base/qt/dialog_units.h"
#include "base/interaction.h"
#include "base/qt/qt_text.h"
#include "inventory/printer_record.h"
#include "ui/entry_check.h"
#include "base/qt/ip_address_edit.h"

#include <QLineEdit>
#include <QPushButton>

namespace sorpex {
namespace {

// The widest text each field of the record takes.
constexpr std::size_t kCommunityLimit = CommunityText::kMaxLength; // 255
constexpr std::size_t kCommentLimit = RecordText::kMaxLength;      // 1023

// A label right-aligned against the control to its right, which starts at x = 61.
void addFieldLabel(QDialog* dialog, const char* text, int x, int y) {
    addLabel(dialog, text, x, y, 58 - x, 9, Qt::AlignRight | Qt::AlignTop);
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

} // namespace

CEntryPrt::CEntryPrt(QWidget* parent) : QDialog(parent) {
    setObjectName("entryDialog");
    setWindowTitle(QString::fromUtf8("プリンタ情報"));
    setFixedSize(dialogSize(this, 169, 129));

    // Created in tab order: OK is the first tab stop and has the focus when the dialog opens.
    m_ok = new QPushButton("OK", this);
    m_ok->setObjectName("okButton");
    m_ok->setDefault(true);
    m_ok->setGeometry(dialogRect(this, 34, 108, 50, 14));
    m_cancel = new QPushButton(QString::fromUtf8("キャンセル"), this);
    m_cancel->setObjectName("cancelButton");
    m_cancel->setGeometry(dialogRect(this, 90, 108, 50, 14));

    m_address = new IpAddressEdit(this);
    m_address->setObjectName("addressEdit");
    m_address->setGeometry(dialogRect(this, 61, 27, 100, 15));
    addFieldLabel(this, "ＩＰアドレス", 12, 31);

    // What CP932 cannot hold is taken here and refused at OK, with its position.
    m_community = new Cp932LineEdit({.limit = kCommunityLimit, .refuseUnencodable = false}, this);
    m_community->setObjectName("communityEdit");
    m_community->setGeometry(dialogRect(this, 61, 44, 100, 14));
    addFieldLabel(this, "コミュニティ名", 7, 49);

    m_comment = new Cp932TextEdit({.limit = kCommentLimit, .refuseUnencodable = false}, this);
    m_comment->setObjectName("commentEdit");
    m_comment->setGeometry(dialogRect(this, 61, 60, 100, 42));
    addFieldLabel(this, "コメント", 13, 65);

    m_id = new QLineEdit(this);
    m_id->setObjectName("idEdit");
    m_id->setReadOnly(true);
    m_id->setAlignment(Qt::AlignRight);
    m_id->setFocusPolicy(Qt::ClickFocus);
    m_id->setGeometry(dialogRect(this, 61, 10, 35, 14));
    addFieldLabel(this, "ID", 16, 13);

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
        EntryValues entered{dialog.address(), toCp932(dialog.communityText()), toCp932(dialog.commentText())};
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
