#include "skin/SkinEdit.h"

#include "skin/SkinPaint.h"

#include <QPainter>

TSkinEdit::TSkinEdit(QWidget *parent)
    : QLineEdit(parent)
{
    setFrame(false);
    setTextMargins(2, 2, 2, 2);
}

void TSkinEdit::setPasswordChar(QChar c)
{
    m_passwordChar = c;
    if (c.isNull()) {
        setEchoMode(QLineEdit::Normal);
        setStyleSheet(QString());
        return;
    }
    setEchoMode(QLineEdit::Password);
    // The style decides the mask character; a style sheet can name it.
    setStyleSheet(QStringLiteral("TSkinEdit { lineedit-password-character: %1; }").arg(c.unicode()));
}

void TSkinEdit::paintEvent(QPaintEvent *e)
{
    QLineEdit::paintEvent(e);
    QPainter p(this);
    SkinPaint::drawRings(p, rect(), m_borderColor, palette().color(backgroundRole()));
}

void TSkinEdit::focusInEvent(QFocusEvent *e)
{
    QLineEdit::focusInEvent(e);
    m_autoSelect.focusIn(this, e);
}

void TSkinEdit::focusOutEvent(QFocusEvent *e)
{
    QLineEdit::focusOutEvent(e);
    m_autoSelect.focusOut(e);
}
