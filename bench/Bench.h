// Shared pieces of quillmere-bench: printing a figure, the process's memory,
// working copies of the data directory, and raw SQLite access to its files
// for the baselines.
#pragma once

#include "store/Sqlite.h"

#include <QElapsedTimer>
#include <QString>

#include <functional>

namespace bench {

struct Scale {
    int students = 10000;
    int scores = 100000;
};

double ms(const QElapsedTimer &t);
// "name: value unit", flushed at once so that a slow figure shows progress.
void figure(const char *name, double value, const char *unit);
// Resident memory of the process in MB, now and at its peak; resetPeak()
// starts a new peak from the present.
double rssMb();
double peakRssMb();
void resetPeak();

// A fresh copy of the six table files of `from` in a new directory under
// `parent`; returns the copy's path with a trailing separator.
QString copyData(const QString &from, const QString &parent, const QString &name);

// A connection the way the table engine holds one: the student table as
// main and the score table attached as "s", rollback journal, full sync.
struct RawFiles {
    explicit RawFiles(const QString &dataPath);
    store::sql::Db db;
    qint64 scalar(const QString &sql, const QVariantList &params = {});
    void exec(const QString &sql, const QVariantList &params = {});
};

// Every row of a table file with its row id, for telling whether two ways of
// doing the same change left the same records behind.
QByteArray tableDigest(const QString &dataPath, const QString &fileName);
// Warns on stderr when the program's files and the baseline's differ.
void checkSameFiles(const char *figureName, const QString &program, const QString &baseline,
                    const QStringList &files);

// The median of `runs` timings of `run` (ms); each run is timed alone.
double medianMs(int runs, const std::function<void()> &run);

} // namespace bench
