#include "core/Globals.h"

#include <utility>

qint32 UserRight = 0;
QString DataPath;
QString EnginePath;

void ScramblePassword(QByteArray &bytes)
{
    if (bytes.size() < 3)
        return;
    for (qsizetype k = 0; k + 1 < bytes.size(); k += 2)
        std::swap(bytes[k], bytes[k + 1]);
}

#include <QDir>
#include <QFileInfo>

ProgramPaths programPaths(const QString &programFile)
{
    // Cut after the last separator: what remains is the program directory.
    const QString native = QDir::toNativeSeparators(QFileInfo(programFile).absoluteFilePath());
    const QChar sep = QDir::separator();
    const QString dir = native.left(native.lastIndexOf(sep) + 1);
    return {dir + QStringLiteral("DB_Files") + sep, dir + QStringLiteral("BDE_Drivers") + sep};
}
