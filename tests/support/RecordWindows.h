// The three windows of one kind of record (management, addition, search),
// among every window the program makes, on the program's data module.
// close() unmakes them all before the data module and clears the pointers.
#pragma once

#include "core/Globals.h"
#include "office/DataModule.h"
#include "tests/support/Fixture.h"
#include "tests/support/ProgramWindows.h"

#include <memory>

namespace fixture {

template <typename Manage, typename Add, typename Query>
class RecordWindows {
public:
    RecordWindows() = default;
    // A fixture that owns its data directory calls close() in its own
    // destructor: the windows and the data module go before the directory.
    ~RecordWindows() { close(); }
    RecordWindows(const RecordWindows &) = delete;
    RecordWindows &operator=(const RecordWindows &) = delete;

    // Seed dir first: the data module reads its tables there.
    void open(const DataDir &dir)
    {
        m_program = std::make_unique<ProgramWindows>(dir.path());
        manage = ProgramWindows::window<Manage>();
        add = ProgramWindows::window<Add>();
        query = ProgramWindows::window<Query>();
    }

    void close()
    {
        m_program.reset();
        manage = nullptr;
        add = nullptr;
        query = nullptr;
    }

    Manage *manage = nullptr;
    Add *add = nullptr;
    Query *query = nullptr;

private:
    std::unique_ptr<ProgramWindows> m_program;
};

} // namespace fixture
