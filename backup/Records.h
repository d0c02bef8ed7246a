// What the backup's reading and writing share: the six tables as a backup
// holds them, the records' fingerprint (the same for a record however it was
// read), a small SQLite connection of its own, and reading a server table in
// the form the backup stores.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <vector>

struct sqlite3;
struct sqlite3_value;

namespace store::pg {
class Connection;
}

namespace backup::detail {

struct Table {
    QString file;       // the table file's name in a data directory
    QString name;       // the table inside it, on a server and in a backup
    QStringList fields; // in order
    QStringList types;  // as a table file declares them
    QString autoNumber; // the field numbered with the row id when stored without one
    // "rowid", then the fields, quoted and comma-separated.
    QString columns() const;
    int width() const { return int(fields.size()) + 1; }
};
const std::vector<Table> &tables();

// The fingerprint of a table's records in row id order: each value with its
// kind (none, integer, real, text, bytes), so that 1 and "1" differ.
class Print {
public:
    void addNull();
    void addInteger(qint64 v);
    void addReal(double v);
    void addText(const char *utf8, qsizetype n);
    void addBytes(const void *data, qsizetype n);
    // A value as the backup stores it (null, qlonglong, double, QString, QByteArray).
    void add(const QVariant &v);
    void add(sqlite3_value *v);
    quint64 value() const { return m_h; }
    QString text() const;

private:
    // FNV-1a over 64-bit words rather than bytes: a backup reads every
    // record twice, and this is most of the work of reading.
    void word(quint64 w)
    {
        m_h ^= w;
        m_h *= 1099511628211ull;
    }
    void bytes(const char *p, qsizetype n);
    quint64 m_h = 14695981039346656037ull;
};
// The fingerprint of the whole backup, from each table's records and print.
QString overallPrint(const std::vector<QString> &tableNames, const std::vector<qint64> &records,
                     const std::vector<QString> &prints);

// A connection of the backup's own; throws on failure to open.
class Db {
public:
    enum Mode { ReadOnly, ReadWrite, Create };
    Db(const QString &path, Mode mode);
    ~Db();
    Db(const Db &) = delete;
    Db &operator=(const Db &) = delete;
    sqlite3 *handle() const { return m_db; }
    void exec(const QString &sql);
    void attach(const QString &path, const QString &schema);
    qint64 scalar(const QString &sql);

private:
    sqlite3 *m_db = nullptr;
};

// Reads a table in row id order and adds each record to print; returns
// how many there are. step is told every few thousand records.
qint64 printTable(Db &db, const QString &schema, const Table &t, Print &print, const std::function<void(qint64)> &step);

// A server value in the form a table file stores it: dates as "yyyy-MM-dd"
// (with " hh:mm:ss" when not midnight), integers as integers, texts, bytes.
QVariant fromServer(const QVariant &v);
// Reads a server table in row id order, a batch at a time (memory stays
// flat), each record as the backup stores it: row id first.
void readServerTable(store::pg::Connection &c, const Table &t, const std::function<void(const std::vector<QVariant> &)> &row);

// Counts steps over the whole work and asks the caller's progress whether
// to go on; throws Cancelled with the text given when not.
class Steps {
public:
    Steps(const std::function<bool(qint64, qint64)> &fn, const QString &cancelText) : m_fn(fn), m_cancelText(cancelText) {}
    void setTotal(qint64 total) { m_total = total; }
    void at(qint64 done);

private:
    const std::function<bool(qint64, qint64)> &m_fn;
    QString m_cancelText;
    qint64 m_total = 0;
};

// Tests' hook at named points.
void stage(const QString &name);

// What the user is told when a file cannot be read or written.
QString fileText(const QString &path);

} // namespace backup::detail
