#include "tools/data/Commands.h"
#include "tools/data/Exchange.h"

#include "tools/data/BackupCommands.h"

namespace datatool {

const std::vector<Command> &commands()
{
    // One line per command; each group of commands keeps its lines together.
    static const std::vector<Command> table = {
        {QStringLiteral("export"), QStringLiteral("export 表名 文件.xlsx|文件.csv [--encoding gb18030]"), exportCommand},
        {QStringLiteral("import"), QStringLiteral("import 表名 文件 [--update] [--dry-run]"), importCommand},
        {QStringLiteral("backup"), QStringLiteral("backup [备份文件]      备份全部数据(默认: 备份文件夹中按日期命名的文件)"), backupCommand},
        {QStringLiteral("restore"), QStringLiteral("restore 备份文件       用备份替换全部数据(先自动备份现有数据)"), restoreCommand},
        {QStringLiteral("backups"), QStringLiteral("backups                列出备份文件夹中的备份"), backupsCommand},
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
