// What shows the records of a table and must hear when they change. The
// data layer's datasets register themselves with the table they read; the
// table and its engine tell them through this interface and never know their
// class, so the engines sit below the datasets and not beside them.
#pragma once

#include <QtGlobal>

namespace store {

class TableObserver {
public:
    // To the views that follow the table (StoredTable::attach): the stored
    // records changed under them (another view wrote, another program
    // committed, a rollback undid what was shown). What they show is read
    // again when next used.
    virtual void tableChanged() {}
    // To the same views, once control is back in the event loop after such a
    // change: catch up now and announce it.
    virtual void catchUp() {}
    // To the results that stay as they were opened (StoredTable::attachSnapshot),
    // before this program writes to the table: rowid is the record about to
    // be changed or deleted, 0 a new one, -1 any number of them.
    virtual void beforeWrite(qint64 rowid) { (void)rowid; }

protected:
    ~TableObserver() = default;
};

} // namespace store
