#include "data/Walk.h"

#include "db/SqlGuard.h"
#include "db/Engine.h"
#include "data/Table.h"
#include "db/StoredTable.h"

#include <exception>

namespace store {

QStringList fieldTexts(DataSet &ds, int fieldIndex)
{
    QStringList texts;
    ds.first();
    while (!ds.eof()) {
        texts << ds.fields(fieldIndex).asString();
        ds.next();
    }
    ds.first();
    return texts;
}

bool containsText(DataSet &ds, const QString &field, const QString &text)
{
    bool found = false;
    ds.first();
    while (!ds.eof()) {
        if (ds.fieldByName(field).asString() == text)
            found = true;
        ds.next();
    }
    return found;
}

void deleteMatching(DataSet &ds, const QString &field, const QString &text, const std::function<void()> &afterEach)
{
    ds.first();
    while (!ds.eof()) {
        if (ds.fieldByName(field).asString() == text) {
            const bool wasLast = ds.recNo() == ds.recordCount();
            ds.del();
            if (afterEach)
                afterEach();
            // The record that followed is current now and is compared next;
            // deleting the last one leaves nothing after it.
            if (wasLast || ds.isEmpty())
                break;
        } else {
            ds.next();
        }
    }
}

namespace {

// The table when a set-based statement gives the walk's result: a whole
// table in the order of its integer number column, with nothing that would
// see each record being written.
TTable *setBased(DataSet &ds, const QString &numberField)
{
    auto *t = qobject_cast<TTable *>(&ds);
    if (!t || !t->active() || t->hasMaster() || t->observesWrites())
        return nullptr;
    const int column = t->file()->columnIndex(numberField);
    if (column < 0 || column != t->orderColumn() || column != t->file()->primaryColumn()
        || t->file()->columns()[size_t(column)].type != FieldType::Integer)
        return nullptr;
    return t;
}

// Runs statements under a savepoint; when one fails (a number the walk
// would also have met), everything of it is undone and false returned, and
// the walk record by record takes over in the same transaction. A failure
// that took the transaction with it (a lost connection, an engine that gave
// the transaction up) ends the action instead: what came before in it is
// gone, and a walk in a new transaction would store half an action.
bool undoable(TTable &t, const std::function<void()> &statements)
{
    Engine &engine = t.file()->engine();
    // The table's lock is taken before the savepoint: a lock not given ends
    // the action, it is no reason to walk instead.
    engine.lockTable(*t.file(), false);
    SqlGuard walk = SqlGuard::savepoint([&engine](const QString &sql) { engine.exec(sql); }, QStringLiteral("bulk_walk"));
    try {
        statements();
    } catch (const TransactionLost &) {
        walk.abandon();
        t.file()->invalidateAll();
        throw;
    } catch (const Error &e) {
        try {
            walk.undo();
        } catch (const Error &) {
            t.file()->invalidateAll();
            throw TransactionLost(e.text());
        }
        t.file()->invalidateAll();
        return false;
    }
    walk.finish();
    return true;
}

// Where the walk leaves the cursor: past the last record.
void endLikeWalk(TTable &t)
{
    t.file()->changedBy(nullptr);
    t.last();
}

void renumberByRecord(DataSet &ds, const QString &field)
{
    // No number is handed out while the walk renumbers.
    if (auto *t = qobject_cast<TTable *>(&ds); t && t->active())
        t->file()->engine().lockTable(*t->file(), false);
    ds.first();
    const int n = ds.recordCount();
    for (int i = 1; i <= n; ++i) {
        ds.edit();
        ds.fieldByName(field).setAsInteger(i);
        ds.next();
    }
}

} // namespace

void renumber(DataSet &ds, const QString &field)
{
    TTable *t = setBased(ds, field);
    if (!t) {
        renumberByRecord(ds, field);
        return;
    }
    ds.first(); // a pending record is posted first, as by the walk
    if (t->isEmpty())
        return;
    const int column = t->file()->columnIndex(field);
    if (!undoable(*t, [&] {
            if (!t->file()->numberedOneToN(column))
                t->file()->renumberFrom(column, 1);
        })) {
        renumberByRecord(ds, field);
        return;
    }
    endLikeWalk(*t);
}

void deleteMatchingAndRenumber(DataSet &ds, const QString &field, const QString &text, const QString &numberField,
                               const std::function<void()> &afterEach)
{
    TTable *t = setBased(ds, numberField);
    const int column = t ? t->file()->columnIndex(field) : -1;
    if (!t || column < 0 || t->file()->columns()[size_t(column)].type != FieldType::Text) {
        deleteMatching(ds, field, text, afterEach);
        renumberByRecord(ds, numberField);
        return;
    }
    ds.first();
    if (t->isEmpty())
        return;
    StoredTable &file = *t->file();
    const int number = file.columnIndex(numberField);
    qint64 removed = 0;
    if (!undoable(*t, [&] {
            // Numbered 1 ... n before: the records before the first one
            // deleted keep their numbers, only those after it move down.
            const bool oneToN = file.numberedOneToN(number);
            qint64 first = 0;
            removed = file.deleteExactly(column, text, number, &first);
            if (!oneToN)
                file.renumberFrom(number, 1);
            else if (removed > 0)
                file.renumberFrom(number, first);
        })) {
        deleteMatching(ds, field, text, afterEach);
        renumberByRecord(ds, numberField);
        return;
    }
    endLikeWalk(*t);
    if (removed > 0 && afterEach)
        afterEach();
}

void refreshAfter(const std::function<void()> &change, std::initializer_list<DataSet *> views)
{
    std::exception_ptr failure;
    try {
        change();
    } catch (...) {
        failure = std::current_exception();
    }
    for (DataSet *view : views)
        view->refresh();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace store
