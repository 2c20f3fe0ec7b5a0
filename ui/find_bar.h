#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;

namespace sorpex {

class CSORPEXView;

// The find bar over the list (Ctrl+F): while it holds text, the rows that do not hold it are
// hidden. Esc empties it, shows every row again and hands the keys back to the list.
class FindBar : public QWidget {
    Q_OBJECT
public:
    FindBar(CSORPEXView& view, QWidget* parent);

    // Shows the bar with its text selected, ready to type.
    void open();
    // Empties and hides the bar.
    void close();

    QLineEdit* edit() const { return m_edit; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void find(const QString& text);
    void showCount();

    CSORPEXView& m_view;
    QLineEdit* m_edit;
    QLabel* m_count;
};

} // namespace sorpex
