// Laying out the six empty tables (office/Schema.h) on each engine: what
// quillmere-initdb and the copy onto a server start from. The program itself
// never creates a table.
#pragma once

#include <QString>

namespace store::pg {
class Connection;
}

namespace tools {

// Creates the six tables on a server, in the connection's running
// transaction; refuses (creating nothing) when one of them is there.
void createServerTables(store::pg::Connection &c);
// Creates one empty table file; refuses a file that exists.
void createTableFile(const QString &dir, const QString &fileName);
// Creates all six; refuses (before creating anything) when one exists.
void createDataDirectory(const QString &dir);

} // namespace tools
