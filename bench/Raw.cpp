#include "bench/Raw.h"

#include "core/Error.h"
#include "core/Globals.h"
#include "data/DataSet.h"
#include "db/Engines.h"
#include "db/server/Postgres.h"
#include "office/Schema.h"
#include "db/sqlite/Sqlite.h"
#include "tools/ServerCopy.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace bench {

namespace {

QString &serverInfo()
{
    static QString info;
    return info;
}

QStringList &serverCopies()
{
    static QStringList names;
    return names;
}

class FileRaw : public Raw {
public:
    explicit FileRaw(const QString &dir)
    {
        m_db.open(QDir(dir).filePath(store::schema::StudentFile), false);
        exec(QStringLiteral("ATTACH DATABASE ?1 AS s"), {QDir(dir).filePath(store::schema::ScoreFile)});
        for (const char *schema : {"main", "s"}) {
            exec(QStringLiteral("PRAGMA %1.journal_mode=DELETE").arg(QLatin1String(schema)), {});
            exec(QStringLiteral("PRAGMA %1.synchronous=FULL").arg(QLatin1String(schema)), {});
        }
        // The other tables, for reading them whole.
        for (const QString &file : store::schema::fileNames()) {
            const QString name = QFileInfo(file).completeBaseName();
            if (file != store::schema::StudentFile && file != store::schema::ScoreFile)
                exec(QStringLiteral("ATTACH DATABASE ?1 AS %2").arg(store::sql::quoteId(name)), {QDir(dir).filePath(file)});
        }
    }
    std::vector<Row> rows(const QString &sql, const QVariantList &params) override
    {
        store::sql::Stmt st = statement(sql, params);
        std::vector<Row> out;
        while (st.step()) {
            Row row;
            for (int i = 0; i < st.columnCount(); ++i)
                row.push_back(st.column(i));
            out.push_back(std::move(row));
        }
        return out;
    }
    void exec(const QString &sql, const QVariantList &params) override
    {
        store::sql::Stmt st = statement(sql, params);
        while (st.step()) {
        }
    }
    void execEach(const QString &sql, const std::vector<QVariantList> &params) override
    {
        store::sql::Stmt st(m_db.handle(), sql);
        for (const QVariantList &list : params) {
            st.reset();
            for (int i = 0; i < list.size(); ++i)
                st.bind(i + 1, list[i]);
            st.step();
        }
    }
    QString scores() const override { return QStringLiteral("s.\"学生成绩表\""); }
    QString students() const override { return QStringLiteral("main.\"学生信息表\""); }
    QString table(const QString &name) const override
    {
        const QString student = QFileInfo(store::schema::StudentFile).completeBaseName();
        const QString score = QFileInfo(store::schema::ScoreFile).completeBaseName();
        const QString schema = name == student ? QStringLiteral("main")
                             : name == score   ? QStringLiteral("s")
                                               : store::sql::quoteId(name);
        return schema + u'.' + store::sql::quoteId(name);
    }
    QString numberKey() const override { return QStringLiteral("学号 COLLATE NOCASE"); }
    QString numberNoCase(const QString &param) const override
    {
        return QStringLiteral("学号 = %1 COLLATE NOCASE").arg(param);
    }

private:
    store::sql::Stmt statement(const QString &sql, const QVariantList &params)
    {
        store::sql::Stmt st(m_db.handle(), sql);
        for (int i = 0; i < params.size(); ++i)
            st.bind(i + 1, params[i]);
        return st;
    }
    store::sql::Db m_db;
};

class ServerRaw : public Raw {
public:
    explicit ServerRaw(const QString &conninfo) : m_c(conninfo) {}
    std::vector<Row> rows(const QString &sql, const QVariantList &params) override
    {
        const store::pg::Result r = run(sql, params, false);
        std::vector<Row> out;
        out.reserve(size_t(r.rows()));
        for (int i = 0; i < r.rows(); ++i) {
            Row row;
            for (int j = 0; j < r.columns(); ++j)
                row.push_back(r.value(i, j));
            out.push_back(std::move(row));
        }
        return out;
    }
    void exec(const QString &sql, const QVariantList &params) override { run(sql, params, false); }
    void execEach(const QString &sql, const std::vector<QVariantList> &params) override
    {
        for (const QVariantList &list : params)
            run(sql, list, true);
    }
    QString scores() const override { return QStringLiteral("\"学生成绩表\""); }
    QString students() const override { return QStringLiteral("\"学生信息表\""); }
    QString table(const QString &name) const override { return store::sql::quoteId(name); }
    QString numberKey() const override { return QStringLiteral("lower((学号)::text COLLATE \"C\")"); }
    QString numberNoCase(const QString &param) const override
    {
        return numberKey() + QStringLiteral(" = lower((%1)::text COLLATE \"C\")").arg(param);
    }

private:
    store::pg::Result run(const QString &sql, const QVariantList &params, bool prepared)
    {
        std::vector<int> map;
        const QByteArray text = store::pg::translate(sql, &map);
        std::vector<QVariant> values;
        for (int n : map)
            values.push_back(params.value(n - 1));
        return prepared ? m_c.run(text, values) : m_c.exec(text, values);
    }
    store::pg::Connection m_c;
};

} // namespace

