// The embedded engine: each table in its own SQLite file, every file of a
// data directory attached to one connection.
#pragma once

#include "db/Engine.h"
#include "db/sqlite/Sqlite.h"

namespace store {

class SqliteEngine : public Engine {
public:
    explicit SqliteEngine(const QString &dir);
    ~SqliteEngine() override;

    sqlite3 *handle() const { return m_db.handle(); }
    const QString &directory() const { return m_dir; }

    void beginWrite() override;
    void commit() override;
    void rollback() override;
    void syncExternal(bool userAction) override;
    Statement prepare(const QString &sqlText, const QString &label) override;
    void exec(const QString &sqlText) override;
    TableShape describe(const QString &schema, const QString &path) override;
    qint64 highWater(const StoredTable &file) override;
    void raiseHighWater(const StoredTable &file, qint64 rowid) override;

    QString noCase(const QString &expr) const override { return expr + QStringLiteral(" COLLATE NOCASE"); }
    QString differ(const QString &a, const QString &b) const override { return a + QStringLiteral(" IS NOT ") + b; }
    QString likeCondition(const QString &field, const QString &like, QVariant *bound) const override;
    bool typedColumns() const override { return false; }

protected:
    QString locate(const QString &path, QString *schema) override;

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
    // The first attached file that fails a quick integrity check.
    QString damagedFile();
    // The engine's words for a failure, naming the damaged file if that is what it was.
    QString failureText(int code, const QString &message);
    // Whether the running transaction was undone by SQLite itself; the
    // engine is out of it afterwards.
    bool transactionGone();
    QString m_dir;
    std::map<QString, Attached> m_attached; // schema -> file
    sql::Db m_db;
    bool m_hasMain = false;
    int m_nextSchema = 1;
    QHash<QString, QString> m_schemas; // canonical path -> schema name
};

} // namespace store
