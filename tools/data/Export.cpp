// export TABLE FILE [--encoding gb18030]: the whole table, streamed.
#include "core/Error.h"
#include "exchange/Tables.h"
#include "tools/data/Exchange.h"

namespace datatool {

int exportCommand(Context &context, const QStringList &args)
{
    QStringList rest = args;
    exchange::WriteOptions options;
    const qsizetype enc = rest.indexOf(QStringLiteral("--encoding"));
    if (enc >= 0) {
        if (enc + 1 >= rest.size()) {
            context.err << QStringLiteral("--encoding 后面要写编码: utf-8 或 gb18030\n") << usageText();
            return Usage;
        }
        options.encoding = rest.at(enc + 1);
        if (options.encoding.compare(QLatin1String("gb18030"), Qt::CaseInsensitive) != 0 &&
            options.encoding.compare(QLatin1String("utf-8"), Qt::CaseInsensitive) != 0) {
            context.err << QStringLiteral("不支持的编码 '%1': 可用 utf-8 或 gb18030\n").arg(options.encoding);
            return Usage;
        }
        rest.remove(enc, 2);
    }
    if (rest.size() != 2 || rest.at(0).startsWith(QLatin1String("--")) || rest.at(1).startsWith(QLatin1String("--"))) {
        context.err << usageText();
        return Usage;
    }
    const exchange::TableDef *def = exchange::findTable(rest.at(0));
    if (!def) {
        context.err << exchange::unknownTableText(rest.at(0)) << u'\n';
        return Usage;
    }
    try {
        auto source = exchange::storedTable(context.dataDir, *def);
        const qint64 rows = exchange::exportTable(*source, rest.at(1), options);
        context.out << QStringLiteral("已导出 %1 条记录到 %2\n").arg(rows).arg(rest.at(1));
        return Done;
    } catch (const store::Error &e) {
        context.err << e.text() << u'\n';
        return Usage;
    }
}

} // namespace datatool
