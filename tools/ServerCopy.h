// Moving an office's table files onto a PostgreSQL server.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace store::pg {
class Connection;
}

namespace tools {

// Copies the six table files of dir onto the server in one transaction:
// creates the tables (refusing any that exist), writes every record with
// its row id, keeps each file's high-water mark, and reads everything back
// to check that every table's records and bytes arrived before committing.
// Nothing is deleted from the files. Returns one line per table. finish,
// if given, runs last in the same transaction (the personal logins).
QStringList copyToServer(const QString &dir, const QString &conninfo,
                         const std::function<void(store::pg::Connection &)> &finish = {});

} // namespace tools
