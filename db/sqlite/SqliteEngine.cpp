#include "db/sqlite/SqliteEngine.h"

#include "db/EngineTexts.h"
#include "db/Engines.h"
#include "db/StoredTable.h"

#include <sqlite3.h>

#include <QDir>
#include <QFileInfo>

#include <limits>

namespace store {

using sql::quoteId;

namespace {

FieldType typeOf(const QString &declared, int *size)
{
    const QString t = declared.trimmed().toUpper();
    *size = 0;
    if (t.startsWith(QLatin1String("VARCHAR")) || t.startsWith(QLatin1String("TEXT")) || t.startsWith(QLatin1String("CHAR"))) {
        const int open = t.indexOf(u'(');
        if (open > 0)
            *size = t.mid(open + 1, t.indexOf(u')') - open - 1).trimmed().toInt();
        return FieldType::Text;
    }
    if (t == QLatin1String("INT") || t == QLatin1String("INTEGER"))
        return FieldType::Integer;
    if (t.startsWith(QLatin1String("DATE")))
        return FieldType::DateTime;
    if (t == QLatin1String("BLOB") || t == QLatin1String("BYTES"))
        return FieldType::Bytes;
    return FieldType::Other;
}

class SqliteStatement : public StatementImpl {
public:
    SqliteStatement(sqlite3 *db, const QString &text, const QString &label) : m_db(db), m_st(db, text, label) {}
    void reset() override { m_st.reset(); }
    void bind(int i, const QVariant &v) override { m_st.bind(i, v); }
    bool step() override
    {
        const bool row = m_st.step();
        if (!row)
            m_changes = sqlite3_changes64(m_db);
        return row;
    }
    QVariant column(int i) const override { return m_st.column(i); }
    qint64 columnInt64(int i) const override { return m_st.columnInt64(i); }
    QByteArrayView columnUtf8(int i) const override
    {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_st.handle(), i));
        return QByteArrayView(text, text ? sqlite3_column_bytes(m_st.handle(), i) : 0);
    }
    quint64 rowStamp(int firstColumn, int count) const override { return m_st.rowStamp(firstColumn, count); }
    qint64 changes() const override { return m_changes; }
    bool hasParam(int i) const override
    {
        return sqlite3_bind_parameter_index(m_st.handle(), QByteArray("?" + QByteArray::number(i)).constData()) > 0;
    }

private:
    sqlite3 *m_db;
    sql::Stmt m_st;
    qint64 m_changes = 0;
};

} // namespace

SqliteEngine::SqliteEngine(const QString &dir) : m_dir(dir) {}

