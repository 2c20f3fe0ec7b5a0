#include "ui/find_bar.h"

#include "ui/printer_list_model.h"
#include "ui/sorpex_view.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QToolButton>

namespace sorpex {

FindBar::FindBar(CSORPEXView& view, QWidget* parent) : QWidget(parent), m_view(view) {
    setObjectName("findBar");
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    auto* label = new QLabel(QString::fromUtf8("検索(&F):"), this);
    label->setObjectName("findLabel");
    m_edit = new QLineEdit(this);
    m_edit->setObjectName("findEdit");
    m_edit->setClearButtonEnabled(true);
    m_edit->setPlaceholderText(
        QString::fromUtf8("コメント、IPアドレス、機種名、システム名、ロケーション、シリアル番号、ステータス"));
    m_edit->installEventFilter(this);
    label->setBuddy(m_edit);
    m_count = new QLabel(this);
    m_count->setObjectName("findCount");
    auto* closeButton = new QToolButton(this);
    closeButton->setObjectName("findClose");
    closeButton->setText(QString::fromUtf8("×"));
    closeButton->setToolTip(QString::fromUtf8("検索を終了します (Esc)"));
    closeButton->setAutoRaise(true);
    layout->addWidget(label);
    layout->addWidget(m_edit, 1);
    layout->addWidget(m_count);
    layout->addWidget(closeButton);
    connect(m_edit, &QLineEdit::textChanged, this, &FindBar::find);
    connect(&m_view, &CSORPEXView::shownRowsChanged, this, &FindBar::showCount);
    // Esc in the list too ends the find, while there is one.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), &m_view, nullptr, nullptr, Qt::WidgetShortcut);
    connect(escape, &QShortcut::activated, this, [this] {
        if (isVisible()) {
            close();
        }
    });
    connect(closeButton, &QToolButton::clicked, this, &FindBar::close);
    hide();
}

void FindBar::open() {
    show();
    m_edit->setFocus(Qt::ShortcutFocusReason);
    m_edit->selectAll();
}

void FindBar::close() {
    m_edit->clear();
    hide();
    m_view.setFocus(Qt::OtherFocusReason);
}

void FindBar::find(const QString& text) {
    m_view.setFindText(text.trimmed());
}

void FindBar::showCount() {
    if (!m_view.isFiltered()) {
        m_count->clear();
        return;
    }
    m_count->setText(QString::fromUtf8("%1 / %2 台")
                         .arg(static_cast<int>(m_view.shownIds().size()))
                         .arg(m_view.listModel()->rowCount()));
}

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_edit && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape) {
            close();
            return true;
        }
        // Down hands the keys to the list, to pick among the rows found.
        if (key->key() == Qt::Key_Down) {
            m_view.setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace sorpex
