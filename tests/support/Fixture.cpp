#include "tests/support/Fixture.h"

#include "core/Action.h"
#include "core/Globals.h"
#include "db/Codepage.h"
#include "data/DataSet.h"
#include "data/Table.h"
#include "db/Engines.h"
#include "db/server/Postgres.h"
#include "db/server/ServerEngine.h"
#include "office/Schema.h"
#include "tools/CreateTables.h"
#include "tools/ServerLogins.h"
#include "db/sqlite/Sqlite.h"

#include <sqlite3.h>

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QRegularExpression>
#include <QApplication>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QTest>
#include <QWidget>

namespace fixture {

using store::sql::Db;
using store::sql::Stmt;

namespace {

QString cluster() { return QString::fromUtf8(qgetenv("QUILLMERE_TEST_SERVER")); }

// The data directory whose tables are on the server now, for tableRows().
store::pg::Connection *currentServer = nullptr;
// The server directories alive, oldest first; the newest is current.
std::vector<std::pair<store::pg::Connection *, QString>> &liveServers()
{
    static std::vector<std::pair<store::pg::Connection *, QString>> live;
    return live;
}

QList<QVariantList> serverRows(store::pg::Connection &c, const QString &table, const QString &sql, const QVariantList &params)
{
    QString text = sql;
    text.replace(QStringLiteral("$T"), store::sql::quoteId(table));
    std::vector<int> map;
    const QByteArray translated = store::pg::translate(text, &map);
    std::vector<QVariant> values;
    for (int n : map)
        values.push_back(n - 1 < params.size() ? params[n - 1] : QVariant());
    const store::pg::Result r = c.exec(translated, values);
    // "*" means the fields: the record's id, the table's last column here,
    // is not one of them.
    int columns = r.columns();
    if (text.contains(u'*') && columns > 0 && r.name(columns - 1) == QLatin1String("rowid"))
        --columns;
    QList<QVariantList> out;
    for (int i = 0; i < r.rows(); ++i) {
        QVariantList row;
        for (int col = 0; col < columns; ++col) {
            QVariant v = r.value(i, col);
            // Dates read as the embedded files keep them: a day alone at midnight.
            static const QRegularExpression stamp(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d$"));
            if (v.typeId() == QMetaType::QString && stamp.match(v.toString()).hasMatch()) {
                QString t = v.toString();
                v = t.endsWith(QLatin1String("T00:00:00")) ? t.left(10) : t.replace(u'T', u' ');
            }
            row << v;
        }
        out << row;
    }
    return out;
}

} // namespace

bool onServer() { return qgetenv("QUILLMERE_TEST_ENGINE") == "server"; }

DataDir::DataDir(bool create, const QString &under)
    : m_tmp(under.isEmpty() ? QDir::tempPath() + QStringLiteral("/DataDir-XXXXXX") : under + QStringLiteral("/DataDir-XXXXXX"))
{
    if (!onServer()) {
        if (create)
            tools::createDataDirectory(m_tmp.path());
        return;
    }
    if (cluster().isEmpty())
        qFatal("QUILLMERE_TEST_SERVER names no server for the server run of this test");
    static int serial = 0;
    m_database = QStringLiteral("qm_%1_%2").arg(QCoreApplication::applicationPid()).arg(++serial);
    store::pg::Connection(cluster()).exec(QStringLiteral("CREATE DATABASE %1").arg(m_database));
    const QString info = cluster() + QStringLiteral(" dbname=") + m_database;
    m_server = std::make_unique<store::pg::Connection>(info);
    if (create) {
        m_server->exec(QStringLiteral("BEGIN"));
        tools::createServerTables(*m_server);
        m_server->exec(QStringLiteral("COMMIT"));
    }
    liveServers().emplace_back(m_server.get(), info);
    currentServer = m_server.get();
    store::resetEngines();
    store::setEngineServer(info);
    if (create && personalLogins()) {
        for (int n = 1; n <= 2; ++n)
            tools::addLogin(*m_server, QStringLiteral("clerk%1").arg(n), QStringLiteral("secret%1").arg(n), QStringLiteral("1"));
        movePasswordsToLogins();
        logInAsClerk(1);
    }
}

void dropDatabase(const QString &cluster, const QString &name)
{
    try {
        store::pg::Connection c(cluster);
        c.exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
        // The database's own roles (its logins, groups and owner, named
        // after it) go with it, logins first.
        const store::pg::Result roles = c.exec(
            QByteArray("SELECT rolname FROM pg_roles WHERE starts_with(rolname, $1) ORDER BY rolname LIKE '%:owner', rolname"),
            {QVariant(name)});
        for (int i = 0; i < roles.rows(); ++i) {
            const QString role = roles.text(i, 0);
            if (role.startsWith(name + u'.') || role.startsWith(name + u':'))
                c.exec(QStringLiteral("DROP ROLE %1").arg(store::sql::quoteId(role)));
        }
    } catch (const store::Error &e) {
        qWarning("%s", qPrintable(e.text()));
    }
}

QByteArray scrambled(const QString &password)
{
    QByteArray b = store::cp936::encode(password);
    ScramblePassword(b);
    return b;
}

bool personalLogins() { return onServer() && qgetenv("QUILLMERE_TEST_LOGINS") == "personal"; }

void logInAsClerk(int n)
{
    if (personalLogins())
        store::setEngineLogin(QStringLiteral("clerk%1").arg(n), QStringLiteral("secret%1").arg(n));
}

void DataDir::movePasswordsToLogins()
{
    if (!m_server)
        return;
    m_server->exec(QStringLiteral("BEGIN"));
    tools::movePasswordsToLogins(*m_server);
    m_server->exec(QStringLiteral("COMMIT"));
    // A clerk's PC names the server and the database, never a user.
    static const QRegularExpression user(QStringLiteral("(^|\\s)user=\\S+"));
    m_clerkServer = QString(server()).remove(user).simplified();
    store::resetEngines();
    store::setEngineLogin(QString(), QString());
    store::setEngineServer(m_clerkServer);
}

QString DataDir::clerkServer() const { return m_clerkServer.isEmpty() ? server() : m_clerkServer; }

DataDir::~DataDir()
{
    store::resetEngines();
    if (!m_server)
        return;
    // Directories may overlap in time: the one made before this one is
    // current again, as long as it lives.
    std::erase_if(liveServers(), [this](const auto &live) { return live.first == m_server.get(); });
    currentServer = liveServers().empty() ? nullptr : liveServers().back().first;
    store::setEngineServer(liveServers().empty() ? QString() : liveServers().back().second);
    m_server.reset();
    dropDatabase(cluster(), m_database);
    if (!m_clerkServer.isEmpty())
        store::setEngineLogin(QString(), QString());
}

QString DataDir::path() const { return m_tmp.path() + u'/'; }

QString DataDir::file(const QString &name) const { return QDir(m_tmp.path()).filePath(name); }

void DataDir::exec(const QString &fileName, const QString &sql, const QVariantList &params)
{
    rows(fileName, sql, params);
}

QList<QVariantList> DataDir::rows(const QString &fileName, const QString &sql, const QVariantList &params)
{
    return tableRows(file(fileName), sql, params);
}

OwnServer::OwnServer(Start when)
{
    static int made = 0;
    dir = QStringLiteral("/tmp/qm-own-%1-%2").arg(QCoreApplication::applicationPid()).arg(++made);
    info = QStringLiteral("host=%1 port=5432 user=quillmere dbname=postgres").arg(dir);
    // What a run cut short left under the same name goes first.
    QProcess::execute(script(), {QStringLiteral("stop"), dir});
    if (when == Now)
        start();
}

OwnServer::~OwnServer() { QProcess::execute(script(), {QStringLiteral("stop"), dir}); }

QString OwnServer::script() { return qEnvironmentVariable("QUILLMERE_SOURCE_DIR") + QStringLiteral("/scripts/pgcluster"); }

bool OwnServer::start()
{
    QProcess p;
    p.start(script(), {QStringLiteral("start"), dir});
    p.waitForFinished(120000);
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0
           && QString::fromUtf8(p.readAllStandardOutput()).trimmed() == info;
}

bool OwnServer::halt() { return QProcess::execute(script(), {QStringLiteral("halt"), dir}) == 0; }

bool OwnServer::resume() { return QProcess::execute(script(), {QStringLiteral("resume"), dir}) == 0; }

QString OwnServer::office(bool tables) const
{
    store::pg::Connection(info).exec(QStringLiteral("CREATE DATABASE office"));
    const QString office = info + QStringLiteral(" dbname=office");
    if (tables) {
        store::pg::Connection c(office);
        c.exec(QStringLiteral("BEGIN"));
        tools::createServerTables(c);
        c.exec(QStringLiteral("COMMIT"));
    }
    store::setEngineServer(office);
    return office;
}

QList<QVariantList> tableRows(const QString &path, const QString &sql, const QVariantList &params)
{
    if (currentServer)
        return serverRows(*currentServer, QFileInfo(path).completeBaseName(), sql, params);
    Db db;
    db.open(path, false);
    sqlite3_busy_timeout(db.handle(), 5000);
    QString text = sql;
    text.replace(QStringLiteral("$T"), u'"' + QFileInfo(path).completeBaseName() + u'"');
    Stmt st(db.handle(), text);
    for (int i = 0; i < params.size(); ++i)
        st.bind(i + 1, params[i]);
    QList<QVariantList> out;
    while (st.step()) {
        QVariantList row;
        for (int c = 0; c < st.columnCount(); ++c)
            row << st.column(c);
        out << row;
    }
    return out;
}

int DataDir::count(const QString &fileName)
{
    return rows(fileName, QStringLiteral("SELECT count(*) FROM $T")).first().first().toInt();
}

void DataDir::refuseInsert(const QString &fileName, const QString &field, const QString &text)
{
    const QString name = QStringLiteral("\"refuse\"");
    if (m_server) {
        if (field.isEmpty()) {
            exec(fileName, QStringLiteral("ALTER TABLE $T DROP CONSTRAINT %1").arg(name));
        } else {
            exec(fileName, QStringLiteral("ALTER TABLE $T ADD CONSTRAINT %1 CHECK (%2 IS DISTINCT FROM '%3')")
                               .arg(name, store::sql::quoteId(field), text));
        }
        return;
    }
    if (field.isEmpty()) {
        exec(fileName, QStringLiteral("DROP TRIGGER %1").arg(name));
    } else {
        exec(fileName, QStringLiteral("CREATE TRIGGER %1 BEFORE INSERT ON $T WHEN NEW.%2 = '%3' "
                                      "BEGIN SELECT RAISE(ABORT, 'refused'); END")
                           .arg(name, store::sql::quoteId(field), text));
    }
}

QString DataDir::server() const
{
    for (const auto &live : liveServers()) {
        if (live.first == m_server.get())
            return live.second;
    }
    return QString();
}

struct OtherWriter::Files {
    Db db;
};

OtherWriter::OtherWriter(DataDir &dir)
{
    if (!dir.server().isEmpty()) {
        // The lock every program's action takes on the server.
        m_server = std::make_unique<store::pg::Connection>(dir.server());
        m_server->exec(QStringLiteral("BEGIN; %1").arg(QLatin1String(store::OfficeWriteLock)));
        return;
    }
    m_files = std::make_unique<Files>();
    m_files->db.open(dir.file(store::schema::ScoreFile), false);
    m_files->db.exec(QStringLiteral("BEGIN IMMEDIATE"));
}

OtherWriter::~OtherWriter()
{
    if (m_server)
        m_server->exec(QStringLiteral("ROLLBACK"));
    else
        m_files->db.exec(QStringLiteral("ROLLBACK"));
}

qint64 DataDir::highWater(const QString &fileName)
{
    if (m_server)
        return serverRows(*m_server, QStringLiteral("quillmere_tables"),
                          QStringLiteral("SELECT high_water FROM $T WHERE name = ?1"), {QFileInfo(fileName).completeBaseName()})
            .value(0)
            .value(0)
            .toLongLong();
    return rows(fileName, QStringLiteral("PRAGMA user_version")).first().first().toLongLong();
}

void DataDir::addStudent(const QString &no, const QString &name, const QString &cls)
{
    exec(store::schema::StudentFile, QStringLiteral("INSERT INTO $T(学号,姓名,班级) VALUES(?1,?2,?3)"),
         {no, name, cls.isEmpty() ? QVariant() : QVariant(cls)});
}

void DataDir::addScore(int seq, const QString &studNo, const QString &subject, const QVariant &score,
                       const QVariant &m1, const QVariant &m2)
{
    exec(store::schema::ScoreFile, QStringLiteral("INSERT INTO $T VALUES(?1,?2,?3,?4,?5,?6)"),
         {seq, studNo, subject, score, m1, m2});
}

void DataDir::addClass(const QString &no, const QString &name)
{
    exec(store::schema::ClassFile, QStringLiteral("INSERT INTO $T(班号,班级名称) VALUES(?1,?2)"), {no, name});
}

void DataDir::addCourse(const QString &no, const QString &name)
{
    exec(store::schema::CourseFile, QStringLiteral("INSERT INTO $T(课程号,课程名称) VALUES(?1,?2)"), {no, name});
}

void DataDir::addPlan(int seq, const QString &courseNo, const QString &total, const QVariant &credit)
{
    exec(store::schema::PlanFile, QStringLiteral("INSERT INTO $T(序号,课程号,总学时,学分) VALUES(?1,?2,?3,?4)"),
         {seq, courseNo, total.isEmpty() ? QVariant() : QVariant(total), credit});
}

void DataDir::addAccount(const QString &name, const QByteArray &storedPassword, const QString &right)
{
    exec(store::schema::AccountFile, QStringLiteral("INSERT INTO $T(用户名,口令,权限) VALUES(?1,?2,?3)"),
         {name, storedPassword.isEmpty() ? QVariant() : QVariant(storedPassword), right});
}

void DataDir::insert(const QString &fileName, const QStringList &columns, const QList<QVariantList> &rows)
{
    if (rows.isEmpty())
        return;
    QStringList quoted;
    for (const QString &c : columns)
        quoted << u'"' + c + u'"';
    QStringList values;
    QVariantList params;
    for (const QVariantList &r : rows) {
        QStringList marks;
        for (qsizetype i = 0; i < r.size(); ++i)
            marks << QStringLiteral("?%1").arg(params.size() + i + 1);
        values << u'(' + marks.join(u',') + u')';
        params << r;
    }
    exec(fileName, QStringLiteral("INSERT INTO $T(%1) VALUES %2").arg(quoted.join(u','), values.join(u',')), params);
}

namespace {

bool &guarded()
{
    static bool on = false;
    return on;
}

// A box nobody answers is answered as its close button does.
int unscriptedBox(const ui::ShownBox &box)
{
    QTest::qFail(qPrintable(QStringLiteral("a message box no test answers: ") + box.text), __FILE__, __LINE__);
    switch (box.buttons) {
    case ui::Buttons::YesNo: return ui::IdNo;
    case ui::Buttons::OkCancel: return ui::IdCancel;
    case ui::Buttons::Ok: break;
    }
    return ui::IdOk;
}

void unscriptedModal(QWidget *w)
{
    QTest::qFail(qPrintable(QStringLiteral("a modal window no test runs: ") + w->objectName()), __FILE__, __LINE__);
}

// A dialog nobody fills in is cancelled, as its close button does.
int unscriptedDialog(QDialog *d)
{
    QTest::qFail(qPrintable(QStringLiteral("a dialog no test answers: ") + d->windowTitle()), __FILE__, __LINE__);
    return QDialog::Rejected;
}

} // namespace

void guardUnscripted()
{
    guarded() = true;
    ui::setMessageBoxScript(unscriptedBox);
    ui::setModalScript(unscriptedModal);
    ui::setDialogScript(unscriptedDialog);
}

Boxes::Boxes(int defaultAnswer) : m_default(defaultAnswer)
{
    ui::setMessageBoxScript([this](const ui::ShownBox &box) {
        shown << box;
        if (m_look)
            m_look(box);
        if (m_takeFocus) {
            QPointer<QWidget> back = QApplication::activeWindow();
            QWidget stand;
            stand.setWindowTitle(box.title);
            stand.show();
            stand.activateWindow();
            // Only the focus moving matters; where a window system does not
            // hand it over, the box took it as far as it could.
            (void)QTest::qWaitForWindowActive(&stand);
            stand.hide();
            if (back) {
                back->activateWindow();
                (void)QTest::qWaitForWindowActive(back);
            }
        }
        return m_answers.isEmpty() ? m_default : m_answers.takeFirst();
    });
}

Boxes::~Boxes()
{
    ui::setScriptedLoop(0);
    ui::setMessageBoxScript(guarded() ? ui::BoxScript(unscriptedBox) : ui::BoxScript());
}

void Boxes::answerInsideLoop(int ms) { ui::setScriptedLoop(ms); }

QStringList Boxes::texts() const
{
    QStringList t;
    for (const auto &b : shown)
        t << b.text;
    return t;
}

void bindTable(store::TTable &table, const DataDir &dir, const QString &file)
{
    table.setDatabaseName(dir.path());
    table.setTableName(dir.path() + file);
}

void asAction(const std::function<void()> &fn)
{
    action::EventScope scope(true);
    fn();
    scope.finish();
}

bool showActive(QWidget *w)
{
    w->show();
    if (!QTest::qWaitForWindowExposed(w))
        return false;
    w->activateWindow();
    return QTest::qWaitForWindowActive(w);
}

void click(QWidget *button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}

bool click(QWidget *window, const QString &buttonName)
{
    auto *button = window->findChild<TSkinButton *>(buttonName);
    if (!button)
        return false;
    click(button);
    return true;
}

bool tabOutOf(QWidget *box)
{
    if (!showActive(box->window()))
        return false;
    box->setFocus(Qt::OtherFocusReason);
    if (!box->hasFocus())
        return false;
    QTest::keyClick(box, Qt::Key_Tab);
    return !box->hasFocus();
}

Modal::Modal(std::function<void(QWidget *)> script) : m_script(std::move(script))
{
    ui::setModalScript([this](QWidget *w) {
        shown << w;
        if (m_script)
            m_script(w);
    });
}

Modal::~Modal() { ui::setModalScript(guarded() ? ui::ModalScript(unscriptedModal) : ui::ModalScript()); }

Dialogs::Dialogs(std::function<int(QDialog *)> script) : m_script(std::move(script))
{
    ui::setDialogScript([this](QDialog *d) {
        titles << d->windowTitle();
        return m_script ? m_script(d) : int(QDialog::Rejected);
    });
}

Dialogs::~Dialogs() { ui::setDialogScript(guarded() ? ui::DialogScript(unscriptedDialog) : ui::DialogScript()); }

} // namespace fixture
