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

    std::vector<QVariant> fetch(qint64 rowid);
    // Converts a stored value to the value of the column's type.
    QVariant fromStorage(int column, const QVariant &v) const;
    qint64 insert(const std::vector<QVariant> &values);
    void update(qint64 rowid, const std::vector<QVariant> &values, const std::vector<bool> &dirty);
    void remove(qint64 rowid);
    // Opens a statement against this file's connection.
    sql::Stmt prepare(const QString &sqlText);

    quint64 generation() const { return m_generation; }
    // Marks every other dataset on this file stale and schedules their refresh.
    void changedBy(TTable *writer);
    void attach(TTable *t);
    void detach(TTable *t);
    void invalidateAll();

private:
    void readSchema();
    void scheduleNotify();

    std::shared_ptr<Engine> m_engine;
    QString m_path, m_schema, m_table;
    std::vector<ColumnInfo> m_columns;
    std::vector<IndexInfo> m_indexes;
    int m_pk = -1;
    quint64 m_generation = 1;
    std::vector<TTable *> m_tables;
    bool m_notifyPending = false;
    std::shared_ptr<bool> m_alive;
    sql::Stmt m_fetch, m_insert, m_delete;
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

    void beginWrite();
    // Commits pending writes; on failure rolls back, re-reads every view and throws.
    void commit();
    bool inTransaction() const { return m_inTxn; }

    static std::shared_ptr<Engine> forDirectory(const QString &dir);
    // Resolves a file name inside dir without regard to letter case.
    static QString resolveFile(const QString &dir, const QString &name);

private:
    void configure(const QString &schema);
    QString m_dir;
    sql::Db m_db;
    bool m_hasMain = false;
    bool m_inTxn = false;
    int m_nextSchema = 1;
    QHash<QString, QString> m_schemas; // canonical path -> schema name
    std::map<QString, std::weak_ptr<TableFile>> m_files;
};

// Makes the next commit fail as a full disk would (tests of the recovery).
void failNextCommitForTesting();

// What the application shows when a commit at idle time fails.
void setCommitErrorHandler(std::function<void(const QString &)> handler);
int engineBusyTimeout();

} // namespace store
