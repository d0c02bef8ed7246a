// The server engine's faults: a server that cannot be reached when the
// program starts, and a server that goes away in the middle of an action;
// and the record count the server keeps in place of counting a table.
#include "tests/support/Fixture.h"
#include "db/StoredTable.h"
#include "core/Error.h"
#include "core/Globals.h"
#include "db/Engines.h"
#include "office/DataModule.h"
#include "data/DataSet.h"
#include "db/Engine.h"
#include "db/server/Postgres.h"
#include "office/Schema.h"
#include "tests/support/Fixture.h"
#include "data/Table.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

using namespace store;
namespace sch = store::schema;

namespace {

using fixture::OwnServer;

int students(const QString &info)
{
    return int(pg::Connection(info).exec(QStringLiteral("SELECT count(*) FROM \"学生信息表\"")).int64(0, 0));
}

} // namespace

class ServerFaultsTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        resetEngines();
        setEngineServer(QString());
    }
    void unreachableServerIsNamedOnce();
    void serverGoneDuringAnAction();
    void keptCountFollowsEveryWrite();
    void failuresSayWhyWithoutThePassword_data();
    void failuresSayWhyWithoutThePassword();
    void clusterScriptKeepsToItsOwn();
    void cleanupTestCase() { m_clerkServer.reset(); }

private:
    // A server on which the clerk logs in with a password.
    std::unique_ptr<OwnServer> m_clerkServer;
};

// As with a missing data directory: the data module reports one error, its
// tables stay closed, and the text names the server but not its password.
void ServerFaultsTest::unreachableServerIsNamedOnce()
{
    QTemporaryDir nowhere;
    setEngineServer(QStringLiteral("host=%1 port=5432 user=clerk dbname=office password=geheim").arg(nowhere.path()));
    QTemporaryDir data;
    DataPath = data.path() + u'/';
    TDM1 dm;
    QStringList errors;
    try {
        dm.DataModuleCreate();
    } catch (const Error &e) {
        errors << e.text();
    }
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].startsWith(QStringLiteral("无法连接到数据库服务器 '")), qPrintable(errors[0]));
    QVERIFY2(errors[0].contains(QStringLiteral("host=%1").arg(nowhere.path())), qPrintable(errors[0]));
    QVERIFY2(errors[0].contains(QStringLiteral("dbname=office")), qPrintable(errors[0]));
    QVERIFY2(!errors[0].contains(QStringLiteral("geheim")), qPrintable(errors[0]));
    for (DataSet *ds : dm.dataSets())
        QVERIFY(!ds->active());
}

// The action's writes go with the connection: the error names the server,
// nothing of the action is stored, and the action cannot go on in a new
// session (its first write is gone), not even once the server is back. The
// next action works on a new connection.
void ServerFaultsTest::serverGoneDuringAnAction()
{
    OwnServer server;
    QVERIFY(!server.info.isEmpty());
    const QString info = server.office();
    QTemporaryDir data;
    TTable t(QStringLiteral("Table_stud"));
    t.setDatabaseName(data.path());
    t.setTableName(sch::StudentFile);
    t.open();

    auto add = [&t](const QString &no) {
        t.append();
        t.fieldByName(QStringLiteral("学号")).setAsString(no);
        t.post();
    };
    QStringList errors;
    auto attempt = [&](const QString &no) {
        try {
            add(no);
        } catch (const TransactionLost &e) {
            errors << e.text(); // the record stays pending, as after any refused post
        }
    };
    try {
        fixture::asAction([&] {
            add(QStringLiteral("S1")); // the action's first write: its transaction begins
            QVERIFY(server.halt());
            attempt(QStringLiteral("S2"));
            QVERIFY(server.resume());
            attempt(QStringLiteral("S2b"));
        });
    } catch (const Error &e) {
        errors << e.text();
    }
    QCOMPARE(errors.size(), 2);
    for (const QString &error : errors)
        QVERIFY2(error.contains(QStringLiteral("连接已中断")) && error.contains(QStringLiteral("host=")), qPrintable(error));
    rollbackAll(); // what the error box does first
    QCOMPARE(students(info), 0);

    fixture::asAction([&] { add(QStringLiteral("S3")); });
    QCOMPARE(students(info), 1);
    t.first();
    QCOMPARE(t.recordCount(), 1);
    QCOMPARE(t.fieldByName(QStringLiteral("学号")).asString(), QStringLiteral("S3"));
}

