#include "skin/SkinGroupBox.h"

#include <QEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>

using namespace SkinTheme;

TSkinGroupBox::TSkinGroupBox(QWidget *parent)
    : QWidget(parent)
{
    // No background of its own: the window's face shows through.
    setAutoFillBackground(false);
    updateMargins();
}

TSkinGroupBox::TSkinGroupBox(const QString &caption, QWidget *parent)
    : TSkinGroupBox(parent)
{
    m_caption = caption;
}

void TSkinGroupBox::setCaption(const QString &caption)
{
    m_caption = caption;
    update();
}

int TSkinGroupBox::fontPixelHeight() const
{
    return QFontInfo(font()).pixelSize();
}

int TSkinGroupBox::lineY() const
{
    return fontPixelHeight() / 2 + 1;
}

void TSkinGroupBox::updateMargins()
{
    setContentsMargins(3, fontPixelHeight(), 2, 2);
}

QList<QRect> TSkinGroupBox::outlineRects(const QSize &size, int captionWidth, int h)
{
    // The line runs from (2, h) left to (0, h), down to the bottom row, along
    // it to the right column, up to (w - 1, h) and back left to
    // (captionWidth + 6, h), that last point itself left out, as a line's end
    // point is.
    const int w = size.width(), bottom = size.height() - 1;
    QList<QRect> r;
    r.append(QRect(0, h, 3, 1));                       // stub left of the caption
    r.append(QRect(0, h, 1, bottom - h + 1));          // left
    r.append(QRect(0, bottom, w, 1));                  // bottom
    r.append(QRect(w - 1, h, 1, bottom - h + 1));      // right
    const int from = captionWidth + 7;
    if (w - from > 0)
        r.append(QRect(from, h, w - from, 1));         // top, right of the caption
    return r;
}

QList<QRect> TSkinGroupBox::outlineRects() const
{
    return outlineRects(size(), QFontMetrics(font()).horizontalAdvance(m_caption), lineY());
}

void TSkinGroupBox::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    for (const QRect &r : outlineRects())
        p.fillRect(r, m_borderColor);
    if (m_caption.isEmpty())
        return;
    QFont f = font();
    f.setStyleStrategy(QFont::NoAntialias);
    p.setFont(f);
    p.setPen(isEnabled() ? QColor(Qt::black) : DisabledTextColor);
    p.drawText(5, QFontMetrics(font()).ascent(), m_caption);
}

void TSkinGroupBox::changeEvent(QEvent *e)
{
    if (e->type() == QEvent::FontChange)
        updateMargins();
    QWidget::changeEvent(e);
}
