// The date picker of the old windows: date only, in the program's short date
// form, a drop-down calendar, and a click on a part of the date (year, month
// or day) chooses that whole part, so that the digits typed next replace it.
#pragma once

#include <QDateEdit>

class TDateTimePicker : public QDateEdit {
    Q_OBJECT
public:
    explicit TDateTimePicker(const QDate &date, QWidget *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool m_releasing = false;
};
