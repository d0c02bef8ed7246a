// Which score counts, the figures of a course, ranks with ties and the
// totals, over a class worked out by hand, read from the records on each
// engine.
#include "statistics/Settings.h"
#include "statistics/Snapshot.h"
#include "statistics/Statistics.h"
#include "core/Globals.h"
#include "tests/statistics/ClassOfTen.h"

#include <QtTest>

using namespace stats;
using Opt = std::optional<int>;
Q_DECLARE_METATYPE(Opt)

class StatisticsTest : public QObject {
    Q_OBJECT
private slots:
    void countedScores_data();
    void countedScores();
    void ranksShareAndSkip();
    void classOfTenByHand();
    void totalsAndTheRankOption();
    void schoolAndClassSnapshots();
    void emptyAndMissingTables();
    void marksRemembered();

private:
    const StudentFigures &student(const Snapshot &s, const Figures &f, const QString &no);
};

void StatisticsTest::countedScores_data()
{
    QTest::addColumn<Opt>("score");
    QTest::addColumn<Opt>("first");
    QTest::addColumn<Opt>("second");
    QTest::addColumn<int>("pass");
    QTest::addColumn<Opt>("counted");
    const Opt no;
    QTest::newRow("passed: the score") << Opt(72) << no << no << 60 << Opt(72);
    QTest::newRow("exactly the pass mark") << Opt(60) << no << no << 60 << Opt(60);
    QTest::newRow("a passed score ignores a make-up") << Opt(61) << Opt(90) << no << 60 << Opt(61);
    QTest::newRow("failed, first make-up passes") << Opt(45) << Opt(70) << no << 60 << Opt(70);
    QTest::newRow("failed, second make-up passes") << Opt(59) << no << Opt(62) << 60 << Opt(62);
    QTest::newRow("the better make-up") << Opt(30) << Opt(75) << Opt(65) << 60 << Opt(75);
    QTest::newRow("both make-ups failed: the best") << Opt(40) << Opt(50) << Opt(55) << 60 << Opt(55);
    QTest::newRow("a worse make-up keeps the score") << Opt(58) << Opt(20) << no << 60 << Opt(58);
    QTest::newRow("missed the exam, sat the make-up") << no << Opt(66) << no << 60 << Opt(66);
    QTest::newRow("no score at all: absent") << no << no << no << 60 << no;
    QTest::newRow("zero is a score") << Opt(0) << no << no << 60 << Opt(0);
    QTest::newRow("a higher pass mark opens the make-up") << Opt(65) << Opt(75) << no << 70 << Opt(75);
}

void StatisticsTest::countedScores()
{
    QFETCH(Opt, score);
    QFETCH(Opt, first);
    QFETCH(Opt, second);
    QFETCH(int, pass);
    QFETCH(Opt, counted);
    QCOMPARE(countedScore(score, first, second, pass), counted);
}

void StatisticsTest::ranksShareAndSkip()
{
    QCOMPARE(competitionRanks({90, 95, 90, 80}), std::vector<int>({2, 1, 2, 4}));
    QCOMPARE(competitionRanks({70, 70, 70}), std::vector<int>({1, 1, 1}));
    QCOMPARE(competitionRanks({}), std::vector<int>());
    QCOMPARE(bandOf(59), 0);
    QCOMPARE(bandOf(60), 1);
    QCOMPARE(bandOf(89), 3);
    QCOMPARE(bandOf(90), 4);
    QCOMPARE(bandOf(100), 4);
}

const StudentFigures &StatisticsTest::student(const Snapshot &s, const Figures &f, const QString &no)
{
    for (const StudentFigures &sf : f.students) {
        if (s.students[size_t(sf.student)].number == no)
            return sf;
    }
    qFatal("no student %s", qPrintable(no));
}

