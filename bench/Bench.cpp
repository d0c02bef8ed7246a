#include "bench/Bench.h"

#include "db/Engines.h"
#include "ui/Instances.h"
#include "office/DataModule.h"
#include "db/Engine.h"

#include <QFile>

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

Module::Module(const Copy &copy)
{
    use(copy);
    DM1 = new TDM1;
}

Module::~Module()
{
    delete DM1;
    DM1 = nullptr;
    store::resetEngines();
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
