#include "db/server/Logins.h"

#include "db/server/Postgres.h"

#include <QCryptographicHash>

namespace store::pg {

namespace {

// A role name holds at most this many bytes: the server cuts longer ones.
constexpr int RoleNameBytes = 63;

} // namespace

QString ownerRole(const QString &database) { return database + QStringLiteral(":owner"); }

QString adminGroup(const QString &database) { return database + QStringLiteral(":admin"); }

QString userGroup(const QString &database) { return database + QStringLiteral(":user"); }

QString loginRole(const QString &database, const QString &user)
{
    const QString plain = database + u'.' + user;
    if (plain.toUtf8().size() <= RoleNameBytes)
        return plain;
    return database + u'.' + QString::fromLatin1(QCryptographicHash::hash(user.toUtf8(), QCryptographicHash::Md5).toHex());
}

QString emptyPasswordStandIn() { return QStringLiteral("quillmere-no-password"); }

QString serverPassword(const QString &typed) { return typed.isEmpty() ? emptyPasswordStandIn() : typed; }

QString databaseOf(const QString &conninfo) { return settingOf(conninfo, "dbname"); }

} // namespace store::pg
