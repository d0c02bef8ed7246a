// The engine's own members, and the registry of every engine the program
// has open (db/Engines.h).
#include "db/Engine.h"

#include "core/Action.h"
#include "db/EngineObserver.h"
#include "db/Engines.h"
#include "db/StoredTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace store {

namespace {

struct Registry {
    std::map<QString, std::weak_ptr<Engine>> engines;
    QString configFile;
    QString server, serverOverride;
    QString backupFolder;
    QString loginUser, loginPassword;
    bool configRead = false;
    int busyTimeout = 5000;
    std::vector<std::shared_ptr<Engine>> writing; // engines in a transaction
    bool failNextCommit = false;
    EngineObserver *observer = nullptr;
};

Registry &registry()
{
    static Registry r;
    return r;
}

void readConfig()
{
    Registry &r = registry();
    if (r.configRead)
        return;
    r.configRead = true;
    r.busyTimeout = 5000; // what a missing file or value means
    r.server.clear();
    r.backupFolder.clear();
    if (r.configFile.isEmpty())
        return;
    QFile f(r.configFile);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return; // no file: the defaults hold
    QString section;
    while (!f.atEnd()) {
        const QString line = QString::fromUtf8(f.readLine()).trimmed();
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            section = line.mid(1, line.size() - 2).trimmed().toUpper();
            continue;
        }
        const int eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        const QString key = line.left(eq).trimmed().toUpper();
        const QString text = line.mid(eq + 1).trimmed();
        bool ok = false;
        const int value = text.toInt(&ok);
        if (section == QLatin1String("SERVER")) {
            if (key == QLatin1String("CONNECTION"))
                r.server = text;
        } else if (section == QLatin1String("BACKUP")) {
            if (key == QLatin1String("FOLDER"))
                r.backupFolder = text;
        } else if (key == QLatin1String("BUSYTIMEOUT") && ok && value >= 0) {
            r.busyTimeout = value;
        }
    }
}

} // namespace

void setEngineConfigFile(const QString &path)
{
    registry().configFile = path;
    registry().configRead = false;
}

int engineBusyTimeout()
{
    readConfig();
    return registry().busyTimeout;
}

QString engineServer()
{
    readConfig();
    return registry().serverOverride.isEmpty() ? registry().server : registry().serverOverride;
}

QString engineBackupFolder()
{
    readConfig();
    return registry().backupFolder;
}

void setEngineServer(const QString &conninfo) { registry().serverOverride = conninfo; }

bool engineWantsLogin()
{
    const QString server = engineServer().trimmed();
    if (server.isEmpty())
        return false;
    // A URI names its user before the host ("postgresql://clerk@host/db") or
    // among its parameters; the key/value form has a "user=" of its own.
    static const QRegularExpression uriUser(QStringLiteral("^postgres(?:ql)?://[^/?]*@|[?&]user="));
    static const QRegularExpression keyUser(QStringLiteral("(?:^|\\s)user\\s*="));
    if (server.startsWith(QLatin1String("postgres")) && server.contains(QLatin1String("://")))
        return !uriUser.match(server).hasMatch();
    return !keyUser.match(server).hasMatch();
}

void setEngineLogin(const QString &user, const QString &password)
{
    Registry &r = registry();
    if (r.loginUser == user && r.loginPassword == password)
        return;
    r.loginUser = user;
    r.loginPassword = password;
    // An engine of another login (or of a refused attempt) is not reused.
    if (engineWantsLogin())
        r.engines.clear();
}

QString engineLoginUser() { return registry().loginUser; }

QString engineLoginPassword() { return registry().loginPassword; }

void setEngineObserver(EngineObserver *observer) { registry().observer = observer; }

std::shared_ptr<Engine> sharedEngine(const QString &key, const std::function<std::shared_ptr<Engine>()> &make)
{
    auto &slot = registry().engines[key];
    if (auto e = slot.lock())
        return e;
    std::shared_ptr<Engine> e = make();
    slot = e;
    return e;
}

