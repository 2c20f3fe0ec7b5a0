#include "app/dark_palette.h"

namespace sorpex {

QPalette darkFusionPalette() {
    const QColor window(0x35, 0x35, 0x35);
    const QColor base(0x25, 0x25, 0x25);
    const QColor text(0xE8, 0xE8, 0xE8);
    const QColor disabled(0x80, 0x80, 0x80);
    QPalette palette(window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::ToolTipBase, base);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, window);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, Qt::red);
    palette.setColor(QPalette::Link, QColor(0x5A, 0xA0, 0xFF));
    palette.setColor(QPalette::Highlight, QColor(0x2A, 0x6F, 0xC9));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::PlaceholderText, disabled);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(QPalette::Disabled, role, disabled);
    }
    return palette;
}

} // namespace sorpex
