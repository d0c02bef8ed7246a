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
    // A server that checks each clerk's own login is reached under the
    // login window's user name and password.
    const bool personal = engineWantsLogin();
    const QString user = personal ? engineLoginUser() : QString();
    // One server holds the tables of every directory the program names.
    const QString key = server.isEmpty() ? QDir::cleanPath(QFileInfo(dir).absoluteFilePath())
                                         : QStringLiteral("server:") + server + QStringLiteral("\nuser:") + user;
    return sharedEngine(key, [&]() -> std::shared_ptr<Engine> {
        if (server.isEmpty())
            return std::make_shared<SqliteEngine>(key);
        if (personal && user.isEmpty())
            throw LoginRefused(QStringLiteral("数据库服务器要求每个帐户用自己的用户名和口令登录"));
        return std::make_shared<ServerEngine>(server, user, personal ? engineLoginPassword() : QString());
    });
}

} // namespace store
