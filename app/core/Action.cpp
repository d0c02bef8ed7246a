#include "app/core/Action.h"

namespace action {

namespace {

struct State {
    Hooks hooks;
    int depth = 0;       // dispatches under way
    int base = 0;        // depth at which the current loop level dispatches
    unsigned long long serial = 1;
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

EventScope::EventScope(bool userInput) : m_top(state().depth == state().base)
{
    ++state().depth;
    if (!m_top)
        return;
    ++state().serial;
    if (userInput && state().hooks.beginInput) {
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

NestedLoop::NestedLoop() : m_savedBase(state().base) { state().base = state().depth; }

NestedLoop::~NestedLoop() { state().base = m_savedBase; }

} // namespace action
