// The real program killed (SIGKILL) while 删除学生 deletes a student's scores
// and renumbers the score table: whenever it dies, the files hold either the
// whole deletion or none of it.
#include "office/Schema.h"
#include "db/sqlite/Sqlite.h"
#include "tests/support/Fixture.h"
#include "tests/support/RealProgram.h"

#include <QRandomGenerator>
#include <QThread>
#include <QtTest>

namespace sch = store::schema;

namespace {

QList<QVariantList> rows(const QString &file, const QString &sql) { return fixture::tableRows(file, sql); }

} // namespace

class KillTest : public QObject {
    Q_OBJECT
private slots:
    void killedDuringStudentDeletion_data();
    void killedDuringStudentDeletion();
};

void KillTest::killedDuringStudentDeletion_data()
{
    QTest::addColumn<int>("delay"); // ms after the warning is answered
    for (int delay : {150, 500, 900})
        QTest::addRow("%d ms", delay) << delay + int(QRandomGenerator::global()->bounded(100));
}

void KillTest::killedDuringStudentDeletion()
{
    QFETCH(int, delay);
    if (!fixture::RealProgram::toolsPresent())
        QSKIP("needs Xvfb and xdotool (scripts/setup installs them)");
    // Each student's scores are spread over the whole table, so the walk and
    // the renumbering take a while.
    fixture::RealProgram p({QStringLiteral("--students"), QStringLiteral("1000"), QStringLiteral("--scores"),
                            QStringLiteral("40000")});
    QVERIFY(p.ready());
    const QString students = p.dataDir() + sch::StudentFile;
    const QString scores = p.dataDir() + sch::ScoreFile;
    const QString first = rows(students, QStringLiteral("SELECT 学号 FROM $T ORDER BY rowid LIMIT 1"))
                              .first().first().toString();
    const auto scoresOf = [&](const QString &no) {
        return rows(scores, QStringLiteral("SELECT count(*) FROM $T WHERE 学号 = '%1'").arg(no))
            .first().first().toInt();
    };
    const int ownScores = scoresOf(first);
    QVERIFY(ownScores > 0);

    QVERIFY(p.startToLogin());
    const QString mainWin = p.logIn(QStringLiteral("admin"), QStringLiteral("admin"));
    QVERIFY(!mainWin.isEmpty());
    p.clickAt(mainWin, 72, 51); // 学生信息管理
    QString studWin;
    QVERIFY(p.waitFor(QStringLiteral("^学生信息管理$"), 5000, &studWin));
    p.clickAt(studWin, 483, 102); // 删除学生
    QString warning;
    QVERIFY(p.waitFor(QStringLiteral("^警告$"), 5000, &warning));
    p.xdo({QStringLiteral("windowfocus"), QStringLiteral("--sync"), warning});
    p.xdo({QStringLiteral("key"), QStringLiteral("alt+y")});
    QThread::msleep(ulong(delay));
    p.kill();

    for (const QString &file : sch::fileNames()) {
        const QString path = p.dataDir() + file;
        QCOMPARE(rows(path, QStringLiteral("PRAGMA integrity_check")).first().first().toString(), QStringLiteral("ok"));
    }
    const bool studentKept =
        rows(students, QStringLiteral("SELECT count(*) FROM $T WHERE 学号 = '%1'").arg(first))
            .first().first().toInt() == 1;
    const int total = rows(scores, QStringLiteral("SELECT count(*) FROM $T")).first().first().toInt();
    QCOMPARE(scoresOf(first), studentKept ? ownScores : 0);
    QCOMPARE(total, studentKept ? 40000 : 40000 - ownScores);
    const QVariantList numbers = rows(scores, QStringLiteral("SELECT min(序号), max(序号), count(DISTINCT 序号) FROM $T")
                                                  )
                                     .first();
    QCOMPARE(numbers, (QVariantList{1, total, total}));
    qInfo("killed after %d ms: the deletion was %s", delay, studentKept ? "not stored" : "stored whole");
}

QTEST_GUILESS_MAIN(KillTest)
#include "test_app_kill.moc"