void commitAll()
{
    QString firstError;
    for (auto it = registry().engines.begin(); it != registry().engines.end();) {
        if (auto e = it->second.lock()) {
            try {
                e->commit();
            } catch (const Error &err) {
                if (firstError.isEmpty())
                    firstError = err.text();
            }
            ++it;
        } else {
            it = registry().engines.erase(it);
        }
    }
    if (!firstError.isEmpty())
        throw Error(firstError);
}

void rollbackAll()
{
    // The error that made the action fail is the one the user is shown; a
    // view that cannot be read again now (a server gone) is read later.
    if (EngineObserver *observer = registry().observer) {
        try {
            observer->rollingBack(action::current());
        } catch (const Error &e) {
            qWarning("%s", qPrintable(e.text()));
        }
    }
    for (auto &entry : registry().engines) {
        if (auto e = entry.second.lock()) {
            try {
                e->rollback();
            } catch (const Error &err) {
                qWarning("%s", qPrintable(err.text()));
            }
        }
    }
}

void syncAll(bool userAction)
{
    for (auto &entry : registry().engines) {
        if (auto e = entry.second.lock()) {
            try {
                e->syncExternal(userAction);
            } catch (const Error &err) {
                qWarning("%s", qPrintable(err.text()));
            }
        }
    }
}

void endEngines()
{
    // What an unfinished action wrote goes with it; nothing is committed.
    for (auto &entry : registry().engines) {
        if (auto e = entry.second.lock()) {
            try {
                e->rollback();
            } catch (const Error &) {
            }
        }
    }
    registry().writing.clear();
    registry().engines.clear();
    registry().configRead = false;
}

void resetEngines()
{
    try {
        commitAll();
    } catch (const Error &) {
    }
    registry().engines.clear();
    registry().configRead = false;
}

// ---------------------------------------------------------------- Engine

Engine::~Engine() = default;

void Engine::lockTable(const StoredTable &, bool) { beginWrite(); }

QString Engine::resolveFile(const QString &dir, const QString &name)
{
    QDir d(dir);
    if (!d.exists())
        throw Error(QStringLiteral("数据目录 '%1' 不存在").arg(QDir::toNativeSeparators(dir)));
    const QString exact = d.filePath(name);
    if (QFileInfo(exact).isFile())
        return QDir::cleanPath(QFileInfo(exact).absoluteFilePath());
    const QString wanted = name.toLower();
    const QStringList entries = d.entryList(QDir::Files | QDir::Hidden);
    for (const QString &entry : entries) {
        if (entry.toLower() == wanted)
            return QDir::cleanPath(d.absoluteFilePath(entry));
    }
    throw Error(QStringLiteral("找不到表文件 '%1'").arg(QDir::toNativeSeparators(d.filePath(name))));
}

qint64 Engine::countRecords(StoredTable &file)
{
    Statement st = file.prepare(QStringLiteral("SELECT count(*) FROM %1").arg(file.qualifiedTable()));
    return st.step() ? st.columnInt64(0) : 0;
}

std::shared_ptr<StoredTable> Engine::openTable(const QString &path)
{
    QString schema;
    const QString key = locate(path, &schema);
    auto found = m_files.find(key);
    if (found != m_files.end()) {
        if (auto f = found->second.lock())
            return f;
    }
    auto f = std::make_shared<StoredTable>(shared_from_this(), key, schema);
    m_files[key] = f;
    return f;
}

void Engine::setInTransaction(bool on)
{
    if (on == m_inTxn)
        return;
    m_inTxn = on;
    auto &writing = registry().writing;
    if (on) {
        writing.push_back(shared_from_this());
    } else {
        // Not through shared_from_this: the engine may be in its destructor.
        std::erase_if(writing, [this](const std::shared_ptr<Engine> &e) { return e.get() == this; });
    }
}

void Engine::invalidate(const QString &key)
{
    auto it = m_files.find(key);
    if (it == m_files.end())
        return;
    if (auto f = it->second.lock())
        f->invalidateAll();
}

void Engine::invalidateEverything()
{
    for (auto &entry : m_files) {
        if (auto f = entry.second.lock())
            f->invalidateAll();
    }
}

void failNextCommitForTesting() { registry().failNextCommit = true; }

bool takeCommitFailureForTesting()
{
    const bool fail = registry().failNextCommit;
    registry().failNextCommit = false;
    return fail;
}

} // namespace store
