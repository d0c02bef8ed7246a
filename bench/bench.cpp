// quillmere-bench [--students N --scores M]
// Prints one line per figure, "name: value unit", on a generated data
// directory (10,000 students and 100,000 scores unless told otherwise).
#include "app/core/Globals.h"
#include "store/DataModule.h"
#include "store/Schema.h"
#include "store/Sqlite.h"

#ifdef QM_BENCH_REPORTS
#include "app/core/Instances.h"
#include "reports/TForm19.h"
#include "reports/TForm20_Out_Stud.h"
#include "reports/engine/ReportPreview.h"
#endif

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

namespace sch = store::schema;

namespace {

double ms(const QElapsedTimer &t) { return double(t.nsecsElapsed()) / 1e6; }

void figure(const char *name, double value, const char *unit)
{
    std::printf("%s: %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

// Optional figures registered by other layers (the report engine's).
std::vector<std::function<void(const QString &)>> &extraFigures()
{
    static std::vector<std::function<void(const QString &)>> v;
    return v;
}

#ifdef QM_BENCH_REPORTS
// The student list from the chooser's button to its preview window: the
// table bound and opened as the chooser does, every page prepared, the
// preview window made and shown.
void reportStudentList(const QString &dataPath)
{
    DataPath = dataPath;
    auto *holder = new TForm20_Out_Stud;
    Form20_Out_Stud = holder;
    auto *chooser = new TForm19;
    Form19 = chooser;
    chooser->FormShow();
    int pages = 0;
    report::ReportPreview::setPreviewScript([&](report::ReportPreview &p) { pages = p.pageCount(); });
    QElapsedTimer t;
    t.start();
    chooser->Button_StudClick();
    figure("report_student_list", ms(t), "ms");
    report::ReportPreview::setPreviewScript({});
    if (pages == 0)
        std::fprintf(stderr, "quillmere-bench: the student list came out without pages\n");
    Form19 = nullptr;
    Form20_Out_Stud = nullptr;
    delete chooser;
    delete holder;
}
#endif

double rawRenumber(const QString &file)
{
    store::sql::Db db;
    db.open(file, false);
    db.exec(QStringLiteral("PRAGMA journal_mode=DELETE"));
    db.exec(QStringLiteral("PRAGMA synchronous=FULL"));
    std::vector<qint64> rowids;
    {
        store::sql::Stmt sel(db.handle(), QStringLiteral("SELECT rowid FROM 学生成绩表 ORDER BY 序号"));
        while (sel.step())
            rowids.push_back(sel.columnInt64(0));
    }
    QElapsedTimer t;
    t.start();
    db.exec(QStringLiteral("BEGIN"));
    store::sql::Stmt up(db.handle(), QStringLiteral("UPDATE 学生成绩表 SET 序号=?1 WHERE rowid=?2"));
    qint64 i = 1;
    for (qint64 rowid : rowids) {
        up.reset();
        up.bindInt64(1, i++);
        up.bindInt64(2, rowid);
        up.step();
    }
    db.exec(QStringLiteral("COMMIT"));
    return ms(t);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
#ifdef QM_BENCH_REPORTS
    extraFigures().push_back(reportStudentList);
#endif
    int students = 10000, scores = 100000;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--students"))
            students = args[i + 1].toInt();
        if (args[i] == QLatin1String("--scores"))
            scores = args[i + 1].toInt();
    }
    QTemporaryDir tmp;
    const QString dir = tmp.path() + QStringLiteral("/DB_Files");
    const QString initdb = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("quillmere-initdb"));
    QElapsedTimer gen;
    gen.start();
    if (QProcess::execute(initdb, {dir, QStringLiteral("--students"), QString::number(students), QStringLiteral("--scores"),
                                   QString::number(scores)}) != 0) {
        std::fprintf(stderr, "quillmere-bench: could not generate the data directory with %s\n", qPrintable(initdb));
        return 1;
    }
    figure("generate_data", ms(gen), "ms");
    DataPath = dir + u'/';

    TDM1 dm;
    QElapsedTimer t;
    t.start();
    dm.DataModuleCreate();
    figure("open_data_module", ms(t), "ms");

    // Moving the master student re-reads that student's scores.
    store::TTable &stud = *dm.Table_stud;
    const int moves = std::min(2000, students - 1);
    t.restart();
    for (int i = 0; i < moves; ++i) {
        stud.next();
        (void)dm.Table_Scroce_1->recordCount();
    }
    figure("master_move", ms(t) / std::max(moves, 1), "ms");

    // Record number and count are read by every status line every 100 ms.
    store::TTable &all = *dm.Table_Scroce_2;
    all.last();
    t.restart();
    qint64 sink = 0;
    const int calls = 1000000;
    for (int i = 0; i < calls; ++i)
        sink += all.recNo() + all.recordCount();
    figure("recno_count", double(t.nsecsElapsed()) / calls, "ns");

    // Renumbering the way the windows do it: edit, write "序号", next.
    t.restart();
    all.first();
    const int n = all.recordCount();
    for (int i = 1; i <= n; ++i) {
        all.edit();
        all.fieldByName(QStringLiteral("序号")).setAsInteger(i);
        all.next();
    }
    store::commitAll();
    const double layer = ms(t);
    figure("renumber_100k", layer, "ms");
    dm.deleteLater();
    store::resetEngines();
    const double raw = rawRenumber(QDir(dir).filePath(sch::ScoreFile));
    figure("renumber_sqlite", raw, "ms");
    figure("renumber_ratio_vs_sqlite", layer / raw, "x");

    for (auto &f : extraFigures())
        f(dir + u'/');
    return sink == 42 ? 1 : 0;
}
