// An office's database with personal logins: a role without login owns the
// tables; the program's two right levels are two groups; each account of
// the account table is a server login in one of them, and the account
// table is a view that shows no password and whose writes create, change
// and drop those logins.
#pragma once

#include <QString>
#include <QStringList>

namespace store::pg {
class Connection;
}

namespace tools {

// Whether the database keeps the office's groups already.
bool hasPersonalLogins(store::pg::Connection &c);
// In the connection's running transaction, on a database with the six
// tables (one login owning them, passwords in the account table): makes
// the roles, hands the tables to the owner role, grants each group its
// rights, and turns each account into a login with its unscrambled
// password; afterwards no table holds a password. Needs the server's
// superuser; refuses a database that has the groups, and accounts sharing
// a user name (a login is one name with one password). Returns the
// accounts made logins, in table order.
QStringList movePasswordsToLogins(store::pg::Connection &c);
// Adds an account, as the account window does: a login with this password
// in the group of right ("1": administrators).
void addLogin(store::pg::Connection &c, const QString &user, const QString &password, const QString &right);

} // namespace tools
