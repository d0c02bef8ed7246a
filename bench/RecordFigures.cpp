#include "bench/Figures.h"

#include "core/Globals.h"
#include "db/Engines.h"
#include "ui/Instances.h"
#include "ui/Ui.h"
#include "records/score/TForm16_Scroce_Query.h"
#include "records/student/TForm3_stud.h"
#include "skin/SkinComboBox.h"
#include "skin/SkinEdit.h"
#include "office/DataModule.h"
#include "db/Engine.h"
#include "office/Schema.h"
#include "data/Walk.h"
#include "data/Table.h"

#include <QLabel>

#include <cstdio>

namespace sch = store::schema;

namespace bench {

namespace {

// The student in the middle of the table's stored order: its row id and number.
std::pair<qint64, QString> middleStudent(Raw &raw, int students)
{
    const std::vector<Row> r = raw.rows(
        QStringLiteral("SELECT rowid, 学号 FROM %1 ORDER BY rowid LIMIT 1 OFFSET ?1").arg(raw.students()),
        {qlonglong(students / 2)});
    if (r.empty())
        return {0, QString()};
    return {r[0][0].toLongLong(), r[0][1].toString()};
}

// What the score search by number reads: the students with the number, the
// scores of the first through the number index, and the exact-number
// statistics.
qint64 rawScoreSearch(Raw &raw, const QString &number)
{
    qint64 sink = 0;
    QString found;
    bool first = true;
    for (const Row &student : raw.rows(QStringLiteral("SELECT rowid, * FROM %1 WHERE 学号 = ?1").arg(raw.students()), {number})) {
        for (const QVariant &v : student)
            sink += v.toString().size();
        if (first)
            found = student[1].toString();
        first = false;
    }
    // The number index orders by the folded number, then by row id.
    qint64 total = 0;
    int count = 0;
    for (const Row &row : raw.rows(QStringLiteral("SELECT rowid, * FROM %1 WHERE %2 ORDER BY %3, rowid")
                                       .arg(raw.scores(), raw.numberNoCase(QStringLiteral("?1")), raw.numberKey()), {found})) {
        if (row[2].toString() == found) {
            ++count;
            total += row[4].toLongLong();
        }
    }
    return sink + total + count;
}

} // namespace

void dataModuleFigures(const QString &source, const QString &workRoot, const Scale &scale)
{
    const Copy copy = makeCopy(source, workRoot, QStringLiteral("module"));
    Module module(copy);
    QElapsedTimer t;
    t.start();
    DM1->DataModuleCreate();
    figure("open_data_module", ms(t), "ms");
    figure("rss_after_open", rssMb(), "MB");

    // Moving the master student re-reads that student's scores.
    store::TTable &stud = *DM1->Table_stud;
    const int moves = std::min(2000, scale.students - 1);
    t.restart();
    for (int i = 0; i < moves; ++i) {
        stud.next();
        (void)DM1->Table_Scroce_1->recordCount();
    }
    figure("master_move", ms(t) / std::max(moves, 1), "ms");

    // Record number and count are read by every status line every 100 ms.
    store::TTable &all = *DM1->Table_Scroce_2;
    all.last();
    t.restart();
    qint64 sink = 0;
    const int calls = 1000000;
    for (int i = 0; i < calls; ++i)
        sink += all.recNo() + all.recordCount();
    figure("recno_count", double(t.nsecsElapsed()) / calls, "ns");

    // The search window's search by number, from the button to the count
    // and the statistics, against the same reads in raw SQL.
    const auto raw = Raw::open(copy);
    const QString number = middleStudent(*raw, scale.students).second;
    TForm16_Scroce_Query window;
    window.ComboBox_Query_Scroce->setCurrentIndex(0);
    window.Edit_StudName->setText(number);
    const double program = medianMs(5, [&] { window.skinButton1Click(); });
    if (window.Label7->text() != QLatin1String("1"))
        std::fprintf(stderr, "quillmere-bench: the score search by number found %s students\n",
                     qPrintable(window.Label7->text()));
    const double baseline = medianMs(5, [&] { sink += rawScoreSearch(*raw, number); });
    figure("score_search_by_number", program, "ms");
    figure("score_search_by_number_sql", baseline, "ms");
    figure("score_search_by_number_ratio_vs_sql", program / baseline, "x");
    if (sink == 42)
        std::fprintf(stderr, "\n");
}

void renumberFigures(const QString &source, const QString &workRoot)
{
    // The first score gone, so that every other one gets a new number.
    const QString files = copyFiles(source, workRoot, QStringLiteral("renumber_files"));
    {
        const auto raw = Raw::open(Copy{files, QString()});
        raw->exec(QStringLiteral("DELETE FROM %1 WHERE 序号 = 1").arg(raw->scores()));
    }
    const Copy programCopy = makeCopy(files, workRoot, QStringLiteral("renumber"));
    const Copy baselineCopy = makeCopy(files, workRoot, QStringLiteral("renumber_sql"));

    // Opening the table reads its record list: part of the work, timed.
    QElapsedTimer t;
    t.start();
    {
        use(programCopy);
        store::TTable scores(QStringLiteral("Table_Scroce_2"));
        scores.setDatabaseName(programCopy.dir);
        scores.setTableName(programCopy.dir + sch::ScoreFile);
        scores.setIndexName(QStringLiteral("primary"));
        scores.open();
        store::renumber(scores, QStringLiteral("序号"));
        store::commitAll();
    }
    const double program = ms(t);
    store::resetEngines();

    t.restart();
    {
        const auto raw = Raw::open(baselineCopy);
        std::vector<QVariantList> numbers;
        qint64 i = 1;
        for (const Row &row : raw->rows(QStringLiteral("SELECT rowid FROM %1 ORDER BY 序号").arg(raw->scores())))
            numbers.push_back({qlonglong(i++), row[0]});
        raw->exec(QStringLiteral("BEGIN"));
        raw->execEach(QStringLiteral("UPDATE %1 SET 序号=?1 WHERE rowid=?2").arg(raw->scores()), numbers);
        raw->exec(QStringLiteral("COMMIT"));
    }
    const double baseline = ms(t);
    figure("renumber_scores", program, "ms");
    figure("renumber_scores_sql", baseline, "ms");
    figure("renumber_scores_ratio_vs_sql", program / baseline, "x");
    checkSameTables("renumber_scores", programCopy, baselineCopy, {sch::ScoreFile});
}

void deleteStudentFigures(const QString &source, const QString &workRoot, const Scale &scale)
{
    const Copy programCopy = makeCopy(source, workRoot, QStringLiteral("delete"));
    const Copy baselineCopy = makeCopy(source, workRoot, QStringLiteral("delete_sql"));

    double program = 0;
    {
        Module module(programCopy);
        DM1->DataModuleCreate();
        auto *window = new TForm3_stud;
        Form3_stud = window;
        UserRight = 1;
        ui::setMessageBoxScript([](const ui::ShownBox &) { return int(ui::IdYes); });
        DM1->Table_stud->setRecNo(scale.students / 2 + 1);
        QElapsedTimer t;
        t.start();
        window->Button_DelClick();
        store::commitAll();
        program = ms(t);
        ui::setMessageBoxScript({});
        Form3_stud = nullptr;
        delete window;
    }

    // Through the number index: the student's scores, then one statement
    // that renumbers only the records after the first of them.
    QElapsedTimer t;
    t.start();
    {
        const auto raw = Raw::open(baselineCopy);
        const auto [rowid, number] = middleStudent(*raw, scale.students);
        const QString exact = raw->numberNoCase(QStringLiteral("?1")) + QStringLiteral(" AND 学号 = ?1");
        const QString scores = raw->scores();
        raw->exec(QStringLiteral("BEGIN"));
        const qint64 first = raw->scalar(QStringLiteral("SELECT min(序号) FROM %1 WHERE %2").arg(scores, exact), {number});
        raw->exec(QStringLiteral("DELETE FROM %1 WHERE %2").arg(scores, exact), {number});
        if (first > 0)
            raw->exec(QStringLiteral("UPDATE %1 SET 序号 = r.n FROM (SELECT rowid AS id, ?1 - 1 + row_number() "
                                     "OVER (ORDER BY 序号) AS n FROM %1 WHERE 序号 > ?1) AS r "
                                     "WHERE %1.rowid = r.id").arg(scores), {first});
        raw->exec(QStringLiteral("DELETE FROM %1 WHERE rowid = ?1").arg(raw->students()), {rowid});
        raw->exec(QStringLiteral("COMMIT"));
    }
    const double baseline = ms(t);
    figure("delete_student_middle", program, "ms");
    figure("delete_student_middle_sql", baseline, "ms");
    figure("delete_student_ratio_vs_sql", program / baseline, "x");
    checkSameTables("delete_student_middle", programCopy, baselineCopy, {sch::StudentFile, sch::ScoreFile});
}

} // namespace bench
