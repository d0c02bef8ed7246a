// quillmere-initdb on a server: creating the tables there, and moving an
// office's table files onto it in one transaction.
#include "core/Error.h"
#include "data/DataSet.h"
#include "db/server/Postgres.h"
#include "office/Schema.h"
#include "db/sqlite/Sqlite.h"
#include "tests/support/Fixture.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QtTest>

namespace sch = store::schema;

namespace {

QString cluster() { return QString::fromUtf8(qgetenv("QUILLMERE_TEST_SERVER")); }

// A database of its own on the test cluster, dropped at the end.
struct Database {
    explicit Database(const QString &name) : name(name)
    {
        store::pg::Connection(cluster()).exec(QStringLiteral("CREATE DATABASE %1").arg(name));
    }
    ~Database() { fixture::dropDatabase(cluster(), name); }
    QString info() const { return cluster() + QStringLiteral(" dbname=") + name; }
    QString name;
};

struct Run {
    int code = -1;
    QString out, err;
};

Run initdb(const QStringList &args)
{
    QProcess p;
    // On a server the first administrator's password, as a script gives it.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUILLMERE_ADMIN_PASSWORD"), QStringLiteral("admin"));
    p.setProcessEnvironment(env);
    p.start(QDir(QString::fromUtf8(qgetenv("QUILLMERE_BIN_DIR"))).filePath(QStringLiteral("quillmere-initdb")), args);
    p.waitForFinished(600000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

// Every record's fields as text, in row id order, the way the files keep them.
QStringList fileRecords(const QString &dir, const QString &file)
{
    store::sql::Db db;
    db.open(QDir(dir).filePath(file), false);
    store::sql::Stmt st(db.handle(), QStringLiteral("SELECT rowid, * FROM \"%1\" ORDER BY rowid").arg(QFileInfo(file).completeBaseName()));
    QStringList out;
    while (st.step()) {
        QStringList cells;
        for (int i = 0; i < st.columnCount(); ++i) {
            const QVariant v = st.column(i);
            cells << (v.isNull() ? QStringLiteral("<null>") : v.typeId() == QMetaType::QByteArray ? QString::fromLatin1(v.toByteArray().toHex()) : v.toString());
        }
        out << cells.join(u'|');
    }
    return out;
}

QStringList serverRecords(const QString &info, const QString &file)
{
    store::pg::Connection c(info);
    const QString table = QFileInfo(file).completeBaseName();
    const store::pg::Result fields = c.exec(QByteArray("SELECT column_name FROM information_schema.columns WHERE table_name = $1 "
                                                       "AND table_schema = current_schema() AND column_name <> 'rowid' ORDER BY ordinal_position"),
                                            {QVariant(table)});
    QStringList cols{QStringLiteral("rowid")};
    for (int i = 0; i < fields.rows(); ++i)
        cols << store::sql::quoteId(fields.text(i, 0));
    const store::pg::Result r = c.exec(QStringLiteral("SELECT %1 FROM \"%2\" ORDER BY rowid").arg(cols.join(u','), table));
    QStringList out;
    for (int i = 0; i < r.rows(); ++i) {
        QStringList cells;
        for (int col = 0; col < r.columns(); ++col) {
            const QVariant v = r.value(i, col);
            QString s = v.isNull() ? QStringLiteral("<null>") : v.typeId() == QMetaType::QByteArray ? QString::fromLatin1(v.toByteArray().toHex()) : v.toString();
            if (s.endsWith(QLatin1String("T00:00:00")))
                s.chop(9); // a date alone, as the files keep it
            cells << s;
        }
        out << cells.join(u'|');
    }
    return out;
}

QByteArray filesDigest(const QString &dir)
{
    QCryptographicHash h(QCryptographicHash::Sha256);
    for (const QString &f : sch::fileNames()) {
        QFile file(QDir(dir).filePath(f));
        if (file.open(QIODevice::ReadOnly))
            h.addData(file.readAll());
    }
    return h.result();
}

int tableCount(const QString &info)
{
    const store::pg::Result r = store::pg::Connection(info).exec(
        QStringLiteral("SELECT count(*) FROM pg_tables WHERE schemaname = current_schema()"));
    return int(r.int64(0, 0));
}

} // namespace

class CopyTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY2(!cluster().isEmpty(), "QUILLMERE_TEST_SERVER names no server"); }
    void copyCarriesEveryRecord_data();
    void copyCarriesEveryRecord();
    void copyRefusesTablesThatExist();
    void failedCopyLeavesNothing();
    void serverDemoData();
    void badSettingsShowNoPassword_data();
    void badSettingsShowNoPassword();
};

