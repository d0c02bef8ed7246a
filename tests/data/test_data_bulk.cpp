// The set-based deletion and renumbering against the record-by-record walk on
// the same data, and the windowed cursor over tables larger than its window:
// every field read on walks, jumps, edits and deletions across the window's
// edges, in key order and in a secondary index's order.
#include "db/Engine.h"
#include "db/Engines.h"
#include "office/Schema.h"
#include "data/Walk.h"
#include "tests/support/Fixture.h"
#include "data/Table.h"
#include "data/Query.h"
#include "data/DataSource.h"

#include <QtTest>

#include <algorithm>

using namespace store;
namespace sch = store::schema;

class BulkTest : public QObject {
    Q_OBJECT
private slots:
    void init() { resetEngines(); }
    void setBasedDeletionStoresWhatTheWalkStores_data();
    void setBasedDeletionStoresWhatTheWalkStores();
    void cursorOverManyRecords();
    void everyFieldAcrossWindowEdges_data();
    void everyFieldAcrossWindowEdges();
    void queryKeepsItsResultOverManyRecords();
};

namespace {

// Scores numbered as given, owned as given; a null owner has no 学号.
void fill(fixture::DataDir &dir, const QList<int> &numbers, const QStringList &owners)
{
    QList<QVariantList> rows;
    for (int i = 0; i < owners.size(); ++i) {
        const QVariant owner = owners[i].isNull() ? QVariant() : QVariant(owners[i]);
        rows << QVariantList{numbers[i], owner, QStringLiteral("科%1").arg(i), i};
    }
    dir.insert(sch::ScoreFile, {QStringLiteral("序号"), QStringLiteral("学号"), QStringLiteral("科目"), QStringLiteral("成绩")},
               rows);
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
    out << QStringLiteral("high water %1").arg(dir.highWater(sch::ScoreFile));
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

// A score record as the test expects it: the row id it is stored under and
// its six fields in file order.
struct Score {
    qint64 rowid = 0;
    QVariantList values;
};

const QStringList ScoreFields{QStringLiteral("序号"), QStringLiteral("学号"), QStringLiteral("科目"),
                              QStringLiteral("成绩"), QStringLiteral("第一次补考成绩"), QStringLiteral("第二次补考成绩")};

// 3,000 scores whose number order, owner order and stored order all differ:
// the numbers are a permutation, each owner has about thirteen scores in
// both letter cases, every tenth score has no owner (more of them than a
// chunk of the window, so walks cross between the two groups) and every
// seventh no first make-up score.
QList<Score> manyScores()
{
    QList<Score> out;
    for (int i = 0; i < 3000; ++i) {
        const QString number = QStringLiteral("%1").arg((i * 13) % 211, 3, 10, QChar(u'0'));
        const QVariant owner = i % 10 == 9 ? QVariant() : QVariant(QChar(i % 3 ? u'S' : u's') + number);
        out << Score{i + 1, {(i * 7) % 3000 + 1, owner, QStringLiteral("科目%1").arg(i), i % 101,
                             i % 7 ? QVariant(i % 61) : QVariant(), -i}};
    }
    return out;
}

// The order a table shows the scores in: by number, or (index_StudNo) by
// owner regardless of ASCII letter case, scores without an owner first and
// equal owners in stored order.
void orderFor(const QString &index, QList<Score> &scores)
{
    const bool byOwner = index == QLatin1String("index_StudNo");
    std::sort(scores.begin(), scores.end(), [byOwner](const Score &a, const Score &b) {
        if (!byOwner)
            return a.values[0].toInt() < b.values[0].toInt();
        const QVariant &x = a.values[1], &y = b.values[1];
        if (x.isNull() != y.isNull())
            return x.isNull();
        const QString kx = x.toString().toLower(), ky = y.toString().toLower();
        return kx != ky ? kx < ky : a.rowid < b.rowid;
    });
}

// The table's cursor as the test expects it.
struct Cursor {
    QString index;
    QList<Score> scores; // in the table's order
    int pos = 0;
    bool flagsKnown = false;
    bool eof = false, bof = false;

    void at(int p, bool e, bool b)
    {
        pos = p;
        eof = e;
        bof = b;
        flagsKnown = true;
    }
    int find(qint64 rowid) const
    {
        for (int i = 0; i < scores.size(); ++i) {
            if (scores[i].rowid == rowid)
                return i;
        }
        return -1;
    }
};

// Every field of the current record against the expected score.
void checkCurrent(TTable &t, const Cursor &c, const QString &step)
{
    const QByteArray where = step.toUtf8();
    QVERIFY2(t.recNo() == c.pos + 1, where + ": at " + QByteArray::number(t.recNo()));
    if (c.flagsKnown) {
        QVERIFY2(t.eof() == c.eof, where);
        QVERIFY2(t.bof() == c.bof, where);
    }
    const Score &s = c.scores[c.pos];
    for (int f = 0; f < ScoreFields.size(); ++f) {
        const TField &field = t.fieldByName(ScoreFields[f]);
        const QByteArray what = where + ", " + ScoreFields[f].toUtf8() + " of score " + QByteArray::number(s.rowid);
        QVERIFY2(field.isNull() == s.values[f].isNull(), what);
        QVERIFY2(field.asString() == (s.values[f].isNull() ? QString() : s.values[f].toString()),
                 what + ": " + field.asString().toUtf8());
    }
}

// One step of a case on the table and on the expected cursor; every record
// the cursor passes is checked.
void runStep(TTable &t, Cursor &c, const QString &step)
{
    const QStringList w = step.split(u' ');
    const QString op = w[0];
    const int n = c.scores.size();
    const int arg = w.value(1).toInt();
    if (op == QLatin1String("first")) {
        t.first();
        c.at(0, false, true);
    } else if (op == QLatin1String("last")) {
        t.last();
        c.at(n - 1, true, false);
    } else if (op == QLatin1String("next") || op == QLatin1String("prior")) {
        const bool forward = op == QLatin1String("next");
        for (int i = 0; i < arg && !QTest::currentTestFailed(); ++i) {
            forward ? t.next() : t.prior();
            if (forward)
                c.pos + 1 < n ? c.at(c.pos + 1, false, false) : c.at(c.pos, true, false);
            else
                c.pos > 0 ? c.at(c.pos - 1, false, false) : c.at(c.pos, false, true);
            checkCurrent(t, c, step);
        }
        return;
    } else if (op == QLatin1String("by")) {
        t.moveBy(arg);
        const int target = c.pos + arg;
        if (target < 0)
            c.at(0, false, true);
        else if (target >= n)
            c.at(n - 1, true, false);
        else
            c.at(target, false, false);
    } else if (op == QLatin1String("recno")) {
        t.setRecNo(arg);
        c.pos = std::clamp(arg, 1, n) - 1;
        c.flagsKnown = false;
    } else if (op == QLatin1String("key")) {
        // A number no longer stored is not found, and the cursor stays.
        int found = -1;
        for (int i = 0; i < n; ++i) {
            if (c.scores[i].values[0].toInt() == arg)
                found = i;
        }
        QVERIFY2(t.findKey(arg) == (found >= 0), qPrintable(step));
        if (found >= 0)
            c.at(found, false, false);
    } else if (op == QLatin1String("set")) {
        const int f = ScoreFields.indexOf(w[1]);
        const bool text = f == 1 || f == 2;
        const QVariant value = w[2] == QLatin1String("null") ? QVariant()
                               : text                        ? QVariant(w[2])
                                                             : QVariant(w[2].toInt());
        t.edit();
        value.isNull() ? t.fields(f).clear() : t.fields(f).setAsString(w[2]);
        t.post();
        const qint64 rowid = c.scores[c.pos].rowid;
        c.scores[c.pos].values[f] = value;
        orderFor(c.index, c.scores);
        c.pos = c.find(rowid);
        c.flagsKnown = false;
    } else if (op == QLatin1String("del")) {
        t.del();
        c.scores.removeAt(c.pos);
        c.pos = std::min(c.pos, int(c.scores.size()) - 1);
        c.flagsKnown = false;
    } else if (op == QLatin1String("order")) {
        t.close();
        t.setIndexName(w[1]);
        t.open();
        c.index = w[1];
        orderFor(c.index, c.scores);
        c.pos = 0;
        c.flagsKnown = false;
    } else {
        QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
    }
    checkCurrent(t, c, step);
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

// A table of steps over 3,000 scores, more than the window holds: walks that
// cross its edges both ways, jumps far and near, and edits and deletions at
// the edges, in number order and in the owners' index order; after each step
// the record under the cursor is read field by field, and at the end the
// whole table in both directions and the file as stored.
void BulkTest::everyFieldAcrossWindowEdges_data()
{
    QTest::addColumn<QString>("index");
    QTest::addColumn<QStringList>("steps");

    QTest::newRow("numbers: walks and jumps") << "primary"
        << QStringList{"first", "next 1030", "prior 300", "by 1500", "by -1", "prior 5", "last", "prior 1030",
                       "recno 1024", "next 1", "prior 2", "key 2500", "by -2999", "by 5000", "recno 257", "prior 2",
                       "next 3", "key 1", "key 3000", "by -1025", "next 1025"};
    // Right after last and first the window holds one chunk at that end:
    // 2745 and 256 are its first and last records.
    QTest::newRow("numbers: edits and deletions at the edges") << "primary"
        << QStringList{"last", "recno 2745", "set 成绩 1", "set 序号 -7", "first", "recno 256", "set 序号 6000",
                       "recno 1024", "set 成绩 55", "set 第一次补考成绩 null", "next 1", "prior 1", "del",
                       "recno 1025", "set 序号 3100", "recno 1025", "del", "recno 256", "set 序号 0", "first",
                       "next 1100", "del", "by -1024", "del", "set 学号 新S", "last", "del", "prior 1030",
                       "order index_StudNo", "next 1030", "key 3100", "key 0", "key 2000", "last", "prior 300"};
    QTest::newRow("owners: walks, jumps and moved keys") << "index_StudNo"
        << QStringList{"first", "next 1030", "prior 1030", "last", "by -2000", "recno 1025", "set 学号 s000",
                       "next 3", "key 2500", "del", "recno 1024", "set 学号 ZZZ", "prior 1025", "del",
                       "set 成绩 null", "recno 2000", "set 学号 null", "next 100", "last", "prior 1100",
                       "recno 600", "prior 599", "by 400", "set 学号 null",
                       "order primary", "key 1500", "by 1024", "prior 3"};
    QTest::newRow("stored order is the numbers' order") << ""
        << QStringList{"last", "by -1500", "set 科目 改过", "next 1025", "key 7"};
}

void BulkTest::everyFieldAcrossWindowEdges()
{
    QFETCH(QString, index);
    QFETCH(QStringList, steps);
    fixture::DataDir dir;
    const QList<Score> scores = manyScores();
    QList<QVariantList> rows;
    for (const Score &s : scores)
        rows << s.values;
    dir.insert(sch::ScoreFile, ScoreFields, rows);

    TTable t(QStringLiteral("Table_Scroce_2"));
    t.setTableName(dir.path() + sch::ScoreFile);
    t.setIndexName(index);
    t.open();
    Cursor c{index, scores};
    orderFor(index, c.scores);
    QCOMPARE(t.recordCount(), int(c.scores.size()));
    checkCurrent(t, c, QStringLiteral("open"));
    for (const QString &step : steps) {
        runStep(t, c, step);
        if (QTest::currentTestFailed())
            return;
    }

    QCOMPARE(t.recordCount(), int(c.scores.size()));
    c.pos = 0;
    c.flagsKnown = false;
    for (t.first(); !t.eof() && !QTest::currentTestFailed(); t.next(), ++c.pos)
        checkCurrent(t, c, QStringLiteral("walk forward"));
    QCOMPARE(c.pos, int(c.scores.size()));
    c.pos = int(c.scores.size()) - 1;
    for (t.last(); !t.bof() && !QTest::currentTestFailed(); t.prior(), --c.pos)
        checkCurrent(t, c, QStringLiteral("walk backward"));
    QCOMPARE(c.pos, -1);

    // What the edits and deletions stored, record by record.
    commitAll();
    QList<Score> expected = c.scores;
    std::sort(expected.begin(), expected.end(), [](const Score &a, const Score &b) { return a.rowid < b.rowid; });
    const QList<QVariantList> stored = dir.rows(sch::ScoreFile, QStringLiteral("SELECT rowid, * FROM $T ORDER BY rowid"));
    QCOMPARE(stored.size(), expected.size());
    for (int i = 0; i < stored.size(); ++i) {
        QCOMPARE(stored[i][0].toLongLong(), expected[i].rowid);
        for (int f = 0; f < ScoreFields.size(); ++f)
            QCOMPARE(stored[i][f + 1].toString(), expected[i].values[f].toString());
    }
}

// A query read on demand still shows what was stored when it opened, after
// this program changes and deletes records beyond its first window.
void BulkTest::queryKeepsItsResultOverManyRecords()
{
    fixture::DataDir dir;
    QList<QVariantList> rows;
    for (int i = 0; i < 2500; ++i)
        rows << QVariantList{QStringLiteral("N%1").arg(i), QStringLiteral("名%1").arg(i)};
    dir.insert(sch::StudentFile, {QStringLiteral("学号"), QStringLiteral("姓名")}, rows);
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

QM_TEST_MAIN(BulkTest)
#include "test_data_bulk.moc"
