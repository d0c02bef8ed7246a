// The set-based deletion and renumbering against the record-by-record walk on
// the same data, and the windowed cursor over tables larger than its window.
#include "store/Engine.h"
#include "store/Schema.h"
#include "store/Walk.h"
#include "tests/support/Fixture.h"

#include <QtTest>

using namespace store;
namespace sch = store::schema;

class BulkTest : public QObject {
    Q_OBJECT
private slots:
    void init() { resetEngines(); }
    void setBasedDeletionStoresWhatTheWalkStores_data();
    void setBasedDeletionStoresWhatTheWalkStores();
    void cursorOverManyRecords();
    void queryKeepsItsResultOverManyRecords();
};

namespace {

// Scores numbered as given, owned as given; a null owner has no 学号.
void fill(fixture::DataDir &dir, const QList<int> &numbers, const QStringList &owners)
{
    if (owners.isEmpty())
        return;
    QStringList rows;
    QVariantList params;
    for (int i = 0; i < owners.size(); ++i) {
        rows << QStringLiteral("(?, ?, ?, ?)");
        params << numbers[i] << (owners[i].isNull() ? QVariant() : QVariant(owners[i])) << QStringLiteral("科%1").arg(i) << i;
    }
    dir.exec(sch::ScoreFile, QStringLiteral("INSERT INTO $T(序号, 学号, 科目, 成绩) VALUES ") + rows.join(u','), params);
}

QStringList stored(fixture::DataDir &dir)
{
    QStringList out;
    for (const auto &r : dir.rows(sch::ScoreFile, QStringLiteral("SELECT rowid, * FROM $T ORDER BY rowid"))) {
        QStringList cells;
        for (const QVariant &v : r)
            cells << (v.isNull() ? QStringLiteral("<null>") : v.toString());
        out << cells.join(u'|');
    }
    out << QStringLiteral("high water %1").arg(dir.rows(sch::ScoreFile, QStringLiteral("PRAGMA user_version"))[0][0].toInt());
    return out;
}

struct Outcome {
    QStringList files;
    int recNo = 0;
    bool eof = false;
    int refreshed = 0;
};

Outcome run(const QList<int> &numbers, const QStringList &owners, const QString &gone, bool recordByRecord)
{
    fixture::DataDir dir;
    fill(dir, numbers, owners);
    Outcome o;
    {
        TTable t(QStringLiteral("Table_Scroce_2"));
        t.setTableName(dir.path() + sch::ScoreFile);
        t.setIndexName(QStringLiteral("primary"));
        t.open();
        if (recordByRecord)
            t.beforePost = [](DataSet &) {}; // watched record by record: the literal walk
        deleteMatchingAndRenumber(t, QStringLiteral("学号"), gone, QStringLiteral("序号"), [&] { ++o.refreshed; });
        o.recNo = t.recNo();
        o.eof = t.eof();
        commitAll();
    }
    resetEngines();
    o.files = stored(dir);
    return o;
}

} // namespace

void BulkTest::setBasedDeletionStoresWhatTheWalkStores_data()
{
    QTest::addColumn<QList<int>>("numbers");
    QTest::addColumn<QStringList>("owners");
    QTest::addColumn<QString>("gone");
    const QList<int> four{1, 2, 3, 4};
    QTest::newRow("first") << four << QStringList{"S1", "S2", "S3", "S4"} << "S1";
    QTest::newRow("last") << four << QStringList{"S1", "S2", "S3", "S4"} << "S4";
    QTest::newRow("middle, apart") << four << QStringList{"S1", "S2", "S3", "S2"} << "S2";
    QTest::newRow("none") << four << QStringList{"S1", "S2", "S3", "S4"} << "S9";
    QTest::newRow("all") << four << QStringList{"S1", "S1", "S1", "S1"} << "S1";
    QTest::newRow("case only") << four << QStringList{"s1", "S1", "S1", "s1"} << "S1";
    QTest::newRow("blanks around") << four << QStringList{" S1", "S1", "S1 ", "S1"} << "S1";
    QTest::newRow("empty number: empty and none") << four << QStringList{"", "S1", QString(), "S2"} << "";
    QTest::newRow("numbers with gaps, nothing deleted") << QList<int>{2, 5, 9, 11} << QStringList{"A", "B", "C", "D"} << "X";
    QTest::newRow("numbers with gaps") << QList<int>{3, 4, 8, 20} << QStringList{"A", "B", "A", "D"} << "B";
    QTest::newRow("stored order differs from number order") << QList<int>{4, 1, 3, 2} << QStringList{"A", "B", "A", "C"} << "B";
    QTest::newRow("empty table") << QList<int>{} << QStringList{} << "S1";
    QList<int> many;
    QStringList owners;
    for (int i = 1; i <= 3000; ++i) {
        many << i;
        owners << QStringLiteral("S%1").arg(i % 700 == 0 ? 7 : i % 97);
    }
    QTest::newRow("3000 records, spread over the table") << many << owners << "S7";
}

