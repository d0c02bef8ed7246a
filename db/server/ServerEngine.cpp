#include "db/server/ServerEngine.h"

#include "db/EngineTexts.h"
#include "core/Action.h"
#include "db/Engines.h"
#include "db/StoredTable.h"
#include "db/server/Logins.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

namespace store {

namespace {

// The statement that takes one table's write lock ($1: the table's name);
// "try" gives the form that answers at once whether it got it.
QByteArray tableLockStatement(bool tryOnly)
{
    return tryOnly ? QByteArray("SELECT pg_try_advisory_xact_lock(936, hashtext($1))")
                   : QByteArray("SELECT pg_advisory_xact_lock(936, hashtext($1))");
}

} // namespace

ServerEngine::ServerEngine(const QString &conninfo, const QString &user, const QString &password)
    : m_personal(!user.isEmpty()),
      m_conn(conninfo, user.isEmpty() ? QString() : pg::loginRole(pg::databaseOf(conninfo), user),
             user.isEmpty() ? QString() : pg::serverPassword(password))
{
    // A lost connection is made again only for the next action.
    m_conn.epoch = [] { return quint64(action::current()); };
    m_conn.onSession = [this] { newSession(); };
    m_conn.onLost = [this] { lost(); };
    newSession();
}

ServerEngine::~ServerEngine()
{
    // An action still running when the program ends this way did not
    // finish: nothing of it is stored.
    if (m_inTxn && m_conn.isOpen()) {
        try {
            m_conn.exec(QStringLiteral("ROLLBACK"));
        } catch (const Error &) {
        }
    }
}

void ServerEngine::newSession()
{
    m_conn.exec(QStringLiteral("SET lock_timeout = %1; LISTEN quillmere").arg(engineBusyTimeout()));
    if (m_schema.isEmpty()) {
        pg::Result r = m_conn.exec(QStringLiteral("SELECT current_schema(), current_database()"));
        m_schema = r.rows() ? r.text(0, 0) : QStringLiteral("public");
        m_database = r.rows() ? r.text(0, 1) : QString();
    }
    // What happened while the program was away is not known: everything is
    // read again.
    try {
        changedTables(m_conn.exec(QStringLiteral("SELECT name, version FROM quillmere_tables")));
    } catch (const Error &) {
        throw Error(QStringLiteral("数据库服务器 '%1' 上没有本系统的数据表").arg(m_conn.server()));
    }
    readLogin();
    m_shapes.clear();
    invalidateEverything();
}

void ServerEngine::readLogin()
{
    const pg::Result r = m_conn.exec(QByteArray("SELECT g.rolname = $1, pg_has_role(current_user, g.oid, 'MEMBER') "
                                                "FROM pg_roles g WHERE g.rolname IN ($1, $2)"),
                                     {QVariant(pg::adminGroup(m_database)), QVariant(pg::userGroup(m_database))});
    bool admin = false, user = false;
    for (int i = 0; i < r.rows(); ++i) {
        const bool member = r.text(i, 1) == QLatin1String("t");
        (r.text(i, 0) == QLatin1String("t") ? admin : user) = member;
    }
    m_right = admin ? 1 : user ? 2 : 0;
    m_notice.clear();
    if (r.rows() == 0) {
        // One login shared by every PC, owning every table: the program
        // works as before, and says how to move on.
        m_notice = QStringLiteral("数据库服务器 '%1' 上的记录还由所有电脑共用的一个登录名保管:"
                                  "用这个登录名的人都能读出每个帐户的口令、改动或删除任何记录。\n\n"
                                  "请系统管理员在数据库服务器上用超级用户运行\n"
                                  "sudo -u postgres quillmere-initdb --server \"dbname=%2\" --upgrade\n"
                                  "把每个帐户改为服务器上各自的登录名(口令不变),然后从各台电脑引擎设置的 Connection= 中删去 user=。"
                                  "在此之前程序照旧工作。")
                       .arg(m_conn.server(), m_database);
        return;
    }
    if (m_personal && m_right == 0)
        throw LoginRefused(QStringLiteral("登录名不在本系统的任何一个组中"));
    if (!m_personal && m_right == 0)
        m_notice = QStringLiteral("数据库服务器 '%1' 上每个帐户都有自己的登录名:请从本机引擎设置的 Connection= 中删去 user=,"
                                  "用自己的用户名和口令登录。").arg(m_conn.server());
}

void ServerEngine::lost()
{
    endTransaction();
    invalidateEverything();
}

QStringList ServerEngine::changedTables(const pg::Result &versions)
{
    QStringList changed;
    for (int i = 0; i < versions.rows(); ++i) {
        const QString name = versions.text(i, 0);
        const qint64 v = versions.int64(i, 1);
        auto it = m_seen.find(name);
        if (it == m_seen.end()) {
            m_seen[name] = v;
        } else if (it->second != v) {
            it->second = v;
            changed << name;
        }
    }
    return changed;
}

namespace {

ColumnInfo columnFrom(const QString &name, const QString &type, qint64 modifier, bool notNull)
{
    ColumnInfo c;
    c.name = name;
    if (type == QLatin1String("varchar") || type == QLatin1String("text") || type == QLatin1String("bpchar")) {
        // A character type's modifier is its length plus the 4 bytes of its header.
        c.type = FieldType::Text;
        c.size = modifier > 4 ? int(modifier - 4) : 0;
    } else if (type == QLatin1String("int4") || type == QLatin1String("int8") || type == QLatin1String("int2")) {
        c.type = FieldType::Integer;
    } else if (type.startsWith(QLatin1String("timestamp")) || type == QLatin1String("date")) {
        c.type = FieldType::DateTime;
    } else if (type == QLatin1String("bytea")) {
        c.type = FieldType::Bytes;
    }
    c.notNull = notNull;
    return c;
}

// The column an index's key names: the first quoted name in "学号" or
// lower(("学号")::text COLLATE "C").
int indexedColumn(const TableShape &shape, const QString &expr)
{
    const int open = expr.indexOf(u'"');
    const QString name = open >= 0 ? expr.mid(open + 1, expr.indexOf(u'"', open + 1) - open - 1) : expr;
    for (size_t i = 0; i < shape.columns.size(); ++i) {
        if (shape.columns[i].name == name)
            return int(i);
    }
    return -1;
}

} // namespace

void ServerEngine::readCatalog()
{
    // Every dataset that opens asks for its table: the schema's tables are
    // read in two statements once a session, and again only for a name not
    // among them.
    m_shapes.clear();
    pg::Result cols = m_conn.exec(QStringLiteral(
        "SELECT c.relname, a.attname, t.typname, a.atttypmod, a.attnotnull "
        "FROM pg_attribute a JOIN pg_class c ON c.oid = a.attrelid JOIN pg_namespace n ON n.oid = c.relnamespace "
        "JOIN pg_type t ON t.oid = a.atttypid WHERE n.nspname = current_schema() AND c.relkind IN ('r', 'v') "
        "AND a.attnum > 0 AND NOT a.attisdropped ORDER BY c.relname, a.attnum"));
    for (int i = 0; i < cols.rows(); ++i) {
        const QString table = cols.text(i, 0);
        TableShape &shape = m_shapes[table];
        shape.table = table;
        if (cols.text(i, 1) != QLatin1String("rowid")) // the record's id, as SQLite keeps it beside the fields
            shape.columns.push_back(columnFrom(cols.text(i, 1), cols.text(i, 2), cols.int64(i, 3), cols.text(i, 4) == QLatin1String("t")));
    }
    pg::Result idx = m_conn.exec(QStringLiteral(
        "SELECT t.relname, c.relname, pg_get_indexdef(i.indexrelid, 1, true), i.indisprimary "
        "FROM pg_index i JOIN pg_class c ON c.oid = i.indexrelid JOIN pg_class t ON t.oid = i.indrelid "
        "JOIN pg_namespace n ON n.oid = t.relnamespace WHERE n.nspname = current_schema() ORDER BY c.relname"));
    for (int i = 0; i < idx.rows(); ++i) {
        auto it = m_shapes.find(idx.text(i, 0));
        if (it == m_shapes.end())
            continue;
        TableShape &shape = it->second;
        const QString expr = idx.text(i, 2);
        const int column = indexedColumn(shape, expr);
        if (column < 0)
            continue; // the row ids' own index
        if (idx.text(i, 3) == QLatin1String("t")) {
            shape.pk = column;
            continue;
        }
        IndexInfo ii;
        ii.name = idx.text(i, 1);
        ii.column = column;
        ii.noCase = expr.startsWith(QLatin1String("lower("));
        shape.indexes.push_back(ii);
    }
}

QString ServerEngine::locate(const QString &path, QString *schema)
{
    const QString wanted = QFileInfo(path).completeBaseName();
    auto named = [&] {
        QStringList tables;
        for (const auto &[table, shape] : m_shapes) {
            if (table.compare(wanted, Qt::CaseInsensitive) == 0)
                tables << table;
        }
        return tables;
    };
    QStringList tables = named();
    if (tables.isEmpty()) {
        readCatalog();
        tables = named();
    }
    if (tables.size() != 1)
        throw Error(QStringLiteral("数据库服务器 '%1' 上找不到表 '%2'").arg(m_conn.server(), wanted));
    *schema = m_schema;
    return tables.front();
}

TableShape ServerEngine::describe(const QString &, const QString &table)
{
    if (!m_shapes.count(table))
        readCatalog();
    const auto it = m_shapes.find(table);
    if (it == m_shapes.end())
        throw Error(QStringLiteral("数据库服务器 '%1' 上找不到表 '%2'").arg(m_conn.server(), table));
    return it->second;
}

Statement ServerEngine::prepare(const QString &sqlText, const QString &) { return Statement(pg::statement(m_conn, sqlText)); }

void ServerEngine::exec(const QString &sqlText) { m_conn.exec(sqlText); }

void ServerEngine::beginWrite()
{
    if (m_inTxn && m_conn.transactionFailed()) {
        rollback();
        throw TransactionLost(QStringLiteral("数据库服务器放弃了本次操作的事务,操作没有保存"));
    }
    if (m_inTxn)
        return;
    // No lock yet: each table's is taken when the action comes to it.
    m_conn.exec(QStringLiteral("BEGIN"));
    setInTransaction(true);
    ++m_txnSerial;
}

void ServerEngine::takeLock(const QString &table)
{
    if (m_locked.empty() || *m_locked.rbegin() < table) {
        m_conn.run(tableLockStatement(false), {QVariant(table)});
        return;
    }
    // Waiting here for a lock while holding one after it could wait forever
    // for a clerk who waits for ours: it is only tried, for half the busy
    // timeout, so that such a clerk, who waits in order, gets ours before
    // its own wait ends, and only this action is refused.
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (m_conn.run(tableLockStatement(true), {QVariant(table)}).text(0, 0) == QLatin1String("t"))
            return;
        if (waited.elapsed() >= engineBusyTimeout() / 2)
            throw Error(texts::othersWriting());
        QThread::msleep(10);
    }
}

