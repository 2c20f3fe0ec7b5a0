#include "app/toolbar_icons.h"

#include "app/commands.h"

#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygon>

namespace sorpex {
namespace {

constexpr int kWidth = 16;
constexpr int kHeight = 15;

void drawPage(QPainter& p, int x, int y, int w, int h) {
    QPolygon page;
    page << QPoint(x, y) << QPoint(x + w - 4, y) << QPoint(x + w, y + 4) << QPoint(x + w, y + h) << QPoint(x, y + h);
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawPolygon(page);
    p.drawLine(x + w - 4, y, x + w - 4, y + 4);
    p.drawLine(x + w - 4, y + 4, x + w, y + 4);
}

void drawPrinter(QPainter& p) {
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawRect(4, 1, 7, 5); // paper
    p.setBrush(QColor(0xC0, 0xC0, 0xC0));
    p.drawRect(1, 6, 13, 5); // body
    p.setBrush(Qt::white);
    p.drawRect(4, 10, 7, 3); // output tray
    p.setPen(QColor(0x00, 0x80, 0x00));
    p.drawPoint(12, 8);
}

void drawArrow(QPainter& p, bool up, const QColor& color) {
    QPolygon arrow;
    if (up) {
        arrow << QPoint(8, 1) << QPoint(14, 7) << QPoint(10, 7) << QPoint(10, 13) << QPoint(6, 13) << QPoint(6, 7)
              << QPoint(2, 7);
    } else {
        arrow << QPoint(8, 13) << QPoint(14, 7) << QPoint(10, 7) << QPoint(10, 1) << QPoint(6, 1) << QPoint(6, 7)
              << QPoint(2, 7);
    }
    p.setPen(color.darker());
    p.setBrush(color);
    p.drawPolygon(arrow);
}

// Scissors and the ID letters are bare lines: they take the palette's text colour, `ink`.
bool isLineOnly(int id) {
    return id == command::kCut || id == command::kResetIds;
}

void drawPicture(QPainter& p, int id, const QColor& ink) {
    using namespace command;
    switch (id) {
    case kNew:
        drawPage(p, 3, 1, 10, 13);
        break;
    case kOpen: {
        p.setPen(Qt::black);
        p.setBrush(QColor(0xFF, 0xD7, 0x40));
        p.drawRect(1, 4, 13, 9);
        p.drawRect(1, 2, 5, 2);
        break;
    }
    case kSaveAs:
        p.setPen(Qt::black);
        p.setBrush(QColor(0x20, 0x40, 0xA0));
        p.drawRect(1, 1, 13, 13);
        p.setBrush(Qt::white);
        p.drawRect(4, 1, 7, 5);
        p.setBrush(QColor(0xC0, 0xC0, 0xC0));
        p.drawRect(4, 9, 7, 5);
        break;
    case kCut:
        p.setPen(QPen(ink, 1));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(2, 9, 4, 4);
        p.drawEllipse(9, 9, 4, 4);
        p.drawLine(5, 9, 10, 1);
        p.drawLine(10, 9, 5, 1);
        break;
    case kCopy:
        drawPage(p, 1, 1, 8, 9);
        drawPage(p, 6, 5, 8, 9);
        break;
    case kPaste:
        p.setPen(Qt::black);
        p.setBrush(QColor(0xA0, 0x70, 0x30));
        p.drawRect(1, 2, 10, 12);
        p.setBrush(QColor(0xC0, 0xC0, 0xC0));
        p.drawRect(4, 1, 4, 2);
        drawPage(p, 6, 5, 8, 9);
        break;
    case kPrint:
        drawPrinter(p);
        break;
    case kAbout: {
        p.setPen(Qt::black);
        p.setBrush(QColor(0xFF, 0xFF, 0xC0));
        p.drawEllipse(1, 0, 13, 13);
        QFont font = p.font();
        font.setPixelSize(11);
        font.setBold(true);
        p.setFont(font);
        p.setPen(QColor(0x00, 0x00, 0x80));
        p.drawText(QRect(1, 0, 14, 14), Qt::AlignCenter, "?");
        break;
    }
    case kAcquireAll:
        drawPrinter(p);
        p.setPen(QColor(0x00, 0x60, 0x00));
        p.setBrush(QColor(0x20, 0xC0, 0x20));
        p.drawPolygon(QPolygon({QPoint(11, 0), QPoint(15, 0), QPoint(13, 4)}));
        break;
    case kUsage:
        // Three bars of a chart.
        p.setPen(Qt::black);
        p.drawLine(1, 14, 14, 14);
        p.setBrush(QColor(0x40, 0x80, 0xE0));
        p.drawRect(2, 8, 3, 6);
        p.drawRect(6, 3, 3, 11);
        p.drawRect(10, 6, 3, 8);
        break;
    case kDeletePrinters:
        p.setPen(QPen(QColor(0xC0, 0x00, 0x00), 3));
        p.drawLine(3, 2, 12, 12);
        p.drawLine(12, 2, 3, 12);
        break;
    case kAddPrinter:
        p.setPen(QPen(QColor(0x00, 0x90, 0x00), 3));
        p.drawLine(8, 2, 8, 12);
        p.drawLine(3, 7, 13, 7);
        break;
    case kChangePrinter: {
        p.setPen(Qt::black);
        p.setBrush(QColor(0xF0, 0xC0, 0x40));
        QPolygon pencil;
        pencil << QPoint(2, 13) << QPoint(3, 10) << QPoint(11, 2) << QPoint(14, 5) << QPoint(6, 13);
        p.drawPolygon(pencil);
        break;
    }
    case kMoveUp:
        drawArrow(p, true, QColor(0x40, 0x80, 0xE0));
        break;
    case kMoveDown:
        drawArrow(p, false, QColor(0x40, 0x80, 0xE0));
        break;
    case kResetIds: {
        QFont font = p.font();
        font.setPixelSize(9);
        font.setBold(true);
        p.setFont(font);
        p.setPen(ink);
        p.drawText(QRect(0, 0, kWidth, kHeight), Qt::AlignCenter, "ID");
        break;
    }
    default:
        break;
    }
}

// A one-pixel edge of `color` around every drawn pixel, so dark outlines stay visible on a dark
// toolbar.
QImage withEdge(const QImage& picture, QColor color) {
    QImage out = picture;
    color.setAlpha(170);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (qAlpha(picture.pixel(x, y)) != 0) {
                continue;
            }
            bool touches = false;
            for (int dy = -1; dy <= 1 && !touches; ++dy) {
                for (int dx = -1; dx <= 1 && !touches; ++dx) {
                    QPoint near(x + dx, y + dy);
                    touches = picture.rect().contains(near) && qAlpha(picture.pixel(near)) > 128;
                }
            }
            if (touches) {
                out.setPixelColor(x, y, color);
            }
        }
    }
    return out;
}

