// The records on a server that goes away under the clerk. A session ended in
// the middle of an action ends that action whole: nothing of it is stored,
// one box says so, and the next action works. A server that stops while
// windows count their records gives one box, not a pile of them, and a read
// that fails while a grid paints is reported once, after the paint.
#include "db/Engines.h"
#include "db/StoredTable.h"
#include "dbwidgets/DBGrid.h"
#include "db/server/Postgres.h"
#include "db/open/OpenEngine.h"
#include "db/server/ServerEngine.h"
#include "tests/app/Office.h"

#include <QThread>
#include <QtTest>

using namespace office;

namespace {

const QString LostText = QStringLiteral("连接已中断,操作没有保存");

QStringList errorTexts(const fixture::Boxes &boxes)
{
    QStringList out;
    for (const ui::ShownBox &b : boxes.shown) {
        if (b.icon == ui::Icon::Error)
            out << b.text;
    }
    return out;
}

// Ends the program's server session just before its first statement that
// contains marker, as a restarted server or a dropped network would.
class SessionKiller {
public:
    SessionKiller(const QString &dataPath, const QString &server, const QByteArray &marker) : m_admin(server)
    {
        auto engine = std::dynamic_pointer_cast<store::ServerEngine>(store::openEngine(dataPath));
        store::pg::setStatementHookForTesting([this, engine, marker](const QByteArray &text) {
            if (!m_armed || !engine || !text.contains(marker))
                return;
            m_armed = false;
            const int pid = engine->connection().backendPid();
            m_admin.exec(QStringLiteral("SELECT pg_terminate_backend(%1)").arg(pid));
            for (int i = 0; i < 200; ++i) {
                if (m_admin.exec(QStringLiteral("SELECT 1 FROM pg_stat_activity WHERE pid = %1").arg(pid)).rows() == 0)
                    break;
                QThread::msleep(10);
            }
            m_fired = true;
        });
    }
    ~SessionKiller() { store::pg::setStatementHookForTesting({}); }
    bool fired() const { return m_fired; }

private:
    store::pg::Connection m_admin;
    bool m_armed = true;
    bool m_fired = false;
};

// Three students on a cluster of the test's own, which it may stop; the
// student window shown.
struct OfficeOnOwnServer {
    OfficeOnOwnServer()
    {
        if (server.info.isEmpty())
            return;
        const QString office = server.office();
        store::pg::Connection(office).exec(
            QStringLiteral("INSERT INTO \"学生信息表\"(学号, 姓名) VALUES ('S1', '张三'), ('S2', '李四'), ('S3', '王五')"));
        o = std::make_unique<Office>(data.path() + u'/');
        o->stud->show();
    }
    fixture::OwnServer server;
    QTemporaryDir data;
    std::unique_ptr<Office> o;
};

} // namespace

class OutageTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { store::setEngineServer(QString()); }
    void sessionEndedInAnActionStoresNothing_data();
    void sessionEndedInAnActionStoresNothing();
    void stoppedServerGivesOneBox();
    void failedReadWhilePaintingIsReportedAfterThePaint();
};

void OutageTest::init()
{
    QVERIFY(fixture::onServer());
}

void OutageTest::sessionEndedInAnActionStoresNothing_data()
{
    QTest::addColumn<bool>("student"); // delete the student, or one score
    QTest::addColumn<QStringList>("after"); // what the next, working action leaves
    QTest::newRow("score deletion") << false
                                    << QStringList{QStringLiteral("1 S2 数学"), QStringLiteral("2 S1 英语"),
                                                   QStringLiteral("3 S2 物理"), QStringLiteral("4 S1 化学")};
    QTest::newRow("student deletion") << true
                                      << QStringList{QStringLiteral("1 S1 语文"), QStringLiteral("2 S1 英语"),
                                                     QStringLiteral("3 S1 化学")};
}

