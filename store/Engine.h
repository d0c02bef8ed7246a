// The table engine: one SQLite connection per data directory, with every
// table file of that directory attached to it, so that a change spanning
// several files commits atomically. Writes collect in one transaction that is
// committed when the event loop is about to wait, or by commitAll().
#pragma once

#include "store/DataSet.h"
#include "store/Sqlite.h"

#include <QHash>
#include <QString>

#include <map>
#include <memory>
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

// One table file opened through an engine; shared by every dataset on it.
class TableFile {
public:
    TableFile(std::shared_ptr<Engine> engine, const QString &path, const QString &schema);
    ~TableFile();

    Engine &engine() const { return *m_engine; }
    const QString &path() const { return m_path; }
    const std::vector<ColumnInfo> &columns() const { return m_columns; }
    int columnIndex(const QString &name) const;
    int primaryColumn() const { return m_pk; }
    const IndexInfo *findIndex(const QString &name) const;
    QString qualifiedTable() const; // schema."table"

    // The stored values of a record (empty when it is gone) and, with stamp,
    // their fingerprint.
    std::vector<QVariant> fetch(qint64 rowid, quint64 *stamp = nullptr);
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
    // Opens a statement against this file's connection.
    sql::Stmt prepare(const QString &sqlText);

    // Records stored, counted by SQLite once and then kept up to date by
    // this program's own inserts and deletions.
    qint64 rowCount();
    // A statement outside insert/update/remove changed this many records
    // (deleted: removed > 0), or an unknown number (-1).
    void changedInBulk(qint64 removed);

    quint64 generation() const { return m_generation; }
    // Marks every other dataset on this file stale and schedules their refresh.
    void changedBy(TTable *writer);
    void attach(TTable *t);
    // Open queries on this file, told before each write so that their
    // result stays as it was when they were opened.
    void attachQuery(TQuery *q);
    void detachQuery(TQuery *q);
    // rowid: the record about to be changed or deleted; 0: a new one; -1:
    // any number of them (a set-based statement follows).
    void beforeWrite(qint64 rowid);
    void detach(TTable *t);
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
    // Remembers in the file's header that row ids up to rowid are used.
    void raiseHighWater(qint64 rowid);

    std::shared_ptr<Engine> m_engine;
    QString m_path, m_schema, m_table;
    std::vector<ColumnInfo> m_columns;
    std::vector<IndexInfo> m_indexes;
    int m_pk = -1;
    quint64 m_generation = 1;
    qint64 m_rowCount = -1; // -1: to be counted
    std::vector<TTable *> m_tables;
    std::vector<TQuery *> m_queries;
    bool m_notifyPending = false;
    std::shared_ptr<bool> m_alive;
    sql::Stmt m_fetch, m_insert, m_delete, m_maxRowid, m_highWater;
    std::map<std::vector<bool>, sql::Stmt> m_updates;
};

class Engine : public std::enable_shared_from_this<Engine> {
public:
    explicit Engine(const QString &dir);
    ~Engine();

    // The table file at path (relative to the engine's directory or absolute),
    // matched without regard to the case of its name.
    std::shared_ptr<TableFile> openFile(const QString &path);
    sqlite3 *handle() const { return m_db.handle(); }
    const QString &directory() const { return m_dir; }

    // Starts the action's transaction with the write lock held (waiting up to
    // the busy timeout for another program's). Refuses with a Conflict when
    // another program stored something since the views were last brought up
    // to date: the action worked on what it showed, not on what is stored.
    void beginWrite();
    // Commits pending writes; on failure rolls back, re-reads every view and throws.
    void commit();
    // Undoes pending writes and re-reads every view.
    void rollback();
    bool inTransaction() const { return m_inTxn; }
    // The running transaction's serial number, 0 outside one. A record read
    // under the write lock cannot have been changed by another program.
    quint64 transaction() const { return m_inTxn ? m_txnSerial : 0; }
    // Picks up what other programs committed: the views of each changed file
    // are re-read. Does nothing inside a transaction.
    void syncExternal();

    static std::shared_ptr<Engine> forDirectory(const QString &dir);
    // Resolves a file name inside dir without regard to letter case.
    static QString resolveFile(const QString &dir, const QString &name);

private:
    struct Attached {
        QString path;
        sql::Stmt version;
        qint64 seen = 0;
    };
    void configure(const QString &schema);
    void track(const QString &schema, const QString &path);
    // Files whose data version moved since last seen (and now seen).
    QStringList changedFiles();
    void invalidate(const QString &path);
    void invalidateEverything();
    // The first attached file that fails a quick integrity check.
    QString damagedFile();
    // The engine's words for a failure, naming the damaged file if that is what it was.
    QString failureText(int code, const QString &message);
    [[noreturn]] void failWrite(const QString &prefix);
    QString m_dir;
    std::map<QString, Attached> m_attached; // schema -> file
    sql::Db m_db;
    bool m_hasMain = false;
    bool m_inTxn = false;
    quint64 m_txnSerial = 0;
    int m_nextSchema = 1;
    QHash<QString, QString> m_schemas; // canonical path -> schema name
    std::map<QString, std::weak_ptr<TableFile>> m_files;
};

// Makes the next commit fail as a full disk would (tests of the recovery).
void failNextCommitForTesting();

// What the application shows when a commit at idle time fails.
void setCommitErrorHandler(std::function<void(const QString &)> handler);
// Undoes every engine's pending writes and drops the records the running
// action left in edit or insert state.
void rollbackAll();
// Every engine picks up other programs' commits.
void syncAll();
int engineBusyTimeout();

} // namespace store
