// Backups of the office's six tables and their restore, on either engine.
//
// A backup file is a plain SQLite database: the six tables (each record with
// its row id), and two tables describing it (quillmere_backup: format,
// program, source engine, time; quillmere_backup_tables: each table's
// records, high-water mark and fingerprint). Both engines write the same
// format, and either engine takes back what either wrote.
#pragma once

#include "core/Error.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <vector>

namespace backup {

// The format this program writes; a file of a higher one is refused.
constexpr int Format = 1;

// Where the records are: a data directory's files, or the server.
struct Place {
    QString dataDir;        // ends with a separator
    QString server;         // libpq connection string; empty: the files in dataDir
    int busyTimeout = 5000; // ms to wait for another program's lock
    QString folder;         // the backup folder; empty: the default for dataDir
};
// The records the program uses for dataDir: the server the engine settings
// name (or the one set for this process), else the directory's files; with
// the settings' busy timeout and backup folder. A backup may then run on
// another thread: nothing else of the settings is read.
Place placeOf(const QString &dataDir);

struct TableInfo {
    QString table; // the table's name (its file's base name)
    qint64 records = 0;
    qint64 highWater = 0;
    QString fingerprint;
};

struct Info {
    QString path;
    int format = 0;
    QString program;   // the program version that wrote it
    QString engine;    // "files" or "server"
    QString reason;    // why it was taken, in the user's words
    QDateTime takenAt; // local time
    qint64 tookMs = 0;
    std::vector<TableInfo> tables; // in the six tables' order
    QString fingerprint;           // of all six

    qint64 records(const QString &table) const;
    // "文件" or "服务器".
    QString engineText() const;
};

// A file refused as a backup, or a restore refused: nothing was changed.
class Refused : public store::Error {
public:
    using store::Error::Error;
};
// A file that cannot be found, read or written (a full disk, no rights).
class FileError : public store::Error {
public:
    using store::Error::Error;
};
// The user cancelled; nothing was changed.
class Cancelled : public store::Error {
public:
    using store::Error::Error;
};

// done out of total steps; returning false cancels the work.
using ProgressFn = std::function<bool(qint64 done, qint64 total)>;

// Writes a backup of the records at place into file, as of one moment: one
// read transaction over the six files, or one repeatable-read snapshot on
// the server. The file is written under a temporary name beside it, checked
// against its fingerprint, and only then renamed; an existing file is never
// overwritten.
Info take(const Place &place, const QString &file, const QString &reason, const ProgressFn &progress = {});

// What a backup file says of itself; refuses (Refused) a file that is not a
// backup, cannot be read, or comes from a newer format.
Info describe(const QString &file);
// The same, after reading every record: refuses a damaged file and one
// whose records do not match their fingerprint.
Info verify(const QString &file, const ProgressFn &progress = {});

// The records stored at place now, per table.
std::vector<TableInfo> currentCounts(const Place &place);

// Replaces the six tables at place with the backup's, in one transaction
// under the write lock: all or nothing, checked against the backup's
// fingerprint before it is committed. The other programs re-read their
// views. The caller verifies the file and backs up the current records
// first (restoreWithBackup does both).
void restore(const Place &place, const QString &file, const ProgressFn &progress = {});

// Tests: called at named points of the work ("backup-written": before the
// rename; "restore-written": before the commit).
void setStageHookForTesting(std::function<void(const QString &stage)> hook);

} // namespace backup
