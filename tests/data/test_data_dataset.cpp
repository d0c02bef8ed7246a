// Cursor, editing and master-detail rules of table datasets.
#include "db/Codepage.h"
#include "data/DataSet.h"
#include "db/Engines.h"
#include "office/Schema.h"
#include "tests/support/Fixture.h"
#include "data/Table.h"
#include "data/DataSource.h"

#include <QtTest>

using namespace store;
namespace sch = store::schema;

class DataSetTest : public QObject {
    Q_OBJECT
private slots:
    void textIsCutToFieldBytes_data();
    void textIsCutToFieldBytes();
    void cursorWalk();
    void emptyTableFlagsAndErrors();
    void moveOrRefreshPostsChangedAndDropsUnchanged();
    void editOnEmptyStartsNewRecordAndCountExcludesIt();
    void deleteMovesToFollowingOrLast();
    void fixedFieldListAndPositions();
    void integerAndDateFields();
    void masterDetailFollowsCaseInsensitively();
    void datasetsOnOneFileAgree();
    void renumberKeepsOrderAndFindKeySeesNewNumbers();
    void detailAppendCarriesMasterValue();
};

void DataSetTest::textIsCutToFieldBytes_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("stored");
    const QString sixty(60, u'x');
    QTest::newRow("60 ascii bytes keep 50") << sixty << QString(50, u'x');
    QTest::newRow("26 chinese keep 25") << QString(26, u'中') << QString(25, u'中');
    // 1 + 2*25 = 51 bytes: the last character would be cut in half, so it goes.
    QTest::newRow("never half a character") << (u'a' + QString(25, u'中')) << (u'a' + QString(24, u'中'));
    QTest::newRow("fits unchanged") << QStringLiteral("张三 Li") << QStringLiteral("张三 Li");
}

void DataSetTest::textIsCutToFieldBytes()
{
    QFETCH(QString, input);
    QFETCH(QString, stored);
    fixture::DataDir dir;
    TTable t(QStringLiteral("Table_stud"));
    fixture::bindTable(t, dir, sch::StudentFile);
    t.open();
    t.append();
    t.fieldByName(QStringLiteral("姓名")).setAsString(input);
    t.post();
    commitAll();
    const auto rows = dir.rows(sch::StudentFile, QStringLiteral("SELECT 姓名 FROM $T"));
    QCOMPARE(rows.first().first().toString(), stored);
    QVERIFY(cp936::byteLength(stored) <= 50);
}

void DataSetTest::cursorWalk()
{
    fixture::DataDir dir;
    for (int i = 1; i <= 3; ++i)
        dir.addStudent(QString::number(i), QStringLiteral("学生%1").arg(i));
    TTable t(QStringLiteral("Table_stud"));
    fixture::bindTable(t, dir, sch::StudentFile);
    t.open();
    QCOMPARE(t.recordCount(), 3);
    QCOMPARE(t.recNo(), 1);
    QVERIFY(!t.eof());
    QStringList seen;
    for (t.first(); !t.eof(); t.next())
        seen << t.fieldByName(QStringLiteral("学号")).asString();
    QCOMPARE(seen, QStringList({"1", "2", "3"}));
    QCOMPARE(t.recNo(), 3); // next on the last record sets end of data and stays
    t.prior();
    QCOMPARE(t.recNo(), 2);
    t.last();
    QVERIFY(t.eof());
    t.setRecNo(2);
    QCOMPARE(t.fieldByName(QStringLiteral("姓名")).asString(), QStringLiteral("学生2"));
    t.moveBy(-5);
    QCOMPARE(t.recNo(), 1);
    QVERIFY(t.bof());
}

