#include "skin/SkinAccelerator.h"

#include "skin/SkinButton.h"

#include <QApplication>
#include <QKeyEvent>

void TSkinAcceleratorFilter::ensureInstalled()
{
    static TSkinAcceleratorFilter *filter = nullptr;
    if (filter || !qApp)
        return;
    filter = new TSkinAcceleratorFilter(qApp);
    qApp->installEventFilter(filter);
}

namespace {

TSkinButton *findIn(QWidget *parent, QChar letter)
{
    for (QObject *child : parent->children()) {
        auto *w = qobject_cast<QWidget *>(child);
        if (!w || w->isWindow())
            continue;
        if (auto *b = qobject_cast<TSkinButton *>(w)) {
            if (b->isEnabled() && b->isVisible() && b->accelerator() == letter)
                return b;
        }
        if (TSkinButton *found = findIn(w, letter))
            return found;
    }
    return nullptr;
}

QChar letterOf(const QKeyEvent *e)
{
    const int key = e->key();
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return QChar(key);
    const QString text = e->text();
    if (text.size() == 1 && text.at(0).isPrint())
        return text.at(0).toUpper();
    return {};
}

} // namespace

TSkinButton *TSkinAcceleratorFilter::buttonFor(QWidget *window, QChar letter)
{
    if (!window || letter.isNull())
        return nullptr;
    return findIn(window, letter.toUpper());
}

bool TSkinAcceleratorFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    auto *ke = static_cast<QKeyEvent *>(event);
    const Qt::KeyboardModifiers mods = ke->modifiers() & ~Qt::KeypadModifier;
    if (!(mods & Qt::AltModifier) || (mods & (Qt::ControlModifier | Qt::MetaModifier)))
        return false;
    const QChar letter = letterOf(ke);
    if (letter.isNull())
        return false;
    TSkinButton *button = buttonFor(static_cast<QWidget *>(watched)->window(), letter);
    if (!button)
        return false;
    button->runAccelerator();
    return true;
}
