#include "backup/Records.h"

#include "backup/Backup.h"

#include "core/Error.h"
#include "db/server/Postgres.h"
#include "db/sqlite/Sqlite.h"
#include "office/Schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <cstring>

namespace backup::detail {

using store::sql::quoteId;

namespace {

std::function<void(const QString &)> &stageHook()
{
    static std::function<void(const QString &)> hook;
    return hook;
}

} // namespace

void stage(const QString &name)
{
    if (stageHook())
        stageHook()(name);
}

QString fileText(const QString &path) { return QDir::toNativeSeparators(path); }

const std::vector<Table> &tables()
{
    static const std::vector<Table> all = [] {
        std::vector<Table> out;
        for (const QString &file : store::schema::fileNames()) {
            Table t;
            t.file = file;
            t.name = QFileInfo(file).completeBaseName();
            for (const store::schema::FieldShape &f : store::schema::fieldShapes(file)) {
                t.fields << f.name;
                t.types << f.type;
            }
            t.autoNumber = store::schema::autoNumberField(file);
            out.push_back(t);
        }
        return out;
    }();
    return all;
}

QString Table::columns() const
{
    QStringList cols{QStringLiteral("rowid")};
    for (const QString &f : fields)
        cols << quoteId(f);
    return cols.join(u',');
}

void Steps::at(qint64 done)
{
    if (m_fn && !m_fn(done, m_total))
        throw Cancelled(m_cancelText);
}

// ------------------------------------------------------------------ Print

void Print::bytes(const char *p, qsizetype n)
{
    word(quint64(n));
    qsizetype i = 0;
    for (; i + 8 <= n; i += 8) {
        quint64 w;
        std::memcpy(&w, p + i, 8);
        word(w);
    }
    quint64 tail = 0;
    if (n > i)
        std::memcpy(&tail, p + i, size_t(n - i));
    word(tail);
}

void Print::addNull() { word('N'); }

void Print::addInteger(qint64 v)
{
    word('I');
    word(quint64(v));
}

void Print::addReal(double v)
{
    quint64 w;
    std::memcpy(&w, &v, 8);
    word('R');
    word(w);
}

void Print::addText(const char *utf8, qsizetype n)
{
    word('T');
    bytes(utf8, n);
}

void Print::addBytes(const void *data, qsizetype n)
{
    word('B');
    bytes(static_cast<const char *>(data), n);
}

void Print::add(const QVariant &v)
{
    if (!v.isValid() || v.isNull()) {
        addNull();
        return;
    }
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
        addInteger(v.toLongLong());
        break;
    case QMetaType::Double:
        addReal(v.toDouble());
        break;
    case QMetaType::QByteArray: {
        const QByteArray b = v.toByteArray();
        addBytes(b.constData(), b.size());
        break;
    }
    default: {
        const QByteArray u = v.toString().toUtf8();
        addText(u.constData(), u.size());
    }
    }
}

void Print::add(sqlite3_value *v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        addInteger(sqlite3_value_int64(v));
        break;
    case SQLITE_FLOAT:
        addReal(sqlite3_value_double(v));
        break;
    case SQLITE_TEXT: {
        const auto *p = reinterpret_cast<const char *>(sqlite3_value_text(v));
        addText(p, sqlite3_value_bytes(v));
        break;
    }
    case SQLITE_BLOB: {
        const void *p = sqlite3_value_blob(v);
        addBytes(p, sqlite3_value_bytes(v));
        break;
    }
    default:
        addNull();
    }
}

QString Print::text() const { return QStringLiteral("%1").arg(value(), 16, 16, QLatin1Char('0')); }

QString overallPrint(const std::vector<QString> &tableNames, const std::vector<qint64> &records,
                     const std::vector<QString> &prints)
{
    Print all;
    for (size_t i = 0; i < tableNames.size(); ++i) {
        const QByteArray name = tableNames[i].toUtf8(), print = prints[i].toLatin1();
        all.addText(name.constData(), name.size());
        all.addInteger(records[i]);
        all.addText(print.constData(), print.size());
    }
    return all.text();
}

// --------------------------------------------------------------------- Db

Db::Db(const QString &path, Mode mode)
{
    int flags = SQLITE_OPEN_NOMUTEX;
    flags |= mode == ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    if (mode == Create)
        flags |= SQLITE_OPEN_CREATE;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        throw FileError(QStringLiteral("无法打开文件 '%1'").arg(fileText(path)));
    }
    sqlite3_extended_result_codes(m_db, 1);
}

Db::~Db()
{
    if (m_db) {
        if (!sqlite3_get_autocommit(m_db))
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close_v2(m_db);
    }
}

void Db::exec(const QString &sql)
{
    const int rc = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        store::sql::fail(m_db, rc);
}

void Db::attach(const QString &path, const QString &schema)
{
    store::sql::Stmt st(m_db, QStringLiteral("ATTACH DATABASE ?1 AS %1").arg(schema));
    st.bind(1, path);
    st.step();
}

qint64 Db::scalar(const QString &sql)
{
    store::sql::Stmt st(m_db, sql);
    return st.step() ? st.columnInt64(0) : 0;
}

qint64 printTable(Db &db, const QString &schema, const Table &t, Print &print, const std::function<void(qint64)> &step)
{
    store::sql::Stmt st(db.handle(), QStringLiteral("SELECT %1 FROM %2.%3 ORDER BY rowid").arg(t.columns(), schema, quoteId(t.name)));
    const int width = t.width();
    qint64 n = 0;
    while (st.step()) {
        for (int i = 0; i < width; ++i)
            print.add(sqlite3_column_value(st.handle(), i));
        if (++n % 4096 == 0 && step)
            step(n);
    }
    return n;
}

// ------------------------------------------------------------------ server

QVariant fromServer(const QVariant &v)
{
    if (v.typeId() != QMetaType::QString)
        return v;
    // A timestamp reads back as "yyyy-MM-ddThh:mm:ss"; the files keep a
    // date without its midnight.
    QString s = v.toString();
    if (s.size() == 19 && s[10] == u'T' && s[4] == u'-' && s[13] == u':') {
        if (s.endsWith(QLatin1String("T00:00:00")))
            return QVariant(s.left(10));
        s[10] = u' ';
        return QVariant(s);
    }
    return v;
}

void readServerTable(store::pg::Connection &c, const Table &t, const std::function<void(const std::vector<QVariant> &)> &row)
{
    c.exec(QStringLiteral("DECLARE qm_backup NO SCROLL CURSOR FOR SELECT %1 FROM %2 ORDER BY rowid").arg(t.columns(), quoteId(t.name)));
    std::vector<QVariant> values(size_t(t.width()));
    for (;;) {
        const store::pg::Result r = c.exec(QStringLiteral("FETCH 5000 FROM qm_backup"));
        for (int i = 0; i < r.rows(); ++i) {
            for (int col = 0; col < t.width(); ++col)
                values[size_t(col)] = fromServer(r.value(i, col));
            row(values);
        }
        if (r.rows() < 5000)
            break;
    }
    c.exec(QStringLiteral("CLOSE qm_backup"));
}

} // namespace backup::detail

namespace backup {

void setStageHookForTesting(std::function<void(const QString &)> hook) { detail::stageHook() = std::move(hook); }

} // namespace backup
