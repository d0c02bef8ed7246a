// What concerns every engine the program has open: their settings, the
// commit and rollback of the running action's writes in all of them, and
// the picking up of what other programs stored.
#pragma once

#include "core/Error.h"

#include <QString>

#include <functional>
#include <memory>

namespace store {

class Engine;

// The engine that reaches the tables at key (a data directory, or a server),
// shared while anything holds it; make builds it the first time.
std::shared_ptr<Engine> sharedEngine(const QString &key, const std::function<std::shared_ptr<Engine>()> &make);

// Reads engine settings (busy timeout, server) from this configuration file
// when the first table is opened; a missing file means the defaults.
void setEngineConfigFile(const QString &path);
// Stands in for the settings file's server (tests, tools); empty: the file decides.
void setEngineServer(const QString &conninfo);
int engineBusyTimeout();

// The server refused the user name and password it was given (or the login
// may not log in): on the login window, the same as a wrong password.
class LoginRefused : public Error {
public:
    using Error::Error;
};

// Whether the server the settings name checks each clerk's own login: its
// connection string names no user, so the login window's user name and
// password are the connection's, and nothing can be read before them.
bool engineWantsLogin();
// The login window's user name and password for such a server (empty: none
// yet); the engines connected under another login are dropped.
void setEngineLogin(const QString &user, const QString &password);
QString engineLoginUser();
QString engineLoginPassword();
// The server the engine settings name (a libpq connection string), empty
// for the embedded files.
QString engineServer();
// The folder the settings name for backups ([Backup] Folder=), empty for
// the default.
QString engineBackupFolder();

// Commits the transaction that collects every write since the last commit.
// Called when the running action ends and when the event loop is about to wait.
void commitAll();
// Undoes every engine's pending writes; the engine observer drops the
// records the running action left in edit or insert state first.
void rollbackAll();
// Every engine picks up other programs' commits.
void syncAll(bool userAction);
// Drops every open connection (tests use it between cases), committing what
// is pending first.
void resetEngines();
// The end of the program: what an unfinished action wrote is undone, and
// every connection closed.
void endEngines();

// Makes the next commit fail as a full disk would (tests of the recovery).
void failNextCommitForTesting();
bool takeCommitFailureForTesting();

} // namespace store