SqliteEngine::~SqliteEngine()
{
    // An action still running when the program ends this way did not
    // finish: nothing of it is stored.
    if (m_inTxn && m_db.isOpen() && !sqlite3_get_autocommit(m_db.handle()))
        sqlite3_exec(m_db.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    m_attached.clear(); // their statements go before the connection
}

bool SqliteEngine::transactionGone()
{
    if (!m_inTxn || !sqlite3_get_autocommit(m_db.handle()))
        return false;
    // SQLite undid the transaction by itself (a full disk, an I/O error):
    // the action's earlier writes are gone, and what it would write next
    // must not be stored on its own.
    setInTransaction(false);
    invalidateEverything();
    return true;
}

void SqliteEngine::configure(const QString &schema)
{
    // A rollback journal (not WAL) keeps a commit over several attached files
    // atomic; full synchronisation makes a commit survive a power cut.
    m_db.exec(QStringLiteral("PRAGMA %1.journal_mode=DELETE").arg(schema));
    m_db.exec(QStringLiteral("PRAGMA %1.synchronous=FULL").arg(schema));
}

QString SqliteEngine::locate(const QString &path, QString *schemaOut)
{
    QFileInfo fi(path);
    QString dir = fi.isAbsolute() ? fi.absolutePath() : m_dir;
    const QString full = resolveFile(dir, fi.fileName());
    QString schema = m_schemas.value(full);
    if (schema.isEmpty()) {
        if (!m_hasMain) {
            // The first file becomes the connection's main database: a commit
            // spanning attached files is atomic only with a real main file.
            m_db.open(full, false);
            sqlite3_busy_timeout(m_db.handle(), engineBusyTimeout());
            schema = QStringLiteral("main");
            try {
                configure(schema);
            } catch (const Error &) {
                m_db.close();
                throw Error(QStringLiteral("'%1' 不是有效的数据表文件").arg(QDir::toNativeSeparators(full)));
            }
            m_hasMain = true;
            track(schema, full);
        } else {
            if (m_inTxn)
                commit(); // an attachment cannot happen inside a transaction
            schema = QStringLiteral("f%1").arg(m_nextSchema++);
            sql::Stmt st(m_db.handle(), QStringLiteral("ATTACH DATABASE ?1 AS %1").arg(schema));
            st.bind(1, full);
            st.step();
            try {
                configure(schema);
            } catch (const Error &) {
                m_db.exec(QStringLiteral("DETACH DATABASE %1").arg(schema));
                throw Error(QStringLiteral("'%1' 不是有效的数据表文件").arg(QDir::toNativeSeparators(full)));
            }
            track(schema, full);
        }
        m_schemas.insert(full, schema);
    }
    *schemaOut = schema;
    return full;
}

void SqliteEngine::beginWrite()
{
    if (transactionGone())
        throw TransactionLost(QStringLiteral("数据库引擎撤销了本次操作的修改,操作没有保存"));
    if (m_inTxn)
        return;
    // IMMEDIATE takes the write lock of every attached file now, so two
    // programs' actions never interleave their writes.
    const int rc = sqlite3_exec(m_db.handle(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw Error(failureText(sqlite3_extended_errcode(m_db.handle()), m_db.lastError()));
    setInTransaction(true);
    ++m_txnSerial;
    const QStringList changed = changedFiles();
    if (changed.isEmpty())
        return;
    sqlite3_exec(m_db.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    setInTransaction(false);
    for (const QString &path : changed)
        invalidate(path);
    throw Conflict(texts::storedMeanwhile());
}

void SqliteEngine::rollback()
{
    if (!m_inTxn)
        return;
    if (!sqlite3_get_autocommit(m_db.handle()))
        sqlite3_exec(m_db.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    setInTransaction(false);
    invalidateEverything();
}

void SqliteEngine::track(const QString &schema, const QString &path)
{
    Attached a;
    a.path = path;
    a.version = sql::Stmt(m_db.handle(), QStringLiteral("PRAGMA %1.data_version").arg(schema), path);
    auto &slot = m_attached[schema] = std::move(a);
    slot.version.step();
    slot.seen = slot.version.columnInt64(0);
    slot.version.reset();
}

QStringList SqliteEngine::changedFiles()
{
    QStringList changed;
    for (auto &entry : m_attached) {
        Attached &a = entry.second;
        a.version.reset();
        const bool row = a.version.step();
        const qint64 now = row ? a.version.columnInt64(0) : a.seen;
        a.version.reset(); // a statement left open would hold the file's read lock
        if (now != a.seen) {
            a.seen = now;
            changed << a.path;
        }
    }
    return changed;
}

void SqliteEngine::syncExternal(bool)
{
    if (m_inTxn || !m_db.isOpen())
        return;
    for (const QString &path : changedFiles())
        invalidate(path);
}

QString SqliteEngine::damagedFile()
{
    for (auto &entry : m_attached) {
        try {
            sql::Stmt check(m_db.handle(), QStringLiteral("PRAGMA %1.quick_check(1)").arg(entry.first));
            if (!check.step() || check.column(0).toString() != QLatin1String("ok"))
                return entry.second.path;
        } catch (const Error &) {
            return entry.second.path;
        }
    }
    return QString();
}

QString SqliteEngine::failureText(int code, const QString &message)
{
    if (sql::isDamage(code)) {
        const QString damaged = damagedFile();
        if (!damaged.isEmpty())
            return sql::damagedText(damaged);
    }
    return sql::describe(code, message);
}

void SqliteEngine::commit()
{
    if (transactionGone())
        throw TransactionLost(texts::saveFailed(QStringLiteral("数据库引擎撤销了本次操作的修改")));
    if (!m_inTxn)
        return;
    if (takeCommitFailureForTesting()) {
        sqlite3_commit_hook(m_db.handle(), [](void *) { return 1; }, nullptr);
    }
    const int rc = sqlite3_exec(m_db.handle(), "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_commit_hook(m_db.handle(), nullptr, nullptr);
    if (rc == SQLITE_OK) {
        setInTransaction(false);
        return;
    }
    const int code = sqlite3_extended_errcode(m_db.handle());
    const QString message = m_db.lastError();
    if (!sqlite3_get_autocommit(m_db.handle()))
        sqlite3_exec(m_db.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    setInTransaction(false);
    // What the windows show must be what is stored.
    invalidateEverything();
    throw Error(texts::saveFailed(failureText(code, message)));
}

TableShape SqliteEngine::describe(const QString &m_schema, const QString &m_path)
{
    sqlite3 *db = m_db.handle();
    TableShape shape;
    QStringList tables;
    try {
        sql::Stmt st(db, QStringLiteral("SELECT name FROM %1.sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite_%'").arg(m_schema));
        while (st.step())
            tables << st.column(0).toString();
    } catch (const Error &) {
        throw Error(QStringLiteral("'%1' 不是有效的数据表文件").arg(QDir::toNativeSeparators(m_path)));
    }
    // One table, named after its file: anything else is not a table of ours.
    if (tables.size() != 1 || tables.first().compare(QFileInfo(m_path).completeBaseName(), Qt::CaseInsensitive) != 0)
        throw Error(QStringLiteral("'%1' 不是有效的数据表文件").arg(QDir::toNativeSeparators(m_path)));
    shape.table = tables.first();

    sql::Stmt info(db, QStringLiteral("PRAGMA %1.table_info(%2)").arg(m_schema, quoteId(shape.table)));
    while (info.step()) {
        ColumnInfo c;
        c.name = info.column(1).toString();
        c.type = typeOf(info.column(2).toString(), &c.size);
        c.notNull = info.column(3).toInt() != 0;
        if (info.column(5).toInt() == 1)
            shape.pk = int(shape.columns.size());
        shape.columns.push_back(c);
    }
    sql::Stmt idx(db, QStringLiteral("SELECT name FROM %1.sqlite_master WHERE type='index' AND tbl_name=?1").arg(m_schema));
    idx.bind(1, shape.table);
    QStringList names;
    while (idx.step())
        names << idx.column(0).toString();
    for (const QString &name : names) {
        sql::Stmt xi(db, QStringLiteral("PRAGMA %1.index_xinfo(%2)").arg(m_schema, quoteId(name)));
        while (xi.step()) {
            if (xi.column(5).toInt() != 1 || xi.column(1).toInt() < 0)
                continue; // only the first key column matters here
            IndexInfo ii;
            ii.name = name;
            const QString column = xi.column(2).toString();
            for (size_t i = 0; i < shape.columns.size(); ++i) {
                if (shape.columns[i].name == column)
                    ii.column = int(i);
            }
            ii.noCase = xi.column(4).toString().compare(QLatin1String("NOCASE"), Qt::CaseInsensitive) == 0;
            shape.indexes.push_back(ii);
            break;
        }
    }
    return shape;
}

Statement SqliteEngine::prepare(const QString &sqlText, const QString &label)
{
    return Statement(std::make_unique<SqliteStatement>(m_db.handle(), sqlText, label));
}

void SqliteEngine::exec(const QString &sqlText) { m_db.exec(sqlText); }

qint64 SqliteEngine::highWater(const StoredTable &file)
{
    // The file's header field, which only the program writes.
    sql::Stmt st(m_db.handle(), QStringLiteral("PRAGMA %1.user_version").arg(file.schema()), file.location());
    return st.step() ? st.columnInt64(0) : 0;
}

void SqliteEngine::raiseHighWater(const StoredTable &file, qint64 rowid)
{
    if (rowid > std::numeric_limits<qint32>::max())
        return; // the header field holds 32 bits; max(rowid) still covers such a table
    if (rowid <= highWater(file))
        return;
    sql::Stmt set(m_db.handle(), QStringLiteral("PRAGMA %1.user_version = %2").arg(file.schema()).arg(rowid), file.location());
    set.step();
}

namespace {

// "%" any run, "_" one character, everything else literal and case-sensitive:
// the same pattern as a GLOB, with GLOB's own wildcards escaped.
QString likeToGlob(const QString &like)
{
    QString out;
    for (const QChar c : like) {
        if (c == u'%')
            out += u'*';
        else if (c == u'_')
            out += u'?';
        else if (c == u'*' || c == u'?' || c == u'[')
            out += u'[' + QString(c) + u']';
        else
            out += c;
    }
    return out;
}

} // namespace

QString SqliteEngine::likeCondition(const QString &field, const QString &like, QVariant *bound) const
{
    *bound = likeToGlob(like);
    return field + QStringLiteral(" GLOB ?1");
}

} // namespace store
