// The load figures: N clerks working on one copy of the records at once,
// each a process of its own (this program started again as a clerk), and the
// check afterwards that nothing acknowledged was lost.
#pragma once

#include <QString>

namespace bench {

struct LoadPlan {
    int clerks = 0;   // 0: no load run
    int seconds = 60; // how long every clerk works
    // A clerk's pause between two actions, reading and typing: from half
    // to one and a half times this (ms).
    int thinkMs = 2000;
    // Each clerk first does every kind of action once (a short check run
    // then covers them all).
    bool everyKind = false;
};

// Whether the command line starts a clerk rather than the bench.
bool isClerk(int argc, char **argv);
// A clerk's whole life: the program's windows on the copy, the action mix
// for the given seconds, one line per action on stdout. Its exit code.
int runClerk(int argc, char **argv);

// Runs the clerks on a working copy of source and prints the load figures,
// the per-action table and the consistency check. 0 when nothing was lost.
int loadFigures(const QString &source, const QString &workRoot, const LoadPlan &plan);

} // namespace bench
