// Clerks on one server: each table has a write lock of its own, so a clerk
// who writes one table does not wait for a clerk who holds another; a new
// record is numbered from what is stored under the lock; and two clerks who
// come to two tables in opposite orders never wait for each other for good.
#include "core/Error.h"
#include "db/Engines.h"
#include "db/EngineTexts.h"
#include "db/StoredTable.h"
#include "db/server/ServerEngine.h"
#include "office/Schema.h"
#include "tests/support/Fixture.h"

#include <QScopeGuard>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

using namespace store;
namespace sch = store::schema;

namespace {

// A score record of the table's six fields.
std::vector<QVariant> score(int number, const QString &student)
{
    return {number, student, QStringLiteral("数学"), 70, QVariant(), QVariant()};
}

std::vector<QVariant> student(const QString &no)
{
    std::vector<QVariant> v(10);
    v[0] = no;
    v[1] = QStringLiteral("新生");
    return v;
}

// One clerk's action on its own connection: the first table's lock, then,
// once the other clerk holds its first, the second's.
class Clerk : public QThread {
public:
    Clerk(const QString &server, const QString &first, const QString &second, QSemaphore &mine, QSemaphore &other)
        : m_server(server), m_first(first), m_second(second), m_mine(mine), m_other(other)
    {
    }
    QString outcome;

protected:
    void run() override
    {
        auto engine = std::make_shared<ServerEngine>(m_server);
        const auto first = engine->openTable(m_first);
        const auto second = engine->openTable(m_second);
        try {
            engine->lockTable(*first, false);
            m_mine.release();
            m_other.acquire();
            engine->lockTable(*second, false);
            engine->commit();
            outcome = QStringLiteral("stored");
        } catch (const Error &e) {
            engine->rollback();
            outcome = e.text();
        }
    }

private:
    QString m_server, m_first, m_second;
    QSemaphore &m_mine, &m_other;
};

} // namespace

class LocksTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase() { setEngineConfigFile(QString()); }
    void writersOfOtherTablesDoNotWait();
    void newRecordIsNumberedFromWhatIsStored();
    void oppositeOrdersDoNotDeadlock_data();
    void oppositeOrdersDoNotDeadlock();

private:
    QTemporaryDir m_config;
};

void LocksTest::initTestCase()
{
    // A clerk who waits longer than this is refused.
    QFile f(m_config.filePath(QStringLiteral("IDAPI32.CFG")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[Engine]\nBusyTimeout=1000\n");
    f.close();
    setEngineConfigFile(f.fileName());
    QCOMPARE(engineBusyTimeout(), 1000);
}

// Clerk B renumbers the scores (holds their lock); clerk A registers a
// student meanwhile without waiting, and A's new score waits for B and is
// refused when B keeps the lock past the busy timeout.
void LocksTest::writersOfOtherTablesDoNotWait()
{
    fixture::DataDir dir;
    dir.addStudent(QStringLiteral("S1"), QStringLiteral("张三"));
    dir.addScore(1, QStringLiteral("S1"), QStringLiteral("数学"), 60);
    auto b = std::make_shared<ServerEngine>(dir.server());
    const auto bScores = b->openTable(sch::ScoreFile);
    bScores->renumberFrom(bScores->columnIndex(QStringLiteral("序号")), 1);

    auto a = std::make_shared<ServerEngine>(dir.server());
    const auto aStudents = a->openTable(sch::StudentFile);
    const auto aScores = a->openTable(sch::ScoreFile);
    aStudents->insert(student(QStringLiteral("S2")));
    a->commit();
    QCOMPARE(dir.rows(sch::StudentFile, QStringLiteral("SELECT count(*) FROM $T")).value(0).value(0).toInt(), 2);

    try {
        aScores->insert(score(2, QStringLiteral("S2")));
        QFAIL("the score table's lock is held by the other clerk");
    } catch (const Error &e) {
        QCOMPARE(e.text(), texts::othersWriting());
    }
    QVERIFY(!a->inTransaction());
    b->commit();
    a->syncExternal(true); // A's next action starts
    aScores->insert(score(2, QStringLiteral("S2")));
    a->commit();
    QCOMPARE(dir.rows(sch::ScoreFile, QStringLiteral("SELECT 序号, 学号 FROM $T ORDER BY 序号")),
             (QList<QVariantList>{{1, QStringLiteral("S1")}, {2, QStringLiteral("S2")}}));
}

// B stores a score after A last looked. A number A took from its old view is
// refused; a number A takes under the lock counts B's record.
void LocksTest::newRecordIsNumberedFromWhatIsStored()
{
    fixture::DataDir dir;
    dir.addScore(1, QStringLiteral("S1"), QStringLiteral("数学"), 60);
    auto a = std::make_shared<ServerEngine>(dir.server());
    const auto aScores = a->openTable(sch::ScoreFile);
    QCOMPARE(aScores->rowCount(), 1);
    auto b = std::make_shared<ServerEngine>(dir.server());
    b->openTable(sch::ScoreFile)->insert(score(2, QStringLiteral("S2")));
    b->commit();

    try {
        aScores->insert(score(int(aScores->rowCount()) + 1, QStringLiteral("S3")));
        QFAIL("a number taken from the old view must be refused");
    } catch (const Conflict &e) {
        QCOMPARE(e.text(), texts::storedMeanwhile());
    }
    QCOMPARE(dir.rows(sch::ScoreFile, QStringLiteral("SELECT count(*) FROM $T")).value(0).value(0).toInt(), 2);

    // As the add-score window does once its action writes: the lock first.
    b->openTable(sch::ScoreFile)->insert(score(3, QStringLiteral("S2")));
    b->commit();
    a->beginWrite();
    a->lockTable(*aScores, false);
    aScores->insert(score(int(aScores->rowCount()) + 1, QStringLiteral("S3")));
    a->commit();
    QCOMPARE(dir.rows(sch::ScoreFile, QStringLiteral("SELECT 序号, 学号 FROM $T ORDER BY 序号")).last(),
             (QVariantList{4, QStringLiteral("S3")}));
}

void LocksTest::oppositeOrdersDoNotDeadlock_data()
{
    QTest::addColumn<QString>("one");
    QTest::addColumn<QString>("other");
    QTest::newRow("students, scores") << sch::StudentFile << sch::ScoreFile;
    QTest::newRow("plans, courses") << sch::PlanFile << sch::CourseFile;
}

// Each clerk holds the table the other one needs next: the one that came to
// its second table out of order gives up within the busy timeout, nothing
// of its action stored, and the other one's action is stored.
void LocksTest::oppositeOrdersDoNotDeadlock()
{
    QFETCH(QString, one);
    QFETCH(QString, other);
    fixture::DataDir dir;
    QSemaphore oneHolds, otherHolds;
    Clerk a(dir.server(), one, other, oneHolds, otherHolds);
    Clerk b(dir.server(), other, one, otherHolds, oneHolds);
    a.start();
    b.start();
    QVERIFY(a.wait(20000));
    QVERIFY(b.wait(20000));
    // The tables' order is their names' order: the clerk that holds the later
    // one and needs the earlier is the one refused.
    const bool aInOrder = QFileInfo(one).completeBaseName() < QFileInfo(other).completeBaseName();
    const QString inOrder = aInOrder ? a.outcome : b.outcome;
    const QString outOfOrder = aInOrder ? b.outcome : a.outcome;
    QCOMPARE(inOrder, QStringLiteral("stored"));
    QCOMPARE(outOfOrder, texts::othersWriting());
}

QM_TEST_MAIN(LocksTest)
#include "test_db_locks.moc"
