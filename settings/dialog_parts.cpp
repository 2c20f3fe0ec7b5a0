#include "settings/dialog_parts.h"

#include "app/dialog_units.h"
#include "app/qt_text.h"

#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>
#include <optional>

namespace sorpex {
namespace {

// The bytes `text` takes in CP932, or nothing when CP932 cannot hold one of its characters.
std::optional<std::size_t> storedLength(const QString& text) {
    bool ok = true;
    std::string bytes = toCp932(text, &ok);
    if (!ok) {
        return std::nullopt;
    }
    return bytes.size();
}

QString withCrLf(QString text) {
    return text.replace('\n', QStringLiteral("\r\n"));
}

} // namespace

QLabel* addLabel(QDialog* dialog, const QString& text, int x, int y, int width, int height) {
    auto* label = new QLabel(text, dialog);
    label->setGeometry(dialogRect(dialog, x, y, width, height));
    return label;
}

void place(QWidget* control, const char* name, int controlId, int x, int y, int width, int height) {
    control->setObjectName(name);
    if (controlId != 0) {
        control->setProperty("controlId", controlId);
    }
    control->setGeometry(dialogRect(control->parentWidget(), x, y, width, height));
}

void placeCombo(QComboBox* combo, const char* name, int controlId, int x, int y, int width, const QStringList& items) {
    combo->addItems(items);
    combo->setMaxVisibleItems(static_cast<int>(items.size()));
    place(combo, name, controlId, x, y, width, 12);
    combo->resize(combo->width(), combo->sizeHint().height());
}

Cp932Validator::Cp932Validator(std::size_t limit, Kind kind, QObject* parent)
    : QValidator(parent), m_allowed(limit), m_kind(kind) {}

void Cp932Validator::allowAtLeast(std::size_t bytes) {
    m_allowed = std::max(m_allowed, bytes);
}

QValidator::State Cp932Validator::validate(QString& input, int&) const {
    for (QChar c : input) {
        // A line break in a one-line value would be lost in the settings file.
        if (c.unicode() < 0x20 || (m_kind == DigitsOnly && (c < QChar('0') || c > QChar('9')))) {
            return Invalid;
        }
    }
    std::optional<std::size_t> length = storedLength(input);
    return length && *length <= m_allowed ? Acceptable : Invalid;
}

void setUpLimitedEdit(QLineEdit* edit, std::size_t limit, std::string_view text, Cp932Validator::Kind kind) {
    auto* validator = new Cp932Validator(limit, kind, edit);
    validator->allowAtLeast(text.size());
    edit->setValidator(validator);
    edit->setText(fromCp932(text));
}

std::string editText(const QLineEdit* edit) {
    return toCp932(edit->text());
}

LimitedTextEdit::LimitedTextEdit(std::size_t limit, EnterKey enter, QWidget* parent)
    : QPlainTextEdit(parent), m_limit(limit), m_allowed(limit), m_enter(enter) {
    setTabChangesFocus(true);
    // Long lines wrap, as in the old multi-line edits, which had no horizontal scroll bar.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    document()->setDocumentMargin(2);
    connect(this, &QPlainTextEdit::textChanged, this, &LimitedTextEdit::keepWithinLimit);
}

void LimitedTextEdit::setCp932Text(std::string_view text) {
    QString shown = fromCp932(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_allowed = std::max(m_limit, storedLength(withCrLf(shown)).value_or(0));
    m_accepted = shown;
    m_restoring = true;
    setPlainText(shown);
    m_restoring = false;
}

std::string LimitedTextEdit::cp932Text() const {
    return toCp932(withCrLf(toPlainText()));
}

void LimitedTextEdit::keyPressEvent(QKeyEvent* event) {
    bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && m_enter == EnterConfirms) {
        // Left to the dialog, which presses its default button.
        event->ignore();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void LimitedTextEdit::keepWithinLimit() {
    if (m_restoring) {
        return;
    }
    QString text = toPlainText();
    std::optional<std::size_t> length = storedLength(withCrLf(text));
    if (length && *length <= m_allowed) {
        m_accepted = text;
        return;
    }
    // Undo the change as a whole, as a one-line edit refuses a paste that does not fit.
    int position = textCursor().position() - std::max<int>(0, static_cast<int>(text.size() - m_accepted.size()));
    m_restoring = true;
    setPlainText(m_accepted);
    m_restoring = false;
    QTextCursor cursor = textCursor();
    cursor.setPosition(std::clamp(position, 0, static_cast<int>(m_accepted.size())));
    setTextCursor(cursor);
}

} // namespace sorpex
