#include "ui/FocusLeave.h"

#include "ui/Guard.h"

#include <QApplication>
#include <QFocusEvent>
#include <QWidget>

namespace ui {

namespace {

// Watches the box it belongs to.
class LeaveWatcher : public QObject {
public:
    LeaveWatcher(QWidget *box, Leaving leaving, std::function<void()> handler)
        : QObject(box), m_box(box), m_leaving(leaving), m_handler(std::move(handler))
    {
        box->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_box && event->type() == QEvent::FocusOut
            && focusMovedOn(*static_cast<QFocusEvent *>(event)) && leftForItsWindow())
            guarded(m_handler);
        return false;
    }

private:
    bool leftForItsWindow() const
    {
        if (m_leaving != Leaving::ToItsWindow)
            return true;
        const QWidget *now = QApplication::focusWidget();
        return now && now != m_box && now->window() == m_box->window();
    }

    QWidget *m_box;
    Leaving m_leaving;
    std::function<void()> m_handler;
};

} // namespace

bool focusMovedOn(const QFocusEvent &e)
{
    return e.reason() != Qt::ActiveWindowFocusReason && e.reason() != Qt::PopupFocusReason;
}

void onLeaving(QWidget *box, Leaving leaving, std::function<void()> handler)
{
    new LeaveWatcher(box, leaving, std::move(handler));
}

} // namespace ui
