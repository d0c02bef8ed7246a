#include "bench/Bench.h"

#include "store/Schema.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench {

double ms(const QElapsedTimer &t) { return double(t.nsecsElapsed()) / 1e6; }

void figure(const char *name, double value, const char *unit)
{
    std::printf("%s: %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

namespace {

double statusMb(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

} // namespace

double rssMb() { return statusMb("VmRSS"); }
double peakRssMb() { return statusMb("VmHWM"); }

void resetPeak()
{
    // "5" resets the peak resident size to the present one.
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

QString copyData(const QString &from, const QString &parent, const QString &name)
{
    const QString to = QDir(parent).filePath(name);
    QDir().mkpath(to);
    for (const QString &file : store::schema::fileNames()) {
        const QString target = QDir(to).filePath(file);
        QFile::remove(target);
        if (!QFile::copy(QDir(from).filePath(file), target))
            std::fprintf(stderr, "quillmere-bench: could not copy %s\n", qPrintable(file));
    }
    return to + u'/';
}

RawFiles::RawFiles(const QString &dataPath)
{
    db.open(QDir(dataPath).filePath(store::schema::StudentFile), false);
    exec(QStringLiteral("ATTACH DATABASE ?1 AS s"), {QDir(dataPath).filePath(store::schema::ScoreFile)});
    for (const char *schema : {"main", "s"}) {
        exec(QStringLiteral("PRAGMA %1.journal_mode=DELETE").arg(QLatin1String(schema)));
        exec(QStringLiteral("PRAGMA %1.synchronous=FULL").arg(QLatin1String(schema)));
    }
}

qint64 RawFiles::scalar(const QString &sql, const QVariantList &params)
{
    store::sql::Stmt st(db.handle(), sql);
    for (int i = 0; i < params.size(); ++i)
        st.bind(i + 1, params[i]);
    return st.step() ? st.columnInt64(0) : 0;
}

void RawFiles::exec(const QString &sql, const QVariantList &params)
{
    store::sql::Stmt st(db.handle(), sql);
    for (int i = 0; i < params.size(); ++i)
        st.bind(i + 1, params[i]);
    while (st.step()) {
    }
}

QByteArray tableDigest(const QString &dataPath, const QString &fileName)
{
    store::sql::Db db;
    db.open(QDir(dataPath).filePath(fileName), false);
    const QString table = QFileInfo(fileName).completeBaseName();
    store::sql::Stmt st(db.handle(), QStringLiteral("SELECT rowid, * FROM \"%1\" ORDER BY rowid").arg(table));
    QCryptographicHash hash(QCryptographicHash::Sha1);
    while (st.step()) {
        for (int i = 0; i < st.columnCount(); ++i) {
            const QVariant v = st.column(i);
            hash.addData(v.isNull() ? QByteArray("\x01null") : v.toString().toUtf8());
            hash.addData(QByteArray(1, '\0'));
        }
    }
    return hash.result();
}

void checkSameFiles(const char *figureName, const QString &program, const QString &baseline, const QStringList &files)
{
    for (const QString &file : files) {
        if (tableDigest(program, file) != tableDigest(baseline, file))
            std::fprintf(stderr, "quillmere-bench: %s: the baseline left %s different from the program's\n",
                         figureName, qPrintable(file));
    }
}

double medianMs(int runs, const std::function<void()> &run)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        run();
        times.push_back(ms(t));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace bench
