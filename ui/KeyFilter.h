// Character filters for edit boxes. The old edit boxes handed every typed
// character to the window (Backspace, Enter and Escape included) before the
// box saw it, and the window could discard it; the number boxes use that to
// take digits only.
#pragma once

#include <QChar>

#include <functional>

class QKeyEvent;
class QWidget;

namespace keyfilter {

// The character a key press types, or a null QChar for a key that types none
// (Delete, arrows, function keys, Tab, Alt combinations). Backspace, Enter and
// Escape type their control characters, Ctrl with a letter its control code.
QChar typedCharacter(const QKeyEvent *e);

// Hands every character typed into `box` (keys and input-method text) to
// `handler` before the box sees it; a handler that sets it to a null QChar
// discards it.
void onKeyPress(QWidget *box, std::function<void(QChar &)> handler);

// Lets the digits "0" to "9" pass; discards anything else and then shows
// "请输入整数!" titled "错误".
void integerOnly(QChar &key);

} // namespace keyfilter
