#pragma once

#include "base/snmp_version.h"

#include <QDialog>

#include <cstdint>
#include <optional>
#include <string>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace sorpex {

class Cp932LineEdit;
class Cp932TextEdit;
class IpAddressEdit;
class PrinterTable;
class UserInteraction;

// What the user edits of a printer. Texts are CP932, as the record keeps them.
struct EntryValues {
    std::uint32_t address = 0; // first octet in the most significant byte
    std::string community;
    std::string comment;
    SnmpVersion version = SnmpVersion::Default;
};

// プリンタ情報: one printer's address, community, comment and SNMP version, with its ID shown
// read-only.
// The dialog never touches the table; runEntryDialog validates and the caller writes.
class CEntryPrt : public QDialog {
    Q_OBJECT
public:
    explicit CEntryPrt(QWidget* parent = nullptr);

    void setIdText(const QString& text);
    void setValues(const EntryValues& values);

    std::uint32_t address() const;
    // As typed; they may hold characters CP932 cannot store, which runEntryDialog refuses.
    QString communityText() const;
    QString commentText() const; // with CR LF line breaks
    SnmpVersion version() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QPushButton* m_ok;
    QPushButton* m_cancel;
    IpAddressEdit* m_address;
    Cp932LineEdit* m_community;
    Cp932TextEdit* m_comment;
    QComboBox* m_version;
    QLineEdit* m_id;
};

// Shows the dialog until the entry is valid or cancelled. Each refusal is shown through `ui`
// and the dialog opens again with what was typed. `skipId` is the row the duplicate check
// leaves out (0 for a new printer).
std::optional<EntryValues> runEntryDialog(QWidget* parent, UserInteraction& ui, const PrinterTable& table,
                                          const std::string& idText, const EntryValues& initial, int skipId);

} // namespace sorpex