void StatisticsTest::classOfTenByHand()
{
    fixture::DataDir dir;
    classOfTen::fill(dir);
    const Snapshot snap = readSnapshot(dir.path(), classOfTen::Class);
    QCOMPARE(snap.students.size(), size_t(10));
    const Figures f = compute(snap, Marks());
    QCOMPARE(f.courses, QStringList({classOfTen::Maths, classOfTen::Chinese}));

    // 95 95 85 60 70 55 (absent) 62 84 100
    const CourseFigures &maths = f.perCourse[0];
    QCOMPARE(maths.sat, 9);
    QCOMPARE(maths.absent, 1);
    QCOMPARE(maths.average, 706.0 / 9);
    QCOMPARE(maths.highest, 100);
    QCOMPARE(maths.lowest, 55);
    QCOMPARE(maths.passed, 8);
    QCOMPARE(maths.excellent, 4);
    QCOMPARE(maths.bands, (std::array<int, BandCount>{1, 2, 1, 2, 3}));
    QCOMPARE(maths.passRate(), 8.0 / 9);
    QCOMPARE(maths.excellentRate(), 4.0 / 9);

    // 80 80 90 70 60 30 88 75 86 (its second record, 50, does not count) 70
    const CourseFigures &chinese = f.perCourse[1];
    QCOMPARE(chinese.sat, 10);
    QCOMPARE(chinese.absent, 0);
    QCOMPARE(chinese.average, 72.9);
    QCOMPARE(chinese.highest, 90);
    QCOMPARE(chinese.lowest, 30);
    QCOMPARE(chinese.passed, 9);
    QCOMPARE(chinese.excellent, 3);
    QCOMPARE(chinese.bands, (std::array<int, BandCount>{1, 1, 3, 4, 1}));

    const QStringList nos{"S01", "S02", "S03", "S04", "S05", "S06", "S07", "S08", "S09", "S10"};
    const std::vector<Opt> mathsScores{95, 95, 85, 60, 70, 55, Opt(), 62, 84, 100};
    const std::vector<int> mathsRanks{2, 2, 4, 8, 6, 9, 0, 7, 5, 1};
    const std::vector<int> chineseRanks{4, 4, 1, 7, 9, 10, 2, 6, 3, 7};
    for (int i = 0; i < nos.size(); ++i) {
        const StudentFigures &s = student(snap, f, nos[i]);
        QCOMPARE(s.counted[0], mathsScores[size_t(i)]);
        QCOMPARE(s.absent[0], nos[i] == QLatin1String("S07"));
        QCOMPARE(s.courseRank[0], mathsRanks[size_t(i)]);
        QCOMPARE(s.courseRank[1], chineseRanks[size_t(i)]);
    }
}

void StatisticsTest::totalsAndTheRankOption()
{
    fixture::DataDir dir;
    classOfTen::fill(dir);
    const Snapshot snap = readSnapshot(dir.path(), classOfTen::Class);
    const QStringList nos{"S01", "S02", "S03", "S04", "S05", "S06", "S07", "S08", "S09", "S10"};
    const std::vector<int> totals{175, 175, 175, 130, 130, 85, 88, 137, 170, 170};
    const std::vector<int> ranks{1, 1, 1, 7, 7, 9, 0, 6, 4, 4};
    const std::vector<int> ranksAll{1, 1, 1, 7, 7, 10, 9, 6, 4, 4};
    Marks marks;
    const Figures strict = compute(snap, marks);
    marks.rankIncomplete = true;
    const Figures all = compute(snap, marks);
    for (int i = 0; i < nos.size(); ++i) {
        const StudentFigures &s = student(snap, strict, nos[i]);
        QCOMPARE(s.total, totals[size_t(i)]);
        QCOMPARE(s.complete, nos[i] != QLatin1String("S07"));
        QCOMPARE(s.rank, ranks[size_t(i)]);
        QCOMPARE(student(snap, all, nos[i]).rank, ranksAll[size_t(i)]);
    }
    QCOMPARE(student(snap, strict, "S07").average(), 88.0);
    QCOMPARE(student(snap, strict, "S08").average(), 68.5);

    // The marks decide what passes and so which score counts.
    marks.pass = 70;
    marks.excellent = 95;
    const Figures strictMarks = compute(snap, marks);
    QCOMPARE(strictMarks.perCourse[0].passed, 6); // 95 95 85 70 84 100
    QCOMPARE(strictMarks.perCourse[0].excellent, 3);
}

