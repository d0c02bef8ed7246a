// What one user action is, and the rules that keep it whole.
//
// An action is everything the program does for one event it dispatches at
// the outermost level of the loop that is running: a click, a key, a timer
// tick, a posted call. Everything it writes is stored as a whole or not at
// all:
//
// - It starts at the outermost dispatch (EventScope). An action started by
//   the user first picks up what other programs stored meanwhile, so that it
//   works on what is stored, not on an old view of it.
// - It is committed when its dispatch ends (EventScope::finish) and whenever
//   it hands control to the user before that: a message box or a modal
//   window (handOver), so that nothing is announced that is not stored.
// - An error ends it: its writes are undone (abort) before the one box that
//   reports the error, and the records it left half-edited are dropped.
// - A box or modal window runs a nested loop (NestedLoop); what that loop
//   dispatches are actions of their own. The running action keeps its
//   identity across it: when the loop ends, the action that opened it goes
//   on under its own serial, so its rollback still finds what it left
//   pending before the box.
// - The safety net: whatever is still pending when the loop is about to wait
//   is committed then; a failure of that commit is reported as an action of
//   its own, never from inside the event dispatcher.
// - A lost connection to the records ends the action: nothing of it is
//   retried or continued in a new transaction; the next action reconnects.
//
// Rules for handler authors: never run a dialog, a message box or an event
// loop except through the seam in ui/Ui (ui::messageBox, ui::showModal,
// ui::execDialog); every nested loop dispatches actions of its own, and only
// the seam keeps the running action's identity across it. Let errors
// propagate to the guard (ui/Guard.h); never catch one to go on with
// the action.
#pragma once

#include <functional>

namespace action {

struct Hooks {
    // An event from the user (a click, a key) is about to start an action:
    // pick up what other programs have stored meanwhile.
    std::function<void()> beginInput;
    // Stores what the running action has written so far; throws on failure,
    // after undoing it.
    std::function<void()> commit;
    // An error ended the running action: undo its writes, drop the records it
    // left half-edited, re-read every view.
    std::function<void()> rollback;
};
// Installed once by whoever owns the records (the program's start-up, a
// test's main); empty hooks remove them again.
void setHooks(Hooks hooks);

// Before a message box or a modal window takes over: what is pending is
// stored first, so nothing is announced that is not stored. Throws the
// commit's error, in which case the box must not be shown.
void handOver();
// Before an error is shown: the action's writes are undone.
void abort() noexcept;

// One event being dispatched. The outermost dispatch of the current loop
// level is an action of its own: it is committed when it ends.
class EventScope {
public:
    explicit EventScope(bool userInput);
    ~EventScope();
    EventScope(const EventScope &) = delete;
    EventScope &operator=(const EventScope &) = delete;
    bool topLevel() const { return m_top; }
    // Commits the action if this is the outermost dispatch; throws on failure.
    void finish();

private:
    bool m_top;
};

// A nested loop (a message box, a modal window): the events it dispatches
// are actions of their own; the action that opens it is the running one
// again when it ends.
class NestedLoop {
public:
    NestedLoop();
    ~NestedLoop();
    NestedLoop(const NestedLoop &) = delete;
    NestedLoop &operator=(const NestedLoop &) = delete;

private:
    int m_savedBase;
    unsigned long long m_savedSerial;
    bool m_savedByUser;
};

// Serial number of the running action: a new one at every outermost
// dispatch, the same one from the start of an action to its end.
unsigned long long current();
// Whether the running action was started by the user (not by a timer, a
// repaint or a posted call).
bool startedByUser();
// How many actions the user has started so far, at the outermost level.
unsigned long long userActions();
// Nested loops running (boxes and modal windows up).
int loopLevel();
// Whether an event is being dispatched (false in start-up code, or in a test
// calling a handler directly).
bool dispatching();

} // namespace action