void BulkTest::setBasedDeletionStoresWhatTheWalkStores()
{
    QFETCH(QList<int>, numbers);
    QFETCH(QStringList, owners);
    QFETCH(QString, gone);
    const Outcome walk = run(numbers, owners, gone, true);
    const Outcome fast = run(numbers, owners, gone, false);
    QCOMPARE(fast.files, walk.files);
    QCOMPARE(fast.recNo, walk.recNo);
    QCOMPARE(fast.eof, walk.eof);
    QCOMPARE(fast.refreshed > 0, walk.refreshed > 0);
    // Numbered 1 ... n afterwards, whatever the numbers were before.
    const int left = walk.files.size() - 1;
    QCOMPARE(walk.recNo, left);
    if (numbers.size() == 3000)
        QVERIFY(left < 3000 && left > 2900);
}

// More records than the window and the record cache hold: walks in both
// directions, jumps, and writes that move records, checked against the
// numbers stored.
void BulkTest::cursorOverManyRecords()
{
    fixture::DataDir dir;
    const int n = 3000;
    QList<int> numbers;
    QStringList owners;
    for (int i = 1; i <= n; ++i) {
        numbers << i;
        owners << QStringLiteral("S%1").arg(i % 3 ? 1 : 2);
    }
    fill(dir, numbers, owners);
    TTable t(QStringLiteral("Table_Scroce_2"));
    t.setTableName(dir.path() + sch::ScoreFile);
    t.setIndexName(QStringLiteral("primary"));
    t.open();
    TField &no = t.fieldByName(QStringLiteral("序号"));
    QCOMPARE(t.recordCount(), n);
    int seen = 0;
    for (t.first(); !t.eof(); t.next())
        QCOMPARE(no.asInteger(), ++seen);
    QCOMPARE(seen, n);
    for (t.last(); !t.bof(); t.prior())
        QCOMPARE(no.asInteger(), seen--);
    QCOMPARE(seen, 0);
    for (int recNo : {1700, 2999, 5, 1024, 1025, 3000, 1, 2048}) {
        t.setRecNo(recNo);
        QCOMPARE(no.asInteger(), recNo);
        QCOMPARE(t.displayAt(recNo - 1, 0), QString::number(recNo));
    }
    QVERIFY(t.findKey(2500));
    QCOMPARE(t.recNo(), 2500);

    // Deleting in the middle: the next record is current, the rest move up.
    t.setRecNo(1500);
    t.del();
    QCOMPARE(no.asInteger(), 1501);
    QCOMPARE(t.recNo(), 1500);
    QCOMPARE(t.recordCount(), n - 1);
    QCOMPARE(t.displayAt(2998, 0), QString::number(n));
    // A record given a number far ahead (the one just freed) moves there
    // and stays current.
    t.setRecNo(10);
    t.edit();
    no.setAsInteger(1500);
    t.post();
    QCOMPARE(no.asInteger(), 1500);
    QCOMPARE(t.recNo(), 1499);
    QCOMPARE(t.displayAt(9, 0), QStringLiteral("11"));
    // Renumbering record by record keeps every record in place.
    t.beforePost = [](DataSet &) {};
    renumber(t, QStringLiteral("序号"));
    QVERIFY(t.eof());
    QCOMPARE(t.recNo(), n - 1);
    commitAll();
    const auto rows = dir.rows(sch::ScoreFile, QStringLiteral("SELECT 序号, 成绩 FROM $T ORDER BY 序号"));
    QCOMPARE(rows.size(), n - 1);
    QCOMPARE(rows[8][1].toInt(), 8);     // the 9th score before the move
    QCOMPARE(rows[9][1].toInt(), 10);    // the 10th went on ahead
    QCOMPARE(rows[1498][1].toInt(), 9);  // to where 1500 was
    for (int i = 0; i < rows.size(); ++i)
        QCOMPARE(rows[i][0].toInt(), i + 1);

    // A detail larger than the window follows its master's records.
    TTable detail(QStringLiteral("Table_Scroce_1"));
    detail.setTableName(dir.path() + sch::ScoreFile);
    detail.setIndexName(QStringLiteral("index_StudNo"));
    TQuery master(QStringLiteral("Query_Stud"));
    dir.addStudent(QStringLiteral("s1"), QStringLiteral("甲"));
    master.setDatabaseName(dir.path());
    master.setSql(QStringLiteral("select * from 学生信息表.db"));
    TDataSource src(QStringLiteral("DS"), &master);
    detail.setMasterSource(&src, QStringLiteral("学号"));
    master.open();
    detail.open();
    const int ones = detail.recordCount();
    QCOMPARE(ones, int(dir.rows(sch::ScoreFile, QStringLiteral("SELECT count(*) FROM $T WHERE 学号 = 'S1'"))[0][0].toInt()));
    QVERIFY(ones > 1024);
    qint64 previous = 0;
    int count = 0;
    for (detail.first(); !detail.eof(); detail.next(), ++count) {
        QCOMPARE(detail.fieldByName(QStringLiteral("学号")).asString(), QStringLiteral("S1"));
        const qint64 id = detail.fieldByName(QStringLiteral("序号")).asInteger();
        QVERIFY(id != previous);
        previous = id;
    }
    QCOMPARE(count, ones);
}

