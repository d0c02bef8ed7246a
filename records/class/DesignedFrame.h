// The two class dialogs were laid out with a sizeable border, and their
// frame keeps the size it got then (a little short of the borderless window
// on the right and at the bottom) until the user first resizes the dialog;
// from then on the frame fills the window as everywhere else.
#pragma once

#include <QRect>

class TSkinForm;

// Puts the frame and its title bar back on `rect` of the window.
void placeDesignedFrame(TSkinForm *frame, const QRect &rect);
