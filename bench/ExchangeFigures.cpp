// Records in and out of spreadsheets: the whole score table exported to
// .csv and .xlsx, and a class list of the bench's size imported into an
// empty student table, against the sqlite3 shell doing the nearest raw work
// on the same records (".mode csv" output, ".import"); and how much the
// import grows the process.
#include "bench/Figures.h"

#include "db/Engines.h"
#include "exchange/Import.h"
#include "exchange/Tables.h"
#include "office/Schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <cstdio>

namespace sch = store::schema;

namespace bench {

namespace {

// The sqlite3 shell running commands on one table file; its time in ms, or
// a negative number when the shell is not there.
double shell(const QString &file, const QString &commands)
{
    QElapsedTimer t;
    t.start();
    QProcess p;
    p.start(QStringLiteral("sqlite3"), {QStringLiteral("-batch"), file});
    if (!p.waitForStarted())
        return -1;
    p.write(commands.toUtf8());
    p.closeWriteChannel();
    p.waitForFinished(-1);
    return p.exitCode() == 0 ? ms(t) : -1;
}

void exportTo(const Copy &copy, const QString &table, const QString &file)
{
    auto source = exchange::storedTable(copy.dir, *exchange::findTable(table));
    exchange::exportTable(*source, file);
}

void ratio(const char *name, double program, double baseline)
{
    if (baseline > 0)
        figure(name, program / baseline, "x");
}

} // namespace

void exchangeFigures(const QString &source, const QString &workRoot, const Scale &scale)
{
    const Copy copy = makeCopy(source, workRoot, QStringLiteral("exchange"));
    use(copy);
    const bool files = copy.conninfo.isEmpty();
    const QString csv = workRoot + QStringLiteral("/scores.csv");
    const QString xlsx = workRoot + QStringLiteral("/scores.xlsx");
    const QString shellCsv = workRoot + QStringLiteral("/scores_shell.csv");

    const double exportCsv = medianMs(3, [&] { exportTo(copy, QStringLiteral("学生成绩表"), csv); });
    const double exportXlsx = medianMs(1, [&] { exportTo(copy, QStringLiteral("学生成绩表"), xlsx); });
    figure("export_scores_csv", exportCsv, "ms");
    figure("export_scores_xlsx", exportXlsx, "ms");
    if (files) {
        const double sql = medianMs(3, [&] {
            shell(copy.dir + sch::ScoreFile, QStringLiteral(".headers on\n.mode csv\n.output %1\nSELECT * FROM 学生成绩表 ORDER BY 序号;\n").arg(shellCsv));
        });
        figure("export_scores_sql", sql, "ms");
        ratio("export_scores_csv_ratio_vs_sql", exportCsv, sql);
        ratio("export_scores_xlsx_ratio_vs_sql", exportXlsx, sql);
    }

    // The class list: the students of the bench's data, into empty tables
    // that hold its classes.
    const QString list = workRoot + QStringLiteral("/students.csv");
    exportTo(copy, QStringLiteral("学生信息表"), list);
    const QString emptyDir = workRoot + QStringLiteral("/empty");
    const QString initdb = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("quillmere-initdb"));
    if (QProcess::execute(initdb, {emptyDir}) != 0) {
        std::fprintf(stderr, "quillmere-bench: could not make an empty data directory\n");
        return;
    }
    const Copy target = makeCopy(emptyDir, workRoot, QStringLiteral("import"));
    {
        // The classes the students name, so that each one passes its check.
        use(copy);
        const QString classes = workRoot + QStringLiteral("/classes.csv");
        exportTo(copy, QStringLiteral("班级信息"), classes);
        store::resetEngines();
        use(target);
        exchange::importTable(target.dir, *exchange::findTable(QStringLiteral("班级信息")), classes, {});
        store::commitAll();
    }
    const double before = rssMb();
    resetPeak();
    QElapsedTimer t;
    t.start();
    const exchange::ImportOutcome out =
        exchange::importTable(target.dir, *exchange::findTable(QStringLiteral("学生信息表")), list, {});
    store::commitAll();
    const double program = ms(t);
    if (out.added != scale.students && out.added == 0)
        std::fprintf(stderr, "quillmere-bench: import_students stored nothing: %s\n", qPrintable(out.summary()));
    figure("import_students", program, "ms");
    figure("import_rss_growth", std::max(0.0, peakRssMb() - before), "MB");
    store::resetEngines();
    if (files) {
        const QString raw = copyFiles(emptyDir, workRoot, QStringLiteral("import_sql"));
        const double sql = shell(raw + sch::StudentFile,
                                 QStringLiteral(".mode csv\n.import --skip 1 %1 学生信息表\n").arg(list));
        figure("import_students_sql", sql, "ms");
        ratio("import_students_ratio_vs_sql", program, sql);
    }
}

} // namespace bench
