// Pagination and band contents of prepared reports, read from the page model.
#include "ReportFixtures.h"

#include <QtTest>

using namespace report;
using fixtures::bandKinds;
using fixtures::ListReport;
using fixtures::ScoreReport;

Q_DECLARE_METATYPE(QList<BandKind>)
Q_DECLARE_METATYPE(QList<QList<BandKind>>)

namespace {

constexpr double eps = 1e-6;

// Where the frame lines or rules of a page are, as "x,y,w,h" in mm.
QStringList segments(const ReportPage &page, PageItem::Kind kind)
{
    QStringList out;
    for (const PageItem &it : page.items) {
        if (it.kind == kind)
            out << QString::asprintf("%.1f,%.1f,%.1f,%.1f", it.x, it.y, it.w, it.h);
    }
    out.sort();
    return out;
}

QStringList allTexts(const ReportDocument &doc, BandKind band)
{
    QStringList out;
    for (const ReportPage &p : doc.pages)
        out << p.texts(band);
    return out;
}

} // namespace

class TestReportLayout : public QObject {
    Q_OBJECT
private slots:
    void listPagination_data();
    void listPagination();
    void emptyMaster_data();
    void emptyMaster();
    void emptyMasterWithSubDetail();
    void subDetailRows();
    void subDetailContinuesOnNextPage();
    void countIsRecordsPrintedSoFar();
    void dataText_data();
    void dataText();
    void dateElementPrintsToday();
    void elementPlacement();
    void frames_data();
    void frames();
    void options_data();
    void options();
    void bandTallerThanThePageStillEnds();
    void preparingAgainGivesTheSamePages();
    void progressCanStopPreparation();
    void bandKindsExistOnce();
};

void TestReportLayout::listPagination_data()
{
    QTest::addColumn<double>("band");
    QTest::addColumn<double>("bottomMargin");
    QTest::addColumn<int>("records");
    QTest::addColumn<QList<int>>("detailsPerPage");

    // With 10.6 mm bands and 10 mm margins the first page holds 23 rows
    // below title and column header, the others 24.
    QTest::newRow("one record") << 10.6 << 10.0 << 1 << QList<int>{1};
    QTest::newRow("summary still fits") << 10.6 << 10.0 << 22 << QList<int>{22};
    QTest::newRow("summary alone on page 2") << 10.6 << 10.0 << 23 << QList<int>{23, 0};
    QTest::newRow("one row on page 2") << 10.6 << 10.0 << 24 << QList<int>{23, 1};
    QTest::newRow("three pages") << 10.6 << 10.0 << 47 << QList<int>{23, 24, 0};
    QTest::newRow("three pages, summary fits") << 10.6 << 10.0 << 60 << QList<int>{23, 24, 13};
    // 32 rows of 5.3 mm end exactly at the footer; summed in floating point
    // they come out a hair below it.
    QTest::newRow("exact fit") << 5.3 << 101.5 << 32 << QList<int>{32, 0};
}

