// Nothing posted is lost: writes commit when the event loop waits, and a
// change over several table files is all or nothing when the process dies.
#include "data/ActionHooks.h"
#include "data/DataSet.h"
#include "db/Engine.h"
#include "db/Engines.h"
#include "office/Schema.h"
#include "db/sqlite/Sqlite.h"
#include "tests/support/Fixture.h"
#include "data/Table.h"

#include <QEventLoop>
#include <QProcess>
#include <QRandomGenerator>
#include <QTimer>
#include <QtTest>

#include <cstdio>

#include <csignal>

using namespace store;
namespace sch = store::schema;

namespace {

const char *const ChildVar = "QUILLMERE_DURABILITY_CHILD";
const char *const UnfinishedVar = "QUILLMERE_DURABILITY_UNFINISHED";

void runLoopOnce(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Deletes students one after another, each with its scores and the
// renumbering of the score table, committing after each, until killed.
int childMain(const QString &dir)
{
    if (qEnvironmentVariableIsSet(UnfinishedVar)) {
        // An action that writes a student and never ends: the program
        // returns from main through its destructors.
        static TTable pending(QStringLiteral("Table_stud"));
        pending.setTableName(dir + sch::StudentFile);
        pending.open();
        pending.append();
        pending.fieldByName(QStringLiteral("学号")).setAsString(QStringLiteral("S-unfinished"));
        pending.post();
        return 0;
    }
    TTable stud(QStringLiteral("Table_stud"));
    stud.setTableName(dir + sch::StudentFile);
    TTable scores(QStringLiteral("Table_Scroce_2"));
    scores.setTableName(dir + sch::ScoreFile);
    stud.open();
    scores.open();
    while (stud.recordCount() > 0) {
        stud.first();
        const QString no = stud.fieldByName(QStringLiteral("学号")).asString();
        scores.first();
        while (!scores.eof()) {
            if (scores.fieldByName(QStringLiteral("学号")).asString() == no)
                scores.del();
            else
                scores.next();
        }
        scores.first();
        for (int i = 1, n = scores.recordCount(); i <= n; ++i) {
            scores.edit();
            scores.fieldByName(QStringLiteral("序号")).setAsInteger(i);
            scores.next();
        }
        stud.del();
        commitAll();
        // The parent kills only once something was stored, however slow
        // the machine is.
        std::fputs("committed\n", stdout);
        std::fflush(stdout);
    }
    return 0;
}

} // namespace

class DurabilityTest : public QObject {
    Q_OBJECT
private slots:
    void postedRecordCommitsWhenLoopWaits();
    void killedChangeIsAllOrNothing();
    void failedCommitIsReportedAndViewsReread();
    void unfinishedActionIsUndoneAtTheEnd();
};

// A program that ends through its destructors in the middle of an action
// did not finish that action: nothing of it is stored.
void DurabilityTest::unfinishedActionIsUndoneAtTheEnd()
{
    fixture::DataDir dir;
    dir.addStudent(QStringLiteral("S1"), QStringLiteral("张三"));
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(ChildVar), dir.path());
    env.insert(QString::fromLatin1(UnfinishedVar), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
    const auto rows = dir.rows(sch::StudentFile, QStringLiteral("SELECT 学号 FROM $T"));
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.first().first().toString(), QStringLiteral("S1"));
}

void DurabilityTest::failedCommitIsReportedAndViewsReread()
{
    fixture::DataDir dir;
    dir.addClass(QStringLiteral("01"), QStringLiteral("一班"));
    TTable t(QStringLiteral("Table_Class"));
    t.setTableName(dir.path() + sch::ClassFile);
    t.open();
    QString reported;
    setCommitErrorHandler([&](const QString &text) { reported = text; });
    auto unhook = qScopeGuard([] { setCommitErrorHandler({}); });
    t.append();
    t.fieldByName(QStringLiteral("班号")).setAsString(QStringLiteral("02"));
    t.post();
    QCOMPARE(t.recordCount(), 2);
    failNextCommitForTesting();
    runLoopOnce(20);
    QVERIFY2(reported.startsWith(QStringLiteral("保存修改失败")), qPrintable(reported));
    // What the window shows is what is stored.
    QCOMPARE(t.recordCount(), 1);
    QCOMPARE(dir.count(sch::ClassFile), 1);
    // The engine goes on: the next change is stored.
    t.append();
    t.fieldByName(QStringLiteral("班号")).setAsString(QStringLiteral("03"));
    t.post();
    runLoopOnce(20);
    QCOMPARE(dir.count(sch::ClassFile), 2);
}

