// Leaving a box: the focus moving on from it to another control of its
// window. Another window, a message box or a popup taking the focus is no
// leaving: the user is still at the box, and a check run then would report
// the same thing again when the box gets the focus back.
#pragma once

#include <functional>

class QFocusEvent;
class QWidget;

namespace ui {

// The focus went on to another control inside the window.
bool focusMovedOn(const QFocusEvent &e);

// Which moves count as leaving a box.
enum class Leaving {
    MovedOn,     // any move on, as above
    ToItsWindow, // a move on that leaves another control of the box's window
                 // with the focus
};

// Runs handler, through the guard, each time the focus leaves box.
void onLeaving(QWidget *box, Leaving leaving, std::function<void()> handler);

} // namespace ui
