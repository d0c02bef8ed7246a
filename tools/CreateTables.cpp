#include "tools/CreateTables.h"

#include "db/SqlGuard.h"
#include "core/Error.h"
#include "db/server/Postgres.h"
#include "db/sqlite/Sqlite.h"
#include "office/Schema.h"

#include <QDir>
#include <QFileInfo>

namespace tools {

using store::Error;
namespace pg = store::pg;
namespace sql = store::sql;
using namespace store::schema;

// The six tables on a server, in the caller's transaction; refuses (creating
// nothing) when one of them is there already.
void createServerTables(pg::Connection &c)
{
    auto exists = [&c](const QString &table) {
        const pg::Result r = c.exec(QByteArray("SELECT to_regclass(quote_ident(current_schema()) || '.' || quote_ident($1))"),
                                    {QVariant(table)});
        return !r.isNull(0, 0);
    };
    auto exec = [&c](const QString &statement) { c.exec(statement); };
    for (const QString &f : fileNames()) {
        const QString t = QFileInfo(f).completeBaseName();
        if (exists(t))
            throw Error(QStringLiteral("表 '%1' 已经存在").arg(t));
    }
    if (!exists(QStringLiteral("quillmere_tables")))
        exec(serverCatalog());
    for (const QString &f : fileNames()) {
        for (const QString &statement : serverStatements(f))
            exec(statement);
    }
}

void createTableFile(const QString &dir, const QString &fileName)
{
    const QString path = QDir(dir).filePath(fileName);
    if (QFileInfo::exists(path))
        throw Error(QStringLiteral("表文件 '%1' 已经存在").arg(QDir::toNativeSeparators(path)));
    sql::Db db;
    db.open(path, true);
    db.exec(QStringLiteral("PRAGMA journal_mode=DELETE"));
    store::SqlGuard create = store::SqlGuard::transaction([&db](const QString &sql) { db.exec(sql); });
    for (const QString &s : createStatements(fileName))
        db.exec(s);
    create.finish();
}

void createDataDirectory(const QString &dir)
{
    if (!QDir().mkpath(dir))
        throw Error(QStringLiteral("无法创建目录 '%1'").arg(QDir::toNativeSeparators(dir)));
    for (const QString &f : fileNames()) {
        if (QFileInfo::exists(QDir(dir).filePath(f)))
            throw Error(QStringLiteral("表文件 '%1' 已经存在").arg(QDir::toNativeSeparators(QDir(dir).filePath(f))));
    }
    for (const QString &f : fileNames())
        createTableFile(dir, f);
}

} // namespace tools
