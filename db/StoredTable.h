// One table of an engine: a file of the embedded engine, or a table of the
// server's database. Shared by every dataset on it; it reads, writes and
// numbers the records, checks each write against what was read, and tells
// the views on it when the records change.
#pragma once

#include "core/Error.h"
#include "db/FieldType.h"
#include "db/Statement.h"
#include "db/TableObserver.h"
#include "db/TableShape.h"

#include <QString>
#include <QVariant>

#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

namespace store {

class Engine;

class StoredTable {
public:
    StoredTable(std::shared_ptr<Engine> engine, const QString &path, const QString &schema);
    ~StoredTable();

    Engine &engine() const { return *m_engine; }
    // Where the table is: the file's path (embedded engine) or the table's
    // name (server), as it was asked for.
    const QString &location() const { return m_location; }
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
    // Many new records in one go, as many inserts would store them: the
    // first new row id is worked out once (the result, for the first
    // append), each append takes the next, the records go in by the
    // hundred (one statement, one round trip to a server), and the
    // high-water mark is raised once at the end.
    qint64 beginAppend();
    void append(qint64 rowid, const std::vector<QVariant> &values);
    void endAppend(qint64 lastRowid);

private:
    void readSchema();
    void scheduleNotify();
    void verify(qint64 rowid, quint64 stamp);

    std::shared_ptr<Engine> m_engine;
    QString m_location, m_schema, m_table;
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
    void flushAppend();
    Statement appendStatement(size_t rows);
    static constexpr size_t AppendBatch = 100;
    std::vector<std::pair<qint64, std::vector<QVariant>>> m_appending;
    Statement m_appendBatch;
};

} // namespace store