void StatisticsTest::schoolAndClassSnapshots()
{
    fixture::DataDir dir;
    classOfTen::fill(dir);
    dir.addStudent(QStringLiteral("U01"), QStringLiteral("没有成绩"), classOfTen::Other);
    const Snapshot school = readSnapshot(dir.path());
    QCOMPARE(school.students.size(), size_t(12));
    QCOMPARE(school.scores.size(), size_t(22));
    const Figures f = compute(school, Marks());
    QCOMPARE(f.perCourse[0].sat, 10);
    QCOMPARE(f.perCourse[0].lowest, 50);
    // Ranks stay within each class: the other class's only student is first.
    QCOMPARE(student(school, f, "T01").courseRank[0], 1);
    QCOMPARE(student(school, f, "T01").rank, 1);
    QCOMPARE(student(school, f, "S10").courseRank[0], 1);
    // A student without records is listed, neither absent nor ranked.
    const StudentFigures &none = student(school, f, "U01");
    QCOMPARE(none.coursesCounted, 0);
    QCOMPARE(none.absent[0], false);
    QCOMPARE(none.rank, 0);

    const Snapshot other = readSnapshot(dir.path(), classOfTen::Other);
    QCOMPARE(other.students.size(), size_t(2));
    QCOMPARE(other.scores.size(), size_t(1));
    QCOMPARE(readSnapshot(dir.path(), QStringLiteral("没有的班")).students.size(), size_t(0));

    // (On the server, a new directory is the one the engine reads from now.)
    // Numbers are not unique: a record goes with every student of its
    // number, letter case folded, as the score table's index links them.
    fixture::DataDir twins;
    twins.addStudent(QStringLiteral("A1"), QStringLiteral("甲"), classOfTen::Class);
    twins.addStudent(QStringLiteral("a1"), QStringLiteral("乙"), classOfTen::Other);
    twins.addScore(2, QStringLiteral("A1"), classOfTen::Chinese, 70);
    twins.addScore(1, QStringLiteral("a1"), classOfTen::Maths, 90);
    const Snapshot both = readSnapshot(twins.path());
    QCOMPARE(both.scores.size(), size_t(4));
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(both.scores[size_t(i)].student, i / 2);
        QCOMPARE(both.scores[size_t(i)].course, i % 2 ? classOfTen::Chinese : classOfTen::Maths);
    }
    QCOMPARE(readSnapshot(twins.path(), classOfTen::Other).scores.size(), size_t(2));
}

void StatisticsTest::emptyAndMissingTables()
{
    fixture::DataDir dir;
    const Figures f = compute(readSnapshot(dir.path()), Marks());
    QVERIFY(f.courses.isEmpty());
    QVERIFY(f.students.empty());

    fixture::DataDir none(false);
    try {
        readSnapshot(none.path());
        QFAIL("read tables that are not there");
    } catch (const store::Error &e) {
        QVERIFY(!e.text().isEmpty());
    }
}

void StatisticsTest::marksRemembered()
{
    QTemporaryDir tmp;
    const QString saved = EnginePath;
    EnginePath = tmp.path() + u'/';
    QCOMPARE(loadMarks().pass, 60);
    QCOMPARE(loadMarks().excellent, 85);
    QVERIFY(saveMarks({50, 80, true}));
    const Marks back = loadMarks();
    QCOMPARE(back.pass, 50);
    QCOMPARE(back.excellent, 80);
    QCOMPARE(back.rankIncomplete, true);
    // A file edited by hand into nonsense gives the defaults back.
    QSettings(settingsFile(), QSettings::IniFormat).setValue(QStringLiteral("Marks/Pass"), QStringLiteral("六十"));
    QCOMPARE(loadMarks().pass, 60);
    EnginePath = saved;
}

QTEST_GUILESS_MAIN(StatisticsTest)
#include "test_statistics.moc"
