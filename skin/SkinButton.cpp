#include "skin/SkinButton.h"

#include "skin/Pictures.h"
#include "skin/SkinAccelerator.h"
#include "skin/SkinPaint.h"

#include <QDialog>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

using namespace SkinTheme;

TSkinButton::TSkinButton(QWidget *parent)
    : QWidget(parent)
{
    init();
}

TSkinButton::TSkinButton(const QString &caption, QWidget *parent)
    : QWidget(parent)
{
    init();
    setCaption(caption);
}

TSkinButton::~TSkinButton() = default;

void TSkinButton::init()
{
    QFont f(QStringLiteral("宋体"));
    f.setPixelSize(13);
    setFont(f);
    setFixedHeight(ButtonHeight);
    resize(84, ButtonHeight);
    // Not a tab stop, and a press does not take the focus; setFocus() from
    // the accelerator still works.
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    TSkinAcceleratorFilter::ensureInstalled();
}

void TSkinButton::setCaption(const QString &caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    update();
}

QChar TSkinButton::accelerator() const
{
    for (int i = 0; i + 1 < m_caption.size(); ++i) {
        if (m_caption.at(i) != QLatin1Char('&'))
            continue;
        if (m_caption.at(i + 1) == QLatin1Char('&')) {
            ++i;            // "&&" is a plain '&'
            continue;
        }
        return m_caption.at(i + 1).toUpper();
    }
    return {};
}

void TSkinButton::setTabStop(bool tabStop)
{
    m_tabStop = tabStop;
    setFocusPolicy(tabStop ? Qt::TabFocus : Qt::NoFocus);
    update();
}

SkinPictureState TSkinButton::currentPicture() const
{
    if (!isEnabled())
        return SkinPictureState::Normal;
    if (m_pressed)
        return SkinPictureState::MouseDown;
    if (m_over)
        return SkinPictureState::MouseOn;
    return SkinPictureState::Normal;
}

QSize TSkinButton::sizeHint() const
{
    return QSize(84, ButtonHeight);
}

void TSkinButton::setFlags(bool over, bool pressed)
{
    if (over == m_over && pressed == m_pressed)
        return;
    m_over = over;
    m_pressed = pressed;
    update();
}

void TSkinButton::click()
{
    if (!isEnabled())
        return;
    m_clicking = true;
    if (m_modalResult != 0) {
        if (auto *dlg = qobject_cast<QDialog *>(window()))
            dlg->done(m_modalResult);
    }
    emit clicked();
    m_clicking = false;
}

bool TSkinButton::runAccelerator()
{
    if (!isEnabled())
        return false;
    // The focus moves first, so the control being left runs its exit handling
    // before the click acts on what it holds.
    setFocus(Qt::ShortcutFocusReason);
    click();
    return true;
}

void TSkinButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Button));
    SkinPaint::drawNineSlice(p, SkinPictures::button(currentPicture()), rect(), 42, 11);

    if (m_tabStop && hasFocus()) {
        p.fillRect(QRect(10, height() - 5, width() - 19, 1), QColor(0, 0, 255));
    }

    if (m_caption.trimmed().isEmpty())
        return;
    const int flags = Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic;
    // Crisp, unblended strokes, as the old program's text was; the embossed
    // disabled caption depends on it.
    QFont f = font();
    f.setStyleStrategy(QFont::NoAntialias);
    p.setFont(f);
    if (!isEnabled()) {
        p.setPen(QColor(255, 255, 255));
        p.drawText(rect().translated(1, 1), flags, m_caption);
        p.setPen(DisabledTextColor);
        p.drawText(rect(), flags, m_caption);
        return;
    }
    p.setPen(palette().color(QPalette::ButtonText));
    p.drawText(m_pressed ? rect().translated(1, 1) : rect(), flags, m_caption);
}

void TSkinButton::enterEvent(QEnterEvent *)
{
    setFlags(true, m_pressed);
}

void TSkinButton::leaveEvent(QEvent *)
{
    setFlags(false, m_pressed);
}

void TSkinButton::mousePressEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(e);
        return;
    }
    // The press captures the mouse (Qt grabs it for us) but leaves the focus.
    setFlags(true, true);
}

void TSkinButton::mouseMoveEvent(QMouseEvent *e)
{
    const bool inside = rect().contains(e->position().toPoint());
    if (e->buttons() & Qt::LeftButton) {
        // Captured: leaving drops both marks; coming back does not restore
        // the press.
        if (!inside)
            setFlags(false, false);
        return;
    }
    setFlags(inside, m_pressed);
}

void TSkinButton::mouseReleaseEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton || !m_pressed) {
        QWidget::mouseReleaseEvent(e);
        return;
    }
    setFlags(rect().contains(e->position().toPoint()), false);
    click();
}

static bool isPressKey(int key)
{
    return key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
}

void TSkinButton::keyPressEvent(QKeyEvent *e)
{
    if (isPressKey(e->key()) && (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier
        && hasFocus()) {
        setFlags(m_over, true);
        return;
    }
    QWidget::keyPressEvent(e);
}

void TSkinButton::keyReleaseEvent(QKeyEvent *e)
{
    if (isPressKey(e->key()) && !e->isAutoRepeat() && hasFocus() && m_pressed) {
        setFlags(m_over, false);
        click();
        return;
    }
    QWidget::keyReleaseEvent(e);
}

void TSkinButton::changeEvent(QEvent *e)
{
    if (e->type() == QEvent::EnabledChange && !isEnabled())
        m_pressed = false;
    QWidget::changeEvent(e);
}
