// Shared test fixtures: a temporary data directory with the six tables, raw
// access to its files, and a recorder that answers message boxes.
#pragma once

#include "data/ActionHooks.h"
#include "ui/App.h"
#include "ui/Ui.h"
#include "skin/SkinButton.h"
#include "db/Engine.h"
#include "data/Table.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

#include <functional>
#include <memory>

namespace store::pg {
class Connection;
}

namespace fixture {

// Whether this run keeps its data directories' tables on the test server
// (the second run of the tests that run on both engines).
bool onServer();

class DataDir {
public:
    // Creates the six empty tables (or none, with create = false), in a new
    // directory below under (the system's temporary directory by default).
    // On the server, the tables are in a new database of their own, which
    // the engine is pointed at while the directory lives.
    explicit DataDir(bool create = true, const QString &under = QString());
    ~DataDir();
    // Ends with the path separator, like the program's data path.
    QString path() const;
    QString file(const QString &name) const;
    // Runs a statement on one table file with positional parameters; the
    // table inside is named after the file.
    void exec(const QString &fileName, const QString &sql, const QVariantList &params = {});
    QList<QVariantList> rows(const QString &fileName, const QString &sql, const QVariantList &params = {});
    int count(const QString &fileName);
    // Makes the engine refuse (as a constraint) to store a record whose field
    // holds text; an empty field: accept everything again.
    void refuseInsert(const QString &fileName, const QString &field, const QString &text);
    // The connection string of the server database (empty: SQLite files).
    QString server() const;
    // Server: the layout where each account is a login of its own
    // (quillmere-initdb's), made from the accounts in the table now; the
    // engine is pointed at the database with no user named, so that the
    // login window's name and password are the connection's. Files: nothing.
    void movePasswordsToLogins();
    // The engine's connection string as a clerk's PC has it (server(), or
    // without a user after movePasswordsToLogins).
    QString clerkServer() const;
    // The highest row id the table ever gave out, as the engine keeps it.
    qint64 highWater(const QString &fileName);

