#include "skin/SkinTitleBar.h"

#include "skin/Pictures.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QWindow>

using namespace SkinTheme;

TSkinTitleBar::TSkinTitleBar(QWidget *parent)
    : QWidget(parent)
{
    m_font = QFont(QStringLiteral("MS Sans Serif"));
    m_font.setPixelSize(11);
    // Crisp strokes, as the old program drew its captions.
    m_font.setStyleStrategy(QFont::NoAntialias);
    setFixedHeight(TitleBarHeight);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TSkinTitleBar::setButtons(const QList<TitleButtonType> &buttons)
{
    m_buttons = buttons;
    m_hovered = -1;
    update();
}

void TSkinTitleBar::setCaption(const QString &caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    update();
}

void TSkinTitleBar::setCaptionFont(const QFont &font)
{
    m_font = font;
    update();
}

void TSkinTitleBar::setActive(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    update();
}

SkinPictureState TSkinTitleBar::buttonState(int index) const
{
    if (index != m_hovered || index < 0)
        return SkinPictureState::Normal;
    return m_pressed ? SkinPictureState::MouseDown : SkinPictureState::MouseOn;
}

QColor TSkinTitleBar::inactiveCaptionColor()
{
    // The stock Windows colour of an inactive caption.
    return QColor(191, 205, 219);
}

QColor TSkinTitleBar::captionColor() const
{
    return m_active ? QColor(Qt::black) : inactiveCaptionColor();
}

QString TSkinTitleBar::displayedCaption() const
{
    return fitCaption(m_caption, m_font, width(), m_buttons);
}

QList<QRect> TSkinTitleBar::buttonRects(int barWidth, const QList<TitleButtonType> &buttons)
{
    QList<QRect> rects;
    int x = barWidth + RightBtnXOffset + 1;
    for (TitleButtonType t : buttons) {
        if (t == TitleButtonType::ControlBox) {
            rects.append(QRect(LeftBtnXOffset, TitleButtonTop, TitleButtonSize, TitleButtonSize));
        } else {
            x -= TitleButtonSize + ButtonInterval + 1;
            rects.append(QRect(x, TitleButtonTop, TitleButtonSize, TitleButtonSize));
        }
    }
    return rects;
}

int TSkinTitleBar::captionX(const QList<TitleButtonType> &buttons)
{
    if (buttons.contains(TitleButtonType::ControlBox))
        return LeftBtnXOffset + TitleButtonSize + CaptionGap;
    return LeftBtnXOffset != 0 ? LeftBtnXOffset : 6;
}

int TSkinTitleBar::captionLimit(int barWidth, const QList<TitleButtonType> &buttons)
{
    int x = barWidth + RightBtnXOffset + 1;
    for (TitleButtonType t : buttons)
        if (t != TitleButtonType::ControlBox)
            x -= TitleButtonSize + ButtonInterval + 1;
    return x;
}

QString TSkinTitleBar::firstTwoBytes(const QString &text)
{
    QStringEncoder enc("GBK");
    QStringDecoder dec("GBK");
    if (!enc.isValid() || !dec.isValid()) {
        // Without a GBK codec: a character outside ASCII is two bytes.
        if (text.isEmpty())
            return {};
        if (text.at(0).unicode() >= 0x80)
            return text.left(text.at(0).isHighSurrogate() ? 2 : 1);
        if (text.size() >= 2 && text.at(1).unicode() < 0x80)
            return text.left(2);
        return text.left(1);
    }
    const QByteArray bytes = enc.encode(text);
    // A stateful decode keeps an unfinished lead byte to itself.
    return dec.decode(bytes.left(2));
}

QString TSkinTitleBar::fitCaption(const QString &caption, const QFont &font, int barWidth,
                                  const QList<TitleButtonType> &buttons)
{
    const int start = captionX(buttons);
    const int space = captionLimit(barWidth, buttons) - start;
    if (QFontMetrics(font).horizontalAdvance(caption) > space)
        return firstTwoBytes(caption) + QStringLiteral("...");
    return caption;
}

int TSkinTitleBar::buttonAt(const QPoint &pos) const
{
    if (!rect().contains(pos))
        return -1;
    const QList<QRect> rects = buttonRects(width(), m_buttons);
    for (int i = 0; i < rects.size(); ++i)
        if (rects.at(i).contains(pos))
            return i;
    return -1;
}

void TSkinTitleBar::updateHover(const QPoint &pos)
{
    const int h = buttonAt(pos);
    if (h != m_hovered) {
        m_hovered = h;
        update();
    }
}

void TSkinTitleBar::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const int w = width(), h = height();

    const QPixmap left = SkinPictures::picture(QStringLiteral("PINSTRIPE_TITLE_LEFT"));
    const QPixmap right = SkinPictures::picture(QStringLiteral("PINSTRIPE_TITLE_RIGHT"));
    const QPixmap client = SkinPictures::picture(QStringLiteral("PINSTRIPE_TITLE_CLIENT"));
    // Left pieces from 0 rightwards, right ones from the edge leftwards, each
    // only if it still fits; the client piece stretched between.
    int leftEnd = 0, rightStart = w;
    if (left.width() <= w) {
        p.drawPixmap(0, 0, left);
        leftEnd = left.width();
    }
    if (w - right.width() >= leftEnd) {
        rightStart = w - right.width();
        p.drawPixmap(rightStart, 0, right);
    }
    if (rightStart > leftEnd)
        p.drawPixmap(QRect(leftEnd, 0, rightStart - leftEnd, h), client);

    const QList<QRect> rects = buttonRects(w, m_buttons);
    for (int i = 0; i < m_buttons.size(); ++i) {
        const QPixmap pic = SkinPictures::titleButton(m_buttons.at(i), buttonState(i));
        if (!pic.isNull())
            p.drawPixmap(rects.at(i).topLeft(), pic);
    }

    const QString text = displayedCaption();
    if (!text.isEmpty()) {
        p.setFont(m_font);
        p.setPen(captionColor());
        const QFontMetrics fm(m_font);
        const int y = (h - fm.height()) / 2;
        p.drawText(captionX(m_buttons), y + fm.ascent(), text);
    }
}

