#include "skin/SkinForm.h"

#include "skin/Pictures.h"
#include "skin/SkinFormBorder.h"
#include "skin/SkinTitleBar.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>

using namespace SkinTheme;

namespace {
// Size changes seen while a maximised-at-creation window stays maximised;
// one count for the whole program.
int s_maximisedCount = 0;
}

TSkinForm::TSkinForm(QWidget *window, const QString &caption, QList<TitleButtonType> buttons,
                     QColor color)
    : QWidget(window), m_window(window), m_color(color)
{
    Q_ASSERT(window && window->isWindow());
    window->setMinimumSize(MinWindowWidth, MinWindowHeight);
    holdToWorkArea();

    m_maximisedRule = window->windowState() & Qt::WindowMaximized;
    m_createdBounds = window->geometry();

    m_titleBar = new TSkinTitleBar(this);
    m_titleBar->setButtons(buttons);
    m_titleBar->setActive(true);
    connect(m_titleBar, &TSkinTitleBar::buttonActivated, this,
            [this](TitleButtonType type, int) { runButtonAction(type); });

    m_border = new TSkinFormBorder(window, this);
    setCaption(caption);

    const bool wasVisible = window->isVisible();
    window->setWindowFlag(Qt::FramelessWindowHint, true);
    if (wasVisible)
        window->show();

    window->installEventFilter(this);
    layoutOnWindow();
}

TSkinForm::~TSkinForm()
{
    if (m_window)
        m_window->removeEventFilter(this);
}

void TSkinForm::setCaption(const QString &caption)
{
    m_titleBar->setCaption(caption);
    m_window->setWindowTitle(caption);
}

QString TSkinForm::caption() const
{
    return m_titleBar->caption();
}

void TSkinForm::setSizeable(bool sizeable)
{
    m_sizeable = sizeable;
    m_border->setSizeable(sizeable);
}

void TSkinForm::setControlBoxMenu(QMenu *menu)
{
    m_controlBoxMenu = menu;
}

QRect TSkinForm::workArea() const
{
    QScreen *screen = m_window->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

void TSkinForm::holdToWorkArea()
{
    const QRect wa = workArea();
    if (wa.isValid())
        m_window->setMaximumSize(wa.size());
}

void TSkinForm::runButtonAction(TitleButtonType type)
{
    holdToWorkArea();
    switch (type) {
    case TitleButtonType::Max:
        if (m_window->isMaximized()) {
            m_window->showNormal();
        } else {
            // Held to the work area's size, the maximised window is placed
            // at its top-left corner by the window system.
            m_window->showMaximized();
        }
        break;
    case TitleButtonType::Min:
        // Minimised alone: asked for maximised-and-minimised, the window is
        // taken out of its maximised state and put back into it right after
        // the request to minimise, and some window managers (icewm) take that
        // as a restore. A maximised window is maximised again on restoring.
        m_maximiseOnRestore = m_window->isMaximized();
        m_window->setWindowState(Qt::WindowMinimized);
        break;
    case TitleButtonType::Close:
        m_window->close();
        break;
    case TitleButtonType::ControlBox:
        if (m_controlBoxMenu)
            m_controlBoxMenu->popup(m_titleBar->mapToGlobal(QPoint(0, m_titleBar->height())));
        break;
    case TitleButtonType::Help:
        emit titleBarHelpBtnClick();
        break;
    case TitleButtonType::Custom:
        emit titleBarCustomBtnsClick();
        break;
    }
}

int TSkinForm::maximisedRuleCount()
{
    return s_maximisedCount;
}

void TSkinForm::resetMaximisedRuleCount()
{
    s_maximisedCount = 0;
}

void TSkinForm::layoutOnWindow()
{
    const int b = BorderWidth;
    setGeometry(b, 0, m_window->width() - 2 * b, m_window->height() - b);
    m_titleBar->setGeometry(0, 0, width(), m_titleBar->height());
    m_border->layout();
    // Behind every control of the window, the border strips behind the face.
    lower();
    m_border->lower();
}

TSkinForm::MaximisedRuleStep TSkinForm::maximisedRuleStep(bool maximised, const QRect &geometry,
                                                          const QRect &workArea)
{
    if (!maximised)
        return MaximisedRuleStep::Restore;
    // The first two are the window system's own while it shows the window.
    if (++s_maximisedCount < 3)
        return MaximisedRuleStep::Counted;
    // Only a window that spills over the taskbar is put back; one already
    // inside the work area is left where the window system maximised it, so
    // that a window system insisting on its own maximised size does not get
    // into a resizing match with us.
    if (workArea.isValid() && !workArea.contains(geometry))
        return MaximisedRuleStep::Cover;
    return MaximisedRuleStep::Counted;
}

void TSkinForm::applyMaximisedRule()
{
    if (!m_maximisedRule || m_applyingRule)
        return;
    m_applyingRule = true;
    switch (maximisedRuleStep(m_window->isMaximized(), m_window->geometry(), workArea())) {
    case MaximisedRuleStep::Counted:
        break;
    case MaximisedRuleStep::Cover:
        m_window->setGeometry(workArea());
        m_window->setWindowState(m_window->windowState() | Qt::WindowMaximized);
        break;
    case MaximisedRuleStep::Restore:
        // Back to where it was made; the rule is done for this window.
        m_maximisedRule = false;
        m_window->setGeometry(m_createdBounds);
        break;
    }
    m_applyingRule = false;
}

bool TSkinForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_window)
        return false;
    switch (event->type()) {
    case QEvent::Resize:
        applyMaximisedRule();
        layoutOnWindow();
        break;
    case QEvent::Show:
        layoutOnWindow();
        break;
    case QEvent::WindowStateChange:
        if (m_maximiseOnRestore && !(m_window->windowState() & Qt::WindowMinimized)) {
            m_maximiseOnRestore = false;
            if (!m_window->isMaximized())
                m_window->setWindowState(m_window->windowState() | Qt::WindowMaximized);
        }
        break;
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
    case QEvent::ActivationChange:
        m_titleBar->setActive(m_window->isActiveWindow());
        break;
    default:
        break;
    }
    return false;
}

void TSkinForm::paintEvent(QPaintEvent *e)
{
    QPainter p(this);
    p.drawTiledPixmap(e->rect(), SkinPictures::picture(QStringLiteral("PINSTRIPE_FORM_BACKGROUND")),
                      e->rect().topLeft());
}
