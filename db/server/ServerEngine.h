// The server engine: the tables of an office on a PostgreSQL server, shared
// by every clerk's program. Each table has a write lock of its own (an
// advisory lock), taken by an action before it reads what its numbers, row
// ids or renumbering depend on and held to its commit, so that writers of
// different tables never wait for each other; changes of single records are
// kept apart by the server's own record locks. Each commit counts up the
// versions of the tables it wrote and notifies the other programs.
#pragma once

#include "db/Engine.h"
#include "db/server/Postgres.h"

namespace store {

// Every table's write lock at once, in the order the programs take them: what
// rewrites the whole office (a restore) and what must keep every writer out.
inline constexpr const char *OfficeWriteLock =
    "SELECT pg_advisory_xact_lock(936, hashtext(name)) FROM "
    "(SELECT name FROM quillmere_tables ORDER BY name COLLATE \"C\" OFFSET 0) AS t";

class ServerEngine : public Engine {
public:
    // user and password: a clerk's personal login, in place of the
    // string's own user (none).
    explicit ServerEngine(const QString &conninfo, const QString &user = QString(), const QString &password = QString());
    ~ServerEngine() override;

    pg::Connection &connection() { return m_conn; }

    void beginWrite() override;
    void lockTable(const StoredTable &file, bool composed) override;
    void commit() override;
    void rollback() override;
    void syncExternal(bool userAction) override;
    Statement prepare(const QString &sqlText, const QString &label) override;
    void exec(const QString &sqlText) override;
    TableShape describe(const QString &schema, const QString &table) override;
    qint64 highWater(const StoredTable &file) override;
    void raiseHighWater(const StoredTable &file, qint64 rowid) override;
    qint64 countRecords(StoredTable &file) override;
    void writing(const StoredTable &file) override;

    QString noCase(const QString &expr) const override;
    QString differ(const QString &a, const QString &b) const override;
    QString likeCondition(const QString &field, const QString &like, QVariant *bound) const override;
    int serverRight() const override { return m_right; }
    QString notice() const override { return m_notice; }
    bool typedColumns() const override { return true; }
    bool readsAhead() const override { return true; }
    QString nullsFirst(bool descending) const override
    {
        return descending ? QStringLiteral(" NULLS LAST") : QStringLiteral(" NULLS FIRST");
    }

protected:
    QString locate(const QString &path, QString *schema) override;

private:
    void newSession();
    // Whether the server keeps the office's groups, and which the login is in.
    void readLogin();
    bool m_personal;
    int m_right = 0;
    QString m_notice;
    void lost();
    // Tables whose version moved since last seen (and now seen).
    QStringList changedTables(const pg::Result &versions);
    pg::Connection m_conn;
    QString m_schema, m_database;
    std::map<QString, qint64> m_seen; // table -> version
    std::set<QString> m_written;
    std::set<QString> m_locked; // the tables whose lock the transaction holds
    // A lock is taken after the last one held in the tables' order, waiting
    // for it; one before it only if it is free within the busy timeout.
    void takeLock(const QString &table);
    void endTransaction();
    // The schema's tables, read once a session.
    void readCatalog();
    // A table's figure kept in quillmere_tables.
    qint64 catalogued(const char *column, const StoredTable &file);
    std::map<QString, TableShape> m_shapes; // table -> shape
};

} // namespace store
