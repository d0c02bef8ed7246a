// The four report layouts filled from small data directories through the
// chooser's binding: what each page carries, where pages break, what the
// summaries count, the empty tables, and the PDF that reaches paper.
#include "ReportFixtures.h"
#include "ReportHolders.h"

#include "data/ActionHooks.h"
#include "ui/App.h"
#include "core/Dates.h"
#include "reports/engine/Layouter.h"
#include "reports/engine/ReportData.h"
#include "office/Schema.h"
#include "tests/support/Fixture.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace report;
using holders::rows;
namespace sch = store::schema;

namespace {

const QString Date = dates::text(holders::Today);
const QString StudentHeader = QStringLiteral("C:学号|姓名|性别|籍贯|民族|出生日期|入学日期|班级|专业|系别");
const QString ScoreCaptions = QStringLiteral("|科目|成绩|第一次补考成绩|第二次补考成绩");

// The lines (frame sides and rules) drawn for the placed band at `index`:
// those that start at its top, and its bottom side. (Where two bands of one
// kind framed at the top follow each other, the next band's top side would
// count too; the cases below avoid that.)
QList<const PageItem *> lines(const ReportPage &page, int index)
{
    const PlacedBand &b = page.bands.at(size_t(index));
    auto near = [](double a, double c) { return std::abs(a - c) < 1e-6; };
    QList<const PageItem *> out;
    for (const PageItem &it : page.items) {
        if (it.kind == PageItem::Text || it.band != b.kind)
            continue;
        if (near(it.y, b.top) || (it.h == 0 && near(it.y, b.top + b.height)))
            out << &it;
    }
    return out;
}

int indexOf(const ReportPage &page, BandKind kind, int nth = 0)
{
    for (size_t i = 0; i < page.bands.size(); ++i) {
        if (page.bands[i].kind == kind && nth-- == 0)
            return int(i);
    }
    return -1;
}


} // namespace

class TestReportLayouts : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void studentList();
    void studentListPages();
    void studentListEmpty();
    void studentColumnsLineUp();
    void narrowLists_data();
    void narrowLists();
    void scoreReport();
    void scoreReportPageBreak();
    void scoreReportEmpty();
    void previewPagesOverTheTables();
    void pdf_data();
    void pdf();

private:
    QTemporaryDir m_out;
};

void TestReportLayouts::initTestCase()
{
    QVERIFY(m_out.isValid());
    // To look at the pages: QM_KEEP_REPORT_PDF=1 keeps the files, e.g. for
    // pdftoppm.
    if (qEnvironmentVariableIsSet("QM_KEEP_REPORT_PDF")) {
        m_out.setAutoRemove(false);
        qInfo("PDF files in %s", qPrintable(m_out.path()));
    }
}

void TestReportLayouts::studentList()
{
    fixture::DataDir dir;
    // No dates; a name far wider than its column.
    const QString longName = QStringLiteral("欧阳慕容上官司马诸葛东方皇甫");
    dir.addStudent(QStringLiteral("2002"), longName, QStringLiteral("计算机02"));
    dir.addStudent(QStringLiteral("2001"), QStringLiteral("张三"), QStringLiteral("计算机01"));
    dir.exec(sch::StudentFile,
             QStringLiteral("UPDATE $T SET 性别='男', 籍贯='江苏', 民族='汉', 出生日期='1985-02-03', "
                            "入学日期='2003-09-01', 专业='计算机', 系别='信息系' WHERE 学号='2001'"));

    holders::Reports r(dir.path());
    r.show();
    const ReportDocument doc = r.stud->Report1.prepare();
    QCOMPARE(rows(doc), (QStringList{
        QStringLiteral("T:学生信息表|") + Date,
        StudentHeader,
        QStringLiteral("D:2002|") + longName + QStringLiteral("|计算机02"),
        QStringLiteral("D:2001|张三|男|江苏|汉|%1|%2|计算机01|计算机|信息系")
                .arg(dates::text(QDate(1985, 2, 3)), dates::text(QDate(2003, 9, 1))),
        QStringLiteral("M:共有 2  个学生"),
        QStringLiteral("F:第 1 页"),
    }));
    // The row without dates is ruled all the same: nine rules, left, right
    // and bottom sides.
    const ReportPage &page = doc.pages[0];
    QCOMPARE(lines(page, indexOf(page, BandKind::Detail)).size(), 9 + 3);
    QCOMPARE(lines(page, indexOf(page, BandKind::ColumnHeader)).size(), 9 + 4);
}

