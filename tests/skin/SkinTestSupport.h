#pragma once
// Helpers shared by the themed-control tests.

// Mouse input goes through the window system, as a user's would: the widget
// under the pointer receives it, a press grabs the mouse, enter and leave
// are generated.
#ifndef QTEST_QPA_MOUSE_HANDLING
#define QTEST_QPA_MOUSE_HANDLING
#endif

#include <QCursor>
#include <QImage>
#include <QTest>
#include <QWidget>

namespace SkinTest {

// Shows a top-level window and waits until it can take input.
// The pointer starts away from the window, so no control begins hovered.
inline bool showAndActivate(QWidget &w)
{
    QCursor::setPos(w.geometry().bottomRight() + QPoint(40, 40));
    w.show();
    if (!QTest::qWaitForWindowExposed(&w))
        return false;
    w.activateWindow();
    return QTest::qWaitForWindowActive(&w);
}

// The pixel at `pos` of a widget as painted now.
inline QColor pixel(QWidget *w, QPoint pos)
{
    return w->grab().toImage().pixelColor(pos);
}

// Whether the `area` of `shot` holds exactly the picture `pic`.
inline bool sameArea(const QImage &shot, const QRect &area, const QImage &pic)
{
    if (area.size() != pic.size())
        return false;
    const QImage a = shot.copy(area).convertToFormat(QImage::Format_RGB32);
    const QImage b = pic.convertToFormat(QImage::Format_RGB32);
    return a == b;
}

} // namespace SkinTest
