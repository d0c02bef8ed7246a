// After a load run: the records on the copy against what the clerks were
// told was stored.
#pragma once

#include "bench/LoadLog.h"
#include "bench/Raw.h"

#include <QStringList>

#include <vector>

namespace bench::load {

struct Check {
    int missing = 0;   // acknowledged writes not found, acknowledged deletions still there
    int numbering = 0; // numbers of 1..n missing from the score and teaching plan tables
    int orphans = 0;   // scores whose student number is no student's
    int checked = 0;   // acknowledged writes and deletions looked for
    QStringList faults; // what was wrong, for the reader
    int lost() const { return missing + numbering + orphans; }
};

Check check(Raw &raw, const std::vector<Entry> &entries);

} // namespace bench::load
