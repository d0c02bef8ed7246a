// Putting a backup's records in place of the current ones, on either engine,
// in one transaction under the write lock, checked before it is committed.
#include "backup/Backup.h"

#include "backup/Records.h"
#include "db/Engine.h"
#include "db/Engines.h"
#include "db/server/BatchInsert.h"
#include "db/server/Postgres.h"
#include "db/server/ServerEngine.h"
#include "db/sqlite/Sqlite.h"
#include "office/Schema.h"

#include <sqlite3.h>

#include <limits>

namespace backup {

using detail::Db;
using detail::Print;
using detail::Steps;
using detail::Table;
using detail::tables;
using store::sql::quoteId;

namespace {

QString mismatch(const QString &table)
{
    return QStringLiteral("恢复后表 '%1' 的记录与备份不符,恢复已撤销,数据没有改变").arg(table);
}

// The row ids whose self-numbered field the backup holds empty: storing
// them fills it, so it is emptied again afterwards.
std::vector<qint64> emptyNumbers(Db &db, const QString &schema, const Table &t)
{
    std::vector<qint64> ids;
    if (t.autoNumber.isEmpty())
        return ids;
    store::sql::Stmt st(db.handle(), QStringLiteral("SELECT rowid FROM %1.%2 WHERE %3 IS NULL").arg(schema, quoteId(t.name), quoteId(t.autoNumber)));
    while (st.step())
        ids.push_back(st.columnInt64(0));
    return ids;
}

void restoreFiles(const QString &dir, int busyTimeout, const QString &file, const Info &info, Steps &steps)
{
    // The first table file is the connection's main database: a commit over
    // attached files is atomic only with a real main file and a rollback journal.
    Db db(store::Engine::resolveFile(dir, tables().front().file), Db::ReadWrite);
    sqlite3_busy_timeout(db.handle(), busyTimeout);
    QStringList schemas{QStringLiteral("main")};
    for (size_t i = 1; i < tables().size(); ++i) {
        schemas << QStringLiteral("s%1").arg(i);
        db.attach(store::Engine::resolveFile(dir, tables()[i].file), schemas.back());
    }
    db.attach(file, QStringLiteral("b"));
    for (const QString &s : schemas)
        db.exec(QStringLiteral("PRAGMA %1.journal_mode=DELETE; PRAGMA %1.synchronous=FULL").arg(s));
    // The files' write lock, as every writing action of the program takes it.
    try {
        db.exec(QStringLiteral("BEGIN IMMEDIATE"));
    } catch (const store::Error &) {
        throw store::Error(QStringLiteral("数据正被其他程序修改,请稍后再恢复"));
    }
    qint64 done = 0;
    for (size_t i = 0; i < tables().size(); ++i) {
        const Table &t = tables()[i];
        const QString s = schemas[int(i)];
        const QString table = s + u'.' + quoteId(t.name);
        db.exec(QStringLiteral("DELETE FROM %1").arg(table));
        const qint64 chunk = 20000;
        store::sql::Stmt copy(db.handle(), QStringLiteral("INSERT INTO %1(%2) SELECT %2 FROM b.%3 WHERE rowid > ?1 ORDER BY rowid LIMIT %4")
                                               .arg(table, t.columns(), quoteId(t.name))
                                               .arg(chunk));
        store::sql::Stmt last(db.handle(), QStringLiteral("SELECT max(rowid) FROM %1").arg(table));
        qint64 after = std::numeric_limits<qint64>::min();
        for (;;) {
            copy.reset();
            copy.bindInt64(1, after);
            copy.step();
            const qint64 n = sqlite3_changes64(db.handle());
            done += n;
            steps.at(done);
            if (n < chunk)
                break;
            last.reset();
            last.step();
            after = last.columnInt64(0);
        }
        if (!t.autoNumber.isEmpty())
            db.exec(QStringLiteral("UPDATE %1 SET %2 = NULL WHERE rowid IN (SELECT rowid FROM b.%3 WHERE %2 IS NULL)")
                        .arg(table, quoteId(t.autoNumber), quoteId(t.name)));
        // Row ids given out once are never given out again: the mark only rises.
        const qint64 mark = std::max(db.scalar(QStringLiteral("PRAGMA %1.user_version").arg(s)), info.tables[i].highWater);
        if (mark <= std::numeric_limits<qint32>::max())
            db.exec(QStringLiteral("PRAGMA %1.user_version = %2").arg(s).arg(mark));
        Print print;
        const qint64 n = detail::printTable(db, s, t, print, {});
        if (n != info.tables[i].records || print.text() != info.tables[i].fingerprint)
            throw store::Error(mismatch(t.name));
    }
    detail::stage(QStringLiteral("restore-written"));
    db.exec(QStringLiteral("COMMIT"));
}

void restoreServer(const QString &conninfo, int busyTimeout, const QString &file, const Info &info, Steps &steps)
{
    Db backupDb(file, Db::ReadOnly);
    store::pg::Connection c(conninfo);
    c.exec(QStringLiteral("SET lock_timeout = %1").arg(busyTimeout));
    c.exec(QStringLiteral("BEGIN"));
    try {
        c.exec(QString::fromLatin1(store::OfficeWriteLock));
    } catch (const store::Error &) {
        throw store::Error(QStringLiteral("数据正被其他用户修改,请稍后再恢复"));
    }
    qint64 done = 0;
    for (size_t i = 0; i < tables().size(); ++i) {
        const Table &t = tables()[i];
        const QString table = quoteId(t.name);
        c.exec(QStringLiteral("DELETE FROM %1").arg(table));
        store::sql::Stmt rows(backupDb.handle(), QStringLiteral("SELECT %1 FROM main.%2 ORDER BY rowid").arg(t.columns(), table));
        // Row ids given out across tables: the steps count every table's.
        const qint64 before = done;
        store::pg::BatchInsert insert(c, table, t.columns(), t.width(), [&](qint64 n) {
            done = before + n;
            steps.at(done);
        });
        while (rows.step())
            insert.add([&](int col) { return rows.column(col); });
        insert.finish();
        const std::vector<qint64> empty = emptyNumbers(backupDb, QStringLiteral("main"), t);
        if (!empty.empty()) {
            QStringList ids;
            for (qint64 id : empty)
                ids << QString::number(id);
            c.exec(QByteArray("UPDATE ") + table.toUtf8() + " SET " + quoteId(t.autoNumber).toUtf8() +
                       " = NULL WHERE rowid = ANY(string_to_array($1, ',')::bigint[])",
                   {QVariant(ids.join(u','))});
        }
        // The other programs compare the versions with what they saw, and
        // read their views again; row ids given out once stay given out.
        c.exec(QByteArray("UPDATE quillmere_tables SET version = version + 1, high_water = greatest(high_water, $2::bigint, "
                          "(SELECT coalesce(max(rowid), 0) FROM ") + table.toUtf8() + ")) WHERE name = $1",
               {QVariant(t.name), QVariant(info.tables[i].highWater)});
        Print print;
        qint64 n = 0;
        detail::readServerTable(c, t, [&](const std::vector<QVariant> &row) {
            for (const QVariant &v : row)
                print.add(v);
            ++n;
        });
        const store::pg::Result counted = c.exec(QByteArray("SELECT records FROM quillmere_tables WHERE name = $1"), {QVariant(t.name)});
        if (n != info.tables[i].records || print.text() != info.tables[i].fingerprint || counted.rows() != 1 ||
            counted.int64(0, 0) != n)
            throw store::Error(mismatch(t.name));
    }
    c.exec(QStringLiteral("NOTIFY quillmere"));
    detail::stage(QStringLiteral("restore-written"));
    c.exec(QStringLiteral("COMMIT"));
}

} // namespace

void restore(const Place &place, const QString &file, const ProgressFn &progress)
{
    const Info info = describe(file);
    qint64 total = 0;
    for (const TableInfo &t : info.tables)
        total += t.records;
    Steps steps(progress, QStringLiteral("恢复已取消,数据没有改变"));
    steps.setTotal(total);
    if (place.server.isEmpty())
        restoreFiles(place.dataDir, place.busyTimeout, file, info, steps);
    else
        restoreServer(place.server, place.busyTimeout, file, info, steps);
}

} // namespace backup
