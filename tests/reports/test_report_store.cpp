// Reports fed from the record layer's tables through the adapter.
#include "db/Engines.h"
#include "reports/engine/Report.h"
#include "reports/data/StoreReportData.h"
#include "data/DataSet.h"
#include "office/Schema.h"
#include "tools/CreateTables.h"
#include "tests/support/Fixture.h"
#include "data/Table.h"
#include "data/DataSource.h"

#include <QtTest>

using namespace report;
namespace sch = store::schema;

namespace {

// Students with their scores as a sub-detail that follows the student
// table through index_StudNo, like the score report.
struct ScoreTables {
    store::TTable students{QStringLiteral("Table1")};
    store::TDataSource source{QStringLiteral("DataSource1"), &students};
    store::TTable scores{QStringLiteral("Table2")};
    StoreReportData studentData{&students};
    StoreReportData scoreData{&scores};
    Report report;

    explicit ScoreTables(const QString &dir)
    {
        students.setDatabaseName(dir);
        students.setTableName(sch::StudentFile);
        scores.setDatabaseName(dir);
        scores.setTableName(sch::ScoreFile);
        scores.setIndexName(QStringLiteral("index_StudNo"));
        scores.setMasterSource(&source, QStringLiteral("学号"));

        report.setMaster(&studentData);
        Band &detail = report.addBand(BandKind::Detail, 10.6);
        detail.addDataText(9.5, 3.2, QStringLiteral("姓名"));
        Band &sub = report.addSubDetail(&scoreData, 10.6);
        sub.addDataText(47.6, 3.2, QStringLiteral("科目"));
        sub.addDataText(92.1, 3.2, QStringLiteral("成绩"));
        sub.addDataText(110.1, 3.2, QStringLiteral("第一次补考成绩"));
        report.addBand(BandKind::Summary, 10.6).addExpression(2, 3, QStringLiteral("'共有 '+COUNT"));
    }

    // Each band's texts joined by "|", one entry per band.
    QStringList rows()
    {
        QStringList out;
        for (const ReportPage &page : report.prepare().pages) {
            for (const PlacedBand &b : page.bands) {
                QStringList texts;
                for (const PageItem &it : page.items) {
                    if (it.kind == PageItem::Text && it.y >= b.top && it.y < b.top + b.height)
                        texts << it.text;
                }
                out << texts.join(QLatin1Char('|'));
            }
        }
        return out;
    }
};

} // namespace

class TestReportStore : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void subDetailFollowsTheStudent();
    void datesAndNumbers();
    void tableThatFailedToOpen();
};

void TestReportStore::cleanup()
{
    store::resetEngines();
}

void TestReportStore::subDetailFollowsTheStudent()
{
    fixture::DataDir dir;
    dir.addStudent(QStringLiteral("s1"), QStringLiteral("甲"));
    dir.addStudent(QStringLiteral("S2"), QStringLiteral("乙"));
    dir.addStudent(QStringLiteral("s3"), QStringLiteral("丙"));
    dir.addScore(1, QStringLiteral("S1"), QStringLiteral("数学"), 90);
    dir.addScore(2, QStringLiteral("s2"), QStringLiteral("语文"), 80, 61);
    dir.addScore(3, QStringLiteral("s1"), QStringLiteral("英语"), 70);
    dir.addScore(4, QStringLiteral("x9"), QStringLiteral("物理"), 50); // belongs to no student

    ScoreTables t(dir.path());
    t.students.open();
    t.scores.open();
    QCOMPARE(t.rows(), (QStringList{"甲", "数学|90", "英语|70", "乙", "语文|80|61", "丙", "", "共有 3"}));
}

void TestReportStore::datesAndNumbers()
{
    fixture::DataDir dir;
    dir.addStudent(QStringLiteral("1"), QStringLiteral("甲"));
    dir.addStudent(QStringLiteral("2"), QStringLiteral("乙"));
    dir.exec(sch::StudentFile, QStringLiteral("UPDATE $T SET 出生日期 = ?1, 入学日期 = ?2 WHERE 学号 = '1'"),
             {QStringLiteral("1985-02-03"), QStringLiteral("2003-09-01 10:30:00")});

    store::TTable students(QStringLiteral("Table_Stud_Out"));
    students.setDatabaseName(dir.path());
    students.setTableName(sch::StudentFile);
    students.open();
    StoreReportData data(&students);
    Report r;
    r.setMaster(&data);
    Band &detail = r.addBand(BandKind::Detail, 10.6);
    for (const char *field : {"学号", "出生日期", "入学日期"})
        detail.addDataText(0, 0, QString::fromUtf8(field));

    const ReportDocument doc = r.prepare();
    QCOMPARE(doc.pages.at(0).texts(BandKind::Detail),
             (QStringList{"1", "1985-02-03", "2003-09-01 10:30:00", "2"}));
}

void TestReportStore::tableThatFailedToOpen()
{
    // The score table file is missing: its dataset stays closed.
    fixture::DataDir dir(false);
    tools::createTableFile(dir.path(), sch::StudentFile);
    dir.addStudent(QStringLiteral("s1"), QStringLiteral("甲"));
    dir.addStudent(QStringLiteral("s2"), QStringLiteral("乙"));

    ScoreTables t(dir.path());
    t.students.open();
    QVERIFY_THROWS_EXCEPTION(store::Error, t.scores.open());
    QVERIFY(!t.scores.active());
    QCOMPARE(t.rows(), (QStringList{"甲", "", "乙", "", "共有 2"}));

    // With the student table closed as well, one empty row of each.
    t.students.close();
    QCOMPARE(t.rows(), (QStringList{"", "", "共有 0"}));
}

QM_TEST_MAIN(TestReportStore)
#include "test_report_store.moc"
