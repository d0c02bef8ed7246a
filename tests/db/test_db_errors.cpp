// Bad input of every kind gets a clear error and loses nothing.
#include "data/DataSet.h"
#include "db/Engine.h"
#include "db/Engines.h"
#include "office/Schema.h"
#include "db/sqlite/Sqlite.h"
#include "tests/support/Fixture.h"
#include "data/Table.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace store;
namespace sch = store::schema;

class ErrorsTest : public QObject {
    Q_OBJECT
private slots:
    void openFailures_data();
    void openFailures();
    void conversionFailures_data();
    void conversionFailures();
    void readOnlyFileKeepsRecordPending();
    void duplicateKeyKeepsRecordPending();
    void writeOnStaleViewIsRefused_data();
    void writeOnStaleViewIsRefused();
    void engineSettingsFile_data();
    void engineSettingsFile();
};

void ErrorsTest::engineSettingsFile_data()
{
    QTest::addColumn<QString>("content"); // empty: no file at all
    QTest::addColumn<int>("timeout");
    QTest::newRow("no file: defaults") << QString() << 5000;
    QTest::newRow("busy timeout set") << "[Engine]\nBusyTimeout=1234\n" << 1234;
    QTest::newRow("unreadable value: defaults") << "[Engine]\nBusyTimeout=soon\n" << 5000;
}

void ErrorsTest::engineSettingsFile()
{
    QFETCH(QString, content);
    QFETCH(int, timeout);
    QTemporaryDir engineDir;
    const QString cfg = engineDir.filePath(QStringLiteral("IDAPI32.CFG"));
    if (!content.isEmpty()) {
        QFile f(cfg);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content.toUtf8());
    }
    resetEngines();
    setEngineConfigFile(cfg);
    auto restore = qScopeGuard([] {
        setEngineConfigFile(QString());
        resetEngines();
    });
    QCOMPARE(engineBusyTimeout(), timeout);
}

void ErrorsTest::openFailures_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("expected"); // part of the error text
    QTest::newRow("missing directory") << "nodir" << "不存在";
    QTest::newRow("missing table file") << "nofile" << "找不到表文件";
    QTest::newRow("not a table of ours") << "garbage" << "不是有效的数据表";
    QTest::newRow("sqlite file without our table") << "foreign" << "不是有效的数据表";
    QTest::newRow("lower-case name opens") << "lowercase" << "";
}

void ErrorsTest::openFailures()
{
    QFETCH(QString, setup);
    QFETCH(QString, expected);
    fixture::DataDir dir;
    QString dbDir = dir.path();
    QString table = dir.path() + sch::ClassFile;
    if (setup == QLatin1String("nodir")) {
        dbDir = dir.path() + QStringLiteral("gone/");
        table = dbDir + sch::ClassFile;
    } else if (setup == QLatin1String("nofile")) {
        QFile::remove(table);
    } else if (setup == QLatin1String("garbage")) {
        QFile::remove(table);
        QFile f(table);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
    } else if (setup == QLatin1String("foreign")) {
        QFile::remove(table);
        store::sql::Db db;
        db.open(table, true);
        db.exec(QStringLiteral("CREATE TABLE other(a)"));
    } else if (setup == QLatin1String("lowercase")) {
        table = dir.path() + QStringLiteral("班级信息.db");
    }
    // Open a healthy table first, so the failing one is attached to a
    // connection that already exists as well.
    TTable first(QStringLiteral("Table_stud"));
    first.setTableName(dir.path() + sch::StudentFile);
    if (setup != QLatin1String("nodir"))
        first.open();
    TTable t(QStringLiteral("Table_Class"));
    t.setDatabaseName(dbDir);
    t.setTableName(table);
    if (expected.isEmpty()) {
        t.open();
        QVERIFY(t.active());
        return;
    }
    try {
        t.open();
        QFAIL("opening must fail");
    } catch (const Error &e) {
        QVERIFY2(e.text().contains(expected), qPrintable(e.text()));
    }
    QVERIFY(!t.active());
}

void ErrorsTest::conversionFailures_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error");
    QTest::newRow("letters into an integer") << "成绩" << "abc" << "'abc' 不是一个有效的整形值";
    QTest::newRow("beyond 32 bits") << "成绩" << "2147483648" << "'2147483648' 不是一个有效的整形值";
    QTest::newRow("decimal point") << "成绩" << "1.5" << "'1.5' 不是一个有效的整形值";
    QTest::newRow("blank is no number") << "成绩" << " " << "' ' 不是一个有效的整形值";
}

void ErrorsTest::conversionFailures()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, error);
    fixture::DataDir dir;
    dir.addScore(1, QStringLiteral("S1"), QStringLiteral("数学"), 75);
    TTable t(QStringLiteral("Table_Scroce_2"));
    t.setTableName(dir.path() + sch::ScoreFile);
    t.open();
    t.edit();
    try {
        t.fieldByName(field).setAsString(text);
        QFAIL("the conversion must fail");
    } catch (const Error &e) {
        QCOMPARE(e.text(), error);
    }
    t.post(); // nothing changed
    commitAll();
    QCOMPARE(dir.rows(sch::ScoreFile, QStringLiteral("SELECT 成绩 FROM $T")).first().first().toInt(), 75);

    TTable s(QStringLiteral("Table_stud"));
    s.setTableName(dir.path() + sch::StudentFile);
    s.open();
    s.append();
    try {
        s.fieldByName(QStringLiteral("出生日期")).setAsString(QStringLiteral("2003-02-30"));
        QFAIL("a date that does not exist must fail");
    } catch (const Error &e) {
        QCOMPARE(e.text(), QStringLiteral("'2003-02-30' 不是一个有效的日期"));
    }
}

