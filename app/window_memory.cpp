#include "app/window_memory.h"

#include "inventory/printer_table.h"
#include "ui/sorpex_view.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QScrollBar>

#include <algorithm>

namespace sorpex {

void restoreWindow(QMainWindow& window, CSORPEXView& list, const std::optional<WindowSettings>& saved) {
    if (!saved) {
        // Every column at its own width, the supplies included, as far as the screen lets the
        // window grow: 1920 pixels hold them all.
        int columns = 0;
        for (int column = 0; column < kSuppliesListColumnCount; ++column) {
            columns += CSORPEXView::defaultColumnWidth(column);
        }
        const QRect screen = window.screen()->availableGeometry();
        const int frame = 2 * list.frameWidth() + list.verticalScrollBar()->sizeHint().width() + 8;
        const int width = std::min(columns + frame, screen.width() * 95 / 100);
        const int height = std::min(700, screen.height() * 85 / 100);
        window.resize(width, height);
        window.move(screen.left() + (screen.width() - width) / 2, screen.top() + (screen.height() - height) / 2);
        return;
    }
    QRect place(saved->left, saved->top, saved->width, saved->height);
    // A window last seen on a screen that is gone comes back on the one at hand, as large as fits.
    if (QGuiApplication::screenAt(place.center()) == nullptr) {
        const QRect screen = window.screen()->availableGeometry();
        place.setSize(place.size().boundedTo(screen.size()));
        place.moveCenter(screen.center());
    }
    window.setGeometry(place);
    if (saved->maximized) {
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
    }
    list.setColumnLayout(saved->columnWidths, saved->columnOrder);
}

WindowSettings currentWindow(const QMainWindow& window, const CSORPEXView& list) {
    const QRect normal = window.isMaximized() ? window.normalGeometry() : window.geometry();
    return {normal.x(),           normal.y(),          normal.width(),    normal.height(),
            window.isMaximized(), list.columnWidths(), list.columnOrder()};
}

} // namespace sorpex
