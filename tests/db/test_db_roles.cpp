// The server's own rules for an office with personal logins: what each
// right level's login may do when it talks to the server directly (as a
// clerk with psql would), that no password can be read back, and the move
// of a database from one shared login to personal ones.
#include "core/Globals.h"
#include "db/Codepage.h"
#include "db/Engines.h"
#include "db/server/Logins.h"
#include "db/server/Postgres.h"
#include "office/Schema.h"
#include "tests/support/Fixture.h"
#include "tools/ServerLogins.h"

#include <QtTest>

namespace pg = store::pg;
namespace sch = store::schema;

namespace {

using fixture::scrambled;

// An office of the old layout with these accounts, moved to personal logins.
struct Office {
    fixture::DataDir dir;
    QString database;
    Office(const QList<std::tuple<QString, QByteArray, QString>> &accounts = {})
    {
        dir.addStudent(QStringLiteral("S1"), QStringLiteral("张三"));
        dir.addScore(1, QStringLiteral("S1"), QStringLiteral("数学"), 80);
        for (const auto &[name, stored, right] : accounts)
            dir.addAccount(name, stored, right);
        dir.movePasswordsToLogins();
        database = pg::databaseOf(dir.clerkServer());
    }
    // A raw connection as the account's login, as psql on a clerk's PC.
    std::unique_ptr<pg::Connection> as(const QString &user, const QString &password) const
    {
        return std::make_unique<pg::Connection>(dir.clerkServer(), pg::loginRole(database, user), pg::serverPassword(password));
    }
    std::unique_ptr<pg::Connection> superuser() const { return std::make_unique<pg::Connection>(dir.server()); }
};

const QList<std::tuple<QString, QByteArray, QString>> TwoAccounts = {
    {QStringLiteral("admin"), scrambled(QStringLiteral("admin")), QStringLiteral("1")},
    {QStringLiteral("user"), scrambled(QStringLiteral("user")), QStringLiteral("2")},
};

} // namespace

class RolesTest : public QObject {
    Q_OBJECT
private slots:
    void whatEachLoginMayDo_data();
    void whatEachLoginMayDo();
    void accountsMovedWithTheirPasswords();
    void noPasswordIsLeftToRead();
    void movingRefusesWhatItCannotCarryOver();
    void longUserNamesHaveTheSameLoginOnBothSides();
};

void RolesTest::whatEachLoginMayDo_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<bool>("allowed");
    const QString readRecords = QStringLiteral("SELECT count(*) FROM \"学生信息表\" JOIN \"学生成绩表\" USING (\"学号\")");
    const QString writeRecord = QStringLiteral("INSERT INTO \"班级信息\"(\"班号\", \"班级名称\") VALUES ('B9', '新班')");
    const QString deleteStudent = QStringLiteral("DELETE FROM \"学生信息表\" WHERE \"学号\" = 'S1'");
    const QString renumber = QStringLiteral("UPDATE \"学生成绩表\" SET \"序号\" = \"序号\" + 1");
    const QString raiseRight = QStringLiteral("UPDATE \"系统帐户表\" SET \"权限\" = '1' WHERE \"用户名\" = 'user'");
    const QString hiddenAccounts = QStringLiteral("SELECT * FROM quillmere_private.\"系统帐户表\"");
    const QString serverPasswords = QStringLiteral("SELECT rolpassword FROM pg_authid");
    const QString dropTable = QStringLiteral("DROP TABLE \"学生成绩表\"");
    const QString createTable = QStringLiteral("CREATE TABLE notes(x integer)");
    const QString createTemp = QStringLiteral("CREATE TEMP TABLE notes(x integer)");
    const QString writeLock = QStringLiteral("SELECT pg_advisory_lock(936)");
    const QString makeLogin = QStringLiteral("SELECT quillmere_add_login('x', 'abcd'::bytea, '1', NULL, NULL)");
    const QString catalogue = QStringLiteral("UPDATE quillmere_tables SET version = version + 1");
    struct Row {
        const char *what;
        QString sql;
        bool admin, user;
    };
    const std::vector<Row> rows = {
        {"read records", readRecords, true, true},
        {"read the account names", QStringLiteral("SELECT \"用户名\", \"权限\" FROM \"系统帐户表\""), true, true},
        {"read the hidden account table", hiddenAccounts, false, false},
        {"read the server's passwords", serverPasswords, false, false},
        {"write a record", writeRecord, true, false},
        {"delete a student", deleteStudent, true, false},
        {"renumber the scores", renumber, true, false},
        {"raise an account's right", raiseRight, true, false},
        {"make a login directly", makeLogin, false, false},
        {"count up a table's version", catalogue, true, false},
        {"take the office's write lock", writeLock, true, false},
        {"drop a table", dropTable, false, false},
        {"create a table", createTable, false, false},
        {"create a temporary table", createTemp, false, false},
    };
    for (const Row &r : rows) {
        QTest::addRow("admin: %s", r.what) << "admin" << r.sql << r.admin;
        QTest::addRow("user: %s", r.what) << "user" << r.sql << r.user;
    }
}

