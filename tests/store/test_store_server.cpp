// The server engine's faults: a server that cannot be reached when the
// program starts, and a server that goes away in the middle of an action;
// and the record count the server keeps in place of counting a table.
#include "tests/support/Fixture.h"
#include "app/core/Error.h"
#include "app/core/Globals.h"
#include "store/DataModule.h"
#include "store/DataSet.h"
#include "store/Engine.h"
#include "store/Postgres.h"
#include "store/Schema.h"
#include "tests/support/OwnServer.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace store;
namespace sch = store::schema;

namespace {

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
    fixture::OwnServer server;
    QVERIFY(!server.info().isEmpty());
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
    fixture::OwnServer server;
    QVERIFY(!server.info().isEmpty());
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

QM_TEST_MAIN(ServerFaultsTest)
#include "test_store_server.moc"
