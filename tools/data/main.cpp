// quillmere-data [--data DIR | --server CONNINFO] COMMAND ARGS...
// The office's records in and out for scripted use. Without --data or
// --server it works on the records the program beside it uses: its data
// directory and the engine settings there (which may name a server).
#include "core/Globals.h"
#include "db/Engines.h"
#include "tools/data/Commands.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = app.arguments().mid(1);

    const ProgramPaths paths = programPaths(QCoreApplication::applicationFilePath());
    datatool::Context context{paths.dataPath, QString(), out, err};
    bool dataGiven = false;
    while (!args.isEmpty() && args.first().startsWith(QLatin1String("--"))) {
        const QString option = args.takeFirst();
        if ((option == QLatin1String("--data") || option == QLatin1String("--server")) && !args.isEmpty() &&
            !(dataGiven)) {
            dataGiven = true;
            (option == QLatin1String("--data") ? context.dataDir : context.server) = args.takeFirst();
            continue;
        }
        err << QStringLiteral("无法识别的选项: %1\n").arg(option) << datatool::usageText();
        return datatool::Usage;
    }
    if (args.isEmpty()) {
        err << datatool::usageText();
        return datatool::Usage;
    }
    const QString name = args.takeFirst();
    for (const datatool::Command &command : datatool::commands()) {
        if (command.name != name)
            continue;
        // The engine settings beside the program name the server when
        // neither option does; --data names a directory of files.
        if (!dataGiven)
            store::setEngineConfigFile(paths.enginePath + QStringLiteral("IDAPI32.CFG"));
        store::setEngineServer(context.server);
        if (!context.dataDir.endsWith(QDir::separator()) && !context.dataDir.endsWith(u'/'))
            context.dataDir += u'/';
        const int code = command.run(context, args);
        out.flush();
        err.flush();
        store::endEngines();
        return code;
    }
    err << QStringLiteral("未知的命令: %1\n").arg(name) << datatool::usageText();
    return datatool::Usage;
}
