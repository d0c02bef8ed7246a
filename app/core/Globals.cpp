#include "app/core/Globals.h"

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
