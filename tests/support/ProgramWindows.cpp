#include "tests/support/ProgramWindows.h"

#include "core/Globals.h"
#include "db/Engine.h"
#include "db/Engines.h"

namespace fixture {

ProgramWindows::ProgramWindows(const QString &dataPath) : m_savedConfig(qgetenv("XDG_CONFIG_HOME"))
{
    qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
    program::createAll([&](const program::Step &s) {
        if (s.row == 1) {
            DataPath = dataPath;
            store::setEngineConfigFile(QString());
        }
    });
}

ProgramWindows::~ProgramWindows()
{
    store::commitAll();
    program::destroyAll();
    store::resetEngines();
    if (m_savedConfig.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", m_savedConfig);
}

TForm *ProgramWindows::named(const QString &objectName)
{
    for (const program::Step &s : program::creationOrder()) {
        if (s.window && *s.window && (*s.window)->objectName() == objectName)
            return *s.window;
    }
    return nullptr;
}

} // namespace fixture
