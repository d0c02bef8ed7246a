#pragma once
// The old single-line edit boxes selected their whole text whenever the
// keyboard brought the focus to them: Tab, an accelerator, a window's first
// focus, a handler moving the focus. Typing then replaces the text instead of
// adding to it. A click places the caret, and coming back from another window
// (a message box, say) to the box that had the focus there leaves the
// selection as it was. Each edit box of the program forwards its focus
// events here.

class QFocusEvent;
class QLineEdit;

class SkinAutoSelect
{
public:
    // Call after the box's own focus-in handling.
    void focusIn(QLineEdit *box, const QFocusEvent *e);
    void focusOut(const QFocusEvent *e);

private:
    // The focus went to another window and stays with this box there.
    bool m_windowLeft = false;
};