void ServerEngine::lockTable(const StoredTable &file, bool composed)
{
    beginWrite();
    const QString table = file.table();
    if (m_locked.count(table))
        return;
    try {
        takeLock(table);
    } catch (const Error &) {
        // A clerk kept it longer than the busy timeout: the action ends here,
        // with nothing of it stored.
        rollback();
        throw;
    }
    m_locked.insert(table);
    // Read after the lock is held, in a statement of its own: its snapshot
    // then includes what the last holder committed.
    const pg::Result r = m_conn.run(QByteArray("SELECT version FROM quillmere_tables WHERE name = $1"), {QVariant(table)});
    if (!r.rows())
        return;
    qint64 &seen = m_seen[table];
    const qint64 now = r.int64(0, 0);
    if (seen == now)
        return;
    seen = now;
    invalidate(table);
    if (composed) {
        // A new record numbered from what the views showed before.
        rollback();
        throw Conflict(texts::storedMeanwhile());
    }
}

void ServerEngine::writing(const StoredTable &file) { m_written.insert(file.table()); }

void ServerEngine::commit()
{
    if (!m_inTxn)
        return;
    try {
        if (takeCommitFailureForTesting())
            throw Error(texts::diskFull());
        // The server answers COMMIT of a transaction it gave up with a
        // rollback, not with an error: that must not pass for stored.
        if (m_conn.transactionFailed())
            throw Error(QStringLiteral("数据库服务器放弃了本次操作的事务"));
        if (!m_written.empty()) {
            QStringList names;
            for (const QString &t : m_written)
                names << t;
            // Other programs compare these with what they last saw. The
            // entries are taken in the tables' order, as the locks are, so
            // that two commits never wait for each other.
            pg::Result r = m_conn.exec(QByteArray("UPDATE quillmere_tables AS t SET version = t.version + 1 FROM "
                                                  "(SELECT name FROM quillmere_tables WHERE name = ANY(string_to_array($1, chr(1))) "
                                                  "ORDER BY name COLLATE \"C\" FOR UPDATE) AS l "
                                                  "WHERE t.name = l.name RETURNING t.name, t.version"),
                                       {QVariant(names.join(QChar(1)))});
            for (int i = 0; i < r.rows(); ++i)
                m_seen[r.text(i, 0)] = r.int64(i, 1);
            m_conn.exec(QStringLiteral("NOTIFY quillmere"));
        }
        m_conn.exec(QStringLiteral("COMMIT"));
    } catch (const TransactionLost &) {
        rollback();
        throw;
    } catch (const Error &e) {
        const QString text = e.text();
        rollback();
        throw Error(texts::saveFailed(text));
    }
    endTransaction();
}

