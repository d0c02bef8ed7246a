#include "skin/SkinPaint.h"

#include <QPainter>
#include <QPolygon>

namespace SkinPaint {

void drawRings(QPainter &p, const QRect &outer, const QColor &border, const QColor &inner)
{
    if (outer.width() < 1 || outer.height() < 1)
        return;
    p.save();
    p.setBrush(Qt::NoBrush);
    // Filled one-pixel strips rather than pen rectangles: exact at any
    // transform and free of the pen's end-point rules.
    auto ring = [&p](const QRect &r, const QColor &c) {
        if (r.width() < 1 || r.height() < 1)
            return;
        p.fillRect(QRect(r.left(), r.top(), r.width(), 1), c);
        p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), c);
        p.fillRect(QRect(r.left(), r.top(), 1, r.height()), c);
        p.fillRect(QRect(r.right(), r.top(), 1, r.height()), c);
    };
    ring(outer, border);
    ring(outer.adjusted(1, 1, -1, -1), inner);
    p.restore();
}

void drawNineSlice(QPainter &p, const QPixmap &pic, const QRect &target, int midCol, int midRow)
{
    const int pw = pic.width(), ph = pic.height();
    const int rightW = pw - midCol, bottomH = ph - midRow;
    const int tw = target.width(), th = target.height();
    // Source and target spans per axis: start, end, stretched middle.
    struct Span { int src, srcLen, dst, dstLen; };
    auto spans = [](int picLen, int mid, int endLen, int tgtLen) {
        QList<Span> s;
        s.append({0, mid, 0, mid});
        if (tgtLen - mid - endLen > 0)
            s.append({mid, 1, mid, tgtLen - mid - endLen});
        s.append({mid, endLen, tgtLen - endLen, endLen});
        Q_UNUSED(picLen);
        return s;
    };
    const auto cols = spans(pw, midCol, rightW, tw);
    const auto rows = spans(ph, midRow, bottomH, th);
    for (const Span &r : rows)
        for (const Span &c : cols)
            p.drawPixmap(QRect(target.x() + c.dst, target.y() + r.dst, c.dstLen, r.dstLen), pic,
                         QRect(c.src, r.src, c.srcLen, r.srcLen));
}

void drawDownArrow(QPainter &p, int x, int y, const QColor &color)
{
    // Row by row, so the three corners are hit exactly: row k spans
    // x + k .. x + 6 - k.
    for (int k = 0; k <= 3; ++k)
        p.fillRect(QRect(x + k, y + k, 7 - 2 * k, 1), color);
}

} // namespace SkinPaint
