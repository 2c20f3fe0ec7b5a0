#pragma once

#include <QDialog>

#include <cstdint>

namespace sorpex {

class IpAddressEdit;

// IPアドレス範囲で情報取得: the first and the last address of the range to ask.
class IpRange : public QDialog {
    Q_OBJECT
public:
    explicit IpRange(QWidget* parent = nullptr);

    // 0 when nothing was filled in; a blank field counts as 0.
    std::uint32_t startAddress() const;
    std::uint32_t endAddress() const;
    // A value of 0 leaves the control blank.
    void setStartAddress(std::uint32_t address);
    void setEndAddress(std::uint32_t address);

private:
    IpAddressEdit* m_start;
    IpAddressEdit* m_end;
};

} // namespace sorpex