void ServerEngine::endTransaction()
{
    setInTransaction(false);
    m_written.clear();
    m_locked.clear();
}

void ServerEngine::rollback()
{
    if (!m_inTxn)
        return;
    endTransaction();
    // A lost connection took the transaction with it; undoing never makes
    // a new one.
    if (m_conn.isOpen()) {
        try {
            m_conn.exec(QStringLiteral("ROLLBACK"));
        } catch (const Error &) {
        }
    }
    invalidateEverything();
}

void ServerEngine::syncExternal(bool userAction)
{
    if (m_inTxn)
        return;
    // The notices are taken in either case, so that a notice still on its
    // way does not cost a second look later.
    // A connection that is down is not made again here: each key press
    // would wait for it; the next write reports it.
    const bool told = m_conn.notified();
    if (!told && !(userAction && m_conn.usable()))
        return;
    try {
        for (const QString &t : changedTables(m_conn.exec(QStringLiteral("SELECT name, version FROM quillmere_tables"))))
            invalidate(t);
    } catch (const Error &) {
        // The next action reports a server that went away.
    }
}

qint64 ServerEngine::catalogued(const char *column, const StoredTable &file)
{
    pg::Result r = m_conn.run(QByteArray("SELECT ") + column + " FROM quillmere_tables WHERE name = $1", {QVariant(file.table())});
    return r.rows() ? r.int64(0, 0) : 0;
}

qint64 ServerEngine::highWater(const StoredTable &file) { return catalogued("high_water", file); }

qint64 ServerEngine::countRecords(StoredTable &file) { return catalogued("records", file); }

void ServerEngine::raiseHighWater(const StoredTable &file, qint64 rowid)
{
    m_conn.run(QByteArray("UPDATE quillmere_tables SET high_water = $2 WHERE name = $1 AND high_water < $2"),
               {QVariant(file.table()), QVariant(rowid)});
}

QString ServerEngine::noCase(const QString &expr) const
{
    // Folds ASCII letters only, as the embedded engine's NOCASE does.
    return QStringLiteral("lower((%1)::text COLLATE \"C\")").arg(expr);
}

QString ServerEngine::differ(const QString &a, const QString &b) const
{
    return a + QStringLiteral(" IS DISTINCT FROM ") + b;
}

QString ServerEngine::likeCondition(const QString &field, const QString &like, QVariant *bound) const
{
    QString pattern = like;
    pattern.replace(u'\\', QLatin1String("\\\\")); // the server's LIKE escapes with "\"
    *bound = pattern;
    return field + QStringLiteral(" LIKE ?1");
}

} // namespace store
