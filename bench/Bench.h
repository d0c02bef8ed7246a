// Shared pieces of quillmere-bench: printing a figure, the process's memory
// and timing a repeated run.
#pragma once

#include "bench/Raw.h"

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

// The data module on a working copy, published as DM1 for the windows;
// DataModuleCreate opens it.
struct Module {
    explicit Module(const Copy &copy);
    ~Module();
    Module(const Module &) = delete;
    Module &operator=(const Module &) = delete;
};

// The median of `runs` timings of `run` (ms); each run is timed alone.
double medianMs(int runs, const std::function<void()> &run);

} // namespace bench
