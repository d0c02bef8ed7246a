#include "statistics/Settings.h"

#include "core/Globals.h"

#include <QSettings>

namespace stats {

QString settingsFile() { return EnginePath + QStringLiteral("Statistics.ini"); }

Marks loadMarks()
{
    Marks m;
    if (EnginePath.isEmpty())
        return m;
    QSettings s(settingsFile(), QSettings::IniFormat);
    bool ok = false;
    const int pass = s.value(QStringLiteral("Marks/Pass")).toInt(&ok);
    bool ok2 = false;
    const int excellent = s.value(QStringLiteral("Marks/Excellent")).toInt(&ok2);
    if (ok && ok2 && validMark(pass) && validMark(excellent)) {
        m.pass = pass;
        m.excellent = excellent;
    }
    m.rankIncomplete = s.value(QStringLiteral("Ranks/Incomplete"), false).toBool();
    return m;
}

bool saveMarks(const Marks &marks)
{
    if (EnginePath.isEmpty())
        return false;
    QSettings s(settingsFile(), QSettings::IniFormat);
    s.setValue(QStringLiteral("Marks/Pass"), marks.pass);
    s.setValue(QStringLiteral("Marks/Excellent"), marks.excellent);
    s.setValue(QStringLiteral("Ranks/Incomplete"), marks.rankIncomplete);
    s.sync();
    return s.status() == QSettings::NoError;
}

} // namespace stats