void DurabilityTest::postedRecordCommitsWhenLoopWaits()
{
    fixture::DataDir dir;
    TTable t(QStringLiteral("Table_Class"));
    t.setTableName(dir.path() + sch::ClassFile);
    t.open();
    t.append();
    t.fieldByName(QStringLiteral("班号")).setAsString(QStringLiteral("B1"));
    t.post();
    QCOMPARE(dir.count(sch::ClassFile), 0); // still inside the handler's transaction
    runLoopOnce(20);
    QCOMPARE(dir.count(sch::ClassFile), 1);
}

void DurabilityTest::killedChangeIsAllOrNothing()
{
    fixture::DataDir dir;
    const int students = 300, perStudent = 4;
    {
        sql::Db s, c;
        s.open(dir.file(sch::StudentFile), false);
        c.open(dir.file(sch::ScoreFile), false);
        s.exec(QStringLiteral("BEGIN"));
        c.exec(QStringLiteral("BEGIN"));
        sql::Stmt is(s.handle(), QStringLiteral("INSERT INTO 学生信息表(学号) VALUES(?1)"));
        sql::Stmt ic(c.handle(), QStringLiteral("INSERT INTO 学生成绩表(序号,学号,成绩) VALUES(?1,?2,60)"));
        int seq = 1;
        for (int i = 0; i < students; ++i) {
            is.reset();
            is.bind(1, QStringLiteral("S%1").arg(i));
            is.step();
        }
        // Interleaved, so that every deletion renumbers records after it.
        for (int k = 0; k < perStudent; ++k) {
            for (int i = 0; i < students; ++i) {
                ic.reset();
                ic.bind(1, seq++);
                ic.bind(2, QStringLiteral("S%1").arg(i));
                ic.step();
            }
        }
        s.exec(QStringLiteral("COMMIT"));
        c.exec(QStringLiteral("COMMIT"));
    }
    for (int round = 0; round < 5; ++round) {
        // A fast machine may have deleted every student in the rounds before.
        if (dir.count(sch::StudentFile) == 0)
            break;
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(ChildVar), dir.path());
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForStarted());
        QVERIFY(child.waitForReadyRead(60000));
        QTest::qSleep(QRandomGenerator::global()->bounded(250));
        ::kill(pid_t(child.processId()), SIGKILL);
        child.waitForFinished();

        for (const QString &f : {sch::StudentFile, sch::ScoreFile}) {
            const auto check = dir.rows(f, QStringLiteral("PRAGMA integrity_check"));
            QCOMPARE(check.first().first().toString(), QStringLiteral("ok"));
        }
        // Every student still present has all its scores; every one gone has none.
        const auto present = dir.rows(sch::StudentFile, QStringLiteral("SELECT 学号 FROM $T"));
        QSet<QString> alive;
        for (const auto &r : present)
            alive << r[0].toString();
        const auto scoreRows = dir.rows(sch::ScoreFile, QStringLiteral("SELECT 序号, 学号 FROM $T ORDER BY 序号"));
        QHash<QString, int> perNo;
        int expected = 1;
        for (const auto &r : scoreRows) {
            QCOMPARE(r[0].toInt(), expected++); // renumbered 1..n, never half-way
            perNo[r[1].toString()]++;
        }
        for (auto it = perNo.cbegin(); it != perNo.cend(); ++it)
            QVERIFY2(alive.contains(it.key()), qPrintable(QStringLiteral("scores of deleted student %1").arg(it.key())));
        for (const QString &no : alive)
            QCOMPARE(perNo.value(no), perStudent);
        QVERIFY(alive.size() < students); // the child made progress
    }
}

int main(int argc, char **argv)
{
    const QByteArray childDir = qgetenv(ChildVar);
    if (!childDir.isEmpty()) {
        QCoreApplication app(argc, argv);
        return childMain(QString::fromLocal8Bit(childDir));
    }
    QApplication app(argc, argv);
    store::installActionHooks();
    DurabilityTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_db_durability.moc"