void TestReportLayouts::studentListPages()
{
    // 277 mm between the margins, less the footer: 266.4 mm of body. Page 1
    // takes the title and column header and 23 rows (23.1); the next pages
    // the column header and 24 rows (24.1). The summary follows the last row.
    fixture::DataDir dir;
    for (int i = 1; i <= 30; ++i)
        dir.addStudent(QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')), QStringLiteral("学生%1").arg(i));
    holders::Reports r(dir.path());
    r.show();
    const ReportDocument doc = r.stud->Report1.prepare();

    QCOMPARE(doc.pageCount(), 2);
    const ReportPage &p1 = doc.pages[0];
    const ReportPage &p2 = doc.pages[1];
    QCOMPARE(p1.bandCount(BandKind::Title), 1);
    QCOMPARE(p1.bandCount(BandKind::Detail), 23);
    QCOMPARE(p1.bandCount(BandKind::Summary), 0);
    QCOMPARE(p1.texts(BandKind::PageFooter), QStringList{QStringLiteral("第 1 页")});
    // Page 2 opens with the column header, not the title.
    QCOMPARE(p2.bands.front().kind, BandKind::ColumnHeader);
    QCOMPARE(QStringLiteral("C:") + p2.texts(BandKind::ColumnHeader).join(u'|'), StudentHeader);
    QCOMPARE(p2.bandCount(BandKind::Title), 0);
    QCOMPARE(p2.bandCount(BandKind::Detail), 7);
    QCOMPARE(p2.texts(BandKind::Detail).mid(0, 2), (QStringList{QStringLiteral("24"), QStringLiteral("学生24")}));
    QCOMPARE(p2.texts(BandKind::Summary), QStringList{QStringLiteral("共有 30  个学生")});
    QCOMPARE(p2.texts(BandKind::PageFooter), QStringList{QStringLiteral("第 2 页")});
}

void TestReportLayouts::studentListEmpty()
{
    fixture::DataDir dir;
    holders::Reports r(dir.path());
    r.show();
    const ReportDocument doc = r.stud->Report1.prepare();
    QCOMPARE(rows(doc), (QStringList{QStringLiteral("T:学生信息表|") + Date, StudentHeader, QStringLiteral("D:"),
                                     QStringLiteral("M:共有 0  个学生"), QStringLiteral("F:第 1 页")}));
    const ReportPage &page = doc.pages[0];
    QCOMPARE(lines(page, indexOf(page, BandKind::Detail)).size(), 9 + 3);
}

void TestReportLayouts::studentColumnsLineUp()
{
    // Each value starts where its header does, between the two rules of
    // its column, and the rules of both bands meet. The student number is
    // centred on its column's middle rather than starting at it.
    fixture::DataDir dir;
    dir.addStudent(QStringLiteral("2001"), QStringLiteral("张三"), QStringLiteral("计算机01"));
    dir.exec(sch::StudentFile,
             QStringLiteral("UPDATE $T SET 性别='男', 籍贯='江苏', 民族='汉', 出生日期='1985-02-03', "
                            "入学日期='2003-09-01', 专业='计算机', 系别='信息系'"));
    holders::Reports r(dir.path());
    r.show();
    const ReportDocument doc = r.stud->Report1.prepare();
    const ReportPage &page = doc.pages[0];

    auto items = [&](BandKind kind, PageItem::Kind itemKind) {
        QList<const PageItem *> out;
        for (const PageItem &it : page.items) {
            if (it.band == kind && it.kind == itemKind)
                out << &it;
        }
        return out;
    };
    const auto heads = items(BandKind::ColumnHeader, PageItem::Text);
    const auto values = items(BandKind::Detail, PageItem::Text);
    const auto headRules = items(BandKind::ColumnHeader, PageItem::Rule);
    const auto rowRules = items(BandKind::Detail, PageItem::Rule);
    QCOMPARE(heads.size(), 10);
    QCOMPARE(values.size(), 10);
    QCOMPARE(headRules.size(), 9);
    QCOMPARE(rowRules.size(), 9);

    const double left = 8.0;
    const double right = 210.0 - 8.0;
    for (int i = 0; i < 10; ++i) {
        const double lo = i == 0 ? left : headRules[i - 1]->x;
        const double hi = i == 9 ? right : headRules[i]->x;
        QVERIFY2(heads[i]->x > lo && heads[i]->x < hi, qPrintable(heads[i]->text));
        if (i > 0) {
            QCOMPARE(values[i]->x, heads[i]->x);
            QVERIFY(!values[i]->centred);
            QCOMPARE(rowRules[i - 1]->x, headRules[i - 1]->x);
        }
    }
    QVERIFY(values[0]->centred);
    QCOMPARE(values[0]->x + values[0]->w / 2.0, left + 7.5);
    QVERIFY(values[0]->x > left && values[0]->x + values[0]->w < headRules[0]->x);
}

void TestReportLayouts::narrowLists_data()
{
    QTest::addColumn<bool>("classList");
    QTest::addColumn<QStringList>("head");      // title and column header rows
    QTest::addColumn<QString>("summary");       // with two records
    QTest::addColumn<QString>("emptySummary");
    QTest::addColumn<double>("rightEdge");      // of the ruled table, mm from the paper's left
    QTest::addColumn<int>("summarySides");

    QTest::newRow("class list") << true
            << QStringList{QStringLiteral("T:班级信息表|") + Date, QStringLiteral("C:班级号|班级名称")}
            << QStringLiteral("M:共有 2 个班级") << QStringLiteral("M:共有 0 个班级") << 110.0 << 4;
    QTest::newRow("course list") << false
            << QStringList{QStringLiteral("T:课程信息|") + Date, QStringLiteral("C:课程号|课程名称")}
            << QStringLiteral("M:共有 2 门课程") << QStringLiteral("M:共有 0 门课程") << 90.0 << 0;
}

void TestReportLayouts::narrowLists()
{
    QFETCH(bool, classList);
    QFETCH(QStringList, head);
    QFETCH(QString, summary);
    QFETCH(QString, emptySummary);
    QFETCH(double, rightEdge);
    QFETCH(int, summarySides);

    // A name wider than the narrow table runs on past its right frame.
    const QString longName = QStringLiteral("计算机科学与技术专业二零零三级实验班第一小组");
    fixture::DataDir dir;
    fixture::DataDir emptyDir;
    if (classList) {
        dir.addClass(QStringLiteral("0301"), QStringLiteral("计算机一班"));
        dir.addClass(QStringLiteral("0302"), longName);
    } else {
        dir.addCourse(QStringLiteral("0301"), QStringLiteral("计算机一班"));
        dir.addCourse(QStringLiteral("0302"), longName);
    }

    {
        holders::Reports r(dir.path());
        r.show();
        Report &report = classList ? r.cls->Report1 : r.course->Report1;
        const ReportDocument doc = report.prepare();
        const QStringList expected = head + QStringList{QStringLiteral("D:0301|计算机一班"),
                                                        QStringLiteral("D:0302|") + longName, summary,
                                                        QStringLiteral("F:第 1 页")};
        QCOMPARE(rows(doc), expected);
        double frameRight = 0;
        for (const PageItem &it : doc.pages[0].items) {
            if (it.kind == PageItem::Frame && it.band == BandKind::Detail && it.w == 0)
                frameRight = std::max(frameRight, it.x);
        }
        QCOMPARE(frameRight, rightEdge);
    }
    {
        // An empty table: one empty ruled row, the count 0, one page.
        holders::Reports r(emptyDir.path());
        r.show();
        Report &report = classList ? r.cls->Report1 : r.course->Report1;
        const ReportDocument doc = report.prepare();
        const QStringList expected = head + QStringList{QStringLiteral("D:"), emptySummary, QStringLiteral("F:第 1 页")};
        QCOMPARE(rows(doc), expected);
        const ReportPage &page = doc.pages[0];
        QCOMPARE(lines(page, indexOf(page, BandKind::Detail)).size(), 1 + 4);
        QCOMPARE(lines(page, indexOf(page, BandKind::Summary)).size(), summarySides);
    }
}

void TestReportLayouts::scoreReport()
{
    fixture::DataDir dir;
    dir.addStudent(QStringLiteral("s1"), QStringLiteral("甲"));
    dir.addStudent(QStringLiteral("s2"), QStringLiteral("乙"));
    dir.addStudent(QStringLiteral("s3"), QStringLiteral("丙"));
    dir.addScore(1, QStringLiteral("s1"), QStringLiteral("数学"), 90);
    dir.addScore(2, QStringLiteral("S3"), QStringLiteral("物理"), 75);   // the link ignores case
    dir.addScore(3, QStringLiteral("s1"), QStringLiteral("英语"), 50, 58, 70);
    dir.addScore(4, QStringLiteral("x9"), QStringLiteral("化学"), 66);   // belongs to no student
    dir.addScore(5, QStringLiteral("s1"), QStringLiteral("语文"), 40, 61); // second make-up never sat

    holders::Reports r(dir.path());
    r.show();
    const ReportDocument doc = r.score->Report1.prepare();
    QCOMPARE(rows(doc), (QStringList{
        QStringLiteral("H:学生成绩信息表|") + Date,
        QStringLiteral("C:姓名|成绩情况"),
        QStringLiteral("D:甲") + ScoreCaptions,
        QStringLiteral("S:数学|90"),
        QStringLiteral("S:英语|50|58|70"),
        QStringLiteral("S:语文|40|61"),
        QStringLiteral("D:乙") + ScoreCaptions,
        QStringLiteral("S:"),
        QStringLiteral("D:丙") + ScoreCaptions,
        QStringLiteral("S:物理|75"),
        QStringLiteral("F:第 1 页"),
    }));
    // The student without scores gets one empty row, ruled like the others.
    const ReportPage &page = doc.pages[0];
    QCOMPARE(lines(page, indexOf(page, BandKind::SubDetail, 3)).size(), 4 + 4);
}

void TestReportLayouts::scoreReportPageBreak()
{
    // Below the page header and column header 23 rows fit on a page: the
    // first student's name row and 22 of its 30 scores, then the other 8
    // continue on page 2 without the name row.
    fixture::DataDir dir;
    dir.addStudent(QStringLiteral("s1"), QStringLiteral("甲"));
    dir.addStudent(QStringLiteral("s2"), QStringLiteral("乙"));
    for (int i = 1; i <= 30; ++i)
        dir.addScore(i, QStringLiteral("s1"), QStringLiteral("科目%1").arg(i), i);
    dir.addScore(31, QStringLiteral("s2"), QStringLiteral("数学"), 88);

    holders::Reports r(dir.path());
    r.show();
    const ReportDocument doc = r.score->Report1.prepare();
    QCOMPARE(doc.pageCount(), 2);
    const ReportPage &p1 = doc.pages[0];
    const ReportPage &p2 = doc.pages[1];
    QCOMPARE(p1.bandCount(BandKind::Detail), 1);
    QCOMPARE(p1.bandCount(BandKind::SubDetail), 22);

    const QStringList page2 = rows(doc).mid(rows(doc).indexOf(QStringLiteral("--")) + 1);
    QCOMPARE(page2.mid(0, 3), (QStringList{QStringLiteral("H:学生成绩信息表|") + Date, QStringLiteral("C:姓名|成绩情况"),
                                           QStringLiteral("S:科目23|23")}));
    QCOMPARE(p2.bandCount(BandKind::SubDetail), 8 + 1);
    QCOMPARE(p2.texts(BandKind::Detail), QStringList{QStringLiteral("乙")} + ScoreCaptions.mid(1).split(u'|'));
    QCOMPARE(page2.last(), QStringLiteral("F:第 2 页"));
    QCOMPARE(p1.texts(BandKind::PageFooter), QStringList{QStringLiteral("第 1 页")});
}

void TestReportLayouts::scoreReportEmpty()
{
    fixture::DataDir dir;
    dir.addScore(1, QStringLiteral("s1"), QStringLiteral("数学"), 90);   // no student to follow
    holders::Reports r(dir.path());
    r.show();
    const ReportDocument doc = r.score->Report1.prepare();
    // The empty name row still carries the captions: they are fixed texts.
    QCOMPARE(rows(doc), (QStringList{QStringLiteral("H:学生成绩信息表|") + Date, QStringLiteral("C:姓名|成绩情况"),
                                     QStringLiteral("D:") + ScoreCaptions.mid(1), QStringLiteral("S:"),
                                     QStringLiteral("F:第 1 页")}));
}

void TestReportLayouts::previewPagesOverTheTables()
{
    // The preview lays each page out when it is shown, moving the tables'
    // cursors straight to where the page begins; over the record layer it
    // must give the pages of one walk, asked for last page first.
    fixture::DataDir dir;
    for (int i = 1; i <= 80; ++i) {
        const QString no = QStringLiteral("%1").arg(i, 3, 10, QLatin1Char('0'));
        dir.addStudent(no, QStringLiteral("学生%1").arg(i));
        for (int k = 0; k < i % 4; ++k)
            dir.addScore(i * 10 + k, no, QStringLiteral("科目%1").arg(k), 60 + k);
    }
    holders::Reports r(dir.path());
    r.show();
    for (Report *report : {&r.stud->Report1, &r.score->Report1}) {
        const ReportDocument eager = report->prepare();
        PagedReport paged(*report);
        QVERIFY(paged.paginate({}));
        QCOMPARE(paged.pageCount(), eager.pageCount());
        QVERIFY(paged.pageCount() >= 4);
        ReportDocument lazy;
        lazy.pages.resize(size_t(paged.pageCount()));
        for (int i = paged.pageCount() - 1; i >= 0; --i)
            lazy.pages[size_t(i)] = paged.page(i);
        QCOMPARE(rows(lazy), rows(eager));
    }
}

void TestReportLayouts::pdf_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<int>("pages");
    QTest::addColumn<QStringList>("firstPage");   // texts in order, blanks removed
    QTest::addColumn<QString>("lastPageEnd");

    const QString date = Date;
    QTest::newRow("students") << 0 << 2
            << QStringList{QStringLiteral("学生信息表") + date, QStringLiteral("学号姓名性别籍贯民族出生日期入学日期班级专业系别"),
                           QStringLiteral("01学生01"), QStringLiteral("第1页")}
            << QStringLiteral("30学生30共有30个学生第2页");
    QTest::newRow("classes") << 1 << 1
            << QStringList{QStringLiteral("班级信息表") + date, QStringLiteral("班级号班级名称"), QStringLiteral("c1班级1")}
            << QStringLiteral("共有2个班级第1页");
    QTest::newRow("courses") << 2 << 1
            << QStringList{QStringLiteral("课程信息") + date, QStringLiteral("课程号课程名称"), QStringLiteral("k1课程1")}
            << QStringLiteral("共有2门课程第1页");
    QTest::newRow("scores") << 3 << 3
            << QStringList{QStringLiteral("学生成绩信息表") + date, QStringLiteral("姓名成绩情况"),
                           QStringLiteral("学生01科目成绩第一次补考成绩第二次补考成绩"), QStringLiteral("数学80")}
            << QStringLiteral("学生30科目成绩第一次补考成绩第二次补考成绩数学80第3页");
}

