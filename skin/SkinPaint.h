#pragma once
// Small drawing steps shared by several themed controls.

#include <QColor>
#include <QPixmap>
#include <QRect>

class QPainter;

namespace SkinPaint {

// The two one-pixel rings on a box's outer edge: the outer one in the border
// colour, the one just inside it in the box's own colour.
void drawRings(QPainter &p, const QRect &outer, const QColor &border, const QColor &inner);

// Fits a picture to a target by keeping its corners: the columns left of
// `midCol` stay at the left end, the columns from `midCol` on stay at the right
// end, and column `midCol` is stretched between; rows likewise with `midRow`.
// A target narrower than the picture keeps both ends (they overlap).
void drawNineSlice(QPainter &p, const QPixmap &pic, const QRect &target, int midCol, int midRow);

// Fills the triangle (x, y), (x + 6, y), (x + 3, y + 3).
void drawDownArrow(QPainter &p, int x, int y, const QColor &color);

} // namespace SkinPaint