void setServer(const QString &conninfo) { serverInfo() = conninfo; }
const QString &server() { return serverInfo(); }

QString copyFiles(const QString &from, const QString &parent, const QString &name)
{
    const QString to = QDir(parent).filePath(name);
    QDir().mkpath(to);
    for (const QString &file : store::schema::fileNames()) {
        const QString target = QDir(to).filePath(file);
        QFile::remove(target);
        if (!QFile::copy(QDir(from).filePath(file), target))
            std::fprintf(stderr, "quillmere-bench: could not copy %s\n", qPrintable(file));
    }
    return to + u'/';
}

Copy makeCopy(const QString &from, const QString &parent, const QString &name)
{
    Copy copy{copyFiles(from, parent, name), QString()};
    if (server().isEmpty())
        return copy;
    const QString database = QStringLiteral("quillmere_bench_%1_%2").arg(QCoreApplication::applicationPid()).arg(name);
    store::pg::Connection(server()).exec(QStringLiteral("CREATE DATABASE %1").arg(database));
    serverCopies() << database;
    copy.conninfo = server() + QStringLiteral(" dbname=") + database;
    tools::copyToServer(copy.dir, copy.conninfo);
    return copy;
}

void use(const Copy &copy)
{
    DataPath = copy.dir;
    store::setEngineServer(copy.conninfo);
}

void dropServerCopies()
{
    for (const QString &database : serverCopies()) {
        try {
            store::pg::Connection(server()).exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(database));
        } catch (const store::Error &e) {
            std::fprintf(stderr, "quillmere-bench: %s\n", qPrintable(e.text()));
        }
    }
    serverCopies().clear();
}

std::unique_ptr<Raw> Raw::open(const Copy &copy)
{
    if (copy.conninfo.isEmpty())
        return std::make_unique<FileRaw>(copy.dir);
    return std::make_unique<ServerRaw>(copy.conninfo);
}

qint64 Raw::scalar(const QString &sql, const QVariantList &params)
{
    const std::vector<Row> r = rows(sql, params);
    return r.empty() || r[0].empty() ? 0 : r[0][0].toLongLong();
}

QByteArray tableDigest(const Copy &copy, const QString &fileName)
{
    const auto raw = Raw::open(copy);
    const QString table = raw->table(QFileInfo(fileName).completeBaseName());
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const Row &row : raw->rows(QStringLiteral("SELECT rowid, * FROM %1 ORDER BY rowid").arg(table))) {
        for (const QVariant &v : row) {
            hash.addData(v.isNull() ? QByteArray("\x01null") : v.toString().toUtf8());
            hash.addData(QByteArray(1, '\0'));
        }
    }
    return hash.result();
}

void checkSameTables(const char *figureName, const Copy &program, const Copy &baseline, const QStringList &files)
{
    for (const QString &file : files) {
        if (tableDigest(program, file) != tableDigest(baseline, file))
            std::fprintf(stderr, "quillmere-bench: %s: the baseline left %s different from the program's\n",
                         figureName, qPrintable(file));
    }
}

} // namespace bench