// Opening a table reads its count from the server's catalogue instead of
// counting it; that count must follow every write: the program's own, a
// set-based one, another client's multi-row statements, and none from a
// transaction rolled back.
void ServerFaultsTest::keptCountFollowsEveryWrite()
{
    OwnServer server;
    QVERIFY(!server.info.isEmpty());
    const QString info = server.office();
    pg::Connection other(info);
    QTemporaryDir data;
    auto table = std::make_unique<TTable>(QStringLiteral("Table_stud"));
    auto reopen = [&] {
        table = std::make_unique<TTable>(QStringLiteral("Table_stud"));
        table->setDatabaseName(data.path());
        table->setTableName(sch::StudentFile);
        table->open();
    };
    reopen();
    auto add = [&](const QString &no) {
        table->append();
        table->fieldByName(QStringLiteral("学号")).setAsString(no);
        table->post();
    };
    const std::vector<std::pair<const char *, std::function<void()>>> steps = {
        {"program adds three", [&] { add(QStringLiteral("S1")); add(QStringLiteral("S2")); add(QStringLiteral("S3")); commitAll(); }},
        {"program deletes one", [&] { table->first(); table->del(); commitAll(); }},
        {"set-based deletion", [&] {
             qint64 firstNumber = 0;
             table->file()->deleteExactly(0, QStringLiteral("S2"), 10, &firstNumber);
             commitAll();
         }},
        {"another client adds rows in one statement",
         [&] { other.exec(QStringLiteral("INSERT INTO \"学生信息表\"(学号) VALUES ('X1'), ('X2'), ('X3'), ('X4')")); }},
        {"another client deletes rows in one statement",
         [&] { other.exec(QStringLiteral("DELETE FROM \"学生信息表\" WHERE 学号 IN ('X1', 'X3')")); }},
        {"a rolled-back deletion of everything",
         [&] { other.exec(QStringLiteral("BEGIN; DELETE FROM \"学生信息表\"; ROLLBACK")); }},
    };
    for (const auto &[name, step] : steps) {
        step();
        const int stored = students(info);
        const qint64 kept = other.exec(QStringLiteral("SELECT records FROM quillmere_tables WHERE name = '学生信息表'")).int64(0, 0);
        QVERIFY2(kept == stored, name);
        table.reset();
        resetEngines();
        reopen();
        QVERIFY2(table->recordCount() == stored, name);
    }
    QCOMPARE(students(info), 3); // S3, X2, X4
}

// Chinese sentences first, the server's own words after them in brackets,
// and never a part of the password: neither for a string libpq cannot read
// (its own reason quotes the words after an unquoted blank) nor for a login
// the server refuses.
void ServerFaultsTest::failuresSayWhyWithoutThePassword_data()
{
    QTest::addColumn<QString>("settings");  // after "host=DIR port=5432 " of the test's own server
    QTest::addColumn<QString>("password");  // what the password file holds for clerk, "" none
    QTest::addColumn<QString>("says");      // the start of the sentences after the server's name

    // A password with a blank that is not quoted: two words, neither shown.
    QTest::newRow("unquoted blank in the password") << "user=clerk dbname=office password=Kxq7 Zrw9" << ""
            << "写法有误,无法连接。设置的值中有空格时";
    QTest::newRow("unquoted blank, password first") << "password=Kxq7 Zrw9 user=clerk" << ""
            << "写法有误,无法连接。设置的值中有空格时";
    QTest::newRow("no password anywhere") << "user=clerk dbname=office" << "" << "。服务器要求口令,但没有找到口令";
    QTest::newRow("wrong password in the file") << "user=clerk dbname=office" << "Wrong1Pw" << "。服务器没有接受这个用户名和口令";
    QTest::newRow("wrong password in the settings") << "user=clerk dbname=office password='Kxq7 Wrong'" << ""
            << "。服务器没有接受这个用户名和口令";
    QTest::newRow("no such database") << "user=clerk dbname=nosuch password='Kxq7 Zrw9'" << ""
            << "。服务器没有接受这个用户名和口令,或者没有这个数据库";
}

