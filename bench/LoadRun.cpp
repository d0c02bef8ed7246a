// The load run: the clerks started as processes of their own on one working
// copy, started together once all are ready, their lines collected, the
// figures per action and the consistency check printed.
#include "bench/Bench.h"
#include "bench/Load.h"
#include "bench/LoadCheck.h"
#include "bench/LoadLog.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QMap>
#include <QProcess>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

namespace bench {

namespace {

using load::Entry;
using load::Outcome;

struct ClerkProcess {
    std::unique_ptr<QProcess> process;
    QByteArray pending; // output not yet split into lines
    QStringList lines;
    bool ready = false;

    void read()
    {
        pending += process->readAllStandardOutput();
        int end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(pending.left(end));
            pending.remove(0, end + 1);
            if (line == QLatin1String("READY"))
                ready = true;
            lines << line;
        }
    }
};

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t i = size_t(std::max(0.0, std::ceil(p * double(v.size())) - 1));
    return v[std::min(i, v.size() - 1)];
}

// Waits until every clerk is ready (or gone), reading their output.
void waitReady(std::vector<ClerkProcess> &clerks)
{
    for (ClerkProcess &c : clerks) {
        while (!c.ready && c.process->state() != QProcess::NotRunning) {
            c.process->waitForReadyRead(200);
            c.read();
        }
    }
}

// Waits until every clerk has ended, reading all of them as they go so that
// no pipe fills.
void waitEnded(std::vector<ClerkProcess> &clerks, int seconds)
{
    QElapsedTimer t;
    t.start();
    const qint64 limit = (qint64(seconds) + 600) * 1000;
    for (;;) {
        bool running = false;
        for (ClerkProcess &c : clerks) {
            if (c.process->state() != QProcess::NotRunning) {
                running = true;
                c.process->waitForFinished(50);
            }
            c.read();
        }
        if (!running)
            return;
        if (t.elapsed() > limit) {
            for (ClerkProcess &c : clerks)
                c.process->kill();
        }
    }
}

// True conflict: another clerk stored a write for the same student.
bool trueConflict(const Entry &e, const QHash<QString, QSet<int>> &writers)
{
    const auto it = writers.constFind(e.target);
    if (e.target.isEmpty() || it == writers.cend())
        return false;
    for (int clerk : *it) {
        if (clerk != e.clerk)
            return true;
    }
    return false;
}

} // namespace

int loadFigures(const QString &source, const QString &workRoot, const LoadPlan &plan)
{
    const Copy copy = makeCopy(source, workRoot, QStringLiteral("load"));
    std::vector<ClerkProcess> clerks(size_t(plan.clerks));
    for (int k = 0; k < plan.clerks; ++k) {
        auto &p = clerks[size_t(k)].process;
        p = std::make_unique<QProcess>();
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QStringList args{QStringLiteral("--clerk"),   QString::number(k),
                         QStringLiteral("--clerks"),  QString::number(plan.clerks),
                         QStringLiteral("--seconds"), QString::number(plan.seconds),
                         QStringLiteral("--seed"),    QString::number(k + 1),
                         QStringLiteral("--think"),   QString::number(plan.thinkMs),
                         QStringLiteral("--data-dir"), copy.dir};
        if (plan.everyKind)
            args << QStringLiteral("--every-kind");
        if (!copy.conninfo.isEmpty())
            args << QStringLiteral("--server") << copy.conninfo;
        p->start(QCoreApplication::applicationFilePath(), args);
    }
    QElapsedTimer t;
    t.start();
    waitReady(clerks);
    figure("load_clerks_ready", ms(t), "ms");
    for (ClerkProcess &c : clerks) {
        c.process->write("GO\n");
        c.process->closeWriteChannel();
    }
    waitEnded(clerks, plan.seconds);

    std::vector<Entry> entries;
    int failedClerks = 0;
    double peak = 0;
    for (int k = 0; k < plan.clerks; ++k) {
        const ClerkProcess &c = clerks[size_t(k)];
        if (c.process->exitStatus() != QProcess::NormalExit || c.process->exitCode() != 0 || !c.lines.contains(QStringLiteral("DONE"))) {
            ++failedClerks;
            std::fprintf(stderr, "quillmere-bench: clerk %d did not end normally (exit code %d)\n", k, c.process->exitCode());
        }
        for (const QString &line : c.lines) {
            if (auto e = load::parse(k, line))
                entries.push_back(*e);
            if (line.startsWith(QLatin1String("PEAK\t")))
                peak = std::max(peak, line.mid(5).toDouble());
        }
    }

    // Who stored a write for which student, for telling true conflicts apart.
    QHash<QString, QSet<int>> writers;
    for (const Entry &e : entries) {
        if (e.outcome == Outcome::Ok && !e.target.isEmpty())
            writers[e.target] << e.clerk;
    }
    int refused = 0, conflicts = 0, errors = 0;
    QMap<QString, int> errorTexts;
    struct Row {
        std::vector<double> ms;
        int ok = 0, refused = 0, errors = 0;
    };
    QHash<QString, Row> rows;
    for (const Entry &e : entries) {
        Row &r = rows[e.kind];
        r.ms.push_back(e.ms);
        switch (e.outcome) {
        case Outcome::Ok:
            ++r.ok;
            break;
        case Outcome::RefusedConflict:
        case Outcome::RefusedLock:
            ++r.refused;
            ++(trueConflict(e, writers) ? conflicts : refused);
            errorTexts[e.text]++;
            break;
        case Outcome::Error:
            ++r.errors;
            ++errors;
            errorTexts[e.text]++;
            break;
        }
    }
    for (const char *kind : load::Kinds) {
        const Row &r = rows[QString::fromLatin1(kind)];
        const QByteArray name = QByteArray("load_") + kind;
        figure((name + "_count").constData(), double(r.ms.size()), "actions");
        figure((name + "_p50").constData(), percentile(r.ms, 0.5), "ms");
        figure((name + "_p95").constData(), percentile(r.ms, 0.95), "ms");
    }
    figure("load_clerk_peak_rss", peak, "MB");
    figure("load_refused", refused, "actions");
    figure("load_conflicts", conflicts, "actions");
    figure("load_errors", errors, "actions");
    for (auto it = errorTexts.cbegin(); it != errorTexts.cend(); ++it)
        std::fprintf(stderr, "quillmere-bench: %d x %s\n", it.value(), qPrintable(it.key()));

    const auto raw = Raw::open(copy);
    const load::Check c = load::check(*raw, entries);
    for (const QString &f : c.faults)
        std::fprintf(stderr, "quillmere-bench: lost: %s\n", qPrintable(f));
    figure("load_checked", c.checked, "records");
    figure("load_lost", c.lost(), "records");

    std::printf("\n%d clerks, %d s each, %zu actions:\n\n", plan.clerks, plan.seconds, entries.size());
    std::printf("| action | count | ok | refused | errors | median (ms) | p95 (ms) |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|\n");
    for (const char *kind : load::Kinds) {
        const Row &r = rows[QString::fromLatin1(kind)];
        std::printf("| %s | %zu | %d | %d | %d | %.1f | %.1f |\n", kind, r.ms.size(), r.ok, r.refused, r.errors,
                    percentile(r.ms, 0.5), percentile(r.ms, 0.95));
    }
    std::printf("\nrefused %d, true conflicts %d, errors %d, lost %d (missing %d, numbering %d, orphans %d)\n", refused,
                conflicts, errors, c.lost(), c.missing, c.numbering, c.orphans);
    std::fflush(stdout);
    return c.lost() == 0 && failedClerks == 0 ? 0 : 1;
}

} // namespace bench
