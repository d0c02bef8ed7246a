// quillmere-bench [--students N --scores M] [--data DIR] [--server CONNINFO]
//                 [--clerks N [--seconds S] [--think MS] [--every-kind]] [--only GROUP]
// Prints one line per figure, "name: value unit", on a data directory of N
// students and M scores (10,000 and 100,000 unless told otherwise),
// generated with quillmere-initdb, or a copy of DIR made by it earlier with
// the same numbers (generating a million scores takes a while). With a
// server, every working copy is moved into a database of its own there
// (dropped at the end) and the program and the baselines run on it.
// With --clerks only the load figures are printed: N clerks at once on one
// copy for S seconds (60 unless told), then the check that nothing was lost.
#include "bench/Figures.h"
#include "bench/Load.h"

#include "core/Error.h"
#include "data/DataSet.h"
#include "db/Engines.h"
#include "tools/CodepageCheck.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

using namespace bench;

int main(int argc, char **argv)
{
    if (isClerk(argc, argv))
        return runClerk(argc, argv);
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    if (const int refused = tools::refuseWithoutCodepage("quillmere-bench"))
        return refused;
    Scale scale;
    QString source;
    LoadPlan load;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--students"))
            scale.students = args[i + 1].toInt();
        if (args[i] == QLatin1String("--scores"))
            scale.scores = args[i + 1].toInt();
        if (args[i] == QLatin1String("--data"))
            source = args[i + 1];
        if (args[i] == QLatin1String("--server"))
            setServer(args[i + 1]);
        if (args[i] == QLatin1String("--clerks"))
            load.clerks = args[i + 1].toInt();
        if (args[i] == QLatin1String("--seconds"))
            load.seconds = args[i + 1].toInt();
        if (args[i] == QLatin1String("--think"))
            load.thinkMs = args[i + 1].toInt();
    }
    load.everyKind = args.contains(QLatin1String("--every-kind"));
    QTemporaryDir tmp;
    if (source.isEmpty()) {
        source = tmp.path() + QStringLiteral("/DB_Files");
        const QString initdb = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("quillmere-initdb"));
        QElapsedTimer gen;
        gen.start();
        if (QProcess::execute(initdb, {source, QStringLiteral("--students"), QString::number(scale.students),
                                       QStringLiteral("--scores"), QString::number(scale.scores)}) != 0) {
            std::fprintf(stderr, "quillmere-bench: could not generate the data directory with %s\n", qPrintable(initdb));
            return 1;
        }
        figure("generate_data", ms(gen), "ms");
    }

    int rc = 0;
    try {
        if (load.clerks > 0) {
            rc = loadFigures(source, tmp.path(), load);
            store::resetEngines();
            dropServerCopies();
            return rc;
        }
        // Memory first, before the other figures have grown the process.
        // --only GROUP prints one group (to look at it closely).
        const QString only = args.contains(QLatin1String("--only")) ? args.value(args.indexOf(QLatin1String("--only")) + 1) : QString();
        const auto wanted = [&](const char *group) { return only.isEmpty() || only == QLatin1String(group); };
        if (wanted("module"))
            dataModuleFigures(source, tmp.path(), scale);
        if (wanted("reports"))
            reportFigures(source, tmp.path());
        if (wanted("statistics"))
            statisticsFigures(source, tmp.path());
        if (wanted("renumber"))
            renumberFigures(source, tmp.path());
        if (wanted("delete"))
            deleteStudentFigures(source, tmp.path(), scale);
        if (wanted("backup"))
            backupFigures(source, tmp.path());
        if (wanted("exchange"))
            exchangeFigures(source, tmp.path(), scale);
    } catch (const store::Error &e) {
        std::fprintf(stderr, "quillmere-bench: %s\n", qPrintable(e.text()));
        rc = 1;
    }
    store::resetEngines();
    dropServerCopies();
    return rc;
}