    // Convenience inserts with the fields in table order.
    void addStudent(const QString &no, const QString &name, const QString &cls = QString());
    void addScore(int seq, const QString &studNo, const QString &subject, const QVariant &score,
                  const QVariant &m1 = QVariant(), const QVariant &m2 = QVariant());
    void addClass(const QString &no, const QString &name);
    void addCourse(const QString &no, const QString &name);
    void addPlan(int seq, const QString &courseNo, const QString &total = QString(), const QVariant &credit = QVariant());
    void addAccount(const QString &name, const QByteArray &storedPassword, const QString &right);
    // Many records at once: one statement, so one transaction however many
    // rows; each row holds the values of columns, in that order.
    void insert(const QString &fileName, const QStringList &columns, const QList<QVariantList> &rows);

private:
    QTemporaryDir m_tmp;
    QString m_database, m_clerkServer;
    std::unique_ptr<store::pg::Connection> m_server;
};

// The run with personal logins (QUILLMERE_TEST_LOGINS=personal, on the
// server): each new data directory holds the administrators "clerk1" and
// "clerk2" as logins of their own, and the program is logged in as clerk1.
bool personalLogins();
// Logs the engine in as clerk n (1 or 2) in that run; nothing otherwise.
void logInAsClerk(int n);

// Drops a database of the server (connection string cluster) and the roles
// named after it: roles belong to the whole cluster.
void dropDatabase(const QString &cluster, const QString &name);

// A password as the account table stores it (pair-swapped code page 936).
QByteArray scrambled(const QString &password);

// Another program holding the write lock of a data directory while it lives.
class OtherWriter {
public:
    explicit OtherWriter(DataDir &dir);
    ~OtherWriter();

private:
    std::unique_ptr<store::pg::Connection> m_server;
    QString m_file;
    struct Files;
    std::unique_ptr<Files> m_files;
};

// A PostgreSQL cluster of the test's own (scripts/pgcluster in a directory of
// its own), which the test may stop and start again; removed at the end.
class OwnServer {
public:
    enum Start { Now, Later };
    // Later: the directory is named, so that a connection string to it finds
    // no server there, until start().
    explicit OwnServer(Start when = Now);
    ~OwnServer();
    OwnServer(const OwnServer &) = delete;
    OwnServer &operator=(const OwnServer &) = delete;
    static QString script();
    // pgcluster start: makes the cluster or starts it again; its connection
    // string is info either way.
    bool start();
    bool halt();
    bool resume();
    // A database "office" with the six empty tables, the engine pointed at
    // it (with tables = false: an empty one); its connection string.
    QString office(bool tables = true) const;
    QString dir, info;
};

// Runs a statement on the table file at path; "$T" names its one table.
QList<QVariantList> tableRows(const QString &path, const QString &sql, const QVariantList &params = {});

// Installs itself as the message-box script; answers with the queued answers
// (then with the default) and records every box shown.
class Boxes {
public:
    explicit Boxes(int defaultAnswer = ui::IdOk);
    ~Boxes();
    void answer(int id) { m_answers << id; }
    QList<ui::ShownBox> shown;
    QStringList texts() const;
    void clear() { shown.clear(); }
    // Each box takes the keyboard focus while it is up, as a real one does,
    // and hands it back to the window that had it.
    void takeFocus() { m_takeFocus = true; }
    // Runs look on each box while it is up, before it is answered: what the
    // program has stored or left pending when the user reads the box.
    void onShow(std::function<void(const ui::ShownBox &)> look) { m_look = std::move(look); }
    // Each box (and modal window) runs a real nested loop for ms
    // milliseconds, with timers and posted calls flowing, before it is
    // answered: what the program does under a real box, not under one that
    // answers at once.
    void answerInsideLoop(int ms = 30);

private:
    QList<int> m_answers;
    int m_default;
    bool m_takeFocus = false;
    std::function<void(const ui::ShownBox &)> m_look;
};

// Binds a hand-built table to one of dir's table files, as the data module
// binds its own.
void bindTable(store::TTable &table, const DataDir &dir, const QString &file);

// Runs fn as one action of the user's, as a click's handler runs: other
// programs' changes are picked up first, and what fn wrote is committed when
// it ends. Its errors reach the caller (nothing is committed then).
void asAction(const std::function<void()> &fn);

// Shows a window and waits until it takes keyboard input.
bool showActive(QWidget *w);

// Clicks a button with the left mouse button, as the user does. The press
// and the release go through the application object, so what the button is
// wired to runs as one user action of its own: an error it raises ends in
// the standard error box (recorded by a Boxes) rather than in the test, and
// the boxes and modal windows it opens meet the installed scripts.
void click(QWidget *button);
// Clicks the button of this object name among window's children; false,
// and nothing clicked, when there is no such button.
[[nodiscard]] bool click(QWidget *window, const QString &buttonName);
// Moves the keyboard focus out of box with Tab, as the user leaves it; the
// box's window is shown and activated first. False when it could not be.
[[nodiscard]] bool tabOutOf(QWidget *box);

// From now on a message box, a modal window or a dialog that no Boxes,
// Modal or Dialogs answers fails the running test and is closed at once,
// where a real one would wait for a user who is not there; Boxes, Modal and
// Dialogs put this back when they end.
void guardUnscripted();

// Runs a modal window through a script instead of a nested loop.
class Modal {
public:
    explicit Modal(std::function<void(QWidget *)> script = {});
    ~Modal();
    QList<QWidget *> shown;

private:
    std::function<void(QWidget *)> m_script;
};

// Answers the dialogs run through ui::execDialog: the script fills each one
// in as the user would and returns its result (rejected without a script).
class Dialogs {
public:
    explicit Dialogs(std::function<int(QDialog *)> script = {});
    ~Dialogs();
    // The windows' titles of the dialogs run, in order.
    QStringList titles;

private:
    std::function<int(QDialog *)> m_script;
};

} // namespace fixture

// A test program whose events pass through the program's application object,
// so that an error raised under a click ends in the standard error box as it
// does in the program, instead of leaving the test.
#define QM_APP_TEST_MAIN(TestClass)                                                                                    \
    int main(int argc, char **argv)                                                                                    \
    {                                                                                                                  \
        qputenv("QT_QPA_PLATFORM", "offscreen");                                                                       \
        TApplication app(argc, argv);                                                                                  \
        store::installActionHooks();                                                                                   \
        ui::setApplicationTitle(QStringLiteral("Quillmere"));                                                          \
        fixture::guardUnscripted();                                                                                    \
        TestClass t;                                                                                                   \
        return QTest::qExec(&t, argc, argv);                                                                           \
    }

// QTEST_MAIN for the tests of the record layer: the layer is tied to the
// action edges as the program's start-up ties it.
#define QM_TEST_MAIN(TestClass)                                                                                        \
    int main(int argc, char **argv)                                                                                    \
    {                                                                                                                  \
        QApplication app(argc, argv);                                                                                  \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                                       \
        store::installActionHooks();                                                                                   \
        TestClass t;                                                                                                   \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return QTest::qExec(&t, argc, argv);                                                                           \
    }