// The picture in shades of the disabled text colour, half toward it, as it reads on the palette
// it comes from whether that is light or dark.
QImage greyedOut(const QImage& picture, const QColor& disabledText) {
    QImage out = picture;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            QRgb pixel = picture.pixel(x, y);
            if (qAlpha(pixel) == 0) {
                continue;
            }
            int grey = qGray(pixel);
            auto mix = [grey](int channel) { return (channel * 3 + grey) / 4; };
            out.setPixel(x, y,
                         qRgba(mix(disabledText.red()), mix(disabledText.green()), mix(disabledText.blue()),
                               qAlpha(pixel) * 3 / 4));
        }
    }
    return out;
}

} // namespace

QIcon toolbarIcon(int commandId, const QPalette& palette) {
    QImage picture(kWidth, kHeight, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    drawPicture(painter, commandId, palette.color(QPalette::WindowText));
    painter.end();
    const bool dark = palette.color(QPalette::Window).lightness() < 128;
    if (dark && !isLineOnly(commandId)) {
        picture = withEdge(picture, palette.color(QPalette::WindowText));
    }
    QIcon icon(QPixmap::fromImage(picture));
    icon.addPixmap(QPixmap::fromImage(greyedOut(picture, palette.color(QPalette::Disabled, QPalette::WindowText))),
                   QIcon::Disabled);
    return icon;
}

} // namespace sorpex
