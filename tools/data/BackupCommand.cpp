// backup [FILE]: one consistent copy of the six tables; without FILE a
// dated file in the backup folder (which is then rotated).
#include "backup/Backup.h"
#include "backup/Folder.h"
#include "tools/data/BackupCommands.h"

namespace datatool {

int backupFailure(Context &context, const std::exception_ptr &failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const backup::FileError &e) {
        context.err << e.text() << u'\n';
        return Usage;
    } catch (const store::Error &e) {
        context.err << e.text() << u'\n';
        return Refused;
    }
}

int backupCommand(Context &context, const QStringList &args)
{
    if (args.size() > 1) {
        context.err << usageText();
        return Usage;
    }
    const backup::Place place = backup::placeOf(context.dataDir);
    try {
        const backup::Info info = args.isEmpty() ? backup::takeInto(place, backup::Kind::Manual, QStringLiteral("手动备份"))
                                                 : backup::take(place, args.first(), QStringLiteral("手动备份"));
        qint64 records = 0;
        for (const backup::TableInfo &t : info.tables)
            records += t.records;
        context.out << QStringLiteral("已备份 %1 条记录到 %2 (%3 毫秒)\n").arg(records).arg(info.path).arg(info.tookMs);
        return Done;
    } catch (const store::Error &) {
        return backupFailure(context, std::current_exception());
    }
}

} // namespace datatool
