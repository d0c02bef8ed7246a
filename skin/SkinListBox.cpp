#include "skin/SkinListBox.h"

#include "skin/SkinItemHeightDelegate.h"
#include "skin/SkinPaint.h"

#include <QEvent>
#include <QPainter>

TSkinListBox::TSkinListBox(QWidget *parent)
    : QListWidget(parent)
{
    // A plain 2-pixel frame keeps the list and its scroll bars 2 pixels in;
    // the rings are painted over it.
    setFrameStyle(QFrame::Panel | QFrame::Plain);
    setLineWidth(2);
    m_delegate = new TSkinItemHeightDelegate(13, this);
    setItemDelegate(m_delegate);
    setUniformItemSizes(true);
}

void TSkinListBox::setItemHeight(int h)
{
    m_delegate->setHeight(h);
    doItemsLayout();
}

int TSkinListBox::itemHeight() const
{
    return m_delegate->height();
}

bool TSkinListBox::event(QEvent *e)
{
    // The list's own surface (not its viewport) carries the rings; its paint
    // events come here rather than to paintEvent(), which serves the viewport.
    const bool handled = QListWidget::event(e);
    if (e->type() == QEvent::Paint) {
        QPainter p(this);
        SkinPaint::drawRings(p, rect(), m_borderColor, viewport()->palette().color(viewport()->backgroundRole()));
    }
    return handled;
}
