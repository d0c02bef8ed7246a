// Base of every window: created once, shown and hidden, never destroyed
// before the end. Closing only hides.
#pragma once

#include <QFont>
#include <QSize>
#include <QWidget>

#include <functional>

class QLabel;
class QTimer;

class TForm : public QWidget {
    Q_OBJECT
public:
    explicit TForm(QWidget *parent = nullptr);

    // Shows the window modally (through ui::showModal) and returns when it closes.
    void showModal();
    // Shows it not modally, or brings it to the front.
    void showFront();

    // Sets the client size the window was designed for.
    void setClientSize(int w, int h);

protected:
    // Runs every time the window becomes visible.
    virtual void FormShow() {}
    void showEvent(QShowEvent *e) override;

    // Whether the user may drag the window to another size.
    enum class Sizing { Fixed, Sizeable };

    // What every window sets first: its name, its title, the size it was
    // designed at and the 13-pixel 宋体 of all windows. Returns that font
    // for the controls that take it explicitly (skinned buttons, lists).
    QFont design(const QString &objectName, const QString &caption, QSize size, Sizing sizing = Sizing::Fixed);

    // For the windows without a place of their own: the middle of the
    // screen, clear of the main window's column of buttons. Needs the size.
    void centreOnScreen();

    // A caption at (x, y), as wide as its text (trailing blanks included),
    // on this window or on one of its groups.
    QLabel *addLabel(const QString &text, int x, int y, QWidget *on = nullptr);
    // The same, with an object name the tests look it up by.
    QLabel *addNamedLabel(const char *objectName, const QString &text, int x, int y, QWidget *on = nullptr);

    // A counter: "0" centred in a box of w by h pixels, until a timer or a
    // search sets it.
    QLabel *addNumberLabel(int x, int y, int w, int h = 16);

    // The 100 ms timer that keeps the counters of a window current; running
    // from now on, shown or not.
    QTimer *startTimer100(const std::function<void()> &tick, const char *objectName = nullptr);
};
