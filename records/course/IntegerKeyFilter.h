// The integer-only key filter of the credit and score boxes: a typed
// character other than a digit never reaches the box, and the user is told
// why with "请输入整数!".
#pragma once

#include <QChar>
#include <QObject>

#include <functional>

class QWidget;

// The check itself, in the shape of a key-press handler: a digit is left as
// it is; any other character (Backspace and Enter included) is cleared to a
// null QChar, so the caller drops it, and the message box is shown.
void integerOnlyKeyPress(QChar &key);

// Routes every character typed into `box` through `handler` before the box
// sees it; a character the handler clears to a null QChar is dropped. Keys
// that type no character (Delete, arrows, Tab, Alt+letter) pass untouched.
// Owned by the box.
class TKeyPressFilter : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(QChar &)>;
    TKeyPressFilter(QWidget *box, Handler handler);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Handler m_handler;
    bool m_resending = false;
};
