#include "base/qt/cp932_edit.h"

#include "base/qt/qt_text.h"

#include <QKeyEvent>
#include <QTextCursor>

#include <algorithm>

namespace sorpex {
namespace {

// Length in QChars of the character that ends at `end` (a surrogate pair is two).
qsizetype lengthBefore(QStringView text, qsizetype end) {
    if (end >= 2 && text[end - 1].isLowSurrogate() && text[end - 2].isHighSurrogate()) {
        return 2;
    }
    return 1;
}

// Length in QChars of the character that starts at `begin`.
qsizetype lengthAt(QStringView text, qsizetype begin) {
    if (begin + 1 < text.size() && text[begin].isHighSurrogate() && text[begin + 1].isLowSurrogate()) {
        return 2;
    }
    return 1;
}

bool encodable(QStringView text) {
    bool ok = true;
    toCp932(text.toString(), &ok);
    return ok;
}

// A line break of a multi-line edit is stored as CR LF: one byte more each.
std::size_t storedSize(QStringView text) {
    return cp932Size(text) + static_cast<std::size_t>(text.count(QChar('\n')));
}

} // namespace

std::size_t cp932Size(QStringView text) {
    return toCp932(text.toString()).size();
}

int firstUnencodable(const QString& text) {
    if (encodable(text)) {
        return 0;
    }
    int position = 1;
    for (qsizetype i = 0; i < text.size(); ++position) {
        qsizetype length = lengthAt(text, i);
        if (!encodable(QStringView(text).mid(i, length))) {
            return position;
        }
        i += length;
    }
    return 0;
}

Cp932Validator::Cp932Validator(const Cp932EditPolicy& policy, QObject* parent)
    : QValidator(parent), m_policy(policy), m_allowed(policy.limit) {}

void Cp932Validator::allowAtLeast(std::size_t bytes) {
    m_allowed = std::max(m_allowed, bytes);
}

QValidator::State Cp932Validator::validate(QString& input, int& pos) const {
    for (QChar c : input) {
        // A line break in a one-line value would be lost in the settings file.
        if ((m_policy.refuseUnencodable && c.unicode() < 0x20) ||
            (m_policy.digitsOnly && (c < QChar('0') || c > QChar('9')))) {
            return Invalid;
        }
    }
    if (m_policy.refuseUnencodable && !encodable(input)) {
        return Invalid;
    }
    std::size_t size = cp932Size(input);
    while (size > m_allowed && pos > 0) {
        qsizetype length = lengthBefore(input, pos);
        size -= cp932Size(QStringView(input).mid(pos - length, length));
        input.remove(pos - length, length);
        pos -= static_cast<int>(length);
    }
    return size <= m_allowed ? Acceptable : Invalid;
}

Cp932LineEdit::Cp932LineEdit(const Cp932EditPolicy& policy, QWidget* parent)
    : QLineEdit(parent), m_validator(new Cp932Validator(policy, this)) {
    setValidator(m_validator);
}

void Cp932LineEdit::setCp932Text(std::string_view text) {
    m_validator->allowAtLeast(text.size());
    setText(fromCp932(text));
}

std::string Cp932LineEdit::cp932Text() const {
    return toCp932(text());
}

Cp932TextEdit::Cp932TextEdit(const Cp932EditPolicy& policy, QWidget* parent)
    : QPlainTextEdit(parent), m_policy(policy), m_allowed(policy.limit) {
    setTabChangesFocus(true);
    // Long lines wrap, as in the old multi-line edits, which had no horizontal scroll bar.
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    document()->setDocumentMargin(2);
    connect(this, &QPlainTextEdit::textChanged, this, &Cp932TextEdit::keepWithinLimit);
}

void Cp932TextEdit::setCp932Text(std::string_view text) {
    QString shown = fromCp932(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_allowed = std::max(m_policy.limit, storedSize(shown));
    m_accepted = shown;
    m_restoring = true;
    setPlainText(shown);
    m_restoring = false;
}

QString Cp932TextEdit::crLfText() const {
    QString text = toPlainText();
    text.replace(QChar('\n'), QStringLiteral("\r\n"));
    return text;
}

std::string Cp932TextEdit::cp932Text() const {
    return toCp932(crLfText());
}

void Cp932TextEdit::keyPressEvent(QKeyEvent* event) {
    bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && event->modifiers().testFlag(Qt::ControlModifier)) {
        // Ctrl+Enter starts a line in every multi-line edit, as in a Windows dialog.
        insertPlainText(QStringLiteral("\n"));
        return;
    }
    if (enter && !m_policy.enterStartsLine) {
        // Left to the dialog, which presses its default button.
        event->ignore();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void Cp932TextEdit::keepWithinLimit() {
    if (m_restoring) {
        return;
    }
    QString text = toPlainText();
    bool refused = m_policy.refuseUnencodable && !encodable(text);
    std::size_t size = refused ? 0 : storedSize(text);
    if (!refused && size <= m_allowed) {
        m_accepted = text;
        return;
    }
    // What changed lies between the part both texts begin with and the part both end with.
    qsizetype common = std::min(text.size(), m_accepted.size());
    qsizetype head = 0;
    while (head < common && text[head] == m_accepted[head]) {
        ++head;
    }
    if (head > 0 && text[head - 1].isHighSurrogate()) {
        --head;
    }
    qsizetype tail = 0;
    while (tail < common - head && text[text.size() - 1 - tail] == m_accepted[m_accepted.size() - 1 - tail]) {
        ++tail;
    }
    if (tail > 0 && text[text.size() - tail].isLowSurrogate()) {
        --tail;
    }
    qsizetype end = text.size() - tail;
    QTextCursor cursor(document());
    m_restoring = true;
    if (refused) {
        // A change with text CP932 cannot hold is undone as a whole.
        setPlainText(m_accepted);
        cursor = QTextCursor(document());
        cursor.setPosition(static_cast<int>(std::min(head, m_accepted.size())));
    } else {
        // Keep what fits: cut the end of what was just typed or pasted.
        qsizetype cut = end;
        while (size > m_allowed && cut > head) {
            qsizetype length = lengthBefore(text, cut);
            size -= storedSize(QStringView(text).mid(cut - length, length));
            cut -= length;
        }
        cursor.setPosition(static_cast<int>(cut));
        cursor.setPosition(static_cast<int>(end), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        cursor.setPosition(static_cast<int>(cut));
    }
    m_restoring = false;
    setTextCursor(cursor);
    m_accepted = toPlainText();
}

} // namespace sorpex
