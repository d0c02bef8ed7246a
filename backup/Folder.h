// The backup folder: where the automatic and the administrator's backups go,
// how they are named and which of them are kept.
//
// Default: "Backup/" beside the data directory; the engine settings may name
// another ([Backup] Folder=, a path relative to the data directory's parent
// or absolute, e.g. a USB disk or a network share). Files are named
// quillmere-YYYYMMDD-HHMMSS-KIND.sqlite by local time, KIND one of daily,
// manual, before (taken before an import or a restore).
#pragma once

#include "backup/Backup.h"

#include <QDateTime>
#include <QString>

#include <vector>

namespace backup {

enum class Kind { Daily, Manual, BeforeChange };

QString folderFor(const QString &dataDir);

struct Entry {
    QString path;
    Kind kind = Kind::Daily;
    QDateTime at;      // from the name, local time
    QDateTime written; // the file's time: orders backups named in the same second
};
// The backups in folder (by their names), newest first.
std::vector<Entry> entries(const QString &folder);
// A new file name in folder for a backup of this kind taken at `at`.
QString newName(const QString &folder, Kind kind, const QDateTime &at);

// What the rotation keeps of these backups at `now`: the newest of each of
// the 7 latest days and of each of the 4 latest weeks (Monday to Sunday)
// among the daily and manual ones, and every one taken before a change
// within the last 30 days. Returns the paths to delete.
std::vector<QString> toRemove(const std::vector<Entry> &all, const QDateTime &now);
// Deletes what the rotation does not keep, and temporary files of backups
// that were cut off more than a day ago.
void rotate(const QString &folder, const QDateTime &now);

// Whether today has no daily (or manual) backup yet.
bool dailyDue(const QString &folder, const QDate &today);

// Takes a backup of this kind of the records at place into its folder
// and rotates the folder.
Info takeInto(const Place &place, Kind kind, const QString &reason, const ProgressFn &progress = {});

// Before an import or any other change of many records: backs up the
// records the program uses (DataPath) into the backup folder. False, with
// the reason in error, when it could not; nothing is left half-made.
bool backupBeforeChange(const QString &why, QString *error);

// What a restore does as a whole: verifies file (refusing it with nothing
// changed), backs up the current records, then restores. progress covers
// all three. Returns what the backup of the current records says.
Info restoreWithBackup(const Place &place, const QString &file, const ProgressFn &progress = {});

} // namespace backup
