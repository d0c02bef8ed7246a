#include "bench/Figures.h"

#include "app/core/Globals.h"
#include "app/core/Instances.h"
#include "app/core/Ui.h"
#include "records/score/TForm16_Scroce_Query.h"
#include "records/student/TForm3_stud.h"
#include "skin/SkinComboBox.h"
#include "skin/SkinEdit.h"
#include "store/DataModule.h"
#include "store/Engine.h"
#include "store/Schema.h"
#include "store/Walk.h"

#include <QLabel>

#include <cstdio>

namespace sch = store::schema;

namespace bench {

namespace {

const QString ScoreTable = QStringLiteral("s.\"学生成绩表\"");
const QString StudentTable = QStringLiteral("main.\"学生信息表\"");

// The data module opened on `dataPath`, published as DM1 for the windows.
struct Module {
    explicit Module(const QString &dataPath)
    {
        DataPath = dataPath;
        DM1 = new TDM1;
    }
    ~Module()
    {
        delete DM1;
        DM1 = nullptr;
        store::resetEngines();
    }
};

// The student in the middle of the table's stored order: its row id and number.
std::pair<qint64, QString> middleStudent(RawFiles &raw, int students)
{
    store::sql::Stmt st(raw.db.handle(),
                        QStringLiteral("SELECT rowid, 学号 FROM %1 ORDER BY rowid LIMIT 1 OFFSET ?1").arg(StudentTable));
    st.bindInt64(1, students / 2);
    if (!st.step())
        return {0, QString()};
    return {st.columnInt64(0), st.column(1).toString()};
}

// What the score search by number reads: the students with the number, the
// scores of the first through the number index, and the exact-number
// statistics.
qint64 rawScoreSearch(RawFiles &raw, const QString &number)
{
    qint64 sink = 0;
    QString found;
    store::sql::Stmt students(raw.db.handle(), QStringLiteral("SELECT rowid, * FROM %1 WHERE 学号 = ?1").arg(StudentTable));
    students.bind(1, number);
    for (bool first = true; students.step(); first = false) {
        for (int i = 0; i < students.columnCount(); ++i)
            sink += students.column(i).toString().size();
        if (first)
            found = students.column(1).toString();
    }
    store::sql::Stmt scores(raw.db.handle(),
                            QStringLiteral("SELECT rowid, * FROM %1 WHERE 学号 = ?1 COLLATE NOCASE "
                                           "ORDER BY 学号 COLLATE NOCASE, rowid").arg(ScoreTable));
    scores.bind(1, found);
    qint64 total = 0;
    int count = 0;
    while (scores.step()) {
        QVariantList row;
        for (int i = 0; i < scores.columnCount(); ++i)
            row << scores.column(i);
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
    const QString dir = copyData(source, workRoot, QStringLiteral("module"));
    Module module(dir);
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
    RawFiles raw(dir);
    const QString number = middleStudent(raw, scale.students).second;
    TForm16_Scroce_Query window;
    window.ComboBox_Query_Scroce->setCurrentIndex(0);
    window.Edit_StudName->setText(number);
    const double program = medianMs(5, [&] { window.skinButton1Click(); });
    if (window.Label7->text() != QLatin1String("1"))
        std::fprintf(stderr, "quillmere-bench: the score search by number found %s students\n",
                     qPrintable(window.Label7->text()));
    const double baseline = medianMs(5, [&] { sink += rawScoreSearch(raw, number); });
    figure("score_search_by_number", program, "ms");
    figure("score_search_by_number_sql", baseline, "ms");
    figure("score_search_by_number_ratio_vs_sql", program / baseline, "x");
    if (sink == 42)
        std::fprintf(stderr, "\n");
}

void renumberFigures(const QString &source, const QString &workRoot)
{
    // The first score gone, so that every other one gets a new number.
    const QString programDir = copyData(source, workRoot, QStringLiteral("renumber"));
    {
        RawFiles raw(programDir);
        raw.exec(QStringLiteral("DELETE FROM %1 WHERE 序号 = 1").arg(ScoreTable));
    }
    const QString baselineDir = copyData(programDir, workRoot, QStringLiteral("renumber_sql"));

    // Opening the table reads its record list: part of the work, timed.
    QElapsedTimer t;
    t.start();
    {
        DataPath = programDir;
        store::TTable scores(QStringLiteral("Table_Scroce_2"));
        scores.setDatabaseName(programDir);
        scores.setTableName(programDir + sch::ScoreFile);
        scores.setIndexName(QStringLiteral("primary"));
        scores.open();
        store::renumber(scores, QStringLiteral("序号"));
        store::commitAll();
    }
    const double program = ms(t);
    store::resetEngines();

    t.restart();
    {
        RawFiles raw(baselineDir);
        std::vector<qint64> rowids;
        store::sql::Stmt sel(raw.db.handle(), QStringLiteral("SELECT rowid FROM %1 ORDER BY 序号").arg(ScoreTable));
        while (sel.step())
            rowids.push_back(sel.columnInt64(0));
        raw.exec(QStringLiteral("BEGIN"));
        store::sql::Stmt up(raw.db.handle(), QStringLiteral("UPDATE %1 SET 序号=?1 WHERE rowid=?2").arg(ScoreTable));
        qint64 i = 1;
        for (qint64 rowid : rowids) {
            up.reset();
            up.bindInt64(1, i++);
            up.bindInt64(2, rowid);
            up.step();
        }
        raw.exec(QStringLiteral("COMMIT"));
    }
    const double baseline = ms(t);
    figure("renumber_scores", program, "ms");
    figure("renumber_scores_sql", baseline, "ms");
    figure("renumber_scores_ratio_vs_sql", program / baseline, "x");
    checkSameFiles("renumber_scores", programDir, baselineDir, {sch::ScoreFile});
}

void deleteStudentFigures(const QString &source, const QString &workRoot, const Scale &scale)
{
    const QString programDir = copyData(source, workRoot, QStringLiteral("delete"));
    const QString baselineDir = copyData(source, workRoot, QStringLiteral("delete_sql"));

    double program = 0;
    {
        Module module(programDir);
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
        RawFiles raw(baselineDir);
        const auto [rowid, number] = middleStudent(raw, scale.students);
        const QString exact = QStringLiteral("学号 = ?1 COLLATE NOCASE AND 学号 = ?1");
        raw.exec(QStringLiteral("BEGIN"));
        const qint64 first = raw.scalar(QStringLiteral("SELECT min(序号) FROM %1 WHERE %2").arg(ScoreTable, exact), {number});
        raw.exec(QStringLiteral("DELETE FROM %1 WHERE %2").arg(ScoreTable, exact), {number});
        if (first > 0)
            raw.exec(QStringLiteral("UPDATE %1 SET 序号 = r.n FROM (SELECT rowid AS id, ?1 - 1 + row_number() "
                                    "OVER (ORDER BY 序号) AS n FROM %1 WHERE 序号 > ?1) AS r "
                                    "WHERE %1.rowid = r.id").arg(ScoreTable), {first});
        raw.exec(QStringLiteral("DELETE FROM %1 WHERE rowid = ?1").arg(StudentTable), {rowid});
        raw.exec(QStringLiteral("COMMIT"));
    }
    const double baseline = ms(t);
    figure("delete_student_middle", program, "ms");
    figure("delete_student_middle_sql", baseline, "ms");
    figure("delete_student_ratio_vs_sql", program / baseline, "x");
    checkSameFiles("delete_student_middle", programDir, baselineDir, {sch::StudentFile, sch::ScoreFile});
}

} // namespace bench
