// import TABLE FILE [--update] [--dry-run]: checked as a whole, written as a
// whole (one transaction) or not at all.
#include "core/Error.h"
#include "db/Engines.h"
#include "exchange/Import.h"
#include "tools/data/Exchange.h"
#include "backup/Folder.h"

namespace datatool {

int importCommand(Context &context, const QStringList &args)
{
    exchange::ImportOptions options;
    QStringList positional;
    for (const QString &a : args) {
        if (a == QLatin1String("--update"))
            options.update = true;
        else if (a == QLatin1String("--dry-run"))
            options.dryRun = true;
        else if (a.startsWith(QLatin1String("--"))) {
            context.err << QStringLiteral("无法识别的选项: %1\n").arg(a) << usageText();
            return Usage;
        } else
            positional << a;
    }
    if (positional.size() != 2) {
        context.err << usageText();
        return Usage;
    }
    const exchange::TableDef *def = exchange::findTable(positional.at(0));
    if (!def) {
        context.err << exchange::unknownTableText(positional.at(0)) << u'\n';
        return Usage;
    }
    exchange::ImportOutcome outcome;
    try {
        // The records are backed up before the import writes; a backup that
        // fails is said, and the import goes on.
        exchange::beforeImport = [&context](const QString &dir) {
            try {
                backup::takeInto(backup::placeOf(dir), backup::Kind::BeforeChange, QStringLiteral("导入之前"));
            } catch (const store::Error &e) {
                context.err << QStringLiteral("导入之前的自动备份没有成功: %1\n").arg(e.text());
            }
        };
        outcome = exchange::importTable(context.dataDir, *def, positional.at(1), options);
        if (outcome.written)
            store::commitAll();
        else
            store::rollbackAll();
    } catch (const store::Error &e) {
        store::rollbackAll();
        context.err << e.text() << u'\n';
        return Usage;
    }
    context.out << outcome.summary() << (options.dryRun ? QStringLiteral(" (仅检查, 未写入)") : QString()) << u'\n';
    for (const QString &line : outcome.refusalLines())
        context.out << line << u'\n';
    return outcome.refused.empty() ? Done : Refused;
}

} // namespace datatool