void ServerFaultsTest::failuresSayWhyWithoutThePassword()
{
    QFETCH(QString, settings);
    QFETCH(QString, password);
    QFETCH(QString, says);

    if (!m_clerkServer) {
        // The clerk logs in with a password over the socket; everyone else
        // as before.
        m_clerkServer = std::make_unique<OwnServer>();
        const OwnServer &server = *m_clerkServer;
        pg::Connection admin(server.info);
        admin.exec(QStringLiteral("CREATE ROLE clerk LOGIN PASSWORD 'Kxq7 Zrw9'"));
        admin.exec(QStringLiteral("CREATE DATABASE office OWNER clerk"));
        QFile hba(server.dir + QStringLiteral("/data/pg_hba.conf"));
        QVERIFY(hba.open(QIODevice::ReadOnly));
        const QByteArray rest = hba.readAll();
        hba.close();
        QVERIFY(hba.open(QIODevice::WriteOnly | QIODevice::Truncate));
        hba.write("local all clerk scram-sha-256\n" + rest);
        hba.close();
        admin.exec(QStringLiteral("SELECT pg_reload_conf()"));
        // The server reads the file again by itself, a moment later.
        qputenv("PGPASSFILE", "/nonexistent");
        bool asked = false;
        for (int i = 0; i < 100 && !asked; ++i) {
            try {
                pg::Connection(QStringLiteral("host=%1 port=5432 user=clerk dbname=office").arg(server.dir));
                QTest::qWait(50);
            } catch (const Error &) {
                asked = true;
            }
        }
        qunsetenv("PGPASSFILE");
        QVERIFY2(asked, "the server asks the clerk for a password");
    }
    const OwnServer &server = *m_clerkServer;
    QTemporaryDir home;
    const QString passFile = home.filePath(QStringLiteral("pgpass"));
    if (!password.isEmpty()) {
        QFile f(passFile);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("*:*:*:clerk:%1\n").arg(password).toUtf8());
        f.close();
        QVERIFY(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
    }
    qputenv("PGPASSFILE", passFile.toUtf8());
    auto unset = qScopeGuard([] { qunsetenv("PGPASSFILE"); });

    QString error;
    try {
        pg::Connection c(QStringLiteral("host=%1 port=5432 %2").arg(server.dir, settings));
    } catch (const Error &e) {
        error = e.text();
    }
    QVERIFY2(!error.isEmpty(), "the connection was refused");
    QVERIFY2(!error.contains(QStringLiteral("Kxq7")) && !error.contains(QStringLiteral("Zrw9")) && !error.contains(QStringLiteral("Wrong")),
             qPrintable(error));
    const bool unreadable = says.startsWith(QStringLiteral("写法"));
    const QString name = unreadable ? QStringLiteral("数据库服务器的连接设置 '") : QStringLiteral("无法连接到数据库服务器 '");
    QVERIFY2(error.startsWith(name) && error.contains(QStringLiteral("host=%1").arg(server.dir)), qPrintable(error));
    QVERIFY2(error.contains(QStringLiteral("' ") + says) || error.contains(QStringLiteral("'") + says), qPrintable(error));
    // libpq's reason comes last, in brackets, for a string it could read.
    QCOMPARE(error.contains(QStringLiteral("(服务器的回答: ")), !unreadable);
    QVERIFY2(unreadable || error.endsWith(u')'), qPrintable(error));

    // A statement the server refuses is described in Chinese the same way.
    if (QTest::currentDataTag() == QByteArrayLiteral("no such database")) {
        QString refused;
        try {
            pg::Connection(server.info).exec(QStringLiteral("SELECT * FROM no_such_table"));
        } catch (const Error &e) {
            refused = e.text();
        }
        QVERIFY2(refused.startsWith(QStringLiteral("数据库服务器拒绝了这项操作(服务器的回答: ")), qPrintable(refused));
        QVERIFY2(refused.contains(QStringLiteral("no_such_table")), qPrintable(refused));
    }
}

// scripts/pgcluster removes and reuses only what it made: another directory
// is refused and left as it was; start on its own cluster, running or
// halted, prints the connection string again and leaves it running.
void ServerFaultsTest::clusterScriptKeepsToItsOwn()
{
    QTemporaryDir foreign;
    QFile keep(foreign.filePath(QStringLiteral("keep.txt")));
    QVERIFY(keep.open(QIODevice::WriteOnly));
    keep.write("office papers");
    keep.close();
    for (const char *command : {"stop", "restart", "start", "halt", "resume"}) {
        QProcess p;
        p.start(OwnServer::script(), {QString::fromLatin1(command), foreign.path()});
        QVERIFY(p.waitForFinished(60000));
        QVERIFY2(p.exitCode() != 0, command);
        QVERIFY2(QFile::exists(keep.fileName()), command);
        QVERIFY2(!p.readAllStandardError().isEmpty(), command);
    }

    // An empty directory is taken; run again, start finds the cluster there.
    OwnServer server(OwnServer::Later);
    QVERIFY(QDir().mkpath(server.dir));
    QVERIFY(server.start());
    QVERIFY(server.start());
    pg::Connection(server.info).exec(QStringLiteral("CREATE DATABASE kept"));
    QVERIFY(server.halt());
    QVERIFY(server.start());
    QCOMPARE(pg::Connection(server.info).exec(QStringLiteral("SELECT count(*) FROM pg_database WHERE datname = 'kept'")).int64(0, 0), 1);
}

QM_TEST_MAIN(ServerFaultsTest)
#include "test_db_server.moc"
