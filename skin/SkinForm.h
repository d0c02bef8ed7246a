#pragma once
// The themed frame of a top-level window. Placed on the window, it removes
// the system frame, stands behind all of the window's controls, paints the
// thin border and the pinstriped face, and carries the picture title bar.
//
// The window's own controls are its children, siblings of the frame, placed
// in window coordinates below the 23-pixel title bar. Usage:
//
//     auto *frame = new TSkinForm(this, QStringLiteral("学生信息管理"),
//         {TitleButtonType::ControlBox, TitleButtonType::Close,
//          TitleButtonType::Min});

#include "skin/SkinTheme.h"

#include <QColor>
#include <QList>
#include <QPointer>
#include <QRect>
#include <QWidget>

class QMenu;
class TSkinTitleBar;
class TSkinFormBorder;

class TSkinForm : public QWidget
{
    Q_OBJECT
public:
    TSkinForm(QWidget *window, const QString &caption, QList<TitleButtonType> buttons,
              QColor color = SkinTheme::FrameColor);
    ~TSkinForm() override;

    QWidget *skinnedWindow() const { return m_window; }
    TSkinTitleBar *titleBar() const { return m_titleBar; }

    // Also sets the window's own title.
    void setCaption(const QString &caption);
    QString caption() const;

    // The frame colour; kept, not drawn, in this theme.
    QColor color() const { return m_color; }
    SkinUIStyle uiStyle() const { return SkinUIStyle::Pinstripe; }
    QColor borderColor() const { return SkinTheme::BorderColor; }
    int borderWidth() const { return SkinTheme::BorderWidth; }

    // Whether the one-pixel border strips resize the window (5-pixel zones,
    // corners first; never while maximised). Off unless set.
    void setSizeable(bool sizeable);
    bool isSizeable() const { return m_sizeable; }

    // Menu popped up by the control box; none by default, and then the control
    // box does nothing.
    void setControlBoxMenu(QMenu *menu);

    // Carries out a title-bar button's action, as a release over it does.
    void runButtonAction(TitleButtonType type);

    // The work area (screen less taskbar) the window is held to.
    QRect workArea() const;

    // The maximised-window rule, for a window that was maximised when its
    // frame was made (the main window). On each size change while it stays
    // maximised the change is counted, once for the whole program; the first
    // two are only counted, and from the third on a window spilling out of the
    // work area (over the taskbar) is put back over the work area. The first
    // size change that finds it not maximised restores the bounds it had when
    // made and ends the rule for that window.
    enum class MaximisedRuleStep { Counted, Cover, Restore };
    static MaximisedRuleStep maximisedRuleStep(bool maximised, const QRect &geometry,
                                               const QRect &workArea);
    static int maximisedRuleCount();
    static void resetMaximisedRuleCount();

signals:
    void titleBarHelpBtnClick();
    void titleBarCustomBtnsClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *) override;

private:
    void layoutOnWindow();
    void applyMaximisedRule();
    void holdToWorkArea();

    QWidget *m_window;
    TSkinTitleBar *m_titleBar;
    TSkinFormBorder *m_border;
    QPointer<QMenu> m_controlBoxMenu;
    QColor m_color;
    bool m_sizeable = false;
    // Maximised-window rule: active for a window that was maximised when its
    // frame was made, until it is first found not maximised.
    bool m_maximisedRule = false;
    QRect m_createdBounds;
    bool m_applyingRule = false;
    // Minimised from the maximised state; maximised again when restored.
    bool m_maximiseOnRestore = false;
};
