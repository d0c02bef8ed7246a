// quillmere-data's commands. Each command is a function in a file of its
// own, listed once in the table of Commands.cpp; main.cpp parses the
// options common to all of them and picks the command by its name.
#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <vector>

namespace datatool {

// The exit codes every command keeps, so that an office's scheduled task can
// tell the outcomes apart.
enum Exit : int {
    Done = 0,    // everything asked for was done
    Refused = 1, // something was refused; nothing was changed
    Usage = 2,   // a wrong command line, or a file that cannot be read or written
};

// What a command works on and where it reports.
struct Context {
    QString dataDir; // the data directory (its engine settings may name a server)
    QString server;  // --server: a libpq connection string; empty: the settings decide
    QTextStream &out;
    QTextStream &err;
};

struct Command {
    QString name;
    QString usage; // its line of the usage text, in Chinese
    int (*run)(Context &context, const QStringList &args);
};

const std::vector<Command> &commands();

// The usage text of every command, for a command line that cannot be run.
QString usageText();

} // namespace datatool