void RolesTest::whatEachLoginMayDo()
{
    QFETCH(QString, user);
    QFETCH(QString, sql);
    QFETCH(bool, allowed);
    Office office(TwoAccounts);
    auto c = office.as(user, user);
    c->exec(QStringLiteral("BEGIN"));
    QString refusal;
    try {
        c->exec(sql);
    } catch (const store::Error &e) {
        refusal = e.text();
    }
    c->exec(QStringLiteral("ROLLBACK"));
    QVERIFY2(refusal.isEmpty() == allowed, qPrintable(refusal.isEmpty() ? QStringLiteral("allowed") : refusal));
}

void RolesTest::accountsMovedWithTheirPasswords()
{
    Office office({{QStringLiteral("admin"), scrambled(QStringLiteral("admin")), QStringLiteral("1")},
                   {QStringLiteral("老师"), scrambled(QStringLiteral("口令一")), QStringLiteral("2")},
                   {QStringLiteral("short"), QByteArray("ab"), QStringLiteral("2")},
                   {QStringLiteral("Defaul"), QByteArray(), QStringLiteral("1")},
                   {QStringLiteral("third"), scrambled(QStringLiteral("xyz")), QStringLiteral("3")}});
    // Each logs in with its own password and is in its right's group
    // (every right but "1" is ordinary); a wrong password is refused.
    const QList<std::tuple<QString, QString, int>> logins = {
        {QStringLiteral("admin"), QStringLiteral("admin"), 1}, {QStringLiteral("老师"), QStringLiteral("口令一"), 2},
        {QStringLiteral("short"), QStringLiteral("ab"), 2},    {QStringLiteral("Defaul"), QString(), 1},
        {QStringLiteral("third"), QStringLiteral("xyz"), 2}};
    for (const auto &[user, password, right] : logins) {
        auto c = office.as(user, password);
        const pg::Result r = c->exec(QByteArray("SELECT pg_has_role(current_user, $1, 'MEMBER'), pg_has_role(current_user, $2, 'MEMBER')"),
                                     {QVariant(pg::adminGroup(office.database)), QVariant(pg::userGroup(office.database))});
        QCOMPARE(r.text(0, 0) == QLatin1String("t") ? 1 : r.text(0, 1) == QLatin1String("t") ? 2 : 0, right);
        QVERIFY_THROWS_EXCEPTION(store::LoginRefused, office.as(user, password + QStringLiteral("x")));
    }
    // The records and the account table's order and ids are as they were.
    QCOMPARE(office.dir.rows(sch::AccountFile, QStringLiteral("SELECT 用户名, 权限, \"Id\" FROM $T ORDER BY rowid")),
             (QList<QVariantList>{{"admin", "1", 1}, {"老师", "2", 2}, {"short", "2", 3}, {"Defaul", "1", 4}, {"third", "3", 5}}));
    QCOMPARE(office.dir.count(sch::StudentFile), 1);
    const pg::Result counted = office.superuser()->exec(QStringLiteral("SELECT records FROM quillmere_tables WHERE name = '系统帐户表'"));
    QCOMPARE(counted.int64(0, 0), qint64(5));
}