void DataSetTest::emptyTableFlagsAndErrors()
{
    fixture::DataDir dir;
    TTable t(QStringLiteral("Table_Class"));
    fixture::bindTable(t, dir, sch::ClassFile);
    try {
        t.recordCount();
        QFAIL("a closed dataset must refuse");
    } catch (const Error &e) {
        QCOMPARE(e.text(), QStringLiteral("Table_Class: 无法在关闭的数据集上执行该操作"));
    }
    t.open();
    QVERIFY(t.eof());
    QCOMPARE(t.recordCount(), 0);
    QCOMPARE(t.recNo(), 0);
    try {
        t.del();
        QFAIL("delete on empty must refuse");
    } catch (const Error &e) {
        QCOMPARE(e.text(), QStringLiteral("Table_Class: 无法在空数据集上执行该操作"));
    }
    try {
        t.post();
        QFAIL("post in browse must refuse");
    } catch (const Error &e) {
        QCOMPARE(e.text(), QStringLiteral("Table_Class: 数据集不在修改或插入模式"));
    }
    QCOMPARE(t.fieldByName(QStringLiteral("班号")).asString(), QString());
}

void DataSetTest::moveOrRefreshPostsChangedAndDropsUnchanged()
{
    fixture::DataDir dir;
    dir.addClass(QStringLiteral("1"), QStringLiteral("一班"));
    dir.addClass(QStringLiteral("2"), QStringLiteral("二班"));
    TTable t(QStringLiteral("Table_Class"));
    fixture::bindTable(t, dir, sch::ClassFile);
    t.open();
    t.edit();
    t.fieldByName(QStringLiteral("班级名称")).setAsString(QStringLiteral("甲班"));
    t.next(); // writes the change of the record left
    QCOMPARE(t.state(), DataSetState::Browse);
    t.edit(); // unchanged: dropped by the move
    t.first();
    QCOMPARE(t.fieldByName(QStringLiteral("班级名称")).asString(), QStringLiteral("甲班"));
    t.append();
    t.refresh(); // an untouched new record is dropped
    QCOMPARE(t.recordCount(), 2);
    t.append();
    t.fieldByName(QStringLiteral("班号")).setAsString(QStringLiteral("3"));
    t.refresh(); // a changed one is written
    QCOMPARE(t.recordCount(), 3);
    t.edit();
    t.fieldByName(QStringLiteral("班级名称")).setAsString(QStringLiteral("丙"));
    t.cancel();
    commitAll();
    const auto names = dir.rows(sch::ClassFile, QStringLiteral("SELECT 班级名称 FROM $T ORDER BY rowid"));
    QCOMPARE(names.size(), 3);
    QCOMPARE(names[0][0].toString(), QStringLiteral("甲班"));
    QVERIFY(names[2][0].isNull());
}

void DataSetTest::editOnEmptyStartsNewRecordAndCountExcludesIt()
{
    fixture::DataDir dir;
    TTable t(QStringLiteral("Table_stud"));
    fixture::bindTable(t, dir, sch::StudentFile);
    t.open();
    t.edit();
    QCOMPARE(t.state(), DataSetState::Insert);
    QCOMPARE(t.recordCount(), 0);
    t.fieldByName(QStringLiteral("学号")).setAsString(QStringLiteral("S1"));
    t.del(); // delete during insert discards
    QCOMPARE(t.state(), DataSetState::Browse);
    QCOMPARE(t.recordCount(), 0);
    t.edit();
    t.fieldByName(QStringLiteral("学号")).setAsString(QStringLiteral("S1"));
    t.post();
    QCOMPARE(t.recordCount(), 1);
    // The table fills the sequence number it owns.
    QCOMPARE(t.findField(QStringLiteral("序号"))->asInteger(), 1);
}

void DataSetTest::deleteMovesToFollowingOrLast()
{
    fixture::DataDir dir;
    for (int i = 1; i <= 3; ++i)
        dir.addCourse(QString::number(i), QStringLiteral("课%1").arg(i));
    TTable t(QStringLiteral("Table_Object"));
    fixture::bindTable(t, dir, sch::CourseFile);
    t.open();
    t.setRecNo(2);
    t.del();
    QCOMPARE(t.fieldByName(QStringLiteral("课程号")).asString(), QStringLiteral("3"));
    t.del();
    QCOMPARE(t.fieldByName(QStringLiteral("课程号")).asString(), QStringLiteral("1"));
    QCOMPARE(t.recordCount(), 1);
}

