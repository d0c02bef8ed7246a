#include "skin/SkinComboBox.h"

#include "skin/Pictures.h"
#include "skin/SkinItemHeightDelegate.h"
#include "skin/SkinPaint.h"

#include <QAbstractItemView>
#include <QPainter>

using namespace SkinTheme;

TSkinComboBox::TSkinComboBox(QWidget *parent)
    : QComboBox(parent)
{
    setEditable(false);
    setFrame(false);
    m_delegate = new TSkinItemHeightDelegate(13, this);
    setItemDelegate(m_delegate);
}

void TSkinComboBox::setItemHeight(int h)
{
    m_delegate->setHeight(h);
}

int TSkinComboBox::itemHeight() const
{
    return m_delegate->height();
}

QPoint TSkinComboBox::arrowOrigin(const QSize &size)
{
    return QPoint(size.width() - 14, size.height() / 2 - 1);
}

void TSkinComboBox::paintEvent(QPaintEvent *e)
{
    QComboBox::paintEvent(e);
    QPainter p(this);
    p.drawPixmap(width() - ComboButtonStrip, 2,
                 SkinPictures::picture(QStringLiteral("PINSTRIPE_COMBOBOX_BUTTON")));
    const QPoint a = arrowOrigin(size());
    if (isEnabled()) {
        SkinPaint::drawDownArrow(p, a.x(), a.y(), m_arrowColor);
    } else {
        SkinPaint::drawDownArrow(p, a.x() + 1, a.y() + 1, QColor(255, 255, 255));
        SkinPaint::drawDownArrow(p, a.x(), a.y(), DisabledTextColor);
    }
    SkinPaint::drawRings(p, rect(), m_borderColor, palette().color(QPalette::Base));
}