// The session ends when the deletion renumbers the score table, after the
// deletion itself ran in the same transaction.
void OutageTest::sessionEndedInAnActionStoresNothing()
{
    QFETCH(bool, student);
    QFETCH(QStringList, after);
    fixture::DataDir dir;
    dir.addStudent(QStringLiteral("S1"), QStringLiteral("张三"));
    dir.addStudent(QStringLiteral("S2"), QStringLiteral("李四"));
    const char *subjects[] = {"语文", "数学", "英语", "物理", "化学"};
    for (int i = 0; i < 5; ++i)
        dir.addScore(i + 1, i % 2 ? QStringLiteral("S2") : QStringLiteral("S1"), QString::fromUtf8(subjects[i]), 70);
    auto scores = [&dir] {
        QStringList out;
        for (const QVariantList &r : dir.rows(sch::ScoreFile, QStringLiteral("SELECT 序号, 学号, 科目 FROM $T ORDER BY 序号")))
            out << QStringLiteral("%1 %2 %3").arg(r[0].toString(), r[1].toString(), r[2].toString());
        return out;
    };
    const QStringList before = scores();
    Office o(dir.path());
    QVERIFY(o.pickStudent(student ? QStringLiteral("S2") : QStringLiteral("S1")));
    fixture::Boxes boxes(ui::IdYes);
    {
        SessionKiller killer(dir.path(), dir.server(), "row_number() OVER");
        o.click(student ? o.stud->Button_Del : o.score->Button_Del);
        QVERIFY(killer.fired());
    }
    const QStringList errors = errorTexts(boxes);
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].contains(LostText), qPrintable(errors[0]));
    QCOMPARE(scores(), before);
    QCOMPARE(dir.count(sch::StudentFile), 2);

    // The next action reconnects and works.
    boxes.clear();
    bool picked = false;
    fixture::asAction([&] { picked = o.pickStudent(student ? QStringLiteral("S2") : QStringLiteral("S1")); });
    QVERIFY(picked);
    o.click(student ? o.stud->Button_Del : o.score->Button_Del);
    QCOMPARE(errorTexts(boxes), QStringList());
    QCOMPARE(scores(), after);
    QCOMPARE(dir.count(sch::StudentFile), student ? 1 : 2);
}

// The server stops while the student window counts its records ten times a
// second. The clerk's next action meets it: one box, which stays the only
// one while it is up and afterwards, however often the counters tick. Once
// the server is back the next action works and the counters catch up.
void OutageTest::stoppedServerGivesOneBox()
{
    OfficeOnOwnServer world;
    QVERIFY(world.o);
    fixture::OwnServer &server = world.server;
    Office &o = *world.o;
    QTRY_COMPARE(o.stud->Label12->text(), QStringLiteral("3"));
    fixture::Boxes boxes(ui::IdYes);
    boxes.answerInsideLoop(500);

    QVERIFY(server.halt());
    o.deleteCurrentStudent();
    QTest::qWait(3000);

    // The server was gone before the action wrote anything: the box says it
    // cannot be reached.
    const QStringList errors = errorTexts(boxes);
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].contains(QStringLiteral("数据库服务器")), qPrintable(errors[0]));
    QCOMPARE(o.stud->Label12->text(), QStringLiteral("3"));

    QVERIFY(server.resume());
    boxes.clear();
    o.deleteCurrentStudent();
    QCOMPARE(errorTexts(boxes), QStringList());
    QTRY_COMPARE(o.stud->Label12->text(), QStringLiteral("2"));
    store::resetEngines();
}

// A grid paints its rows from the dataset; with the server gone the reads
// fail. The cells stay blank, and the one report comes after the paint.
void OutageTest::failedReadWhilePaintingIsReportedAfterThePaint()
{
    OfficeOnOwnServer world;
    QVERIFY(world.o);
    fixture::OwnServer &server = world.server;
    Office &o = *world.o;
    QVERIFY(QTest::qWaitForWindowExposed(o.stud));
    QStringList warnings;
    static QStringList *sink = nullptr;
    sink = &warnings;
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &m) {
        if (type == QtWarningMsg && sink)
            *sink << m;
    });
    fixture::Boxes boxes;
    bool painting = false;
    bool shownWhilePainting = false;
    boxes.onShow([&](const ui::ShownBox &) { shownWhilePainting = shownWhilePainting || painting; });

    QVERIFY(server.halt());
    DM1->Table_stud->file()->invalidateAll();
    painting = true;
    o.stud->Grid_Stud->viewport()->repaint();
    painting = false;
    QTRY_COMPARE(errorTexts(boxes).size(), 1);
    QTest::qWait(300);
    qInstallMessageHandler(previous);
    sink = nullptr;

    QCOMPARE(errorTexts(boxes).size(), 1);
    QVERIFY(!shownWhilePainting);
    for (const QString &w : warnings)
        QVERIFY2(!w.contains(QStringLiteral("QBackingStore")) && !w.contains(QStringLiteral("painter")), qPrintable(w));
    QVERIFY(server.resume());
    store::resetEngines();
}

QM_APP_TEST_MAIN(OutageTest)
#include "test_app_outage.moc"
