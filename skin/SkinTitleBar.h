#pragma once
// The 23-pixel picture title bar of a themed window: three section pictures,
// the caption, and circular buttons that are drawn, not child widgets.

#include "skin/SkinTheme.h"

#include <QFont>
#include <QList>
#include <QPixmap>
#include <QPoint>
#include <QWidget>

class TSkinTitleBar : public QWidget
{
    Q_OBJECT
public:
    explicit TSkinTitleBar(QWidget *parent = nullptr);

    void setButtons(const QList<TitleButtonType> &buttons);
    QList<TitleButtonType> buttons() const { return m_buttons; }

    void setCaption(const QString &caption);
    QString caption() const { return m_caption; }

    // Caption font; 11-pixel "MS Sans Serif" unless changed.
    void setCaptionFont(const QFont &font);
    QFont captionFont() const { return m_font; }

    void setActive(bool active);
    bool isActive() const { return m_active; }

    // Left button went down on the bar and has not come up yet.
    bool isPressed() const { return m_pressed; }
    // Index into buttons() of the button under the pointer, -1 for none.
    int hoveredButton() const { return m_hovered; }
    // The picture the button at `index` shows now.
    SkinPictureState buttonState(int index) const;
    // The caption colour for the current active state.
    QColor captionColor() const;
    // What is drawn as the caption at the current width.
    QString displayedCaption() const;

    // Geometry rules, free of any widget, for a bar `barWidth` pixels wide.
    // One rectangle per entry of `buttons`, in list order.
    static QList<QRect> buttonRects(int barWidth, const QList<TitleButtonType> &buttons);
    static int captionX(const QList<TitleButtonType> &buttons);
    // x where the caption must end: the leftmost right-side button.
    static int captionLimit(int barWidth, const QList<TitleButtonType> &buttons);
    // The caption as drawn: whole, or cut to its first two code page 936
    // bytes followed by "..." when it is wider than the space it has.
    static QString fitCaption(const QString &caption, const QFont &font, int barWidth,
                              const QList<TitleButtonType> &buttons);
    // The first two bytes of `text` in code page 936, as text; a lead byte
    // left without its trail byte is dropped.
    static QString firstTwoBytes(const QString &text);
    // The colour of a caption while its window is inactive.
    static QColor inactiveCaptionColor();

signals:
    // Released over a title-bar button (or a double click that maximises).
    void buttonActivated(TitleButtonType type, int index);

protected:
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void leaveEvent(QEvent *) override;

private:
    int buttonAt(const QPoint &pos) const;
    void updateHover(const QPoint &pos);

    QList<TitleButtonType> m_buttons;
    QString m_caption;
    QFont m_font;
    bool m_active = true;
    bool m_pressed = false;
    int m_hovered = -1;
    // Fallback window drag where the platform cannot move the window itself.
    bool m_manualMove = false;
    QPoint m_moveOffset;
};
