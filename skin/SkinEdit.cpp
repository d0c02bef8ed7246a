#include "skin/SkinEdit.h"

#include "skin/SkinPaint.h"

#include <QPainter>

TSkinEdit::TSkinEdit(QWidget *parent)
    : QLineEdit(parent)
{
    setFrame(false);
    setTextMargins(2, 2, 2, 2);
}

void TSkinEdit::paintEvent(QPaintEvent *e)
{
    QLineEdit::paintEvent(e);
    QPainter p(this);
    SkinPaint::drawRings(p, rect(), m_borderColor, palette().color(backgroundRole()));
}