void CopyTest::copyCarriesEveryRecord_data()
{
    QTest::addColumn<QStringList>("generate");
    QTest::newRow("demo data") << QStringList{QStringLiteral("--demo")};
    QTest::newRow("10k students, 100k scores") << QStringList{QStringLiteral("--students"), QStringLiteral("10000"),
                                                              QStringLiteral("--scores"), QStringLiteral("100000")};
}

// Every record of every file arrives with its row id and its exact bytes,
// the high-water marks come along, and the files stay as they were.
void CopyTest::copyCarriesEveryRecord()
{
    QFETCH(QStringList, generate);
    QTemporaryDir tmp;
    const QString dir = tmp.path() + QStringLiteral("/DB_Files");
    QCOMPARE(initdb(QStringList{dir} + generate).code, 0);
    // A deleted last record: its id must not come back on the server.
    {
        store::sql::Db db;
        db.open(QDir(dir).filePath(sch::StudentFile), false);
        db.exec(QStringLiteral("PRAGMA user_version = 99999"));
    }
    const QByteArray before = filesDigest(dir);
    Database db(QStringLiteral("qm_copy_%1").arg(QTest::currentDataTag()[0] == 'd' ? QStringLiteral("demo") : QStringLiteral("big")));

    const Run run = initdb({QStringLiteral("--copy"), dir, QStringLiteral("--server"), db.info()});
    QVERIFY2(run.code == 0, qPrintable(run.err));
    QCOMPARE(run.out.count(u'\n'), 6);
    for (const QString &f : sch::fileNames()) {
        QStringList expected = fileRecords(dir, f);
        // The passwords went into the accounts' logins, not into a table.
        if (f == sch::AccountFile) {
            for (QString &r : expected) {
                QStringList cells = r.split(u'|');
                cells[2] = QStringLiteral("<null>");
                r = cells.join(u'|');
            }
        }
        QCOMPARE(serverRecords(db.info(), f), expected);
    }
    const QString clerk = QString(db.info()).remove(QStringLiteral("user=quillmere"));
    store::pg::Connection(clerk, QStringLiteral("%1.admin").arg(db.name), QStringLiteral("admin"));
    QCOMPARE(filesDigest(dir), before);
    const store::pg::Result mark = store::pg::Connection(db.info()).exec(
        QStringLiteral("SELECT high_water FROM quillmere_tables WHERE name = '学生信息表'"));
    QCOMPARE(mark.int64(0, 0), 99999);
}

void CopyTest::copyRefusesTablesThatExist()
{
    QTemporaryDir tmp;
    const QString dir = tmp.path() + QStringLiteral("/DB_Files");
    QCOMPARE(initdb({dir, QStringLiteral("--demo")}).code, 0);
    Database db(QStringLiteral("qm_copy_twice"));
    QCOMPARE(initdb({QStringLiteral("--copy"), dir, QStringLiteral("--server"), db.info()}).code, 0);
    const QStringList scores = serverRecords(db.info(), sch::ScoreFile);

    const Run again = initdb({QStringLiteral("--copy"), dir, QStringLiteral("--server"), db.info()});
    QCOMPARE(again.code, 1);
    QVERIFY2(again.err.contains(QStringLiteral("已经存在")), qPrintable(again.err));
    QCOMPARE(serverRecords(db.info(), sch::ScoreFile), scores);
    const Run create = initdb({QStringLiteral("--server"), db.info()});
    QCOMPARE(create.code, 1);
    QCOMPARE(serverRecords(db.info(), sch::ScoreFile), scores);
}

