#include "core/Action.h"

namespace action {

namespace {

struct State {
    Hooks hooks;
    int depth = 0;       // dispatches under way
    int base = 0;        // depth at which the current loop level dispatches
    int loops = 0;       // nested loops running
    unsigned long long serial = 1;     // the running action
    unsigned long long lastSerial = 1; // the last one given out: serials never repeat
    unsigned long long userActions = 0;
    bool byUser = false;
};

State &state()
{
    static State s;
    return s;
}

} // namespace

void setHooks(Hooks hooks) { state().hooks = std::move(hooks); }

void handOver()
{
    if (state().hooks.commit)
        state().hooks.commit();
}

void abort() noexcept
{
    if (!state().hooks.rollback)
        return;
    try {
        state().hooks.rollback();
    } catch (...) {
        // Undoing cannot be undone again; the views are re-read on next use.
    }
}

unsigned long long current() { return state().serial; }

bool startedByUser() { return state().byUser; }

unsigned long long userActions() { return state().userActions; }

int loopLevel() { return state().loops; }

bool dispatching() { return state().depth > 0; }

EventScope::EventScope(bool userInput) : m_top(state().depth == state().base)
{
    ++state().depth;
    if (!m_top)
        return;
    state().serial = ++state().lastSerial;
    state().byUser = userInput;
    if (!userInput)
        return;
    // Counted only at the outermost level: the click that closes a box is
    // not the user taking up work again.
    if (state().loops == 0)
        ++state().userActions;
    if (state().hooks.beginInput) {
        try {
            state().hooks.beginInput();
        } catch (...) {
            // Looking for other programs' changes is best effort; the write
            // itself checks again.
        }
    }
}

EventScope::~EventScope() { --state().depth; }

void EventScope::finish()
{
    if (m_top)
        handOver();
}

NestedLoop::NestedLoop() : m_savedBase(state().base), m_savedSerial(state().serial), m_savedByUser(state().byUser)
{
    state().base = state().depth;
    ++state().loops;
}

NestedLoop::~NestedLoop()
{
    --state().loops;
    state().base = m_savedBase;
    // The events of the loop were actions of their own; the one that opened
    // it is the running action again.
    state().serial = m_savedSerial;
    state().byUser = m_savedByUser;
}

} // namespace action
