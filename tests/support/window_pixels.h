#pragma once

#include <QIcon>
#include <QImage>
#include <QScreen>
#include <QWidget>
#include <cstdlib>

namespace orbix::testing {

// The window as its last paints left it on the screen (its backing store),
// not a fresh rendering: an area whose repaint was never asked for still
// shows what was there before.
inline QImage ShownImage(QWidget& window) {
    return window.screen()
        ->grabWindow(window.winId())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// Pixels within 40 of a colour in each channel, in a rectangle.
inline int CountNear(const QImage& image, const QRect& rect, QColor colour) {
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            n += std::abs(c.red() - colour.red()) < 40 &&
                 std::abs(c.green() - colour.green()) < 40 &&
                 std::abs(c.blue() - colour.blue()) < 40;
        }
    return n;
}

// Whether an icon, drawn at the size of a resource image, is that image.
inline bool IconShows(const QIcon& icon, const QString& resourcePath) {
    const QImage expected = QImage(resourcePath).convertToFormat(QImage::Format_ARGB32);
    return !expected.isNull() &&
           icon.pixmap(expected.size()).toImage().convertToFormat(QImage::Format_ARGB32) ==
               expected;
}

}  // namespace orbix::testing