void TestReportLayout::listPagination()
{
    QFETCH(double, band);
    QFETCH(double, bottomMargin);
    QFETCH(int, records);
    QFETCH(QList<int>, detailsPerPage);

    ListReport f(records, band, QMarginsF(10, 10, 100, bottomMargin));
    const ReportDocument doc = f.report.prepare();
    QCOMPARE(doc.pageCount(), detailsPerPage.size());
    QVERIFY(!doc.cancelled);

    const double footerTop = 297.0 - bottomMargin - band;
    for (int i = 0; i < doc.pageCount(); ++i) {
        const ReportPage &page = doc.pages[size_t(i)];
        const bool first = i == 0;
        const bool last = i == doc.pageCount() - 1;
        QCOMPARE(page.number, i + 1);

        QList<BandKind> expected;
        if (first)
            expected << BandKind::Title;
        expected << BandKind::ColumnHeader;
        for (int d = 0; d < detailsPerPage[i]; ++d)
            expected << BandKind::Detail;
        if (last)
            expected << BandKind::Summary;
        expected << BandKind::PageFooter;
        QCOMPARE(bandKinds(page), expected);

        // Bands follow each other from the top margin down, the column
        // header below the title, and none reaches into the footer.
        double y = 10.0;
        for (const PlacedBand &b : page.bands) {
            if (b.kind == BandKind::PageFooter) {
                QCOMPARE(b.top, footerTop);
                continue;
            }
            QVERIFY2(std::abs(b.top - y) < eps, qPrintable(QStringLiteral("band at %1, expected %2").arg(b.top).arg(y)));
            QVERIFY(b.top + b.height <= footerTop + eps);
            y += b.height;
        }

        QCOMPARE(page.texts(BandKind::Title).contains(QStringLiteral("班级信息表")), first);
        QCOMPARE(page.texts(BandKind::ColumnHeader), (QStringList{QStringLiteral("班级号"), QStringLiteral("班级名称")}));
        QCOMPARE(page.texts(BandKind::PageFooter), QStringList{QStringLiteral("第 %1 页").arg(i + 1)});
        QCOMPARE(page.texts(BandKind::Summary),
                 last ? QStringList{QStringLiteral("共有 %1 个班级").arg(records)} : QStringList{});
    }

    // Every record once, in order, across the pages.
    QStringList expectedDetails;
    for (int r = 1; r <= records; ++r)
        expectedDetails << QString::number(r) << QStringLiteral("班级%1").arg(r);
    QCOMPARE(allTexts(doc, BandKind::Detail), expectedDetails);
}

void TestReportLayout::emptyMaster_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("no records") << "empty";
    QTest::newRow("dataset failed to open") << "closed";
    QTest::newRow("no dataset") << "none";
}

void TestReportLayout::emptyMaster()
{
    QFETCH(QString, how);
    // The closed dataset holds records that must not print.
    ListReport f(how == QLatin1String("closed") ? 3 : 0);
    if (how == QLatin1String("closed"))
        f.data.setActive(false);
    if (how == QLatin1String("none"))
        f.report.setMaster(nullptr);

    const ReportDocument doc = f.report.prepare();
    QCOMPARE(doc.pageCount(), 1);
    const ReportPage &page = doc.pages.front();
    QCOMPARE(bandKinds(page), (QList<BandKind>{BandKind::Title, BandKind::ColumnHeader, BandKind::Detail,
                                               BandKind::Summary, BandKind::PageFooter}));
    QCOMPARE(page.texts(BandKind::Detail), QStringList());
    QCOMPARE(page.texts(BandKind::Summary), QStringList{QStringLiteral("共有 0 个班级")});
    QCOMPARE(page.texts(BandKind::PageFooter), QStringList{QStringLiteral("第 1 页")});

    // The empty row is still ruled: its frame and the column rule.
    int detailLines = 0;
    for (const PageItem &it : page.items)
        detailLines += it.band == BandKind::Detail && it.kind != PageItem::Text ? 1 : 0;
    QCOMPARE(detailLines, 5);
}

void TestReportLayout::emptyMasterWithSubDetail()
{
    ScoreReport f;
    // A score that must not be shown under the empty row.
    f.scores.addRecord({QStringLiteral("1"), QStringLiteral("数学"), 90});

    const ReportDocument doc = f.report.prepare();
    QCOMPARE(doc.pageCount(), 1);
    const ReportPage &page = doc.pages.front();
    QCOMPARE(bandKinds(page), (QList<BandKind>{BandKind::PageHeader, BandKind::ColumnHeader, BandKind::Detail,
                                               BandKind::SubDetail, BandKind::PageFooter}));
    // The fixed captions print; no field does.
    QCOMPARE(page.texts(BandKind::Detail), (QStringList{QStringLiteral("科目"), QStringLiteral("成绩")}));
    QCOMPARE(page.texts(BandKind::SubDetail), QStringList());
}

