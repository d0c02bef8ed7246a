// The table engine. Every table file of a data directory is reached through
// one engine, so that a change spanning several files commits atomically:
// the embedded one keeps each table in its own SQLite file, all attached to
// one connection; the server one keeps the tables in one PostgreSQL
// database. Writes collect in one transaction per user action.
#pragma once

#include "core/Error.h"
#include "db/FieldType.h"
#include "db/Statement.h"
#include "db/TableObserver.h"
#include "db/TableShape.h"

#include <QHash>
#include <QString>

#include <map>
#include <memory>
#include <set>
#include <unordered_map>
#include <vector>

namespace store {

class Engine;
class StoredTable;

class Engine : public std::enable_shared_from_this<Engine> {
public:
    virtual ~Engine();

    // The table at path: a file (relative to the engine's directory or
    // absolute) or, on the server, the table named by the file's base name;
    // matched without regard to the case of its name.
    std::shared_ptr<StoredTable> openTable(const QString &path);

    // Starts the action's transaction. An engine with one write lock for all
    // its tables (the files) takes it here, waiting up to the busy timeout
    // for another program's, and refuses with a Conflict when another program
    // stored something since the views were last brought up to date: the
    // action worked on what it showed, not on what is stored. The server
    // takes each table's lock in lockTable instead.
    virtual void beginWrite() = 0;
    // Before anything a write to file depends on is read (the row ids it
    // hands out, its count + 1 numbers, a renumbering): the transaction is
    // begun if need be and the table's own write lock taken, and what another
    // program stored in the table meanwhile is picked up. composed: the write
    // was composed from what the views showed (a new record's number), so a
    // change stored meanwhile refuses it with a Conflict. An engine whose
    // write lock covers every table takes it in beginWrite and needs no more.
    virtual void lockTable(const StoredTable &file, bool composed);
    // Commits pending writes; on failure rolls back, re-reads every view and throws.
    virtual void commit() = 0;
    // Undoes pending writes and re-reads every view.
    virtual void rollback() = 0;
    bool inTransaction() const { return m_inTxn; }
    // The running transaction's serial number, 0 outside one. A record read
    // under the write lock cannot have been changed by another program.
    quint64 transaction() const { return m_inTxn ? m_txnSerial : 0; }
    // Picks up what other programs committed: the views of each changed file
    // are re-read. Does nothing inside a transaction.
    // userAction: the user takes up work, and what is stored must be seen
    // now (a server's notice of another program's commit may still be on
    // its way); otherwise an engine may look only when told of a change.
    virtual void syncExternal(bool userAction) = 0;

    // Statements in the record layer's SQL: "?N" parameters, "rowid" the
    // record's id; label names the file in the text of a failure.
    virtual Statement prepare(const QString &sqlText, const QString &label) = 0;
    virtual void exec(const QString &sqlText) = 0;
    // The table inside a file and its columns and indexes.
    virtual TableShape describe(const QString &schema, const QString &path) = 0;
    // The highest row id the table ever gave out, kept apart from the table
    // so that deleting the last records does not lower it.
    virtual qint64 highWater(const StoredTable &file) = 0;
    virtual void raiseHighWater(const StoredTable &file, qint64 rowid) = 0;
    // The records stored in the table.
    virtual qint64 countRecords(StoredTable &file);
    // A write to file is about to be made in the running transaction.
    virtual void writing(const StoredTable &) {}

    // Where the engines' SQL differs.
    // expr compared and ordered without regard to ASCII letter case.
    virtual QString noCase(const QString &expr) const = 0;
    // a and b differ, a NULL counting as a value.
    virtual QString differ(const QString &a, const QString &b) const = 0;
    // field matches a LIKE pattern ("%", "_"), case counted: the condition
    // with ?1, and the value to bind.
    virtual QString likeCondition(const QString &field, const QString &like, QVariant *bound) const = 0;
    // What an ORDER BY term needs so that records without a value come
    // first (last when descending).
    virtual QString nullsFirst(bool) const { return QString(); }
    // Whether a column holds only values of its declared type.
    virtual bool typedColumns() const = 0;
    // Whether reading records together with the entries that name them
    // saves statements.
    virtual bool readsAhead() const { return false; }

    // The right level the server gives the login this engine is connected
    // with, where the server checks each clerk's own login: 1 administrators,
    // 2 ordinary users; 0 where it does not (the files, one shared login).
    virtual int serverRight() const { return 0; }
    // What the user is to be told once about where the records are kept
    // (a server still shared under one login: how to move on); empty: nothing.
    virtual QString notice() const { return QString(); }

    // Resolves a file name inside dir without regard to letter case.
    static QString resolveFile(const QString &dir, const QString &name);

protected:
    Engine() = default;
    // Finds the table file and makes it reachable: its key (a canonical
    // path or table name) and the schema that holds it.
    virtual QString locate(const QString &path, QString *schema) = 0;
    void invalidate(const QString &key);
    void invalidateEverything();
    // While a transaction runs, the engine lives on even when the last table
    // on it is closed: the action it belongs to decides its end.
    void setInTransaction(bool on);

    bool m_inTxn = false;
    quint64 m_txnSerial = 0;

private:
    std::map<QString, std::weak_ptr<StoredTable>> m_files;
};

} // namespace store
