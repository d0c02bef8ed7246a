#include "ui/KeyFilter.h"

#include "ui/Ui.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QWidget>

namespace keyfilter {

namespace {

class CharacterFilter : public QObject {
public:
    CharacterFilter(QWidget *box, std::function<void(QChar &)> handler)
        : QObject(box), m_handler(std::move(handler))
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress) {
            QChar c = typedCharacter(static_cast<QKeyEvent *>(event));
            if (c.isNull())
                return false;
            m_handler(c);
            return c.isNull(); // a discarded character never reaches the box
        }
        if (event->type() == QEvent::InputMethod) {
            // Text composed by an input method arrives as characters too.
            auto *im = static_cast<QInputMethodEvent *>(event);
            const QString commit = im->commitString();
            if (commit.isEmpty())
                return false;
            QString kept;
            for (QChar c : commit) {
                m_handler(c);
                if (!c.isNull())
                    kept += c;
            }
            if (kept != commit)
                im->setCommitString(kept, im->replacementStart(), im->replacementLength());
            return false;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void(QChar &)> m_handler;
};

} // namespace

QChar typedCharacter(const QKeyEvent *e)
{
    const Qt::KeyboardModifiers mods = e->modifiers();
    if (mods & Qt::AltModifier)
        return QChar(); // accelerators, never text
    switch (e->key()) {
    case Qt::Key_Backspace:
        return QChar(0x08);
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return QChar(0x0D);
    case Qt::Key_Escape:
        return QChar(0x1B);
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return QChar(); // moves the focus before any box sees it
    default:
        break;
    }
    if (mods & Qt::ControlModifier) {
        if (e->key() >= Qt::Key_A && e->key() <= Qt::Key_Z)
            return QChar(char16_t(e->key() - Qt::Key_A + 1));
        return QChar();
    }
    const QString text = e->text();
    if (text.isEmpty() || !text.at(0).isPrint())
        return QChar();
    return text.at(0);
}

void onKeyPress(QWidget *box, std::function<void(QChar &)> handler)
{
    box->installEventFilter(new CharacterFilter(box, std::move(handler)));
}

void integerOnly(QChar &key)
{
    if (key >= u'0' && key <= u'9')
        return;
    key = QChar();
    ui::messageBox(QStringLiteral("请输入整数!"), QStringLiteral("错误"), ui::Icon::Information);
}

} // namespace keyfilter