// Runs body as an ordinary user: root writes to read-only files regardless.
static int asOrdinaryUser(const std::function<int()> &body)
{
    if (geteuid() != 0)
        return body();
    const pid_t pid = fork();
    if (pid == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(90);
        _exit(body());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
}

void ErrorsTest::readOnlyFileKeepsRecordPending()
{
    fixture::DataDir dir;
    const QString dirPath = dir.path();
    QVERIFY(QFile::setPermissions(dirPath, QFileDevice::Permissions(0x7777)));
    QVERIFY(QFile::setPermissions(dir.file(sch::StudentFile), QFileDevice::Permissions(0x6666)));
    QVERIFY(QFile::setPermissions(dir.file(sch::ClassFile), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    const int code = asOrdinaryUser([&] {
        try {
            TTable stud(QStringLiteral("Table_stud"));
            stud.setTableName(dirPath + sch::StudentFile);
            stud.open();
            TTable t(QStringLiteral("Table_Class"));
            t.setTableName(dirPath + sch::ClassFile);
            t.open();
            t.append();
            t.fieldByName(QStringLiteral("班号")).setAsString(QStringLiteral("B1"));
            try {
                t.post();
                return 1; // written to a read-only file?
            } catch (const Error &e) {
                if (!e.text().contains(QStringLiteral("只读")))
                    return 2;
            }
            if (t.state() != DataSetState::Insert || t.fieldByName(QStringLiteral("班号")).asString() != QLatin1String("B1"))
                return 3; // the typed record must stay pending
            return 0;
        } catch (...) {
            return 4;
        }
    });
    QCOMPARE(code, 0);
    QCOMPARE(dir.count(sch::ClassFile), 0);
}

void ErrorsTest::duplicateKeyKeepsRecordPending()
{
    fixture::DataDir dir;
    dir.addScore(1, QStringLiteral("S1"), QStringLiteral("数学"), 75);
    TTable t(QStringLiteral("Table_Scroce_2"));
    t.setTableName(dir.path() + sch::ScoreFile);
    t.open();
    t.append();
    t.fieldByName(QStringLiteral("序号")).setAsInteger(1);
    t.fieldByName(QStringLiteral("科目")).setAsString(QStringLiteral("语文"));
    try {
        t.post();
        QFAIL("a taken key must be refused");
    } catch (const Error &e) {
        QVERIFY2(e.text().contains(QStringLiteral("关键字重复")), qPrintable(e.text()));
    }
    QCOMPARE(t.state(), DataSetState::Insert);
    QCOMPARE(t.recordCount(), 1);
    t.fieldByName(QStringLiteral("序号")).setAsInteger(2);
    t.post();
    QCOMPARE(t.recordCount(), 2);
}

// Another program stored something after this one last looked: a write made
// on what this one showed is refused, nothing of it is stored, the view is
// read again, and the same write done again on it goes through.
void ErrorsTest::writeOnStaleViewIsRefused_data()
{
    QTest::addColumn<QString>("other");  // what the other program stored
    QTest::addColumn<QString>("write");  // what this one does on its old view
    QTest::addColumn<QString>("message");
    const QString stale = QStringLiteral("数据已被其他用户修改,已重新读取,请重新操作!");
    QTest::newRow("other added, this one adds count + 1")
        << "INSERT INTO $T VALUES(3, 'S9', '语文', 70, NULL, NULL)" << "append" << stale;
    QTest::newRow("other renumbered, this one edits") << "DELETE FROM $T WHERE 序号 = 1; UPDATE $T SET 序号 = 1"
                                                      << "edit" << stale;
    QTest::newRow("other changed the record, this one deletes it")
        << "UPDATE $T SET 成绩 = 99 WHERE 序号 = 1" << "delete" << stale;
}

void ErrorsTest::writeOnStaleViewIsRefused()
{
    QFETCH(QString, other);
    QFETCH(QString, write);
    QFETCH(QString, message);
    fixture::DataDir dir;
    dir.addScore(1, QStringLiteral("S1"), QStringLiteral("数学"), 75);
    dir.addScore(2, QStringLiteral("S2"), QStringLiteral("数学"), 80);
    TTable t(QStringLiteral("Table_Scroce_2"));
    t.setTableName(dir.path() + sch::ScoreFile);
    t.open();
    QCOMPARE(t.recordCount(), 2);
    for (const QString &statement : other.split(u';'))
        dir.exec(sch::ScoreFile, statement);
    const auto storedNow = [&] {
        return dir.rows(sch::ScoreFile, QStringLiteral("SELECT 序号, 学号, 成绩 FROM $T ORDER BY 序号"));
    };
    const auto afterOther = storedNow();

    const auto doWrite = [&] {
        t.first();
        if (write == QLatin1String("append")) {
            t.append();
            t.fieldByName(QStringLiteral("序号")).setAsInteger(t.recordCount() + 1);
            t.fieldByName(QStringLiteral("学号")).setAsString(QStringLiteral("S1"));
            t.post();
        } else if (write == QLatin1String("edit")) {
            t.edit();
            t.fieldByName(QStringLiteral("成绩")).setAsInteger(10);
            t.post();
        } else {
            t.del();
        }
    };
    try {
        doWrite();
        QFAIL("a write on what another program changed must be refused");
    } catch (const Conflict &e) {
        QCOMPARE(e.text(), message);
    }
    rollbackAll();
    QCOMPARE(storedNow(), afterOther);
    QCOMPARE(t.state(), DataSetState::Browse);
    QCOMPARE(t.recordCount(), afterOther.size());

    doWrite();
    commitAll();
    QVERIFY(storedNow() != afterOther);
}

QM_TEST_MAIN(ErrorsTest)
#include "test_db_errors.moc"