void TestReportLayout::subDetailRows()
{
    ScoreReport f;
    f.addStudent(QStringLiteral("1"), QStringLiteral("甲"), 3);
    f.addStudent(QStringLiteral("2"), QStringLiteral("乙"), 0);
    f.addStudent(QStringLiteral("3"), QStringLiteral("丙"), 2);

    const ReportDocument doc = f.report.prepare();
    QCOMPARE(doc.pageCount(), 1);
    const ReportPage &page = doc.pages.front();
    const auto D = BandKind::Detail;
    const auto S = BandKind::SubDetail;
    QCOMPARE(bandKinds(page), (QList<BandKind>{BandKind::PageHeader, BandKind::ColumnHeader,
                                               D, S, S, S, D, S, D, S, S, BandKind::PageFooter}));
    // The student without scores gets one row with empty fields.
    QCOMPARE(page.texts(S), (QStringList{"1-1", "61", "1-2", "62", "1-3", "63", "3-1", "61", "3-2", "62"}));
    QCOMPARE(page.texts(D), (QStringList{"甲", "科目", "成绩", "乙", "科目", "成绩", "丙", "科目", "成绩"}));
}

void TestReportLayout::subDetailContinuesOnNextPage()
{
    ScoreReport f;
    f.addStudent(QStringLiteral("1"), QStringLiteral("甲"), 20);
    f.addStudent(QStringLiteral("2"), QStringLiteral("乙"), 30);
    f.addStudent(QStringLiteral("3"), QStringLiteral("丙"), 1);

    const ReportDocument doc = f.report.prepare();
    // 23 body rows fit on each page: 甲 and 20 scores, 乙 and 1 score on
    // page 1; 23 of 乙's scores on page 2; the rest on page 3.
    QCOMPARE(doc.pageCount(), 3);
    for (const ReportPage &page : doc.pages) {
        const QList<BandKind> kinds = bandKinds(page);
        QCOMPARE(kinds.mid(0, 2), (QList<BandKind>{BandKind::PageHeader, BandKind::ColumnHeader}));
        QCOMPARE(kinds.last(), BandKind::PageFooter);
        QCOMPARE(page.texts(BandKind::PageHeader).first(), QStringLiteral("学生成绩信息表"));
    }
    // The page break falls inside 乙's scores: page 2 goes on with them,
    // without repeating 乙's row.
    QCOMPARE(doc.pages[1].bands[2].kind, BandKind::SubDetail);
    QCOMPARE(doc.pages[1].bandCount(BandKind::Detail), 0);
    QCOMPARE(doc.pages[1].texts(BandKind::SubDetail).first(), QStringLiteral("2-2"));
    QCOMPARE(doc.pages[2].texts(BandKind::SubDetail).first(), QStringLiteral("2-25"));
    QCOMPARE(doc.pages[2].texts(BandKind::Detail).first(), QStringLiteral("丙"));

    QStringList names;
    QStringList subjects;
    for (const ReportPage &page : doc.pages) {
        for (const QString &t : page.texts(BandKind::Detail)) {
            if (t != QStringLiteral("科目") && t != QStringLiteral("成绩"))
                names << t;
        }
        const QStringList sub = page.texts(BandKind::SubDetail);
        for (int i = 0; i < sub.size(); i += 2)
            subjects << sub[i];
    }
    QCOMPARE(names, (QStringList{"甲", "乙", "丙"}));
    QStringList expected;
    for (int i = 1; i <= 20; ++i)
        expected << QStringLiteral("1-%1").arg(i);
    for (int i = 1; i <= 30; ++i)
        expected << QStringLiteral("2-%1").arg(i);
    expected << QStringLiteral("3-1");
    QCOMPARE(subjects, expected);
}

void TestReportLayout::countIsRecordsPrintedSoFar()
{
    ListReport f(30);
    f.report.band(BandKind::Detail)->addExpression(80, 2.1, QStringLiteral("'#'+COUNT"));
    f.report.band(BandKind::PageFooter)->addExpression(60, 3.2, QStringLiteral("'so far '+COUNT"));

    const ReportDocument doc = f.report.prepare();
    QCOMPARE(doc.pageCount(), 2);
    const QStringList firstPage = doc.pages[0].texts(BandKind::Detail);
    QCOMPARE(firstPage.mid(0, 3), (QStringList{"1", "班级1", "#1"}));
    QCOMPARE(firstPage.last(), QStringLiteral("#23"));
    QCOMPARE(doc.pages[0].texts(BandKind::PageFooter).last(), QStringLiteral("so far 23"));
    QCOMPARE(doc.pages[1].texts(BandKind::PageFooter).last(), QStringLiteral("so far 30"));
    QCOMPARE(doc.pages[1].texts(BandKind::Summary), QStringList{QStringLiteral("共有 30 个班级")});
}

