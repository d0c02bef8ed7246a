// backup: a backup of a working copy through the program's path (files or
// server), against the sqlite3 shell's VACUUM INTO of the same six files.
#include "bench/Figures.h"

#include "backup/Backup.h"
#include "office/Schema.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench {

void backupFigures(const QString &source, const QString &workRoot)
{
    const Copy copy = makeCopy(source, workRoot, QStringLiteral("backup"));
    const backup::Place place{copy.dir, copy.conninfo, 5000, QString()};
    const QString out = QDir(workRoot).filePath(QStringLiteral("bench-backup.sqlite"));
    // The same files copied by the shell, one VACUUM INTO each, in one process.
    const QStringList files = store::schema::fileNames();
    QString script;
    for (int i = 1; i < files.size(); ++i)
        script += QStringLiteral("ATTACH '%1' AS s%2; ").arg(QDir(copy.dir).filePath(files[i])).arg(i);
    for (int i = 0; i < files.size(); ++i)
        script += QStringLiteral("VACUUM %1 INTO '%2'; ")
                      .arg(i == 0 ? QStringLiteral("main") : QStringLiteral("s%1").arg(i), QDir(workRoot).filePath(QStringLiteral("vacuum%1").arg(i)));
    auto removeOutputs = [&] {
        QFile::remove(out);
        for (int i = 0; i < files.size(); ++i)
            QFile::remove(QDir(workRoot).filePath(QStringLiteral("vacuum%1").arg(i)));
    };
    // Taken in turns, so that the disk's writing behind and the machine's
    // other work weigh on both alike.
    const double before = rssMb();
    resetPeak();
    std::vector<double> programTimes, shellTimes;
    for (int round = 0; round < 3; ++round) {
        removeOutputs();
        programTimes.push_back(medianMs(1, [&] { backup::take(place, out, QStringLiteral("bench")); }));
        shellTimes.push_back(medianMs(1, [&] {
            if (QProcess::execute(QStringLiteral("sqlite3"), {QDir(copy.dir).filePath(files[0]), script}) != 0)
                std::fprintf(stderr, "quillmere-bench: the sqlite3 shell's VACUUM INTO failed\n");
        }));
    }
    const double growth = peakRssMb() - before;
    removeOutputs();
    std::sort(programTimes.begin(), programTimes.end());
    std::sort(shellTimes.begin(), shellTimes.end());
    const double program = programTimes[1], shell = shellTimes[1];
    figure("backup", program, "ms");
    figure("backup_peak_rss_growth", growth, "MB");
    figure("backup_ratio_vs_sql", program / shell, "x");
}

} // namespace bench
