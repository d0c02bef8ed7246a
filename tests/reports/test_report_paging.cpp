// Pages laid out one at a time for the preview must be the pages of a
// report laid out whole: the same count, and each page with the same bands
// and items, whatever order the pages are asked for in.
#include "ReportFixtures.h"

#include "reports/engine/Layouter.h"

#include <QtTest>

using namespace report;
using fixtures::ListReport;
using fixtures::ScoreReport;

namespace {

// Everything a page draws, one line per band and per item.
QStringList describe(const ReportPage &page)
{
    QStringList out{QStringLiteral("page %1").arg(page.number)};
    for (const PlacedBand &b : page.bands)
        out << QString::asprintf("band %d %.3f %.3f", int(b.kind), b.top, b.height);
    for (const PageItem &it : page.items)
        out << QString::asprintf("item %d %d %d %d %.3f %.3f %.3f %.3f ", int(it.kind), int(it.band),
                                 int(it.centred), int(it.font), it.x, it.y, it.w, it.h)
                        + it.text;
    return out;
}

// A list whose length the engine is not told: it must walk it to find the
// page breaks.
class UncountedData : public MemoryReportData {
public:
    using MemoryReportData::MemoryReportData;
    int recordCount() const override { return -1; }
};

// Asks for the pages last to first, then first to last two at a time and
// back, so that each page is laid out from where it begins rather than
// from wherever the cursors were left.
QList<int> scrambled(int count)
{
    QList<int> order;
    for (int i = count - 1; i >= 0; --i)
        order << i;
    for (int i = 0; i < count; i += 2)
        order << i;
    for (int i = 1; i < count; i += 2)
        order << i << i - 1;
    return order;
}

void compareWithEager(Report &report, int expectedPages)
{
    const ReportDocument eager = report.prepare();
    PagedReport paged(report);
    QVERIFY(paged.paginate({}));
    QCOMPARE(paged.pageCount(), eager.pageCount());
    QCOMPARE(paged.pageCount(), expectedPages);
    QCOMPARE(paged.fonts(), eager.fonts);
    for (int i : scrambled(paged.pageCount()))
        QCOMPARE(describe(paged.page(i)), describe(eager.pages[size_t(i)]));
}

} // namespace

class TestReportPaging : public QObject {
    Q_OBJECT
private slots:
    void listPages_data();
    void listPages();
    void subDetailPages_data();
    void subDetailPages();
    void listOfUnknownLength();
    void stoppedPagination();
    void paginatingAgainFollowsTheData();
};

void TestReportPaging::listPages_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("pages");

    // 23 rows on the first page, 24 on the others; the summary takes a row.
    QTest::newRow("empty") << 0 << 1;
    QTest::newRow("summary alone on the last page") << 47 << 3;
    QTest::newRow("many pages") << 1000 << 42;
}

void TestReportPaging::listPages()
{
    QFETCH(int, records);
    QFETCH(int, pages);
    ListReport f(records);
    // The count so far on every row and foot shows a page laid out with the
    // count it would have had in one walk.
    f.report.band(BandKind::Detail)->addExpression(80, 2.1, QStringLiteral("'#'+COUNT"));
    f.report.band(BandKind::PageFooter)->addExpression(60, 3.2, QStringLiteral("'so far '+COUNT"));
    compareWithEager(f.report, pages);
}

void TestReportPaging::subDetailPages_data()
{
    QTest::addColumn<QList<int>>("scoresPerStudent");
    QTest::addColumn<int>("pages");

    // Breaks inside one student's scores, right after a student's row, and
    // at a student without scores (who still gets one empty row).
    QTest::newRow("breaks inside the scores") << QList<int>{20, 30, 1} << 3;
    QTest::newRow("break after the name row") << QList<int>{21, 0, 5} << 2;
    QTest::newRow("one student over pages") << QList<int>{100} << 5;
    QList<int> many;
    for (int i = 0; i < 120; ++i)
        many << i % 7;
    // 495 rows, 23 to a page.
    QTest::newRow("many students") << many << 22;
}

void TestReportPaging::subDetailPages()
{
    QFETCH(QList<int>, scoresPerStudent);
    QFETCH(int, pages);
    ScoreReport f;
    for (int i = 0; i < scoresPerStudent.size(); ++i)
        f.addStudent(QString::number(i + 1), QStringLiteral("学生%1").arg(i + 1), scoresPerStudent[i]);
    f.report.band(BandKind::PageFooter)->addExpression(20, 4.2, QStringLiteral("'so far '+COUNT"));
    compareWithEager(f.report, pages);
}

void TestReportPaging::listOfUnknownLength()
{
    UncountedData data{QStringList{QStringLiteral("no")}};
    for (int i = 1; i <= 60; ++i)
        data.addRecord({QString::number(i)});
    Report r;
    r.setMaster(&data);
    r.addBand(BandKind::Title, 10.6).addText(10, 3.2, QStringLiteral("title"));
    r.addBand(BandKind::Detail, 10.6).addDataText(10, 3.2, QStringLiteral("no"));
    r.addBand(BandKind::Summary, 10.6).addExpression(10, 3.2, QStringLiteral("'共有 '+COUNT"));
    r.addBand(BandKind::PageFooter, 10.6).addExpression(10, 3.2, QStringLiteral("'第 '+PAGENUMBER+' 页'"));
    compareWithEager(r, 3);
}

void TestReportPaging::stoppedPagination()
{
    ListReport f(100);
    PagedReport paged(f.report);
    int calls = 0;
    QVERIFY(!paged.paginate([&](int, int, int) { return ++calls < 2; }));
    QCOMPARE(calls, 2);
    // A stopped preview shows nothing rather than a part of the report.
    QCOMPARE(paged.pageCount(), 0);
    // Found again in full, the pages are there.
    QVERIFY(paged.paginate({}));
    QCOMPARE(paged.pageCount(), 5);
}

void TestReportPaging::paginatingAgainFollowsTheData()
{
    ListReport f(30);
    f.report.setPrintIfEmpty(false);
    PagedReport paged(f.report);
    QVERIFY(paged.paginate({}));
    QCOMPARE(paged.pageCount(), 2);
    QCOMPARE(paged.page(0).texts(BandKind::Detail).first(), QStringLiteral("1"));
    // Nothing to print and no page for an empty report: none of the old
    // pages may be left over.
    f.data.clear();
    QVERIFY(paged.paginate({}));
    QCOMPARE(paged.pageCount(), 0);
    f.data.addRecord({QStringLiteral("7"), QStringLiteral("七班")});
    QVERIFY(paged.paginate({}));
    QCOMPARE(paged.pageCount(), 1);
    QCOMPARE(paged.page(0).texts(BandKind::Detail), (QStringList{QStringLiteral("7"), QStringLiteral("七班")}));
}

QTEST_MAIN(TestReportPaging)
#include "test_report_paging.moc"
