// The groups of figures quillmere-bench prints, each on its own working
// copies of the generated data directory (`source`, never changed).
#pragma once

#include "bench/Bench.h"

namespace bench {

// open_data_module, rss_after_open, master_move, recno_count and the score
// search by number against raw SQL doing the same reads.
void dataModuleFigures(const QString &source, const QString &workRoot, const Scale &scale);
// Renumbering the whole score table after its first record went, through
// the record layer and through raw SQL; both timed with their reads.
void renumberFigures(const QString &source, const QString &workRoot);
// The student window's deletion of a student in the middle against the
// best raw SQL that leaves the same files.
void deleteStudentFigures(const QString &source, const QString &workRoot, const Scale &scale);
// Export of the score table (.csv, .xlsx) and import of a class list of
// the bench's size, against the sqlite3 shell; the import's memory growth.
void exchangeFigures(const QString &source, const QString &workRoot, const Scale &scale);
// The report chooser's binding and the student list report.
void reportFigures(const QString &source, const QString &workRoot);
// The statistics window on a class of 40 and on the whole school, and the
// class's report cards, against raw SQL working out the same figures.
void statisticsFigures(const QString &source, const QString &workRoot);
// backup (ms) and backup_ratio_vs_sql against the sqlite3 shell's VACUUM INTO.
void backupFigures(const QString &source, const QString &workRoot);

} // namespace bench
