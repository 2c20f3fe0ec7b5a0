#pragma once

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QValidator>

#include <cstddef>
#include <string>
#include <string_view>

namespace sorpex {

// The record and the settings file store CP932 bytes, so these edits count their limits in
// those bytes, not in characters. A character CP932 cannot hold counts as the one byte it would
// be replaced by.
std::size_t cp932Size(QStringView text);

// 1-based position, in characters, of the first character CP932 cannot hold; 0 when there is none.
int firstUnencodable(const QString& text);

// How a CP932 edit treats what the user types or pastes.
struct Cp932EditPolicy {
    // The bytes the value may take. Typing or pasting over it keeps what fits: the end of what
    // was just typed or pasted is cut, as a Windows edit cuts a paste at its limit. A value that
    // already stood longer (the settings file allows more than its edit) may get shorter, not
    // longer.
    std::size_t limit = 0;
    // On: a change that brings a character CP932 cannot hold, or a control character, is refused
    // as a whole. Off: it is taken, and the dialog refuses it at OK (see firstUnencodable).
    bool refuseUnencodable = true;
    // Only the digits 0-9 (one-line edits).
    bool digitsOnly = false;
    // Multi-line edits: whether Enter starts a line or is left to the dialog, which presses its
    // default button. Ctrl+Enter starts a line either way.
    bool enterStartsLine = false;
};

// The validator of a one-line CP932 edit.
class Cp932Validator : public QValidator {
public:
    Cp932Validator(const Cp932EditPolicy& policy, QObject* parent);

    void allowAtLeast(std::size_t bytes);
    State validate(QString& input, int& pos) const override;

private:
    Cp932EditPolicy m_policy;
    std::size_t m_allowed;
};

// A one-line edit of CP932 text.
class Cp932LineEdit : public QLineEdit {
    Q_OBJECT
public:
    Cp932LineEdit(const Cp932EditPolicy& policy, QWidget* parent);

    // CP932 both ways. A value longer than the limit is shown whole.
    void setCp932Text(std::string_view text);
    std::string cp932Text() const;

private:
    Cp932Validator* m_validator;
};

// A multi-line edit of CP932 text in which a line break counts as the CR LF it is stored as.
// Tab moves on; long lines wrap.
class Cp932TextEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    Cp932TextEdit(const Cp932EditPolicy& policy, QWidget* parent);

    // CP932 with CR LF (or LF) line breaks, both ways.
    void setCp932Text(std::string_view text);
    std::string cp932Text() const;
    // The text with CR LF line breaks; it may hold what CP932 cannot (refuseUnencodable off).
    QString crLfText() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void keepWithinLimit();

    Cp932EditPolicy m_policy;
    std::size_t m_allowed;
    QString m_accepted;
    bool m_restoring = false;
};

} // namespace sorpex
