#include "app/program_icon.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace sorpex {

QIcon programIcon() {
    // Rendered here rather than through Qt's SVG icon plugin, which an installation may lack.
    QSvgRenderer renderer(QStringLiteral(":/sorpex.svg"));
    QIcon icon;
    if (!renderer.isValid()) {
        return icon;
    }
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace sorpex
