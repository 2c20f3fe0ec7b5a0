#pragma once

#include <QPlainTextEdit>
#include <QValidator>

#include <cstddef>
#include <string>
#include <string_view>

class QComboBox;
class QDialog;
class QLabel;
class QLineEdit;

namespace sorpex {

// Controls of the settings dialogs are placed in dialog units; these helpers also give each
// control its object name and, where it has one, its old control ID (property "controlId").
QLabel* addLabel(QDialog* dialog, const QString& text, int x, int y, int width, int height);
void place(QWidget* control, const char* name, int controlId, int x, int y, int width, int height);
// A drop-down list keeps its own height; the height given is that of its open list.
void placeCombo(QComboBox* combo, const char* name, int controlId, int x, int y, int width, const QStringList& items);

// Keeps a one-line edit within the bytes its value takes in the settings file, and free of
// characters that CP932 cannot hold (they would be stored as '?'). A value that already stood
// longer than the limit (the file allows more than the edit) may get shorter, not longer.
class Cp932Validator : public QValidator {
public:
    enum Kind { AnyText, DigitsOnly };
    Cp932Validator(std::size_t limit, Kind kind, QObject* parent);

    void allowAtLeast(std::size_t bytes);
    State validate(QString& input, int& pos) const override;

private:
    std::size_t m_allowed;
    Kind m_kind;
};

// A one-line edit with a CP932 byte limit, filled with `text` (CP932).
void setUpLimitedEdit(QLineEdit* edit, std::size_t limit, std::string_view text,
                      Cp932Validator::Kind kind = Cp932Validator::AnyText);

// The CP932 bytes of an edit's text. The edits refuse what CP932 cannot hold, so nothing is lost.
std::string editText(const QLineEdit* edit);

// A multi-line edit with a CP932 byte limit in which a line break counts as CR LF, as it is
// stored. Where Enter does not start a line, it confirms the dialog.
class LimitedTextEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    enum EnterKey { EnterStartsLine, EnterConfirms };
    LimitedTextEdit(std::size_t limit, EnterKey enter, QWidget* parent);

    // CP932 with CR LF (or LF) line breaks, both ways.
    void setCp932Text(std::string_view text);
    std::string cp932Text() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void keepWithinLimit();

    std::size_t m_limit;
    std::size_t m_allowed;
    EnterKey m_enter;
    QString m_accepted;
    bool m_restoring = false;
};

} // namespace sorpex
