#include "skin/SkinAutoSelect.h"

#include <QFocusEvent>
#include <QLineEdit>

void SkinAutoSelect::focusIn(QLineEdit *box, const QFocusEvent *e)
{
    const bool returning = m_windowLeft && e->reason() == Qt::ActiveWindowFocusReason;
    m_windowLeft = false;
    if (returning || e->reason() == Qt::MouseFocusReason)
        return;
    box->selectAll();
}

void SkinAutoSelect::focusOut(const QFocusEvent *e)
{
    m_windowLeft = e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason;
}
