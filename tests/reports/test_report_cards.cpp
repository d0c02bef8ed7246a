// The report cards over the class worked out by hand, read from the records
// on each engine: what each card carries, where its texts and rules lie in
// millimetres, a page per student, and a student whose courses run over a
// page.
#include "ReportHolders.h"

#include "core/Dates.h"
#include "office/Schema.h"
#include "reports/ScoreCards.h"
#include "reports/engine/Layouter.h"
#include "statistics/Snapshot.h"
#include "tests/statistics/ClassOfTen.h"

#include <QtTest>

using namespace report;
using holders::rows;

namespace {

const QString Date = dates::text(holders::Today);
const QString Header = QStringLiteral("H:学生成绩单|") + Date;
const QString Captions = QStringLiteral("S:科目|成绩|第一次补考成绩|第二次补考成绩|计分成绩|班级名次");

QString card(const QString &no, const QString &name)
{
    return QStringLiteral("D:学号|%1|姓名|%2|性别|班级|一班|专业|系别").arg(no, name);
}

} // namespace

class TestReportCards : public QObject {
    Q_OBJECT
private slots:
    void classCards();
    void oneStudent();
    void positionsInMillimetres();
    void manyCoursesBreakThePage();
    void previewPagesAsPrepared();

private:
    ReportDocument prepare(ScoreCards &cards, const QString &dataPath, int only = -1,
                           const stats::Marks &marks = {});
};

ReportDocument TestReportCards::prepare(ScoreCards &cards, const QString &dataPath, int only, const stats::Marks &marks)
{
    const stats::Snapshot snap = stats::readSnapshot(dataPath, classOfTen::Class);
    cards.setCards(snap, stats::compute(snap, marks), marks, only);
    cards.Report1.setToday(holders::Today);
    return cards.Report1.prepare();
}

void TestReportCards::classCards()
{
    fixture::DataDir dir;
    classOfTen::fill(dir);
    ScoreCards cards;
    const ReportDocument doc = prepare(cards, dir.path());
    QCOMPARE(cards.cardCount(), 10);
    QCOMPARE(doc.pageCount(), 10);
    const QStringList all = rows(doc);
    QCOMPARE(all.mid(0, 8), (QStringList{Header, card("S01", "学生1"), Captions,
                                          QStringLiteral("S:数学|95|95|2"), QStringLiteral("S:语文|80|80|4"),
                                          QStringLiteral("S:总分|175|平均分|87.50|总分名次|1"),
                                          QStringLiteral("F:第 1 页"), QStringLiteral("--")}));
    // Make-ups print as entered; the absent record says so; the student
    // missing a course is not ranked on the total.
    const int s05 = int(all.indexOf(card("S05", "学生5")));
    QCOMPARE(all.mid(s05 + 2, 1), QStringList{QStringLiteral("S:数学|45|70|70|6")});
    const int s06 = int(all.indexOf(card("S06", "学生6")));
    QCOMPARE(all.mid(s06 + 2, 1), QStringList{QStringLiteral("S:数学|40|50|55|55|9")});
    const int s07 = int(all.indexOf(card("S07", "学生7")));
    QCOMPARE(all.mid(s07 + 2, 3), (QStringList{QStringLiteral("S:数学|缺考"), QStringLiteral("S:语文|88|88|2"),
                                               QStringLiteral("S:总分|88|平均分|88.00|总分名次|缺科不排名")}));
    // Both records of a course entered twice, each as stored.
    const int s09 = int(all.indexOf(card("S09", "学生9")));
    QCOMPARE(all.mid(s09 + 3, 3), (QStringList{QStringLiteral("S:语文|86|86|3"), QStringLiteral("S:语文|50|50|3"),
                                               QStringLiteral("S:总分|170|平均分|85.00|总分名次|4")}));
    QCOMPARE(all.last(), QStringLiteral("F:第 10 页"));

    // With the option, the student missing a course is ranked too.
    stats::Marks marks;
    marks.rankIncomplete = true;
    const QStringList ranked = rows(prepare(cards, dir.path(), -1, marks));
    QCOMPARE(ranked.at(s07 + 4), QStringLiteral("S:总分|88|平均分|88.00|总分名次|9"));
}

void TestReportCards::oneStudent()
{
    fixture::DataDir dir;
    classOfTen::fill(dir);
    ScoreCards cards;
    const ReportDocument doc = prepare(cards, dir.path(), 9);
    QCOMPARE(doc.pageCount(), 1);
    QCOMPARE(rows(doc), (QStringList{Header, card("S10", "学生10"), Captions, QStringLiteral("S:数学|100|100|1"),
                                     QStringLiteral("S:语文|70|70|7"),
                                     QStringLiteral("S:总分|170|平均分|85.00|总分名次|4"), QStringLiteral("F:第 1 页")}));
}

