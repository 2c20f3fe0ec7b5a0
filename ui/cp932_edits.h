#pragma once

#include <QPlainTextEdit>
#include <QValidator>

#include <cstddef>
#include <string>
#include <string_view>

namespace sorpex {

// The record stores CP932 bytes, so the edits count their limits in those bytes, not in
// characters. A character CP932 cannot hold counts as the one byte it would be replaced by;
// such text is refused when the dialog takes its values (see firstUnencodable).
std::size_t cp932Size(QStringView text);

// 1-based position, in characters, of the first character CP932 cannot hold; 0 when there is none.
int firstUnencodable(const QString& text);

// Keeps a one-line edit within `limit` CP932 bytes. Input that does not fit is cut from the end
// of what was just typed or pasted, as a Windows edit cuts a paste at its limit.
class Cp932LimitValidator : public QValidator {
public:
    Cp932LimitValidator(std::size_t limit, QObject* parent) : QValidator(parent), m_limit(limit) {}
    State validate(QString& input, int& pos) const override;

private:
    std::size_t m_limit;
};

// A multi-line edit of at most `limit` CP932 bytes, a line break counting as the CR LF it is
// stored as. Enter is left to the dialog, which presses its default button; Tab moves on.
class Cp932TextEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    Cp932TextEdit(std::size_t limit, QWidget* parent = nullptr);

    // The text with CR LF line breaks, as the record keeps it, both ways.
    void setCrLfText(const QString& text);
    QString crLfText() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void keepWithinLimit();

    std::size_t m_limit;
    QString m_accepted;
    bool m_trimming = false;
};

} // namespace sorpex
