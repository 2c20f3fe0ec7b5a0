#pragma once

#include <QFrame>

#include <array>
#include <cstdint>

class QLineEdit;

namespace sorpex {

// An IPv4 address in four numeric fields of 0 to 255, drawn as one edit. A blank field counts
// as 0. The fields are one tab stop; the cursor moves on by itself after three digits or a dot.
class IpAddressEdit : public QFrame {
    Q_OBJECT
public:
    explicit IpAddressEdit(QWidget* parent = nullptr);

    // The first octet in the most significant byte.
    std::uint32_t address() const;
    // Fills all four fields; 0 shows as 0.0.0.0.
    void setAddress(std::uint32_t address);
    // Empties all four fields.
    void clear();
    bool isBlank() const;

    QLineEdit* field(int index) const { return m_fields[static_cast<std::size_t>(index)]; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void moveTo(int index, bool selectAll, bool atEnd);
    void fieldEdited(int index);

    std::array<QLineEdit*, 4> m_fields{};
    bool m_moving = false; // the control itself moves the focus and places the cursor
};

} // namespace sorpex
