#include "snmp/ip_range_dialog.h"

#include "base/qt/dialog_units.h"
#include "base/qt/ip_address_edit.h"

#include <QPushButton>

namespace sorpex {
namespace {

void setOrClear(IpAddressEdit* edit, std::uint32_t address) {
    if (address == 0) {
        edit->clear();
    } else {
        edit->setAddress(address);
    }
}

} // namespace

IpRange::IpRange(QWidget* parent) : QDialog(parent) {
    setObjectName("ipRangeDialog");
    setWindowTitle(QString::fromUtf8("IPアドレス範囲で情報取得"));
    setFixedSize(dialogSize(this, 186, 88));

    addLabel(this, "開始IPアドレス", 12, 14, 58, 9);
    m_start = new IpAddressEdit(this);
    place(m_start, "startAddress", 1000, 72, 11, 100, 15);
    addLabel(this, "終了IPアドレス", 12, 34, 58, 9);
    m_end = new IpAddressEdit(this);
    place(m_end, "endAddress", 1008, 72, 31, 100, 15);
    addLabel(this, "注意：コミュニティ名は、\"public\" 固定です", 12, 52, 168, 9);

    auto* ok = new QPushButton("OK", this);
    place(ok, "okButton", 1, 37, 67, 50, 14);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QString::fromUtf8("キャンセル"), this);
    place(cancel, "cancelButton", 2, 99, 67, 50, 14);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

std::uint32_t IpRange::startAddress() const {
    return m_start->address();
}
std::uint32_t IpRange::endAddress() const {
    return m_end->address();
}
void IpRange::setStartAddress(std::uint32_t address) {
    setOrClear(m_start, address);
}
void IpRange::setEndAddress(std::uint32_t address) {
    setOrClear(m_end, address);
}

} // namespace sorpex