void TestReportLayouts::pdf()
{
    QFETCH(int, which);
    QFETCH(int, pages);
    QFETCH(QStringList, firstPage);
    QFETCH(QString, lastPageEnd);

    fixture::DataDir dir;
    for (int i = 1; i <= 30; ++i) {
        const QString no = QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
        dir.addStudent(no, QStringLiteral("学生") + no);
        dir.addScore(i, no, QStringLiteral("数学"), 80);
    }
    for (int i = 1; i <= 2; ++i) {
        dir.addClass(QStringLiteral("c%1").arg(i), QStringLiteral("班级%1").arg(i));
        dir.addCourse(QStringLiteral("k%1").arg(i), QStringLiteral("课程%1").arg(i));
    }
    holders::Reports r(dir.path());
    r.show();
    const ReportDocument doc = r.all().at(which)->prepare();
    QCOMPARE(doc.pageCount(), pages);
    const QString path = m_out.filePath(QStringLiteral("%1.pdf").arg(QTest::currentDataTag()));
    QString error;
    QVERIFY2(writePdf(doc, path, &error), qPrintable(error));

    const std::optional<QString> info = fixtures::runTool(QStringLiteral("pdfinfo"), {path});
    const std::optional<QString> text = fixtures::runTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!info || !text)
        QSKIP("poppler-utils is not installed");
    QVERIFY2(info->contains(QRegularExpression(QStringLiteral("Pages:\\s+%1\\n").arg(pages))), qPrintable(*info));
    QStringList texts = text->split(u'\f');
    if (!texts.isEmpty() && texts.last().trimmed().isEmpty())
        texts.removeLast();
    QCOMPARE(texts.size(), pages);
    for (QString &t : texts)
        t.remove(QRegularExpression(QStringLiteral("\\s")));
    // The first page's texts come out in order (each after the one before).
    qsizetype at = 0;
    for (const QString &expected : firstPage) {
        const qsizetype found = texts.first().indexOf(expected, at);
        QVERIFY2(found >= 0, qPrintable(expected + QStringLiteral(" in ") + texts.first()));
        at = found + expected.size();
    }
    QVERIFY2(texts.last().endsWith(lastPageEnd), qPrintable(texts.last()));

    // Every page reads back as exactly the characters printed on it: no "生"
    // copied out as its look-alike radical "⽣", none lost or added.
    for (int i = 0; i < pages; ++i) {
        QString printed = doc.pages[size_t(i)].texts().join(QString());
        printed.remove(QRegularExpression(QStringLiteral("\\s")));
        for (const QString &t : doc.pages[size_t(i)].texts())
            QVERIFY2(texts[i].contains(QString(t).remove(QRegularExpression(QStringLiteral("\\s")))),
                     qPrintable(t + QStringLiteral(" in ") + texts[i]));
        QString read = texts[i];
        std::sort(printed.begin(), printed.end());
        std::sort(read.begin(), read.end());
        QCOMPARE(read, printed);
    }
}

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    store::installActionHooks();
    TestReportLayouts test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_report_layouts.moc"
