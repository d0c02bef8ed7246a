#include "tools/data/Commands.h"
#include "tools/data/Exchange.h"

namespace datatool {

const std::vector<Command> &commands()
{
    // One line per command; each group of commands keeps its lines together.
    static const std::vector<Command> table = {
        {QStringLiteral("export"), QStringLiteral("export 表名 文件.xlsx|文件.csv [--encoding gb18030]"), exportCommand},
        {QStringLiteral("import"), QStringLiteral("import 表名 文件 [--update] [--dry-run]"), importCommand},
    };
    return table;
}

QString usageText()
{
    QString text = QStringLiteral("用法: quillmere-data [--data 数据目录 | --server 连接串] 命令 参数...\n");
    for (const Command &c : commands())
        text += QStringLiteral("  quillmere-data [--data 数据目录 | --server 连接串] ") + c.usage + u'\n';
    text += QStringLiteral("不指定 --data 或 --server 时,使用本程序旁边的数据与数据库引擎设置。\n");
    return text;
}

} // namespace datatool
