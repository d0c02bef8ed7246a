#include "ui/DatePicker.h"

#include "core/Dates.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QMouseEvent>

TDateTimePicker::TDateTimePicker(const QDate &date, QWidget *parent) : QDateEdit(date, parent)
{
    setDisplayFormat(dates::shortDateFormat());
    setCalendarPopup(true);
    lineEdit()->installEventFilter(this);
}

// A click leaves the caret inside a part of the date, where typed digits
// would go in beside the old ones and be refused as no date. Once the text
// box has had the click (a click on a chosen part first clears it), the part
// under the caret is chosen whole.
bool TDateTimePicker::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lineEdit() && event->type() == QEvent::MouseButtonRelease && !m_releasing
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        m_releasing = true;
        QCoreApplication::sendEvent(watched, event);
        m_releasing = false;
        setSelectedSection(currentSection());
        return true;
    }
    return QDateEdit::eventFilter(watched, event);
}
