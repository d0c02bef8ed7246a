#include "tools/ServerCopy.h"

#include "db/SqlGuard.h"
#include "core/Error.h"
#include "db/Engine.h"
#include "db/server/BatchInsert.h"
#include "db/server/Postgres.h"
#include "office/Schema.h"
#include "tools/CreateTables.h"
#include "db/sqlite/Sqlite.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace tools {

namespace sch = store::schema;
using store::sql::quoteId;

namespace {

// What both sides must agree on: the number of records, the bytes of their
// values and a fingerprint of every value in row id order.
struct Tally {
    qint64 records = 0, bytes = 0;
    store::Fingerprint print;

    void add(const QVariant &v)
    {
        QByteArray b;
        char kind = 'N';
        if (v.isValid() && !v.isNull()) {
            switch (v.typeId()) {
            case QMetaType::QByteArray:
                kind = 'B';
                b = v.toByteArray();
                break;
            case QMetaType::LongLong:
            case QMetaType::Int:
                kind = 'I';
                b = QByteArray::number(v.toLongLong());
                break;
            default: {
                kind = 'T';
                // A date reads back from the server with its time of day.
                static const QRegularExpression day(QStringLiteral("^(\\d{4}-\\d\\d-\\d\\d)(?:[T ](\\d\\d:\\d\\d:\\d\\d))?$"));
                const QString s = v.toString();
                const auto m = day.match(s);
                b = m.hasMatch() ? (m.captured(1) + u' ' + (m.captured(2).isEmpty() ? QStringLiteral("00:00:00") : m.captured(2))).toUtf8()
                                 : s.toUtf8();
            }
            }
        }
        print.mix(&kind, 1);
        const qint64 n = b.size();
        print.mix(&n, sizeof n);
        print.mix(b.constData(), b.size());
        bytes += n;
    }
    bool operator==(const Tally &o) const { return records == o.records && bytes == o.bytes && print.value() == o.print.value(); }
};

QStringList fieldsOf(store::sql::Db &db, const QString &table)
{
    QStringList fields;
    store::sql::Stmt info(db.handle(), QStringLiteral("PRAGMA table_info(%1)").arg(quoteId(table)));
    while (info.step())
        fields << info.column(1).toString();
    return fields;
}

// Writes the records in batches of one statement each.
Tally copyTable(store::sql::Db &db, store::pg::Connection &c, const QString &table, const QStringList &fields)
{
    QStringList cols;
    for (const QString &f : fields)
        cols << quoteId(f);
    store::sql::Stmt rows(db.handle(), QStringLiteral("SELECT rowid, %1 FROM %2 ORDER BY rowid").arg(cols.join(u','), quoteId(table)));
    Tally tally;
    store::pg::BatchInsert insert(c, quoteId(table), QStringLiteral("rowid,") + cols.join(u','), int(fields.size()) + 1);
    while (rows.step()) {
        insert.add([&](int i) {
            const QVariant v = rows.column(i);
            if (i > 0)
                tally.add(v);
            return v;
        });
        ++tally.records;
    }
    insert.finish();
    return tally;
}

Tally readBack(store::pg::Connection &c, const QString &table, const QStringList &fields)
{
    QStringList cols;
    for (const QString &f : fields)
        cols << quoteId(f);
    const store::pg::Result r = c.exec(QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(cols.join(u','), quoteId(table)));
    Tally tally;
    for (int i = 0; i < r.rows(); ++i) {
        for (int col = 0; col < r.columns(); ++col)
            tally.add(r.value(i, col));
        ++tally.records;
    }
    return tally;
}

} // namespace

QStringList copyToServer(const QString &dir, const QString &conninfo, const std::function<void(store::pg::Connection &)> &finish)
{
    store::pg::Connection c(conninfo);
    QStringList report;
    store::SqlGuard copy = store::SqlGuard::transaction([&c](const QString &sql) { c.exec(sql); });
    {
        tools::createServerTables(c);
        for (const QString &file : sch::fileNames()) {
            const QString path = store::Engine::resolveFile(dir, file);
            const QString table = QFileInfo(file).completeBaseName();
            store::sql::Db db;
            db.open(path, false);
            const QStringList fields = fieldsOf(db, QFileInfo(path).completeBaseName());
            const Tally sent = copyTable(db, c, QFileInfo(path).completeBaseName(), fields);
            // Row ids the file gave out once are not given out again on the server.
            store::sql::Stmt mark(db.handle(), QStringLiteral("PRAGMA user_version"));
            const qint64 highWater = mark.step() ? mark.columnInt64(0) : 0;
            c.exec(QByteArray("UPDATE quillmere_tables SET high_water = greatest($2::bigint, "
                              "(SELECT coalesce(max(rowid), 0) FROM ") + quoteId(table).toUtf8() + ")) WHERE name = $1",
                   {QVariant(table), QVariant(highWater)});
            const Tally arrived = readBack(c, table, fields);
            if (!(arrived == sent))
                throw store::Error(QStringLiteral("表 '%1' 没有完整地复制到服务器: %2 条记录 %3 字节, 到达 %4 条记录 %5 字节")
                                       .arg(table).arg(sent.records).arg(sent.bytes).arg(arrived.records).arg(arrived.bytes));
            report << QStringLiteral("%1: %2 records, %3 bytes").arg(table).arg(sent.records).arg(sent.bytes);
        }
        if (finish)
            finish(c);
    }
    copy.finish();
    return report;
}

} // namespace tools
