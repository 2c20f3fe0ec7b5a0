#include "base/qt/ip_address_edit.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QValidator>

namespace sorpex {
namespace {

// Digits only, at most three, no more than 255. Anything else is refused as it is typed.
class OctetValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        if (input.size() > 3) {
            return Invalid;
        }
        int value = 0;
        for (QChar c : input) {
            if (c < QChar('0') || c > QChar('9')) {
                return Invalid;
            }
            value = value * 10 + (c.unicode() - '0');
        }
        return value <= 255 ? Acceptable : Invalid;
    }
};

} // namespace

IpAddressEdit::IpAddressEdit(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 0, 2, 0);
    layout->setSpacing(0);
    auto* validator = new OctetValidator(this);
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            auto* dot = new QLabel(".", this);
            dot->setBackgroundRole(QPalette::Base);
            layout->addWidget(dot);
        }
        auto* field = new QLineEdit(this);
        field->setObjectName(QString("octet%1").arg(i));
        field->setFrame(false);
        field->setAlignment(Qt::AlignCenter);
        field->setValidator(validator);
        field->setMaxLength(3);
        field->setMinimumWidth(fontMetrics().horizontalAdvance("0000"));
        // The control is one tab stop: Tab leaves it from any field.
        field->setFocusPolicy(i == 0 ? Qt::StrongFocus : Qt::ClickFocus);
        field->installEventFilter(this);
        connect(field, &QLineEdit::textEdited, this, [this, i] { fieldEdited(i); });
        // "010" reads as 10; show it so once the field is left.
        connect(field, &QLineEdit::editingFinished, field, [field] {
            if (!field->text().isEmpty()) {
                field->setText(QString::number(field->text().toUInt()));
            }
        });
        layout->addWidget(field, 1);
        m_fields[static_cast<std::size_t>(i)] = field;
    }
    // Focus given to the control goes to its first field; the frame itself is no tab stop.
    setFocusPolicy(Qt::NoFocus);
    setFocusProxy(m_fields[0]);
}

std::uint32_t IpAddressEdit::address() const {
    std::uint32_t address = 0;
    for (QLineEdit* field : m_fields) {
        address = address << 8 | static_cast<std::uint32_t>(field->text().toUInt());
    }
    return address;
}

void IpAddressEdit::setAddress(std::uint32_t address) {
    for (int i = 0; i < 4; ++i) {
        field(i)->setText(QString::number((address >> (24 - 8 * i)) & 0xFF));
    }
}

void IpAddressEdit::clear() {
    for (QLineEdit* field : m_fields) {
        field->clear();
    }
}

bool IpAddressEdit::isBlank() const {
    for (QLineEdit* field : m_fields) {
        if (!field->text().isEmpty()) {
            return false;
        }
    }
    return true;
}

void IpAddressEdit::moveTo(int index, bool selectAll, bool atEnd) {
    QLineEdit* target = field(index);
    m_moving = true;
    target->setFocus(Qt::OtherFocusReason);
    m_moving = false;
    if (selectAll) {
        target->selectAll();
    } else {
        target->setCursorPosition(atEnd ? static_cast<int>(target->text().size()) : 0);
    }
}

void IpAddressEdit::fieldEdited(int index) {
    QLineEdit* edited = field(index);
    if (index < 3 && edited->text().size() == 3 && edited->cursorPosition() == 3) {
        moveTo(index + 1, true, false);
    }
}

bool IpAddressEdit::eventFilter(QObject* watched, QEvent* event) {
    int index = 0;
    while (index < 4 && field(index) != watched) {
        ++index;
    }
    if (index == 4) {
        return QFrame::eventFilter(watched, event);
    }
    QLineEdit* edit = field(index);
    if (event->type() == QEvent::FocusIn && !m_moving) {
        // Whatever brought the focus, typing replaces the field, as it does after a jump. The
        // selection waits for the mouse press that may have brought the focus.
        QTimer::singleShot(0, edit, [edit] {
            if (edit->hasFocus()) {
                edit->selectAll();
            }
        });
        return false;
    }
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    auto* key = static_cast<QKeyEvent*>(event);
    const bool atStart = edit->cursorPosition() == 0 && !edit->hasSelectedText();
    const bool atEnd = edit->cursorPosition() == edit->text().size() && !edit->hasSelectedText();
    switch (key->key()) {
    case Qt::Key_Period:
    case Qt::Key_Space:
        // A dot typed right after a jump (the field still wholly selected) is the one the user
        // would have typed anyway: it does not jump again.
        if (index < 3 && !edit->text().isEmpty() && edit->selectedText() != edit->text()) {
            moveTo(index + 1, true, false);
        }
        return true;
    case Qt::Key_Backspace:
        if (index > 0 && atStart) {
            moveTo(index - 1, false, true);
            return true;
        }
        break;
    case Qt::Key_Left:
        if (index > 0 && atStart) {
            moveTo(index - 1, false, true);
            return true;
        }
        break;
    case Qt::Key_Right:
        if (index < 3 && atEnd) {
            moveTo(index + 1, false, false);
            return true;
        }
        break;
    default:
        break;
    }
    return QFrame::eventFilter(watched, event);
}

} // namespace sorpex
