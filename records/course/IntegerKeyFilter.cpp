#include "records/course/IntegerKeyFilter.h"

#include "app/core/Ui.h"

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QWidget>

void integerOnlyKeyPress(QChar &key)
{
    if (key >= u'0' && key <= u'9')
        return;
    key = QChar();
    ui::messageBox(QStringLiteral("请输入整数!"), QStringLiteral("错误"), ui::Icon::Information);
}

namespace {

// The character a key press types, or a null QChar for a key that types
// none. Backspace, Enter and Escape count as characters even where the
// platform gives them no text; Tab moves the focus, and Alt+letter belongs to
// the buttons' accelerators.
QChar typedCharacter(const QKeyEvent *e)
{
    switch (e->key()) {
    case Qt::Key_Backspace: return QChar(u'\b');
    case Qt::Key_Return:
    case Qt::Key_Enter: return QChar(u'\r');
    case Qt::Key_Escape: return QChar(u'\x1b');
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete: return QChar();
    default: break;
    }
    if (e->modifiers() & Qt::AltModifier)
        return QChar();
    const QString text = e->text();
    return text.isEmpty() ? QChar() : text.front();
}

} // namespace

TKeyPressFilter::TKeyPressFilter(QWidget *box, Handler handler) : QObject(box), m_handler(std::move(handler))
{
    box->installEventFilter(this);
}

bool TKeyPressFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (m_resending)
        return false;
    if (event->type() == QEvent::KeyPress) {
        auto *e = static_cast<QKeyEvent *>(event);
        QChar c = typedCharacter(e);
        if (c.isNull())
            return false;
        m_handler(c);
        return c.isNull(); // dropped: the box never sees it
    }
    if (event->type() == QEvent::InputMethod) {
        // Text committed by an input method is typed text too: each of its
        // characters goes through the handler, and only those it keeps reach
        // the box.
        auto *e = static_cast<QInputMethodEvent *>(event);
        const QString commit = e->commitString();
        if (commit.isEmpty())
            return false;
        QString kept;
        for (QChar c : commit) {
            m_handler(c);
            if (!c.isNull())
                kept += c;
        }
        if (kept == commit)
            return false;
        QInputMethodEvent filtered(e->preeditString(), e->attributes());
        filtered.setCommitString(kept, e->replacementStart(), e->replacementLength());
        m_resending = true;
        QCoreApplication::sendEvent(watched, &filtered);
        m_resending = false;
        return true;
    }
    return false;
}