void TestReportLayout::dataText_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("expected"); // empty: nothing is printed
    QTest::addColumn<QString>("locale");   // the desktop's; "C" where none is chosen

    QTest::newRow("date-time at midnight") << QVariant(QDateTime(QDate(2003, 4, 23), QTime(0, 0))) << "2003-04-23" << "C";
    QTest::newRow("date-time with time") << QVariant(QDateTime(QDate(2003, 4, 23), QTime(10, 30))) << "2003-04-23 10:30:00" << "C";
    QTest::newRow("one second past midnight") << QVariant(QDateTime(QDate(1985, 12, 1), QTime(0, 0, 1))) << "1985-12-01 00:00:01" << "C";
    QTest::newRow("date") << QVariant(QDate(1999, 1, 2)) << "1999-01-02" << "C";
    QTest::newRow("invalid date-time") << QVariant(QDateTime()) << "" << "C";
    QTest::newRow("null") << QVariant() << "" << "C";
    QTest::newRow("empty text") << QVariant(QString()) << "" << "C";
    QTest::newRow("integer") << QVariant(85) << "85" << "C";
    QTest::newRow("text as it is") << QVariant(QStringLiteral("汉族")) << "汉族" << "C";
    QTest::newRow("date kept as text") << QVariant(QStringLiteral("2003-04-23")) << "2003-04-23" << "C";
    // A Chinese desktop's short date, as its users read every other date.
    QTest::newRow("Chinese desktop: date-time at midnight") << QVariant(QDateTime(QDate(2003, 4, 23), QTime(0, 0))) << "2003/4/23" << "zh_CN";
    QTest::newRow("Chinese desktop: date-time with time") << QVariant(QDateTime(QDate(2003, 4, 23), QTime(10, 30))) << "2003/4/23 10:30:00" << "zh_CN";
    QTest::newRow("Chinese desktop: date") << QVariant(QDate(1999, 1, 2)) << "1999/1/2" << "zh_CN";
}

void TestReportLayout::dataText()
{
    QFETCH(QVariant, value);
    QFETCH(QString, expected);
    QFETCH(QString, locale);
    QLocale::setDefault(QLocale(locale));
    auto back = qScopeGuard([] { QLocale::setDefault(QLocale::c()); });

    MemoryReportData data({QStringLiteral("出生日期")});
    data.addRecord({value});
    Report r;
    r.setMaster(&data);
    r.addBand(BandKind::Detail, 10.6).addDataText(94.2, 3.2, QStringLiteral("出生日期"));

    const ReportDocument doc = r.prepare();
    QCOMPARE(doc.pageCount(), 1);
    QCOMPARE(doc.pages[0].texts(), expected.isEmpty() ? QStringList() : QStringList{expected});
}

void TestReportLayout::dateElementPrintsToday()
{
    QLocale::setDefault(QLocale::c());
    ListReport f(1);
    f.report.setToday(QDate(2024, 3, 5));
    QCOMPARE(f.report.prepare().pages[0].texts(BandKind::Title),
             (QStringList{QStringLiteral("班级信息表"), QStringLiteral("2024-03-05")}));

    f.report.setToday(QDate());
    QCOMPARE(f.report.prepare().pages[0].texts(BandKind::Title).last(),
             QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));

    QLocale::setDefault(QLocale(QStringLiteral("zh_CN")));
    auto back = qScopeGuard([] { QLocale::setDefault(QLocale::c()); });
    f.report.setToday(QDate(2024, 3, 5));
    QCOMPARE(f.report.prepare().pages[0].texts(BandKind::Title).last(), QStringLiteral("2024/3/5"));
}

