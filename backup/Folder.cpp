#include "backup/Folder.h"

#include "core/Globals.h"
#include "db/Engines.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <set>

namespace backup {

namespace {

const char *const KindNames[] = {"daily", "manual", "before"};

const QRegularExpression &namePattern()
{
    static const QRegularExpression re(QStringLiteral("^quillmere-(\\d{8})-(\\d{6})(?:-\\d+)?-(daily|manual|before)\\.sqlite$"));
    return re;
}

// Monday of the week of day: the week a backup belongs to.
QDate weekOf(const QDate &day) { return day.addDays(1 - day.dayOfWeek()); }

} // namespace

QString folderFor(const QString &dataDir)
{
    const QString parent = QFileInfo(QDir::cleanPath(dataDir)).absolutePath();
    const QString setting = store::engineBackupFolder();
    if (setting.isEmpty())
        return QDir(parent).filePath(QStringLiteral("Backup"));
    return QDir::cleanPath(QDir(parent).absoluteFilePath(setting));
}

std::vector<Entry> entries(const QString &folder)
{
    std::vector<Entry> out;
    const QStringList names = QDir(folder).entryList(QDir::Files, QDir::Name);
    for (const QString &name : names) {
        const auto m = namePattern().match(name);
        if (!m.hasMatch())
            continue;
        Entry e;
        e.path = QDir(folder).filePath(name);
        e.written = QFileInfo(e.path).lastModified();
        e.at = QDateTime::fromString(m.captured(1) + m.captured(2), QStringLiteral("yyyyMMddHHmmss"));
        if (!e.at.isValid())
            continue;
        const QString kind = m.captured(3);
        e.kind = kind == QLatin1String("daily") ? Kind::Daily : kind == QLatin1String("manual") ? Kind::Manual : Kind::BeforeChange;
        out.push_back(e);
    }
    std::stable_sort(out.begin(), out.end(), [](const Entry &a, const Entry &b) {
        return a.at != b.at ? a.at > b.at : a.written > b.written;
    });
    return out;
}

QString newName(const QString &folder, Kind kind, const QDateTime &at)
{
    const QString stem = QStringLiteral("quillmere-") + at.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString tail = u'-' + QString::fromLatin1(KindNames[int(kind)]) + QStringLiteral(".sqlite");
    QString path = QDir(folder).filePath(stem + tail);
    // Two programs starting in the same second each get a file of their own.
    for (int n = 2; QFileInfo::exists(path) || QFileInfo::exists(path + QStringLiteral(".part")); ++n)
        path = QDir(folder).filePath(stem + u'-' + QString::number(n) + tail);
    return path;
}

std::vector<QString> toRemove(const std::vector<Entry> &all, const QDateTime &now)
{
    std::set<QString> keep;
    std::set<QDate> days, weeks;
    for (const Entry &e : all) { // newest first
        if (e.kind == Kind::BeforeChange) {
            if (e.at >= now.addDays(-30))
                keep.insert(e.path);
            continue;
        }
        const QDate day = e.at.date();
        if (!days.count(day) && days.size() < 7) {
            days.insert(day);
            keep.insert(e.path);
        }
        const QDate week = weekOf(day);
        if (!weeks.count(week) && weeks.size() < 4) {
            weeks.insert(week);
            keep.insert(e.path);
        }
    }
    std::vector<QString> out;
    for (const Entry &e : all) {
        if (!keep.count(e.path))
            out.push_back(e.path);
    }
    return out;
}

void rotate(const QString &folder, const QDateTime &now)
{
    for (const QString &path : toRemove(entries(folder), now))
        QFile::remove(path);
    // A backup cut off (the program killed, the disk pulled) leaves its
    // temporary file; one a day old is nobody's work in progress.
    const QFileInfoList parts = QDir(folder).entryInfoList({QStringLiteral("quillmere-*.sqlite.part")}, QDir::Files);
    for (const QFileInfo &fi : parts) {
        if (fi.lastModified() < now.addDays(-1))
            QFile::remove(fi.absoluteFilePath());
    }
}

bool dailyDue(const QString &folder, const QDate &today)
{
    for (const Entry &e : entries(folder)) {
        if (e.kind != Kind::BeforeChange && e.at.date() == today)
            return false;
    }
    return true;
}

Info takeInto(const Place &place, Kind kind, const QString &reason, const ProgressFn &progress)
{
    const QString folder = place.folder.isEmpty() ? folderFor(place.dataDir) : place.folder;
    const QDateTime now = QDateTime::currentDateTime();
    Info info = take(place, newName(folder, kind, now), reason, progress);
    rotate(folder, now);
    return info;
}

bool backupBeforeChange(const QString &why, QString *error)
{
    try {
        takeInto(placeOf(DataPath), Kind::BeforeChange, why);
        return true;
    } catch (const store::Error &e) {
        if (error)
            *error = e.text();
        return false;
    }
}

Info restoreWithBackup(const Place &place, const QString &file, const ProgressFn &progress)
{
    // Three stretches of about the same work: checking the file, backing up
    // what is there, restoring.
    auto part = [&](int n) -> ProgressFn {
        if (!progress)
            return {};
        return [&progress, n](qint64 done, qint64 total) {
            const qint64 share = total > 0 ? done * 1000 / total : 1000;
            return progress(n * 1000 + std::min<qint64>(share, 1000), 3000);
        };
    };
    verify(file, part(0));
    const QString folder = place.folder.isEmpty() ? folderFor(place.dataDir) : place.folder;
    const QDateTime now = QDateTime::currentDateTime();
    Info before = take(place, newName(folder, Kind::BeforeChange, now), QStringLiteral("恢复前自动备份"), part(1));
    restore(place, file, part(2));
    rotate(folder, now);
    return before;
}

} // namespace backup
