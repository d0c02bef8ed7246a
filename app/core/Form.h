// Base of every window: created once, shown and hidden, never destroyed
// before the end. Closing only hides.
#pragma once

#include <QWidget>

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
};