void TestReportCards::positionsInMillimetres()
{
    fixture::DataDir dir;
    classOfTen::fill(dir);
    ScoreCards cards;
    const ReportDocument doc = prepare(cards, dir.path(), 0);
    const ReportPage &page = doc.pages.front();
    QCOMPARE(doc.page.paperMm, QSizeF(210.0, 297.0));
    auto at = [&](const QString &text) {
        const PageItem *it = page.findText(text);
        return it ? QPointF(it->x, it->y) : QPointF(-1, -1);
    };
    // Margins 10 mm; bands 10.6 mm, the student's 21.2 mm below the heading.
    QCOMPARE(at(QStringLiteral("学生成绩单")), QPointF(90.0, 13.2));
    QCOMPARE(at(Date), QPointF(167.7, 13.2));
    QCOMPARE(at(QStringLiteral("学号")), QPointF(13.2, 23.8));
    QCOMPARE(at(QStringLiteral("S01")), QPointF(26.2, 23.8));
    QCOMPARE(at(QStringLiteral("姓名")), QPointF(62.0, 23.8));
    QCOMPARE(at(QStringLiteral("专业")), QPointF(13.2, 34.4));
    QCOMPARE(page.bands.at(1).height, 21.2);
    // The captions and the score rows share one grid of columns and rules.
    const double captionTop = 41.8, firstRow = 52.4;
    auto textsAt = [&](double top) {
        QList<std::pair<double, QString>> out;
        for (const PageItem &it : page.items) {
            if (it.kind == PageItem::Text && qFuzzyCompare(it.y, top + 3.2))
                out << std::make_pair(it.x, it.text);
        }
        return out;
    };
    const auto captions = textsAt(captionTop);
    const auto values = textsAt(firstRow);
    QCOMPARE(captions.size(), 6);
    QCOMPARE(values.size(), 4); // 数学 95, no make-ups, 95 counted, rank 2
    const QList<int> valueColumns{0, 1, 4, 5};
    for (int i = 0; i < values.size(); ++i)
        QCOMPARE(values[i].first, captions[valueColumns[i]].first);
    QCOMPARE(values[3].second, QStringLiteral("2"));
    QCOMPARE(at(QStringLiteral("第一次补考成绩")).x(), 78.2);
    QList<double> captionRules, rowRules;
    for (const PageItem &it : page.items) {
        if (it.kind != PageItem::Rule)
            continue;
        if (qFuzzyCompare(it.y, captionTop))
            captionRules << it.x;
        else if (qFuzzyCompare(it.y, firstRow))
            rowRules << it.x;
    }
    QCOMPARE(captionRules, (QList<double>{55.0, 75.0, 110.0, 145.0, 170.0}));
    QCOMPARE(rowRules, captionRules);
    QCOMPARE(at(QStringLiteral("第 1 页")), QPointF(95.7, 297.0 - 10.0 - 10.6 + 4.2));
}

void TestReportCards::manyCoursesBreakThePage()
{
    fixture::DataDir dir;
    classOfTen::fill(dir);
    // The first student takes 28 more courses: 30 score rows, of which 21
    // fit on the first page below the heading, the student and the captions.
    QList<QVariantList> extra;
    for (int i = 1; i <= 28; ++i)
        extra << QVariantList{100 + i, QStringLiteral("S01"), QStringLiteral("课程%1").arg(i, 2, 10, QChar(u'0')), 70};
    dir.insert(store::schema::ScoreFile, {"序号", "学号", "科目", "成绩"}, extra);
    ScoreCards cards;
    const ReportDocument doc = prepare(cards, dir.path());
    QCOMPARE(doc.pageCount(), 11);
    const ReportPage &p1 = doc.pages[0], &p2 = doc.pages[1], &p3 = doc.pages[2];
    QCOMPARE(p1.bandCount(BandKind::SubDetail), 1 + 21);
    QCOMPARE(p1.texts(BandKind::PageFooter), QStringList{QStringLiteral("第 1 页")});
    // The card goes on below the heading; the student is not repeated.
    QCOMPARE(p2.bands.front().kind, BandKind::PageHeader);
    QCOMPARE(p2.bandCount(BandKind::Detail), 0);
    QCOMPARE(p2.bandCount(BandKind::SubDetail), 9 + 1);
    QVERIFY(p2.findText(QStringLiteral("课程28")));
    QVERIFY(p2.findText(QStringLiteral("总分")));
    // The next student starts a page of its own.
    QVERIFY(p3.findText(QStringLiteral("S02")));
    QCOMPARE(p3.texts(BandKind::PageFooter), QStringList{QStringLiteral("第 3 页")});
}

void TestReportCards::previewPagesAsPrepared()
{
    // The preview lays each page out on its own, from where it begins.
    fixture::DataDir dir;
    classOfTen::fill(dir);
    ScoreCards cards;
    const ReportDocument eager = prepare(cards, dir.path());
    PagedReport paged(cards.Report1);
    QVERIFY(paged.paginate({}));
    QCOMPARE(paged.pageCount(), eager.pageCount());
    ReportDocument lazy;
    for (int i = paged.pageCount() - 1; i >= 0; --i)
        lazy.pages.insert(lazy.pages.begin(), paged.page(i));
    QCOMPARE(rows(lazy), rows(eager));
}

QM_TEST_MAIN(TestReportCards)
#include "test_report_cards.moc"