void DataSetTest::fixedFieldListAndPositions()
{
    fixture::DataDir dir;
    dir.addCourse(QStringLiteral("C1"), QStringLiteral("数学"));
    TTable t(QStringLiteral("Table_Object"));
    fixture::bindTable(t, dir, sch::CourseFile);
    t.setFieldList({QStringLiteral("课程号"), QStringLiteral("课程名称")});
    t.open();
    QCOMPARE(t.fieldCount(), 2);
    QCOMPARE(t.fields(1).asString(), QStringLiteral("数学"));
    QVERIFY(!t.findField(QStringLiteral("序号")));
}

void DataSetTest::integerAndDateFields()
{
    fixture::DataDir dir;
    TTable s(QStringLiteral("Table_Scroce_2"));
    fixture::bindTable(s, dir, sch::ScoreFile);
    s.open();
    s.append();
    s.fieldByName(QStringLiteral("序号")).setAsInteger(1);
    s.fieldByName(QStringLiteral("成绩")).setAsString(QStringLiteral("88"));
    s.post();
    QCOMPARE(s.fieldByName(QStringLiteral("成绩")).asInteger(), 88);
    QCOMPARE(s.fieldByName(QStringLiteral("第一次补考成绩")).asString(), QString()); // NULL reads as empty
    QVERIFY(s.fieldByName(QStringLiteral("第一次补考成绩")).isNull());

    TTable t(QStringLiteral("Table_stud"));
    fixture::bindTable(t, dir, sch::StudentFile);
    t.open();
    t.append();
    t.fieldByName(QStringLiteral("出生日期")).setAsDateTime(QDateTime(QDate(2003, 4, 23), QTime(0, 0)));
    t.fieldByName(QStringLiteral("入学日期")).setAsString(QStringLiteral("2020-9-1 8:30"));
    t.post();
    QCOMPARE(t.fieldByName(QStringLiteral("出生日期")).asString(), QStringLiteral("2003-04-23"));
    QCOMPARE(t.fieldByName(QStringLiteral("入学日期")).asString(), QStringLiteral("2020-09-01 08:30:00"));
}

void DataSetTest::masterDetailFollowsCaseInsensitively()
{
    fixture::DataDir dir;
    dir.addStudent(QStringLiteral("s1"), QStringLiteral("甲"));
    dir.addStudent(QStringLiteral("S2"), QStringLiteral("乙"));
    dir.addScore(1, QStringLiteral("S1"), QStringLiteral("数学"), 90);
    dir.addScore(2, QStringLiteral("s2"), QStringLiteral("语文"), 80);
    dir.addScore(3, QStringLiteral("s1"), QStringLiteral("英语"), 70);
    TTable stud(QStringLiteral("Table_stud"));
    fixture::bindTable(stud, dir, sch::StudentFile);
    TDataSource ds(QStringLiteral("DS_Stud"), &stud);
    TTable sc(QStringLiteral("Table_Scroce_1"));
    fixture::bindTable(sc, dir, sch::ScoreFile);
    sc.setIndexName(QStringLiteral("index_StudNo"));
    sc.setMasterSource(&ds, QStringLiteral("学号"));
    sc.open();
    QCOMPARE(sc.recordCount(), 0); // master not open yet: nothing belongs
    stud.open();
    QCOMPARE(sc.recordCount(), 2);
    QCOMPARE(sc.recNo(), 1);
    QCOMPARE(sc.fieldByName(QStringLiteral("科目")).asString(), QStringLiteral("数学"));
    stud.next();
    QCOMPARE(sc.recordCount(), 1);
    QCOMPARE(sc.fieldByName(QStringLiteral("科目")).asString(), QStringLiteral("语文"));
    stud.next(); // end of data on the last student: the detail stays
    QCOMPARE(sc.recordCount(), 1);
}

