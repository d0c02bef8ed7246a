#include "app/core/KeyFilter.h"

#include "app/core/Ui.h"

#include <QKeyEvent>
#include <QWidget>

void IntegerKeyFilter::install(QWidget *box) { box->installEventFilter(new IntegerKeyFilter(box)); }

bool IntegerKeyFilter::eventFilter(QObject *, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    // Shortcuts (Ctrl or Alt held) are not typed characters.
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    QString typed = key->text();
    switch (key->key()) {
    case Qt::Key_Backspace: typed = QStringLiteral("\b"); break;
    case Qt::Key_Return:
    case Qt::Key_Enter: typed = QStringLiteral("\r"); break;
    case Qt::Key_Escape: typed = QStringLiteral("\x1b"); break;
    case Qt::Key_Delete: return false;
    default: break;
    }
    if (typed.isEmpty())
        return false;
    if (typed.size() == 1 && typed.at(0) >= u'0' && typed.at(0) <= u'9')
        return false;
    ui::messageBox(QStringLiteral("请输入整数!"), QStringLiteral("错误"), ui::Icon::Information);
    return true;
}
