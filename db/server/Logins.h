// The names an office's roles have on its server. A server holds the roles
// of every database on it, and one server may keep several offices: each
// office's roles carry its database's name, so that two offices never
// share one. The database's own functions name them the same way.
#pragma once

#include <QString>

namespace store::pg {

// The role without login that owns the office's tables.
QString ownerRole(const QString &database);
// The groups of the program's two right levels.
QString adminGroup(const QString &database);
QString userGroup(const QString &database);
// The server login of the program's account user: "database.user", or,
// where that is longer than a role name may be, the user name's MD5.
QString loginRole(const QString &database, const QString &user);
// What the server is sent as the password typed: the text itself; an
// account without a password (which the program allows an administrator)
// has a fixed stand-in, since the server checks no empty password.
QString serverPassword(const QString &typed);
// The stand-in, for the database's functions.
QString emptyPasswordStandIn();
// The database a connection string names (empty: none).
QString databaseOf(const QString &conninfo);

} // namespace store::pg