void DataSetTest::datasetsOnOneFileAgree()
{
    fixture::DataDir dir;
    dir.addStudent(QStringLiteral("A"), QStringLiteral("甲"));
    for (int i = 1; i <= 4; ++i)
        dir.addScore(i, QStringLiteral("A"), QStringLiteral("科%1").arg(i), 60 + i);
    TTable stud(QStringLiteral("Table_stud"));
    fixture::bindTable(stud, dir, sch::StudentFile);
    TDataSource ds(QStringLiteral("DS_Stud"), &stud);
    TTable detail(QStringLiteral("Table_Scroce_1"));
    fixture::bindTable(detail, dir, sch::ScoreFile);
    detail.setIndexName(QStringLiteral("index_StudNo"));
    detail.setMasterSource(&ds, QStringLiteral("学号"));
    TTable all(QStringLiteral("Table_Scroce_2"));
    fixture::bindTable(all, dir, sch::ScoreFile);
    stud.open();
    detail.open();
    all.open();
    detail.setRecNo(3);
    QCOMPARE(detail.fieldByName(QStringLiteral("序号")).asInteger(), 3);
    all.first();
    all.del(); // through the whole table
    QCOMPARE(detail.recordCount(), 3);
    // The detail kept its record (formerly third, now second).
    QCOMPARE(detail.fieldByName(QStringLiteral("科目")).asString(), QStringLiteral("科3"));
    all.first();
    for (int i = 1, n = all.recordCount(); i <= n; ++i) {
        all.edit();
        all.fieldByName(QStringLiteral("序号")).setAsInteger(i);
        all.next();
    }
    QCOMPARE(detail.fieldByName(QStringLiteral("序号")).asInteger(), 2);
    QCOMPARE(detail.valueAt(0, detail.fieldByName(QStringLiteral("序号")).index()).toInt(), 1);
}

void DataSetTest::renumberKeepsOrderAndFindKeySeesNewNumbers()
{
    fixture::DataDir dir;
    const int seqs[] = {1, 2, 4, 5, 9};
    for (int s : seqs)
        dir.addPlan(s, QStringLiteral("C%1").arg(s));
    TTable t(QStringLiteral("Table_Object_Jh2"));
    fixture::bindTable(t, dir, sch::PlanFile);
    t.open();
    t.first();
    const int n = t.recordCount();
    for (int i = 1; i <= n; ++i) {
        t.edit();
        t.fieldByName(QStringLiteral("序号")).setAsInteger(i);
        t.next();
    }
    commitAll();
    const auto rows = dir.rows(sch::PlanFile, QStringLiteral("SELECT 序号, 课程号 FROM $T ORDER BY 序号"));
    QStringList got;
    for (const auto &r : rows)
        got << QStringLiteral("%1:%2").arg(r[0].toInt()).arg(r[1].toString());
    QCOMPARE(got, QStringList({"1:C1", "2:C2", "3:C4", "4:C5", "5:C9"}));
    QVERIFY(t.findKey(4));
    QCOMPARE(t.fieldByName(QStringLiteral("课程号")).asString(), QStringLiteral("C5"));
    QVERIFY(!t.findKey(9));
    QCOMPARE(t.fieldByName(QStringLiteral("课程号")).asString(), QStringLiteral("C5"));
}

void DataSetTest::detailAppendCarriesMasterValue()
{
    fixture::DataDir dir;
    dir.addCourse(QStringLiteral("C7"), QStringLiteral("物理"));
    TTable course(QStringLiteral("Table_Object"));
    fixture::bindTable(course, dir, sch::CourseFile);
    TDataSource src(QStringLiteral("DS_Object"), &course);
    TTable plan(QStringLiteral("Table_Object_Jh"));
    fixture::bindTable(plan, dir, sch::PlanFile);
    plan.setIndexName(QStringLiteral("index_ClassNo"));
    plan.setMasterSource(&src, QStringLiteral("课程号"));
    course.open();
    plan.open();
    plan.edit(); // empty detail: a new record of this course
    QCOMPARE(plan.state(), DataSetState::Insert);
    plan.fieldByName(QStringLiteral("序号")).setAsInteger(1);
    plan.fieldByName(QStringLiteral("总学时")).setAsString(QStringLiteral("64"));
    plan.post();
    QCOMPARE(plan.recordCount(), 1);
    QCOMPARE(plan.fieldByName(QStringLiteral("课程号")).asString(), QStringLiteral("C7"));
}

QM_TEST_MAIN(DataSetTest)
#include "test_data_dataset.moc"