// A query read on demand still shows what was stored when it opened, after
// this program changes and deletes records beyond its first window.
void BulkTest::queryKeepsItsResultOverManyRecords()
{
    fixture::DataDir dir;
    QStringList rows;
    QVariantList params;
    for (int i = 0; i < 2500; ++i) {
        rows << QStringLiteral("(?, ?)");
        params << QStringLiteral("N%1").arg(i) << QStringLiteral("名%1").arg(i);
    }
    dir.exec(sch::StudentFile, QStringLiteral("INSERT INTO $T(学号, 姓名) VALUES ") + rows.join(u','), params);
    TQuery q(QStringLiteral("Query_Stud"));
    q.setDatabaseName(dir.path());
    q.setSql(QStringLiteral("select * from 学生信息表.db where 姓名 like :Name"));
    q.setParamByName(QStringLiteral("Name"), QStringLiteral("%1%"));
    q.open();
    QStringList expected; // in stored order, as the query lists them
    for (int i = 0; i < 2500; ++i) {
        if (QString::number(i).contains(u'1'))
            expected << QStringLiteral("名%1").arg(i);
    }
    const int found = q.recordCount();
    QCOMPARE(found, expected.size());
    TTable t(QStringLiteral("Table_stud"));
    t.setTableName(dir.path() + sch::StudentFile);
    t.open();
    t.setRecNo(1201); // N1200
    t.edit();
    t.fieldByName(QStringLiteral("姓名")).setAsString(QStringLiteral("改"));
    t.post();
    t.setRecNo(1999); // N1998
    t.del();
    t.append();
    t.fieldByName(QStringLiteral("姓名")).setAsString(QStringLiteral("名1新"));
    t.post();
    QCOMPARE(q.recordCount(), found);
    for (const QString &name : {QStringLiteral("名1200"), QStringLiteral("名1998"), QStringLiteral("名1")}) {
        q.setRecNo(expected.indexOf(name) + 1);
        QCOMPARE(q.fieldByName(QStringLiteral("姓名")).asString(), name);
    }
    QStringList listed;
    for (q.first(); !q.eof(); q.next())
        listed << q.fieldByName(QStringLiteral("姓名")).asString();
    QCOMPARE(listed, expected);
    q.close();
    q.open();
    QCOMPARE(q.recordCount(), found - 2 + 1);
}

QTEST_MAIN(BulkTest)
#include "test_store_bulk.moc"
