#include "app/input_blocker.h"

#include <QApplication>
#include <QEvent>
#include <QShortcut>
#include <QWidget>

namespace sorpex {

InputBlocker::InputBlocker(QWidget* window) : m_window(window) {
    qApp->installEventFilter(this);
}

InputBlocker::~InputBlocker() {
    qApp->removeEventFilter(this);
}

bool InputBlocker::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
        return belongsToWindow(watched);
    default:
        return false;
    }
}

bool InputBlocker::belongsToWindow(QObject* object) const {
    if (auto* shortcut = qobject_cast<QShortcut*>(object)) {
        object = shortcut->parent();
    }
    auto* widget = qobject_cast<QWidget*>(object);
    return m_window != nullptr && widget != nullptr && (widget == m_window || m_window->isAncestorOf(widget));
}

} // namespace sorpex
