// backups: the backups in the backup folder, newest first, one a line.
#include "backup/Backup.h"
#include "backup/Folder.h"
#include "tools/data/BackupCommands.h"

#include <QDir>

namespace datatool {

int backupsCommand(Context &context, const QStringList &args)
{
    if (!args.isEmpty()) {
        context.err << usageText();
        return Usage;
    }
    const QString folder = backup::folderFor(context.dataDir);
    context.out << QStringLiteral("备份文件夹: %1\n").arg(QDir::toNativeSeparators(folder));
    for (const backup::Entry &e : backup::entries(folder)) {
        try {
            const backup::Info info = backup::describe(e.path);
            QStringList counts;
            for (const backup::TableInfo &t : info.tables)
                counts << QStringLiteral("%1 %2").arg(t.table).arg(t.records);
            context.out << QStringLiteral("%1  %2  %3  %4  %5\n")
                               .arg(info.takenAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), info.engineText(), info.reason,
                                    counts.join(QStringLiteral(", ")), QDir::toNativeSeparators(e.path));
        } catch (const store::Error &err) {
            context.out << QStringLiteral("%1  %2\n").arg(QDir::toNativeSeparators(e.path), err.text());
        }
    }
    return Done;
}

} // namespace datatool
