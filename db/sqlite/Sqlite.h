// A thin RAII wrapper over the SQLite C library.
#pragma once

#include "db/Statement.h"

#include <QByteArray>
#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

namespace store::sql {

class Db {
public:
    Db() = default;
    Db(const Db &) = delete;
    Db &operator=(const Db &) = delete;
    ~Db();

    // Opens (or creates, when create is set) the file; throws on failure.
    void open(const QString &path, bool create);
    void close();
    sqlite3 *handle() const { return m_db; }
    bool isOpen() const { return m_db != nullptr; }
    void exec(const QString &sql);
    QString lastError() const;

private:
    sqlite3 *m_db = nullptr;
};

class Stmt {
public:
    Stmt() = default;
    // label names the table file the statement reads, for the text of a
    // damaged-file error.
    Stmt(sqlite3 *db, const QString &sql, const QString &label = QString());
    Stmt(Stmt &&o) noexcept : m_st(o.m_st), m_db(o.m_db), m_label(std::move(o.m_label)) { o.m_st = nullptr; }
    Stmt &operator=(Stmt &&o) noexcept;
    Stmt(const Stmt &) = delete;
    ~Stmt();

    bool valid() const { return m_st != nullptr; }
    void reset();
    void bind(int i, const QVariant &v);
    void bindInt64(int i, qint64 v);
    // Steps once: true while a row is available, false when done; throws on error.
    bool step();
    int columnCount() const;
    QVariant column(int i) const;
    qint64 columnInt64(int i) const;
    QString columnName(int i) const;
    sqlite3_stmt *handle() const { return m_st; }
    // A fingerprint of the current row's stored values, exact to the byte.
    quint64 rowStamp(int firstColumn, int count) const;

private:
    sqlite3_stmt *m_st = nullptr;
    sqlite3 *m_db = nullptr;
    QString m_label;
};


// Whether an SQLite result code means a damaged or foreign file.
bool isDamage(int rc);
// The text, and the error, for a damaged table file, naming it.
QString damagedText(const QString &path);
[[noreturn]] void failDamaged(const QString &path);

// Turns an SQLite failure into the record layer's error with a readable text.
[[noreturn]] void fail(sqlite3 *db, int rc, const QString &what = QString());
QString describe(int rc, const QString &sqliteText);

} // namespace store::sql
