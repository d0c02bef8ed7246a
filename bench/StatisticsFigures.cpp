#include "bench/Figures.h"

#include "core/Globals.h"
#include "db/Engines.h"
#include "records/stat/TForm26_Stat.h"
#include "reports/engine/ReportPreview.h"
#include "skin/SkinComboBox.h"
#include "ui/Ui.h"

#include <QAbstractTableModel>

#include <cstdio>

namespace bench {

namespace {

// The class the figures are of: 40 students from the middle of the stored
// order, put into a class of their own on the working copy (the generated
// classes hold thousands of students each).
const QString BenchClass = QStringLiteral("统计测试班");
constexpr int ClassSize = 40;

void makeClass(Raw &raw)
{
    raw.exec(QStringLiteral("UPDATE %1 SET 班级 = ?1 WHERE rowid IN (SELECT rowid FROM %1 ORDER BY rowid LIMIT ?2 "
                            "OFFSET (SELECT count(*) / 2 FROM %1))")
                 .arg(raw.students()),
             {BenchClass, ClassSize});
}

// The same figures in SQL: the score that counts per record, the best per
// student and course, the figures per course, the class ranks per course
// and on the total (students with a score in every course of their class).
struct RawStatistics {
    Raw &raw;
    QString withRecords(const QString &cls) const
    {
        const bool server = !bench::server().isEmpty();
        const QString best = server ? QStringLiteral("GREATEST(sc.成绩, sc.第一次补考成绩, sc.第二次补考成绩)")
                                    : QStringLiteral("NULLIF(max(coalesce(sc.成绩, -1), coalesce(sc.第一次补考成绩, -1), "
                                                     "coalesce(sc.第二次补考成绩, -1)), -1)");
        const QString join = server ? QStringLiteral("lower((sc.学号)::text COLLATE \"C\") = lower((st.学号)::text COLLATE \"C\")")
                                    : QStringLiteral("sc.学号 = st.学号 COLLATE NOCASE");
        return QStringLiteral("WITH rec AS (SELECT st.rowid AS sid, st.班级 AS cls, sc.科目 AS course, "
                              "CASE WHEN sc.成绩 >= 60 THEN sc.成绩 ELSE %1 END AS v "
                              "FROM %2 st JOIN %3 sc ON %4 %5), "
                              "best AS (SELECT sid, cls, course, max(v) AS v FROM rec GROUP BY sid, cls, course) ")
            .arg(best, raw.students(), raw.scores(), join,
                 cls.isEmpty() ? QString() : QStringLiteral("WHERE st.班级 = ?1"));
    }
    qint64 run(const QString &cls) const
    {
        const QVariantList params = cls.isEmpty() ? QVariantList() : QVariantList{cls};
        auto band = [](const char *cond) { return QStringLiteral("sum(CASE WHEN %1 THEN 1 ELSE 0 END)").arg(QLatin1String(cond)); };
        qint64 sink = 0;
        const QString courses =
            withRecords(cls)
            + QStringLiteral("SELECT course, count(v), %1, avg(v), max(v), min(v), %2, %3, %4, %5, %6, %7, %8 FROM best GROUP BY course")
                  .arg(band("v IS NULL"), band("v >= 60"), band("v >= 85"), band("v < 60"), band("v >= 60 AND v < 70"),
                       band("v >= 70 AND v < 80"), band("v >= 80 AND v < 90"), band("v >= 90"));
        sink += qint64(raw.rows(courses, params).size());
        const QString courseRanks =
            withRecords(cls)
            + QStringLiteral("SELECT sid, course, v, CASE WHEN v IS NULL THEN NULL ELSE "
                             "rank() OVER (PARTITION BY cls, course, v IS NULL ORDER BY v DESC) END FROM best");
        sink += qint64(raw.rows(courseRanks, params).size());
        const QString totals =
            withRecords(cls)
            + QStringLiteral(", n AS (SELECT cls, count(DISTINCT course) AS courses FROM best GROUP BY cls), "
                             "tot AS (SELECT sid, cls, sum(v) AS total, count(v) AS counted FROM best GROUP BY sid, cls) "
                             "SELECT sid, total, rank() OVER (PARTITION BY tot.cls ORDER BY total DESC) "
                             "FROM tot JOIN n ON n.cls = tot.cls WHERE counted = courses AND counted > 0");
        sink += qint64(raw.rows(totals, params).size());
        return sink;
    }
    // What the cards print besides: each student's fields and records.
    qint64 cards(const QString &cls) const
    {
        const bool server = !bench::server().isEmpty();
        const QString join = server ? QStringLiteral("lower((sc.学号)::text COLLATE \"C\") = lower((st.学号)::text COLLATE \"C\")")
                                    : QStringLiteral("sc.学号 = st.学号 COLLATE NOCASE");
        const auto rows = raw.rows(QStringLiteral("SELECT st.rowid, st.*, sc.* FROM %1 st LEFT JOIN %2 sc ON %3 "
                                                  "WHERE st.班级 = ?1 ORDER BY st.rowid, sc.序号")
                                       .arg(raw.students(), raw.scores(), join),
                                   {cls});
        return run(cls) + qint64(rows.size());
    }
};

} // namespace

void statisticsFigures(const QString &source, const QString &workRoot)
{
    const Copy copy = makeCopy(source, workRoot, QStringLiteral("statistics"));
    {
        auto raw = Raw::open(copy);
        makeClass(*raw);
    }
    use(copy);
    auto *window = new TForm26_Stat;
    window->show();
    window->ComboBox_Class->addItem(BenchClass);
    auto pick = [&](const QString &cls) {
        window->ComboBox_Class->setCurrentIndex(cls.isEmpty() ? 0 : window->ComboBox_Class->findText(cls));
        window->ComboBox_Course->setCurrentIndex(0);
    };

    // From the button to the tables filled: read, worked out, shown.
    pick(BenchClass);
    const double cls = medianMs(5, [&] { window->Button_StatClick(); });
    if (window->ranksModel()->rowCount() != ClassSize)
        std::fprintf(stderr, "quillmere-bench: the class's statistics list %d students, not %d\n",
                     window->ranksModel()->rowCount(), ClassSize);
    pick(QString());
    const double school = medianMs(3, [&] { window->Button_StatClick(); });

    // The class's report cards, from the button to the preview with its
    // first page drawn.
    pick(BenchClass);
    window->ComboBox_Cards->setCurrentIndex(1);
    int pages = 0;
    double shown = 0;
    QElapsedTimer t;
    ui::setModalScript([&](QWidget *w) {
        auto &p = *qobject_cast<report::ReportPreview *>(w);
        (void)p.pageWidget()->grab();
        shown = ms(t);
        pages = p.pageCount();
    });
    std::vector<double> cardTimes;
    for (int i = 0; i < 5; ++i) {
        t.restart();
        window->Button_CardsClick();
        cardTimes.push_back(shown);
    }
    ui::setModalScript({});
    std::sort(cardTimes.begin(), cardTimes.end());
    const double cards = cardTimes[cardTimes.size() / 2];
    if (pages < ClassSize)
        std::fprintf(stderr, "quillmere-bench: the class's report cards came out with %d pages\n", pages);
    delete window;
    store::resetEngines();

    // Raw SQL over a copy of the same records, timed the same way.
    const Copy baseline = makeCopy(source, workRoot, QStringLiteral("statistics_sql"));
    auto raw = Raw::open(baseline);
    makeClass(*raw);
    const RawStatistics sql{*raw};
    const double rawClass = medianMs(5, [&] { (void)sql.run(BenchClass); });
    const double rawSchool = medianMs(3, [&] { (void)sql.run(QString()); });
    const double rawCards = medianMs(5, [&] { (void)sql.cards(BenchClass); });

    figure("statistics_class", cls, "ms");
    figure("statistics_class_ratio_vs_sql", cls / rawClass, "x");
    figure("statistics_school", school, "ms");
    figure("statistics_school_ratio_vs_sql", school / rawSchool, "x");
    figure("report_cards_class", cards, "ms");
    figure("report_cards_class_ratio_vs_sql", cards / rawCards, "x");
}

} // namespace bench
