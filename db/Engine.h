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

#include <QHash>
#include <QString>

#include <map>
#include <memory>
#include <set>
#include <unordered_map>
#include <vector>

namespace store {

class Engine;

struct ColumnInfo {
    QString name;
    FieldType type = FieldType::Other;
    int size = 0;
    bool notNull = false;
};

struct IndexInfo {
    QString name;
    int column = -1;
    bool noCase = false;
};

// What an engine tells of one table.
struct TableShape {
    QString table;
    std::vector<ColumnInfo> columns;
    std::vector<IndexInfo> indexes;
    int pk = -1;
};

// One table file opened through an engine; shared by every dataset on it.
class TableFile {
public:
    TableFile(std::shared_ptr<Engine> engine, const QString &path, const QString &schema);
    ~TableFile();

    Engine &engine() const { return *m_engine; }
    // The file's path (embedded engine) or the table's name (server).
    const QString &path() const { return m_path; }
    const QString &schema() const { return m_schema; }
    const QString &table() const { return m_table; }
    const std::vector<ColumnInfo> &columns() const { return m_columns; }
    int columnIndex(const QString &name) const;
    int primaryColumn() const { return m_pk; }
    const IndexInfo *findIndex(const QString &name) const;
    QString qualifiedTable() const; // schema."table"

    // The stored values of a record (empty when it is gone) and, with stamp,
    // their fingerprint.
    std::vector<QVariant> fetch(qint64 rowid, quint64 *stamp = nullptr);
    // Whether a window's entries are read with their records now (on a
    // server, where each statement is a round trip), outside an action.
    bool readsAhead() const;
    // The stored columns, in order, for a statement reading whole records.
    const QString &recordColumns() const { return m_recordColumns; }
    // Keeps the record in st's current row (its columns from first on) for
    // fetch, until the file is written or found changed.
    void keepAhead(qint64 rowid, const Statement &st, int first);
    // Converts a stored value to the value of the column's type.
    QVariant fromStorage(int column, const QVariant &v) const;
    // A new record gets a row id never used in this file before, so a view
    // that still holds an old row id cannot reach a different record.
    qint64 insert(const std::vector<QVariant> &values);
    // Writes over or deletes the record as it was read (stamp); a record
    // changed or deleted since then is refused with a Conflict.
    // unchanged: the record was read under this transaction's lock and the
    // file has not been written since, so the check can be skipped.
    void update(qint64 rowid, const std::vector<QVariant> &values, const std::vector<bool> &dirty, quint64 stamp,
                bool unchanged = false);
    void remove(qint64 rowid, quint64 stamp, bool unchanged = false);
    // Whether a record read as row was can still be as it is stored.
    bool unchangedSince(quint64 readIn, quint64 readAt) const;
    // Opens a statement against this file's engine.
    Statement prepare(const QString &sqlText);

    // Records stored, counted once and then kept up to date by this
    // program's own inserts and deletions.
    qint64 rowCount();
    // A statement outside insert/update/remove changed this many records
    // (deleted: removed > 0), or an unknown number (-1).
    void changedInBulk(qint64 removed);

    quint64 generation() const { return m_generation; }
    // Tells every other view on this file that the records changed, and
    // schedules their catching up.
    void changedBy(const TableObserver *writer);
    // The views that follow the file (tables).
    void attach(TableObserver *view);
    void detach(TableObserver *view);
    // Open results on this file (queries), told before each write so that
    // they stay as they were when they were opened.
    void attachSnapshot(TableObserver *snapshot);
    void detachSnapshot(TableObserver *snapshot);
    // rowid: the record about to be changed or deleted; 0: a new one; -1:
    // any number of them (a set-based statement follows).
    void beforeWrite(qint64 rowid);
    void invalidateAll();

    // Set-based forms of record-by-record walks (Bulk.cpp). They write under
    // the action's write lock like any write, and leave the views stale.
    // Deletes every record whose column holds exactly text, case and blanks
    // counted (an empty text: no value or an empty one); returns how many,
    // and in firstKey the smallest value of keyColumn among them.
    qint64 deleteExactly(int column, const QString &text, int keyColumn, qint64 *firstKey);
    // Whether the integer column holds exactly 1 ... n over the n records.
    bool numberedOneToN(int column);
    // Numbers the records whose column holds from or more from..., in
    // its order (from 1: every record); writes only the numbers that change.
    void renumberFrom(int column, qint64 from);

private:
    void readSchema();
    void scheduleNotify();
    void verify(qint64 rowid, quint64 stamp);

    std::shared_ptr<Engine> m_engine;
    QString m_path, m_schema, m_table;
    std::vector<ColumnInfo> m_columns;
    std::vector<IndexInfo> m_indexes;
    int m_pk = -1;
    quint64 m_generation = 1;
    qint64 m_rowCount = -1; // -1: to be counted
    std::vector<TableObserver *> m_views;
    std::vector<TableObserver *> m_snapshots;
    bool m_notifyPending = false;
    std::shared_ptr<bool> m_alive;
    Statement m_fetch, m_insert, m_delete, m_maxRowid;
    QString m_recordColumns;
    struct Ahead {
        std::vector<QVariant> stored;
        quint64 stamp = 0;
    };
    static constexpr size_t AheadCapacity = 4096;
    std::unordered_map<qint64, Ahead> m_ahead;
    quint64 m_aheadGeneration = 0;
    std::map<std::vector<bool>, Statement> m_updates;
};

class Engine : public std::enable_shared_from_this<Engine> {
public:
    virtual ~Engine();

    // The table file at path (relative to the engine's directory or absolute),
    // matched without regard to the case of its name.
    std::shared_ptr<TableFile> openFile(const QString &path);

    // Starts the action's transaction with the write lock held (waiting up to
    // the busy timeout for another program's). Refuses with a Conflict when
    // another program stored something since the views were last brought up
    // to date: the action worked on what it showed, not on what is stored.
    virtual void beginWrite() = 0;
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
    virtual void syncExternal() = 0;

    // Statements in the record layer's SQL: "?N" parameters, "rowid" the
    // record's id; label names the file in the text of a failure.
    virtual Statement prepare(const QString &sqlText, const QString &label) = 0;
    virtual void exec(const QString &sqlText) = 0;
    // The table inside a file and its columns and indexes.
    virtual TableShape describe(const QString &schema, const QString &path) = 0;
    // The highest row id the table ever gave out, kept apart from the table
    // so that deleting the last records does not lower it.
    virtual qint64 highWater(const TableFile &file) = 0;
    virtual void raiseHighWater(const TableFile &file, qint64 rowid) = 0;
    // The records stored in the table.
    virtual qint64 countRecords(TableFile &file);
    // A write to file is about to be made in the running transaction.
    virtual void writing(const TableFile &) {}

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
    std::map<QString, std::weak_ptr<TableFile>> m_files;
};

} // namespace store
