// Process-wide values shared by every window.
#pragma once

#include <QByteArray>
#include <QString>

// Rights level of the logged-in account: 1 = system administrator.
extern qint32 UserRight;
// Program directory + "DB_Files/" and + "BDE_Drivers/", set at start.
extern QString DataPath;
extern QString EnginePath;

// The pair swap in which passwords are stored; its own inverse.
void ScramblePassword(QByteArray &bytes);

// DataPath and EnginePath for a program file: its directory followed by
// "DB_Files" and "BDE_Drivers", each ending in the path separator.
struct ProgramPaths {
    QString dataPath;
    QString enginePath;
};
ProgramPaths programPaths(const QString &programFile);
