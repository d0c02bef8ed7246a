// Writing a backup file and reading what it says of itself.
#include "backup/Backup.h"

#include "backup/Folder.h"
#include "backup/Records.h"
#include "core/Error.h"
#include "db/Engine.h"
#include "db/Engines.h"
#include "db/server/Postgres.h"
#include "db/sqlite/Sqlite.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <limits>
#include <map>

#include <fcntl.h>
#include <unistd.h>

namespace backup {

using detail::Db;
using detail::Print;
using detail::Steps;
using detail::Table;
using detail::tables;
using store::sql::quoteId;

qint64 Info::records(const QString &table) const
{
    for (const TableInfo &t : tables) {
        if (t.table == table)
            return t.records;
    }
    return 0;
}

QString Info::engineText() const
{
    return engine == QLatin1String("server") ? QStringLiteral("服务器") : QStringLiteral("文件");
}

Place placeOf(const QString &dataDir)
{
    return Place{dataDir, store::engineServer(), store::engineBusyTimeout(), folderFor(dataDir)};
}

namespace {

const QString Program = QStringLiteral("Quillmere");

void createLayout(Db &out)
{
    out.exec(QStringLiteral("CREATE TABLE quillmere_backup(name TEXT PRIMARY KEY, value)"));
    out.exec(QStringLiteral("CREATE TABLE quillmere_backup_tables(position INTEGER PRIMARY KEY, name TEXT NOT NULL, "
                            "records INTEGER NOT NULL, high_water INTEGER NOT NULL, fingerprint TEXT NOT NULL)"));
    for (const Table &t : tables()) {
        // The fields and declared types of the table files, so that a value
        // keeps the form it has there and SQLite can copy whole records.
        QStringList cols;
        for (int i = 0; i < t.fields.size(); ++i)
            cols << quoteId(t.fields[i]) + u' ' + t.types[i];
        out.exec(QStringLiteral("CREATE TABLE %1(%2)").arg(quoteId(t.name), cols.join(QStringLiteral(", "))));
    }
}

void writeDescription(Db &out, const Info &info)
{
    store::sql::Stmt put(out.handle(), QStringLiteral("INSERT INTO quillmere_backup(name, value) VALUES(?1, ?2)"));
    const std::vector<std::pair<QString, QVariant>> values = {
        {QStringLiteral("format"), qlonglong(info.format)},
        {QStringLiteral("program"), info.program},
        {QStringLiteral("engine"), info.engine},
        {QStringLiteral("reason"), info.reason},
        {QStringLiteral("taken_at"), info.takenAt.toString(Qt::ISODateWithMs)},
        {QStringLiteral("took_ms"), qlonglong(info.tookMs)},
        {QStringLiteral("fingerprint"), info.fingerprint},
    };
    for (const auto &[name, value] : values) {
        put.reset();
        put.bind(1, name);
        put.bind(2, value);
        put.step();
    }
    store::sql::Stmt table(out.handle(), QStringLiteral("INSERT INTO quillmere_backup_tables VALUES(?1, ?2, ?3, ?4, ?5)"));
    for (size_t i = 0; i < info.tables.size(); ++i) {
        const TableInfo &t = info.tables[i];
        table.reset();
        table.bind(1, qlonglong(i + 1));
        table.bind(2, t.table);
        table.bind(3, qlonglong(t.records));
        table.bind(4, qlonglong(t.highWater));
        table.bind(5, t.fingerprint);
        table.step();
    }
}

void finishPrints(Info &info)
{
    std::vector<QString> names, prints;
    std::vector<qint64> records;
    for (const TableInfo &t : info.tables) {
        names.push_back(t.table);
        records.push_back(t.records);
        prints.push_back(t.fingerprint);
    }
    info.fingerprint = detail::overallPrint(names, records, prints);
}

// Whether the file's table has exactly our fields in our order, so that a
// copy of whole records (which SQLite moves without decoding them) puts
// every value in its field.
bool sameFields(Db &out, const QString &schema, const Table &t)
{
    store::sql::Stmt info(out.handle(), QStringLiteral("PRAGMA %1.table_info(%2)").arg(schema, quoteId(t.name)));
    QStringList fields;
    while (info.step())
        fields << info.column(1).toString();
    return fields == t.fields;
}

// Keeps the windows painting and takes a cancel while one statement runs.
struct Interrupt {
    Steps *steps;
    qint64 done;
    bool cancelled = false;
};

int interruptCheck(void *p)
{
    auto *i = static_cast<Interrupt *>(p);
    try {
        i->steps->at(i->done);
    } catch (const Cancelled &) {
        i->cancelled = true;
        return 1;
    }
    return 0;
}

// The six files attached to the backup's connection, read in one
// transaction: each file's read lock is taken at the start and held to the
// end, so a program writing meanwhile waits, and the copy is one moment.
void copyFiles(Db &out, const QString &dir, Info &info, Steps &steps)
{
    QStringList schemas;
    for (const Table &t : tables()) {
        const QString schema = QStringLiteral("s%1").arg(schemas.size() + 1);
        out.attach(store::Engine::resolveFile(dir, t.file), schema);
        schemas << schema;
    }
    out.exec(QStringLiteral("BEGIN"));
    createLayout(out);
    qint64 total = 0;
    for (size_t i = 0; i < tables().size(); ++i)
        total += out.scalar(QStringLiteral("SELECT count(*) FROM %1.%2").arg(schemas[int(i)], quoteId(tables()[i].name)));
    // Each record is read once for the fingerprint and once copied.
    steps.setTotal(2 * total);
    qint64 done = 0;
    for (size_t i = 0; i < tables().size(); ++i) {
        const Table &t = tables()[i];
        const QString schema = schemas[int(i)];
        Print print;
        const qint64 records = detail::printTable(out, schema, t, print, [&](qint64 n) { steps.at(done + n); });
        done += records;
        const QString copy = sameFields(out, schema, t)
                                 ? QStringLiteral("INSERT INTO main.%1 SELECT * FROM %2.%1").arg(quoteId(t.name), schema)
                                 : QStringLiteral("INSERT INTO main.%1(%2) SELECT %2 FROM %3.%1").arg(quoteId(t.name), t.columns(), schema);
        Interrupt interrupt{&steps, done};
        sqlite3_progress_handler(out.handle(), 100000, interruptCheck, &interrupt);
        try {
            out.exec(copy);
        } catch (const store::Error &) {
            sqlite3_progress_handler(out.handle(), 0, nullptr, nullptr);
            if (interrupt.cancelled)
                throw Cancelled(QStringLiteral("备份已取消"));
            throw;
        }
        sqlite3_progress_handler(out.handle(), 0, nullptr, nullptr);
        if (sqlite3_changes64(out.handle()) != records)
            throw store::Error(QStringLiteral("表 '%1' 没有完整地复制到备份文件").arg(t.name));
        done += records;
        steps.at(done);
        TableInfo ti;
        ti.table = t.name;
        ti.records = records;
        ti.highWater = out.scalar(QStringLiteral("PRAGMA %1.user_version").arg(schema));
        ti.fingerprint = print.text();
        info.tables.push_back(ti);
    }
}

// One snapshot of the server's tables: repeatable read, read only.
void copyServer(Db &out, const QString &conninfo, Info &info, Steps &steps)
{
    store::pg::Connection c(conninfo);
    c.exec(QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"));
    std::map<QString, std::pair<qint64, qint64>> catalogue; // name -> (high water, records)
    const store::pg::Result cat = c.exec(QStringLiteral("SELECT name, high_water, records FROM quillmere_tables"));
    qint64 total = 0;
    for (int i = 0; i < cat.rows(); ++i) {
        catalogue[cat.text(i, 0)] = {cat.int64(i, 1), cat.int64(i, 2)};
        total += cat.int64(i, 2);
    }
    steps.setTotal(total);
    qint64 done = 0;
    for (const Table &t : tables()) {
        Print print;
        QStringList marks;
        for (int i = 1; i <= t.width(); ++i)
            marks << QStringLiteral("?%1").arg(i);
        store::sql::Stmt insert(out.handle(), QStringLiteral("INSERT INTO main.%1(%2) VALUES(%3)").arg(quoteId(t.name), t.columns(), marks.join(u',')));
        qint64 copied = 0;
        detail::readServerTable(c, t, [&](const std::vector<QVariant> &row) {
            insert.reset();
            for (size_t i = 0; i < row.size(); ++i) {
                insert.bind(int(i) + 1, row[i]);
                print.add(row[i]);
            }
            insert.step();
            ++copied;
            if (++done % 4096 == 0)
                steps.at(done);
        });
        const auto hw = catalogue.find(t.name);
        if (hw == catalogue.end())
            throw store::Error(QStringLiteral("数据库服务器 '%1' 上找不到表 '%2'").arg(c.server(), t.name));
        TableInfo ti;
        ti.table = t.name;
        ti.records = copied;
        ti.highWater = hw->second.first;
        ti.fingerprint = print.text();
        info.tables.push_back(ti);
    }
    c.exec(QStringLiteral("COMMIT"));
}

void syncDirectory(const QString &dir)
{
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

std::map<QString, QVariant> readValues(Db &db)
{
    std::map<QString, QVariant> values;
    store::sql::Stmt st(db.handle(), QStringLiteral("SELECT name, value FROM quillmere_backup"));
    while (st.step())
        values[st.column(0).toString()] = st.column(1);
    return values;
}

QString notBackup(const QString &file)
{
    return QStringLiteral("'%1' 不是本系统的备份文件").arg(detail::fileText(file));
}

QString damaged(const QString &file)
{
    return QStringLiteral("备份文件 '%1' 已损坏,不能使用").arg(detail::fileText(file));
}

Info describeOpen(Db &db, const QString &file)
{
    Info info;
    info.path = file;
    std::map<QString, QVariant> values;
    qint64 described = 0;
    try {
        described = db.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'quillmere_backup'"));
    } catch (const store::Error &) {
        // An SQLite file whose catalogue cannot be read is a damaged one.
        QFile f(file);
        const bool sqlite = f.open(QIODevice::ReadOnly) && f.read(16) == QByteArray("SQLite format 3", 16);
        throw Refused(sqlite ? damaged(file) : notBackup(file));
    }
    if (described == 0)
        throw Refused(notBackup(file));
    try {
        values = readValues(db);
    } catch (const store::Error &) {
        throw Refused(damaged(file));
    }
    if (!values.count(QStringLiteral("format")))
        throw Refused(notBackup(file));
    info.format = values[QStringLiteral("format")].toInt();
    if (info.format > Format)
        throw Refused(QStringLiteral("备份文件 '%1' 来自较新版本的程序(格式 %2),本程序只能使用格式 %3 及以前的备份")
                          .arg(detail::fileText(file))
                          .arg(info.format)
                          .arg(Format));
    if (info.format < 1)
        throw Refused(notBackup(file));
    info.program = values[QStringLiteral("program")].toString();
    info.engine = values[QStringLiteral("engine")].toString();
    info.reason = values[QStringLiteral("reason")].toString();
    info.takenAt = QDateTime::fromString(values[QStringLiteral("taken_at")].toString(), Qt::ISODateWithMs).toLocalTime();
    info.tookMs = values[QStringLiteral("took_ms")].toLongLong();
    info.fingerprint = values[QStringLiteral("fingerprint")].toString();
    try {
        store::sql::Stmt st(db.handle(), QStringLiteral("SELECT name, records, high_water, fingerprint FROM quillmere_backup_tables ORDER BY position"));
        while (st.step())
            info.tables.push_back({st.column(0).toString(), st.columnInt64(1), st.columnInt64(2), st.column(3).toString()});
    } catch (const store::Error &) {
        throw Refused(damaged(file));
    }
    if (info.tables.size() != tables().size())
        throw Refused(notBackup(file));
    for (size_t i = 0; i < tables().size(); ++i) {
        if (info.tables[i].table != tables()[i].name)
            throw Refused(notBackup(file));
    }
    return info;
}

Db openBackup(const QString &file)
{
    if (!QFileInfo(file).isFile())
        throw FileError(QStringLiteral("找不到备份文件 '%1'").arg(detail::fileText(file)));
    if (!QFileInfo(file).isReadable())
        throw FileError(QStringLiteral("无法读取备份文件 '%1'").arg(detail::fileText(file)));
    try {
        return Db(file, Db::ReadOnly);
    } catch (const FileError &) {
        throw Refused(notBackup(file));
    }
}

} // namespace

Info describe(const QString &file)
{
    Db db = openBackup(file);
    return describeOpen(db, file);
}

Info verify(const QString &file, const ProgressFn &progress)
{
    Db db = openBackup(file);
    Info info = describeOpen(db, file);
    Steps steps(progress, QStringLiteral("检查已取消"));
    qint64 total = 0;
    for (const TableInfo &t : info.tables)
        total += t.records;
    steps.setTotal(total);
    qint64 done = 0;
    std::vector<QString> names, prints;
    std::vector<qint64> records;
    for (size_t i = 0; i < tables().size(); ++i) {
        const Table &t = tables()[i];
        Print print;
        qint64 n = 0;
        try {
            n = detail::printTable(db, QStringLiteral("main"), t, print, [&](qint64 at) { steps.at(done + at); });
        } catch (const store::Error &) {
            throw Refused(damaged(file));
        }
        done += n;
        if (n != info.tables[i].records || print.text() != info.tables[i].fingerprint)
            throw Refused(QStringLiteral("备份文件 '%1' 中表 '%2' 的记录与备份时的指纹不符,文件已被修改或损坏")
                              .arg(detail::fileText(file), t.name));
        names.push_back(t.name);
        records.push_back(n);
        prints.push_back(print.text());
    }
    if (detail::overallPrint(names, records, prints) != info.fingerprint)
        throw Refused(QStringLiteral("备份文件 '%1' 的说明与其记录不符,文件已被修改或损坏").arg(detail::fileText(file)));
    return info;
}

Info take(const Place &place, const QString &file, const QString &reason, const ProgressFn &progress)
{
    const QString path = QFileInfo(file).absoluteFilePath();
    if (QFileInfo::exists(path))
        throw FileError(QStringLiteral("备份文件 '%1' 已存在").arg(detail::fileText(path)));
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        throw FileError(QStringLiteral("无法建立备份文件夹 '%1'").arg(detail::fileText(QFileInfo(path).absolutePath())));
    // Written under a name no backup has, and renamed only when whole and checked.
    const QString part = path + QStringLiteral(".part");
    QFile::remove(part);
    QElapsedTimer timer;
    timer.start();
    Info info;
    info.path = path;
    info.format = Format;
    info.program = Program;
    info.engine = place.server.isEmpty() ? QStringLiteral("files") : QStringLiteral("server");
    info.reason = reason;
    info.takenAt = QDateTime::currentDateTime();
    Steps steps(progress, QStringLiteral("备份已取消"));
    try {
        {
            Db out(part, Db::Create);
            sqlite3_busy_timeout(out.handle(), place.busyTimeout);
            // No journal for a file nobody else sees yet; synced once at the end.
            out.exec(QStringLiteral("PRAGMA journal_mode=OFF; PRAGMA synchronous=FULL; PRAGMA cache_size=-16384"));
            if (place.server.isEmpty()) {
                copyFiles(out, place.dataDir, info, steps);
            } else {
                out.exec(QStringLiteral("BEGIN"));
                createLayout(out);
                copyServer(out, place.server, info, steps);
            }
            finishPrints(info);
            info.tookMs = timer.elapsed();
            writeDescription(out, info);
            out.exec(QStringLiteral("COMMIT"));
        }
        const Info written = verify(part);
        if (written.fingerprint != info.fingerprint)
            throw store::Error(QStringLiteral("备份文件 '%1' 写入后检查不符").arg(detail::fileText(path)));
        detail::stage(QStringLiteral("backup-written"));
        if (!QFile::rename(part, path))
            throw FileError(QStringLiteral("无法写入备份文件 '%1'").arg(detail::fileText(path)));
        syncDirectory(QFileInfo(path).absolutePath());
    } catch (...) {
        QFile::remove(part);
        throw;
    }
    return info;
}

std::vector<TableInfo> currentCounts(const Place &place)
{
    std::vector<TableInfo> out;
    if (!place.server.isEmpty()) {
        store::pg::Connection c(place.server);
        const store::pg::Result r = c.exec(QStringLiteral("SELECT name, records, high_water FROM quillmere_tables"));
        for (const Table &t : tables()) {
            TableInfo ti{t.name, 0, 0, QString()};
            for (int i = 0; i < r.rows(); ++i) {
                if (r.text(i, 0) == t.name)
                    ti = {t.name, r.int64(i, 1), r.int64(i, 2), QString()};
            }
            out.push_back(ti);
        }
        return out;
    }
    for (const Table &t : tables()) {
        Db db(store::Engine::resolveFile(place.dataDir, t.file), Db::ReadOnly);
        sqlite3_busy_timeout(db.handle(), place.busyTimeout);
        out.push_back({t.name, db.scalar(QStringLiteral("SELECT count(*) FROM %1").arg(quoteId(t.name))),
                       db.scalar(QStringLiteral("PRAGMA user_version")), QString()});
    }
    return out;
}

} // namespace backup
