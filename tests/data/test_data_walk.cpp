// Whole-dataset walks shared by the windows.
#include "db/Engines.h"
#include "office/Schema.h"
#include "data/Walk.h"
#include "tests/support/Fixture.h"
#include "data/Table.h"

#include <QtTest>

using namespace store;
namespace sch = store::schema;

class WalkTest : public QObject {
    Q_OBJECT
private slots:
    void deleteMatchingThenRenumber_data();
    void deleteMatchingThenRenumber();
    void listAndScanLeaveTheCursorWhereWindowsExpect();
};

void WalkTest::deleteMatchingThenRenumber_data()
{
    QTest::addColumn<QStringList>("owners"); // 学号 of the scores numbered 1..n
    QTest::addColumn<QString>("gone");
    QTest::addColumn<QStringList>("left");
    QTest::newRow("adjacent") << QStringList{"A", "B", "B", "C"} << "B" << QStringList{"1:A", "2:C"};
    QTest::newRow("apart, first and last") << QStringList{"B", "A", "C", "B"} << "B" << QStringList{"1:A", "2:C"};
    QTest::newRow("none of his") << QStringList{"A", "C"} << "B" << QStringList{"1:A", "2:C"};
    QTest::newRow("case counts") << QStringList{"b", "B"} << "B" << QStringList{"1:b"};
    QTest::newRow("all of them") << QStringList{"B", "B"} << "B" << QStringList{};
}

void WalkTest::deleteMatchingThenRenumber()
{
    QFETCH(QStringList, owners);
    QFETCH(QString, gone);
    QFETCH(QStringList, left);
    fixture::DataDir dir;
    for (int i = 0; i < owners.size(); ++i)
        dir.addScore(i + 1, owners[i], QStringLiteral("科%1").arg(i), 60);
    TTable t(QStringLiteral("Table_Scroce_2"));
    t.setTableName(dir.path() + sch::ScoreFile);
    t.open();
    int refreshed = 0;
    deleteMatching(t, QStringLiteral("学号"), gone, [&] { ++refreshed; });
    QCOMPARE(refreshed, int(owners.count(gone)));
    renumber(t, QStringLiteral("序号"));
    commitAll();
    QStringList got;
    for (const auto &r : dir.rows(sch::ScoreFile, QStringLiteral("SELECT 序号, 学号 FROM $T ORDER BY 序号")))
        got << QStringLiteral("%1:%2").arg(r[0].toInt()).arg(r[1].toString());
    QCOMPARE(got, left);
}

void WalkTest::listAndScanLeaveTheCursorWhereWindowsExpect()
{
    fixture::DataDir dir;
    dir.addClass(QStringLiteral("01"), QStringLiteral("一班"));
    dir.addClass(QStringLiteral("02"), QStringLiteral("二班"));
    dir.addClass(QStringLiteral("03"), QStringLiteral("一班"));
    TTable t(QStringLiteral("Table_Class"));
    t.setTableName(dir.path() + sch::ClassFile);
    t.setFieldList({QStringLiteral("班号"), QStringLiteral("班级名称")});
    t.open();
    t.last();
    QCOMPARE(fieldTexts(t, 1), QStringList({"一班", "二班", "一班"}));
    QCOMPARE(t.recNo(), 1);
    QVERIFY(containsText(t, QStringLiteral("班号"), QStringLiteral("01")));
    QVERIFY(t.eof());
    QCOMPARE(t.recNo(), 3);
    QVERIFY(!containsText(t, QStringLiteral("班号"), QStringLiteral("01 ")));
    QVERIFY(!containsText(t, QStringLiteral("班号"), QString()));
}

QM_TEST_MAIN(WalkTest)
#include "test_data_walk.moc"