// A record the server cannot take (a date field holding other text, which
// a file allows) ends the copy with nothing created on the server.
void CopyTest::failedCopyLeavesNothing()
{
    QTemporaryDir tmp;
    const QString dir = tmp.path() + QStringLiteral("/DB_Files");
    QCOMPARE(initdb({dir, QStringLiteral("--demo")}).code, 0);
    {
        store::sql::Db files;
        files.open(QDir(dir).filePath(sch::ScoreFile), false);
        files.exec(QStringLiteral("UPDATE 学生成绩表 SET 成绩 = 'abc' WHERE rowid = 3"));
    }
    Database db(QStringLiteral("qm_copy_fails"));
    const Run run = initdb({QStringLiteral("--copy"), dir, QStringLiteral("--server"), db.info()});
    QCOMPARE(run.code, 1);
    QVERIFY(!run.err.isEmpty());
    QCOMPARE(tableCount(db.info()), 0);
}

void CopyTest::serverDemoData()
{
    Database db(QStringLiteral("qm_server_demo"));
    const Run run = initdb({QStringLiteral("--server"), db.info(), QStringLiteral("--demo")});
    QVERIFY2(run.code == 0, qPrintable(run.err));
    QCOMPARE(serverRecords(db.info(), sch::AccountFile).size(), 2);
    QCOMPARE(serverRecords(db.info(), sch::StudentFile).size(), 12);
    QCOMPARE(serverRecords(db.info(), sch::ScoreFile).size(), 30);
    // Five record tables and the catalogue; the accounts are a view over a
    // table of the owner's own, with no password in either.
    QCOMPARE(tableCount(db.info()), 6);
    QCOMPARE(store::pg::Connection(db.info()).exec(QStringLiteral("SELECT count(*) FROM pg_views WHERE schemaname = current_schema()")).int64(0, 0), qint64(1));
}

// A connection string the tool cannot use is reported in Chinese, and no
// part of its password reaches the terminal.
void CopyTest::badSettingsShowNoPassword_data()
{
    QTest::addColumn<QString>("settings"); // after the test server's own
    QTest::addColumn<QString>("says");
    QTest::newRow("unquoted blank in the password") << " password=Kxq7 Zrw9" << "写法有误";
    QTest::newRow("no such database") << " dbname=qm_nosuch password='Kxq7 Zrw9'" << "无法连接到数据库服务器";
}

void CopyTest::badSettingsShowNoPassword()
{
    QFETCH(QString, settings);
    QFETCH(QString, says);
    QTemporaryDir tmp;
    const QString dir = tmp.path() + QStringLiteral("/DB_Files");
    QCOMPARE(initdb({dir}).code, 0);
    const QList<QStringList> runs = {{QStringLiteral("--server"), cluster() + settings, QStringLiteral("--demo")},
                                     {QStringLiteral("--copy"), dir, QStringLiteral("--server"), cluster() + settings}};
    for (const QStringList &args : runs) {
        const Run run = initdb(args);
        QCOMPARE(run.code, 1);
        QVERIFY2(run.err.startsWith(QStringLiteral("quillmere-initdb: ")) && run.err.contains(says), qPrintable(run.err));
        QVERIFY2(!run.err.contains(QStringLiteral("Kxq7")) && !run.err.contains(QStringLiteral("Zrw9")), qPrintable(run.err));
    }
}

QTEST_GUILESS_MAIN(CopyTest)
#include "test_tools_copy.moc"
