// restore FILE: checks the backup (refusing it with nothing changed), backs
// up the current records, and replaces the six tables in one transaction.
#include "backup/Backup.h"
#include "backup/Folder.h"
#include "tools/data/BackupCommands.h"

namespace datatool {

int restoreCommand(Context &context, const QStringList &args)
{
    if (args.size() != 1) {
        context.err << usageText();
        return Usage;
    }
    const backup::Place place = backup::placeOf(context.dataDir);
    try {
        backup::restoreWithBackup(place, args.first());
        const backup::Info info = backup::describe(args.first());
        context.out << QStringLiteral("已从 %1 恢复数据 (%2 %3 的备份)\n")
                           .arg(args.first(), info.takenAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), info.engineText());
        return Done;
    } catch (const store::Error &) {
        return backupFailure(context, std::current_exception());
    }
}

} // namespace datatool
