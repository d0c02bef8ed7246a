// What the layer above the engines hears of the end of the running action's
// writes. The data layer registers itself, so that the engines never include
// a dataset's header.
#pragma once

namespace store {

class EngineObserver {
public:
    // The running action's writes are about to be undone (rollbackAll):
    // whatever it left half-edited is dropped first.
    virtual void rollingBack(unsigned long long action) = 0;

protected:
    ~EngineObserver() = default;
};

// The one observer (null: none).
void setEngineObserver(EngineObserver *observer);

} // namespace store
