#include "ui/cp932_edits.h"

#include <QKeyEvent>
#include <QStringEncoder>
#include <QTextCursor>

namespace sorpex {
namespace {

// Length in QChars of the character that ends at `end` (a surrogate pair is two).
qsizetype lengthBefore(QStringView text, qsizetype end) {
    if (end >= 2 && text[end - 1].isLowSurrogate() && text[end - 2].isHighSurrogate()) {
        return 2;
    }
    return 1;
}

std::size_t storedSize(QStringView text) {
    // A line break of the edit is stored as CR LF: one byte more each.
    return cp932Size(text) + static_cast<std::size_t>(text.count(QChar('\n')));
}

} // namespace

std::size_t cp932Size(QStringView text) {
    QStringEncoder encoder("Shift_JIS");
    QByteArray bytes = encoder.encode(text);
    return static_cast<std::size_t>(bytes.size());
}

int firstUnencodable(const QString& text) {
    QStringEncoder probe("Shift_JIS");
    // The encoder works only when its result is taken.
    QByteArray whole = probe.encode(text);
    if (!probe.hasError()) {
        return 0;
    }
    int position = 0;
    for (qsizetype i = 0; i < text.size(); ++position) {
        qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
        QStringEncoder encoder("Shift_JIS");
        QByteArray one = encoder.encode(QStringView(text).mid(i, length));
        if (encoder.hasError()) {
            return position + 1;
        }
        i += length;
    }
    return 0;
}

QValidator::State Cp932LimitValidator::validate(QString& input, int& pos) const {
    std::size_t size = cp932Size(input);
    while (size > m_limit && pos > 0) {
        qsizetype length = lengthBefore(input, pos);
        size -= cp932Size(QStringView(input).mid(pos - length, length));
        input.remove(pos - length, length);
        pos -= static_cast<int>(length);
    }
    return size <= m_limit ? Acceptable : Invalid;
}

Cp932TextEdit::Cp932TextEdit(std::size_t limit, QWidget* parent) : QPlainTextEdit(parent), m_limit(limit) {
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    connect(this, &QPlainTextEdit::textChanged, this, &Cp932TextEdit::keepWithinLimit);
}

void Cp932TextEdit::setCrLfText(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_trimming = true;
    setPlainText(shown);
    m_trimming = false;
    m_accepted = shown;
}

QString Cp932TextEdit::crLfText() const {
    QString text = toPlainText();
    text.replace(QChar('\n'), QStringLiteral("\r\n"));
    return text;
}

void Cp932TextEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->ignore();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void Cp932TextEdit::keepWithinLimit() {
    if (m_trimming) {
        return;
    }
    QString text = toPlainText();
    if (storedSize(text) <= m_limit) {
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
    std::size_t size = storedSize(text);
    qsizetype cut = end;
    while (size > m_limit && cut > head) {
        qsizetype length = lengthBefore(text, cut);
        size -= storedSize(QStringView(text).mid(cut - length, length));
        cut -= length;
    }
    m_trimming = true;
    QTextCursor cursor(document());
    cursor.setPosition(static_cast<int>(cut));
    cursor.setPosition(static_cast<int>(end), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    m_trimming = false;
    cursor.setPosition(static_cast<int>(cut));
    setTextCursor(cursor);
    m_accepted = toPlainText();
}

} // namespace sorpex
