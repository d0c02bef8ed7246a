#pragma once


namespace store {

// A control holding typed text not yet in its field. The dataset calls it
// directly before it posts or moves, so that a refused text stops the post
// or move in the caller, not inside a signal emission.
class PendingEdit {
public:
    virtual void writePending() = 0;

protected:
    ~PendingEdit() = default;
};

} // namespace store
