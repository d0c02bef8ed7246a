// The three windows of one kind of record (management, addition, search) on
// the program's data module, made in the program's order and published in
// its window pointers. close() deletes them before the data module and
// clears the pointers.
#pragma once

#include "app/core/Form.h"
#include "app/core/Globals.h"
#include "store/DataModule.h"
#include "tests/support/Fixture.h"

namespace fixture {

// The student and score management windows are made before the data module
// opens its datasets, the class and course ones after.
enum class ManageWindow { BeforeModuleOpens, AfterModuleOpens };

template <typename Manage, typename Add, typename Query>
class RecordWindows {
public:
    RecordWindows(TForm *&manageInstance, TForm *&addInstance, TForm *&queryInstance)
        : m_manageInstance(manageInstance), m_addInstance(addInstance), m_queryInstance(queryInstance)
    {
    }
    // A fixture that owns its data directory calls close() in its own
    // destructor: the windows and the data module go before the directory.
    ~RecordWindows() { close(); }
    RecordWindows(const RecordWindows &) = delete;
    RecordWindows &operator=(const RecordWindows &) = delete;

    // Seed dir first: the data module reads its tables there.
    void open(const DataDir &dir, ManageWindow order)
    {
        DataPath = dir.path();
        DM1 = new TDM1;
        if (order == ManageWindow::BeforeModuleOpens)
            makeManage();
        DM1->DataModuleCreate();
        if (order == ManageWindow::AfterModuleOpens)
            makeManage();
        m_addInstance = add = new Add;
        m_queryInstance = query = new Query;
    }

    void close()
    {
        delete query;
        delete add;
        delete manage;
        query = nullptr;
        add = nullptr;
        manage = nullptr;
        m_queryInstance = m_addInstance = m_manageInstance = nullptr;
        delete DM1;
        DM1 = nullptr;
    }

    Manage *manage = nullptr;
    Add *add = nullptr;
    Query *query = nullptr;

private:
    void makeManage() { m_manageInstance = manage = new Manage; }

    TForm *&m_manageInstance;
    TForm *&m_addInstance;
    TForm *&m_queryInstance;
};

} // namespace fixture