void TestReportLayout::elementPlacement()
{
    MemoryReportData data({QStringLiteral("学号")});
    data.addRecord({QStringLiteral("2003001")});
    Report r;
    r.setMaster(&data);
    r.setMargins(QMarginsF(8, 10, 8, 10));
    r.setDefaultFont({QStringLiteral("Arial"), 10, false});
    Band &title = r.addBand(BandKind::Title, 10.6);
    title.addText(83.6, 2.1, QStringLiteral("学生信息表"), {QStringLiteral("宋体"), 15, true});
    Band &detail = r.addBand(BandKind::Detail, 10.6);
    detail.addDataText(3.2, 3.2, QStringLiteral("学号")).setWidth(8.6).setCentred();
    detail.addVerticalLine(16.5);
    detail.addVerticalLine(40.0, 4.0);

    const ReportDocument doc = r.prepare();
    const ReportPage &page = doc.pages.at(0);

    const PageItem *heading = page.findText(QStringLiteral("学生信息表"));
    QVERIFY(heading);
    QCOMPARE(heading->x, 8 + 83.6);
    QCOMPARE(heading->y, 10 + 2.1);
    QVERIFY(!heading->centred);
    QCOMPARE(doc.fonts.at(size_t(heading->font)), (ReportFont{QStringLiteral("宋体"), 15, true}));

    // Centred on 8 + 3.2 + 8.6 / 2 = 15.5 mm when drawn.
    const PageItem *no = page.findText(QStringLiteral("2003001"));
    QVERIFY(no);
    QCOMPARE(no->x, 8 + 3.2);
    QCOMPARE(no->y, 10 + 10.6 + 3.2);
    QCOMPARE(no->w, 8.6);
    QVERIFY(no->centred);
    QCOMPARE(doc.fonts.at(size_t(no->font)), r.defaultFont());

    // Rules run over the whole band height, down the middle of their box.
    QCOMPARE(segments(page, PageItem::Rule), (QStringList{"24.5,20.6,0.0,10.6", "50.0,20.6,0.0,10.6"}));
}

void TestReportLayout::frames_data()
{
    QTest::addColumn<int>("sides");
    QTest::addColumn<QStringList>("expected");

    // The band: left margin 10, top margin 10, 100 mm wide, 10.6 mm high.
    const QString top = "10.0,10.0,100.0,0.0";
    const QString bottom = "10.0,20.6,100.0,0.0";
    const QString left = "10.0,10.0,0.0,10.6";
    const QString right = "110.0,10.0,0.0,10.6";
    QTest::newRow("none") << int(FrameNone) << QStringList();
    QTest::newRow("top") << int(FrameTop) << QStringList{top};
    QTest::newRow("bottom") << int(FrameBottom) << QStringList{bottom};
    QTest::newRow("left") << int(FrameLeft) << QStringList{left};
    QTest::newRow("right") << int(FrameRight) << QStringList{right};
    QTest::newRow("left, right, bottom") << int(FrameLeft | FrameRight | FrameBottom)
                                         << QStringList{bottom, left, right};
    QTest::newRow("all") << int(FrameAll) << QStringList{top, bottom, left, right};
}

void TestReportLayout::frames()
{
    QFETCH(int, sides);
    QFETCH(QStringList, expected);

    MemoryReportData data({QStringLiteral("a")});
    data.addRecord({QStringLiteral("x")});
    Report r;
    r.setMaster(&data);
    r.setMargins(QMarginsF(10, 10, 100, 10));
    r.addBand(BandKind::Detail, 10.6).setFrame(FrameSides(sides));

    expected.sort();
    QCOMPARE(segments(r.prepare().pages.at(0), PageItem::Frame), expected);
}

void TestReportLayout::options_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<int>("records");
    QTest::addColumn<QList<QList<BandKind>>>("pages");

    auto page = [](bool header, int details, bool footer) {
        QList<BandKind> kinds;
        if (header)
            kinds << BandKind::PageHeader;
        kinds << BandKind::ColumnHeader;
        for (int i = 0; i < details; ++i)
            kinds << BandKind::Detail;
        if (footer)
            kinds << BandKind::PageFooter;
        return kinds;
    };
    using Pages = QList<QList<BandKind>>;
    QTest::newRow("defaults") << "" << 25 << Pages{page(true, 23, true), page(true, 2, true)};
    // Without the page header, page 1 has room for one more row.
    QTest::newRow("no page header on page 1") << "headerNotOnFirst" << 25
                                              << Pages{page(false, 24, true), page(true, 1, true)};
    QTest::newRow("no footer on the last page") << "footerNotOnLast" << 25
                                                << Pages{page(true, 23, true), page(true, 2, false)};
    QTest::newRow("empty master, not printed") << "notIfEmpty" << 0 << Pages{};
    QTest::newRow("empty master, printed") << "" << 0 << Pages{page(true, 1, true)};
}

