// What one user action is: everything a handler writes, from the event that
// starts it until it ends or hands control to the user, is stored as a whole
// or not at all. The record layer registers what to do at each edge; the
// application object and the message-box seam mark the edges.
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
// are actions of their own.
class NestedLoop {
public:
    NestedLoop();
    ~NestedLoop();
    NestedLoop(const NestedLoop &) = delete;
    NestedLoop &operator=(const NestedLoop &) = delete;

private:
    int m_savedBase;
};

// Serial number of the running action; changes at every outermost dispatch.
unsigned long long current();

} // namespace action