void RolesTest::noPasswordIsLeftToRead()
{
    Office office(TwoAccounts);
    auto su = office.superuser();
    // Not in the view, not in any table of the database: only the server's
    // own (SCRAM) verifiers remain.
    QCOMPARE(office.dir.rows(sch::AccountFile, QStringLiteral("SELECT count(*) FROM $T WHERE 口令 IS NOT NULL")).first().first().toInt(), 0);
    const pg::Result columns = su->exec(QStringLiteral(
        "SELECT c.relname, a.attname FROM pg_attribute a JOIN pg_class c ON c.oid = a.attrelid JOIN pg_namespace n ON n.oid = c.relnamespace "
        "WHERE c.relkind = 'r' AND n.nspname NOT IN ('pg_catalog', 'information_schema') AND a.attnum > 0 AND NOT a.attisdropped "
        "AND a.atttypid = 'bytea'::regtype"));
    QCOMPARE(columns.rows(), 0);
    const pg::Result verifiers = su->exec(QByteArray("SELECT rolpassword FROM pg_authid WHERE rolname = $1"),
                                          {QVariant(pg::loginRole(office.database, QStringLiteral("admin")))});
    QVERIFY(verifiers.text(0, 0).startsWith(QLatin1String("SCRAM-SHA-256$")));
    // A new account through the view keeps no password either.
    auto admin = office.as(QStringLiteral("admin"), QStringLiteral("admin"));
    tools::addLogin(*admin, QStringLiteral("clerk"), QStringLiteral("abc"), QStringLiteral("2"));
    QCOMPARE(office.dir.rows(sch::AccountFile, QStringLiteral("SELECT count(*) FROM $T WHERE 口令 IS NOT NULL")).first().first().toInt(), 0);
    office.as(QStringLiteral("clerk"), QStringLiteral("abc"));
}

void RolesTest::movingRefusesWhatItCannotCarryOver()
{
    // Two accounts of one name cannot both be logins: nothing is moved.
    fixture::DataDir dir;
    dir.addAccount(QStringLiteral("twice"), scrambled(QStringLiteral("one")), QStringLiteral("2"));
    dir.addAccount(QStringLiteral("twice"), scrambled(QStringLiteral("two")), QStringLiteral("1"));
    auto su = std::make_unique<pg::Connection>(dir.server());
    su->exec(QStringLiteral("BEGIN"));
    QVERIFY_THROWS_EXCEPTION(store::Error, tools::movePasswordsToLogins(*su));
    su->exec(QStringLiteral("ROLLBACK"));
    QVERIFY(!tools::hasPersonalLogins(*su));
    QCOMPARE(dir.count(sch::AccountFile), 2);

    // Moved once, it is not moved again.
    Office office(TwoAccounts);
    auto again = office.superuser();
    again->exec(QStringLiteral("BEGIN"));
    QString refusal;
    try {
        tools::movePasswordsToLogins(*again);
    } catch (const store::Error &e) {
        refusal = e.text();
    }
    again->exec(QStringLiteral("ROLLBACK"));
    QCOMPARE(refusal, QStringLiteral("数据库 '%1' 上已经有本系统的登录名和组").arg(office.database));

    // A login that is not the superuser may not move anything.
    fixture::DataDir old;
    old.addAccount(QStringLiteral("admin"), scrambled(QStringLiteral("admin")), QStringLiteral("1"));
    auto owner = std::make_unique<pg::Connection>(old.server());
    owner->exec(QStringLiteral("CREATE ROLE \"%1.clerk\" LOGIN PASSWORD 'clerk'; SET ROLE \"%1.clerk\"")
                    .arg(pg::databaseOf(old.server())));
    QVERIFY_THROWS_EXCEPTION(store::Error, tools::movePasswordsToLogins(*owner));
}

void RolesTest::longUserNamesHaveTheSameLoginOnBothSides()
{
    const QString longName = QString(20, QChar(u'长'));
    Office office({{QStringLiteral("admin"), scrambled(QStringLiteral("admin")), QStringLiteral("1")},
                   {longName, scrambled(QStringLiteral("pwd")), QStringLiteral("2")}});
    QVERIFY(pg::loginRole(office.database, longName).toUtf8().size() <= 63);
    QVERIFY(!pg::loginRole(office.database, longName).contains(longName));
    auto c = office.as(longName, QStringLiteral("pwd"));
    QCOMPARE(c->exec(QStringLiteral("SELECT current_user")).text(0, 0), pg::loginRole(office.database, longName));
}

QTEST_GUILESS_MAIN(RolesTest)
#include "test_db_roles.moc"
