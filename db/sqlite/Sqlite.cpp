#include "db/sqlite/Sqlite.h"

#include "db/EngineTexts.h"
#include "core/Error.h"

#include <QDir>

#include <sqlite3.h>

namespace store::sql {

QString describe(int rc, const QString &sqliteText)
{
    switch (rc & 0xff) {
    case SQLITE_READONLY:
        return texts::readOnly();
    case SQLITE_FULL:
        return texts::diskFull();
    case SQLITE_IOERR:
        return QStringLiteral("读写表文件时发生输入输出错误");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return QStringLiteral("表文件已损坏或不是有效的数据表");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("表文件正被其他程序使用");
    case SQLITE_CANTOPEN:
        return QStringLiteral("无法打开表文件");
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return texts::noAccess();
    case SQLITE_CONSTRAINT:
        if ((rc & 0xffff) == SQLITE_CONSTRAINT_UNIQUE || (rc & 0xffff) == SQLITE_CONSTRAINT_PRIMARYKEY)
            return texts::duplicateKey();
        return texts::constraintBroken();
    default:
        return QStringLiteral("数据库引擎错误: %1").arg(sqliteText);
    }
}

void fail(sqlite3 *db, int rc, const QString &what)
{
    const int ext = db ? sqlite3_extended_errcode(db) : rc;
    const QString msg = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    QString text = describe(ext ? ext : rc, msg);
    if (!what.isEmpty())
        text = what + QStringLiteral(": ") + text;
    throw Error(text);
}

Db::~Db() { close(); }

void Db::open(const QString &path, bool create)
{
    close();
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
    if (create)
        flags |= SQLITE_OPEN_CREATE;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3 *db = m_db;
        QString text = describe(rc, db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString());
        sqlite3_close(db);
        m_db = nullptr;
        throw Error(path + QStringLiteral(": ") + text);
    }
    sqlite3_extended_result_codes(m_db, 1);
}

void Db::close()
{
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

void Db::exec(const QString &sql)
{
    char *err = nullptr;
    const int rc = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &err);
    if (err)
        sqlite3_free(err);
    if (rc != SQLITE_OK)
        fail(m_db, rc);
}

QString Db::lastError() const
{
    return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString();
}

bool isDamage(int rc) { return (rc & 0xff) == SQLITE_CORRUPT || (rc & 0xff) == SQLITE_NOTADB; }

QString damagedText(const QString &path)
{
    return QStringLiteral("表文件 '%1' 已损坏或不是有效的数据表").arg(QDir::toNativeSeparators(path));
}

void failDamaged(const QString &path) { throw Error(damagedText(path)); }

Stmt::Stmt(sqlite3 *db, const QString &sql, const QString &label) : m_db(db), m_label(label)
{
    const QByteArray text = sql.toUtf8();
    const int rc = sqlite3_prepare_v3(db, text.constData(), int(text.size()), SQLITE_PREPARE_PERSISTENT, &m_st, nullptr);
    if (rc != SQLITE_OK)
        fail(db, rc);
}

Stmt &Stmt::operator=(Stmt &&o) noexcept
{
    if (this != &o) {
        if (m_st)
            sqlite3_finalize(m_st);
        m_st = o.m_st;
        m_db = o.m_db;
        m_label = std::move(o.m_label);
        o.m_st = nullptr;
    }
    return *this;
}

Stmt::~Stmt()
{
    if (m_st)
        sqlite3_finalize(m_st);
}

void Stmt::reset()
{
    sqlite3_reset(m_st);
    sqlite3_clear_bindings(m_st);
}

void Stmt::bind(int i, const QVariant &v)
{
    int rc;
    if (!v.isValid() || v.isNull()) {
        rc = sqlite3_bind_null(m_st, i);
    } else {
        switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::Bool:
            rc = sqlite3_bind_int64(m_st, i, v.toLongLong());
            break;
        case QMetaType::QByteArray: {
            const QByteArray b = v.toByteArray();
            rc = sqlite3_bind_blob(m_st, i, b.constData(), int(b.size()), SQLITE_TRANSIENT);
            break;
        }
        case QMetaType::QDateTime: {
            const QDateTime dt = v.toDateTime();
            const QString s = dt.time() == QTime(0, 0) ? dt.date().toString(Qt::ISODate)
                                                        : dt.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
            const QByteArray u = s.toUtf8();
            rc = sqlite3_bind_text(m_st, i, u.constData(), int(u.size()), SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QByteArray u = v.toString().toUtf8();
            rc = sqlite3_bind_text(m_st, i, u.constData(), int(u.size()), SQLITE_TRANSIENT);
            break;
        }
        }
    }
    if (rc != SQLITE_OK)
        fail(m_db, rc);
}

void Stmt::bindInt64(int i, qint64 v)
{
    const int rc = sqlite3_bind_int64(m_st, i, v);
    if (rc != SQLITE_OK)
        fail(m_db, rc);
}

bool Stmt::step()
{
    const int rc = sqlite3_step(m_st);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    sqlite3_reset(m_st);
    if (isDamage(sqlite3_extended_errcode(m_db)) && !m_label.isEmpty())
        failDamaged(m_label);
    fail(m_db, rc);
}

quint64 Stmt::rowStamp(int firstColumn, int count) const
{
    // Over each column's type and bytes.
    Fingerprint h;
    auto mix = [&h](const void *data, int n) { h.mix(data, n); };
    for (int i = firstColumn; i < firstColumn + count; ++i) {
        const int type = sqlite3_column_type(m_st, i);
        mix(&type, int(sizeof type));
        switch (type) {
        case SQLITE_INTEGER: {
            const sqlite3_int64 v = sqlite3_column_int64(m_st, i);
            mix(&v, int(sizeof v));
            break;
        }
        case SQLITE_FLOAT: {
            const double v = sqlite3_column_double(m_st, i);
            mix(&v, int(sizeof v));
            break;
        }
        case SQLITE_TEXT:
        case SQLITE_BLOB: {
            const void *p = type == SQLITE_TEXT ? static_cast<const void *>(sqlite3_column_text(m_st, i))
                                                : sqlite3_column_blob(m_st, i);
            const int n = sqlite3_column_bytes(m_st, i);
            mix(&n, int(sizeof n));
            if (p)
                mix(p, n);
            break;
        }
        default:
            break;
        }
    }
    return h.value();
}

int Stmt::columnCount() const { return sqlite3_column_count(m_st); }

QVariant Stmt::column(int i) const
{
    switch (sqlite3_column_type(m_st, i)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(m_st, i)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(m_st, i));
    case SQLITE_TEXT:
        return QVariant(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(m_st, i)),
                                          sqlite3_column_bytes(m_st, i)));
    case SQLITE_BLOB: {
        const void *p = sqlite3_column_blob(m_st, i);
        return QVariant(QByteArray(static_cast<const char *>(p), sqlite3_column_bytes(m_st, i)));
    }
    default:
        return QVariant();
    }
}

qint64 Stmt::columnInt64(int i) const { return sqlite3_column_int64(m_st, i); }

QString Stmt::columnName(int i) const { return QString::fromUtf8(sqlite3_column_name(m_st, i)); }

} // namespace store::sql
