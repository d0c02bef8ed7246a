#include "db/open/OpenEngine.h"

#include "db/Engines.h"
#include "db/server/ServerEngine.h"
#include "db/sqlite/SqliteEngine.h"

#include <QDir>
#include <QFileInfo>

namespace store {

std::shared_ptr<Engine> openEngine(const QString &dir)
{
    const QString server = engineServer();
    // One server holds the tables of every directory the program names.
    const QString key = server.isEmpty() ? QDir::cleanPath(QFileInfo(dir).absoluteFilePath())
                                         : QStringLiteral("server:") + server;
    return sharedEngine(key, [&]() -> std::shared_ptr<Engine> {
        if (server.isEmpty())
            return std::make_shared<SqliteEngine>(key);
        return std::make_shared<ServerEngine>(server);
    });
}

} // namespace store