void TSkinTitleBar::mousePressEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(e);
        return;
    }
    m_pressed = true;
    m_hovered = buttonAt(e->position().toPoint());
    update();
    QWidget *win = window();
    if (m_hovered >= 0 || win->isMaximized() || win == this)
        return;
    // Over no button: the window follows the pointer until release.
    QWindow *handle = win->windowHandle();
    if (handle && handle->startSystemMove()) {
        // The system's move loop swallows the release.
        m_pressed = false;
        update();
        return;
    }
    m_manualMove = true;
    m_moveOffset = e->globalPosition().toPoint() - win->pos();
}

void TSkinTitleBar::mouseMoveEvent(QMouseEvent *e)
{
    if (m_manualMove) {
        window()->move(e->globalPosition().toPoint() - m_moveOffset);
        return;
    }
    updateHover(e->position().toPoint());
}

void TSkinTitleBar::mouseReleaseEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(e);
        return;
    }
    if (m_manualMove) {
        // A drag ends as the system's move would: no button action.
        m_manualMove = false;
        m_pressed = false;
        updateHover(e->position().toPoint());
        update();
        return;
    }
    const int over = buttonAt(e->position().toPoint());
    m_hovered = over;
    m_pressed = false;
    update();
    if (over >= 0)
        emit buttonActivated(m_buttons.at(over), over);
}

void TSkinTitleBar::mouseDoubleClickEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton)
        return;
    const int over = buttonAt(e->position().toPoint());
    if (over >= 0) {
        // The second press of a quick double click on a button is a press.
        m_pressed = true;
        m_hovered = over;
        update();
        return;
    }
    const int maxIndex = m_buttons.indexOf(TitleButtonType::Max);
    if (maxIndex >= 0)
        emit buttonActivated(TitleButtonType::Max, maxIndex);
}

void TSkinTitleBar::leaveEvent(QEvent *)
{
    if (m_hovered != -1) {
        m_hovered = -1;
        update();
    }
}