void TestReportLayout::options()
{
    QFETCH(QString, option);
    QFETCH(int, records);
    QFETCH(QList<QList<BandKind>>, pages);

    MemoryReportData data({QStringLiteral("a")});
    for (int i = 0; i < records; ++i)
        data.addRecord({i});
    Report r;
    r.setMaster(&data);
    r.addBand(BandKind::PageHeader, 10.6);
    r.addBand(BandKind::ColumnHeader, 10.6);
    r.addBand(BandKind::Detail, 10.6);
    r.addBand(BandKind::PageFooter, 10.6);
    r.setPageHeaderOnFirstPage(option != QLatin1String("headerNotOnFirst"));
    r.setPageFooterOnLastPage(option != QLatin1String("footerNotOnLast"));
    r.setPrintIfEmpty(option != QLatin1String("notIfEmpty"));

    const ReportDocument doc = r.prepare();
    QCOMPARE(doc.pageCount(), pages.size());
    for (int i = 0; i < doc.pageCount(); ++i)
        QCOMPARE(bandKinds(doc.pages[size_t(i)]), pages[i]);
}

void TestReportLayout::bandTallerThanThePageStillEnds()
{
    MemoryReportData data({QStringLiteral("a")});
    for (int i = 1; i <= 3; ++i)
        data.addRecord({i});
    Report r;
    r.setMaster(&data);
    r.addBand(BandKind::ColumnHeader, 10.6);
    r.addBand(BandKind::Detail, 300).addDataText(0, 0, QStringLiteral("a"));

    const ReportDocument doc = r.prepare();
    QCOMPARE(doc.pageCount(), 3);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(doc.pages[size_t(i)].texts(), QStringList{QString::number(i + 1)});
}

void TestReportLayout::preparingAgainGivesTheSamePages()
{
    ScoreReport f;
    f.addStudent(QStringLiteral("1"), QStringLiteral("甲"), 30);
    f.addStudent(QStringLiteral("2"), QStringLiteral("乙"), 2);
    const ReportDocument a = f.report.prepare();
    const ReportDocument b = f.report.prepare();
    QCOMPARE(a.pageCount(), 2);
    QCOMPARE(b.pageCount(), a.pageCount());
    for (int i = 0; i < a.pageCount(); ++i)
        QCOMPARE(b.pages[size_t(i)].texts(), a.pages[size_t(i)].texts());
}

void TestReportLayout::progressCanStopPreparation()
{
    ListReport f(100);
    QList<int> pagesSeen;
    QList<int> recordsSeen;
    const ReportDocument all = f.report.prepare([&](int pages, int records, int total) {
        pagesSeen << pages;
        recordsSeen << records;
        return total == 100;
    });
    QVERIFY(!all.cancelled);
    QCOMPARE(all.pageCount(), 5);
    QCOMPARE(pagesSeen, (QList<int>{1, 2, 3, 4, 5}));
    QCOMPARE(recordsSeen, (QList<int>{23, 47, 71, 95, 100}));

    int calls = 0;
    const ReportDocument stopped = f.report.prepare([&](int, int, int) { return ++calls < 2; });
    QVERIFY(stopped.cancelled);
    QCOMPARE(calls, 2);
    QCOMPARE(stopped.pageCount(), 2);
}

void TestReportLayout::bandKindsExistOnce()
{
    Report r;
    r.addBand(BandKind::Detail, 10.6);
    QVERIFY_THROWS_EXCEPTION(ReportError, r.addBand(BandKind::Detail, 5));
    QVERIFY_THROWS_EXCEPTION(ReportError, r.addBand(BandKind::SubDetail, 5));
    MemoryReportData a, b;
    r.addSubDetail(&a, 5);
    r.addSubDetail(&b, 5);
    QCOMPARE(r.subDetails().size(), size_t(2));
    QCOMPARE(r.band(BandKind::Detail)->height(), 10.6);
}

QTEST_MAIN(TestReportLayout)
#include "test_report_layout.moc"
