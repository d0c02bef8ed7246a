#pragma once
// A themed push button that draws itself from three pill pictures.
//
// It is not a tab stop and a mouse press does not give it the focus; it takes
// the focus only through its accelerator: Alt with the letter after '&' in its
// caption (either case). The accelerator first moves the focus to the button,
// so the box being left finishes its editing, and then clicks. The key is used
// up by the first enabled, visible button with that letter in the window's
// control order: the window's children depth first, in child order (the order
// the controls were created in, unless raise()/lower() moved them).
//
// clicked() is raised only by the button's own mouse and keyboard paths (and
// click(), which takes the same path); nothing else makes it click.

#include "skin/SkinTheme.h"

#include <QFont>
#include <QString>
#include <QWidget>

class TSkinButton : public QWidget
{
    Q_OBJECT
public:
    explicit TSkinButton(QWidget *parent = nullptr);
    TSkinButton(const QString &caption, QWidget *parent = nullptr);
    ~TSkinButton() override;

    void setCaption(const QString &caption);
    QString caption() const { return m_caption; }
    // The letter after '&' (upper case), or a null QChar.
    QChar accelerator() const;

    // Non-zero: a click ends the owning dialog with this result.
    void setModalResult(int result) { m_modalResult = result; }
    int modalResult() const { return m_modalResult; }

    // Off by default and in every window: Tab passes the button by.
    void setTabStop(bool tabStop);
    bool tabStop() const { return m_tabStop; }

    bool isPointerOver() const { return m_over; }
    bool isPressed() const { return m_pressed; }
    bool isClicking() const { return m_clicking; }
    SkinPictureState currentPicture() const;

    // Clicks as the mouse and keyboard do; nothing on a disabled button.
    void click();

    QSize sizeHint() const override;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *) override;
    void enterEvent(QEnterEvent *) override;
    void leaveEvent(QEvent *) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void keyReleaseEvent(QKeyEvent *e) override;
    void changeEvent(QEvent *e) override;

private:
    friend class TSkinAcceleratorFilter;
    void init();
    void setFlags(bool over, bool pressed);
    // The accelerator path: focus first, then click. False if not enabled.
    bool runAccelerator();

    QString m_caption;
    int m_modalResult = 0;
    bool m_tabStop = false;
    bool m_over = false;
    bool m_pressed = false;
    bool m_clicking = false;
};
