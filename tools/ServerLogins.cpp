#include "tools/ServerLogins.h"

#include "core/Error.h"
#include "core/Globals.h"
#include "db/Codepage.h"
#include "db/Statement.h"
#include "db/server/Logins.h"
#include "db/server/Postgres.h"
#include "office/Schema.h"

#include <QFileInfo>

namespace tools {

namespace pg = store::pg;
namespace sch = store::schema;
using store::Error;
using store::sql::quoteId;

namespace {

QString literal(const QString &text)
{
    QString t = text;
    t.replace(u'\'', QLatin1String("''"));
    return u'\'' + t + u'\'';
}

QString tableOf(const QString &file) { return QFileInfo(file).completeBaseName(); }

// The account table's functions on the server, made by the owner role: the
// login of a user name (as the program works it out), the password of a
// stored (pair-swapped, code page 936) one, the group of a right level,
// and the view's writes.
QStringList accountFunctions(const QString &database, const QString &schema)
{
    const QString accounts = QStringLiteral("quillmere_private.") + quoteId(tableOf(sch::AccountFile));
    const QString definer = QStringLiteral("SECURITY DEFINER SET search_path = %1, pg_temp").arg(quoteId(schema));
    QStringList out;
    out << QStringLiteral(
        "CREATE FUNCTION quillmere_login(name text) RETURNS text LANGUAGE sql STABLE AS $$ "
        "SELECT CASE WHEN octet_length(current_database() || '.' || name) <= 63 THEN current_database() || '.' || name "
        "ELSE current_database() || '.' || md5(name) END $$");
    out << QStringLiteral(
        "CREATE FUNCTION quillmere_password(stored bytea) RETURNS text LANGUAGE plpgsql IMMUTABLE AS $$ "
        "DECLARE b bytea := coalesce(stored, ''::bytea); n int := length(coalesce(stored, ''::bytea)); t int; "
        "BEGIN IF n = 0 THEN RETURN %1; END IF; "
        "IF n >= 3 THEN FOR k IN 0 .. n / 2 - 1 LOOP t := get_byte(b, 2 * k); "
        "b := set_byte(b, 2 * k, get_byte(b, 2 * k + 1)); b := set_byte(b, 2 * k + 1, t); END LOOP; END IF; "
        "RETURN convert_from(b, 'GBK'); END $$")
               .arg(literal(pg::emptyPasswordStandIn()));
    out << QStringLiteral("CREATE FUNCTION quillmere_group(level text) RETURNS text LANGUAGE sql IMMUTABLE AS $$ "
                          "SELECT CASE WHEN level = '1' THEN %1 ELSE %2 END $$")
               .arg(literal(pg::adminGroup(database)), literal(pg::userGroup(database)));
    // A login deleted while in use could not go then: it may no longer log
    // in, and goes with a later change of the accounts.
    out << QStringLiteral(
        "CREATE FUNCTION quillmere_sweep() RETURNS void LANGUAGE plpgsql AS $$ DECLARE r name; BEGIN "
        "FOR r IN SELECT rolname FROM pg_roles WHERE NOT rolcanlogin AND starts_with(rolname, current_database() || '.') "
        "AND rolname <> session_user AND NOT EXISTS (SELECT 1 FROM %1 a WHERE quillmere_login(a.\"用户名\") = rolname) "
        "LOOP EXECUTE format('DROP ROLE %I', r); END LOOP; END $$")
               .arg(accounts);
    out << QStringLiteral(
        "CREATE FUNCTION quillmere_add_login(name text, stored bytea, level text, id integer, row_id bigint) RETURNS void "
        "LANGUAGE plpgsql %2 AS $$ DECLARE login text := quillmere_login(name); BEGIN "
        "IF name IS NULL OR name = '' THEN RAISE EXCEPTION '用户名不能为空!' USING ERRCODE = 'QM001'; END IF; "
        "PERFORM quillmere_sweep(); "
        "IF EXISTS (SELECT 1 FROM %1 a WHERE a.\"用户名\" = name) THEN "
        "RAISE EXCEPTION '已经有用户名为 % 的帐户:数据库服务器上每个用户名只能有一个帐户!', name USING ERRCODE = 'QM002'; END IF; "
        "IF EXISTS (SELECT 1 FROM pg_roles WHERE rolname = login) THEN "
        "EXECUTE format('ALTER ROLE %I LOGIN PASSWORD %L', login, quillmere_password(stored)); "
        "EXECUTE format('REVOKE %I, %I FROM %I', quillmere_group('1'), quillmere_group('2'), login); "
        "EXECUTE format('GRANT %I TO %I', quillmere_group(level), login); "
        "ELSE EXECUTE format('CREATE ROLE %I LOGIN PASSWORD %L IN ROLE %I', login, quillmere_password(stored), quillmere_group(level)); "
        "END IF; "
        "INSERT INTO %1(\"用户名\", \"权限\", \"Id\", rowid) VALUES (name, level, id, row_id); END $$")
               .arg(accounts, definer);
    out << QStringLiteral("CREATE FUNCTION quillmere_account_added() RETURNS trigger LANGUAGE plpgsql %1 AS $$ BEGIN "
                          "PERFORM quillmere_add_login(NEW.\"用户名\", NEW.\"口令\", NEW.\"权限\", NEW.\"Id\", NEW.rowid); "
                          "RETURN NEW; END $$")
               .arg(definer);
    out << QStringLiteral(
        "CREATE FUNCTION quillmere_account_changed() RETURNS trigger LANGUAGE plpgsql %2 AS $$ "
        "DECLARE login text := quillmere_login(OLD.\"用户名\"); BEGIN "
        "IF NEW.\"用户名\" IS DISTINCT FROM OLD.\"用户名\" OR NEW.rowid IS DISTINCT FROM OLD.rowid THEN "
        "RAISE EXCEPTION '数据库服务器上帐户的用户名不能修改!' USING ERRCODE = 'QM003'; END IF; "
        "IF NEW.\"口令\" IS NOT NULL THEN EXECUTE format('ALTER ROLE %I PASSWORD %L', login, quillmere_password(NEW.\"口令\")); END IF; "
        "IF quillmere_group(NEW.\"权限\") <> quillmere_group(OLD.\"权限\") THEN "
        "EXECUTE format('REVOKE %I FROM %I', quillmere_group(OLD.\"权限\"), login); "
        "EXECUTE format('GRANT %I TO %I', quillmere_group(NEW.\"权限\"), login); END IF; "
        "UPDATE %1 SET \"权限\" = NEW.\"权限\", \"Id\" = NEW.\"Id\" WHERE rowid = OLD.rowid; RETURN NEW; END $$")
               .arg(accounts, definer);
    out << QStringLiteral(
        "CREATE FUNCTION quillmere_account_deleted() RETURNS trigger LANGUAGE plpgsql %2 AS $$ "
        "DECLARE login text := quillmere_login(OLD.\"用户名\"); BEGIN "
        "DELETE FROM %1 WHERE rowid = OLD.rowid; IF NOT FOUND THEN RETURN NULL; END IF; "
        "IF EXISTS (SELECT 1 FROM pg_roles WHERE rolname = login) THEN "
        "IF login = session_user THEN EXECUTE format('ALTER ROLE %I NOLOGIN PASSWORD NULL', login); "
        "ELSE EXECUTE format('DROP ROLE %I', login); END IF; END IF; "
        "PERFORM quillmere_sweep(); RETURN OLD; END $$")
               .arg(accounts, definer);
    for (const char *f : {"quillmere_sweep()", "quillmere_add_login(text, bytea, text, integer, bigint)",
                          "quillmere_account_added()", "quillmere_account_changed()", "quillmere_account_deleted()"})
        out << QStringLiteral("REVOKE EXECUTE ON FUNCTION %1 FROM PUBLIC").arg(QString::fromLatin1(f));
    return out;
}

} // namespace

bool hasPersonalLogins(pg::Connection &c)
{
    const pg::Result r = c.exec(QStringLiteral("SELECT 1 FROM pg_roles WHERE rolname = current_database() || ':admin'"));
    return r.rows() > 0;
}

QStringList movePasswordsToLogins(pg::Connection &c)
{
    const pg::Result who = c.exec(QStringLiteral(
        "SELECT current_database(), current_schema(), (SELECT rolsuper FROM pg_roles WHERE rolname = current_user)"));
    const QString database = who.text(0, 0), schema = who.text(0, 1);
    if (who.text(0, 2) != QLatin1String("t"))
        throw Error(QStringLiteral("建立本系统的登录名和组要用数据库服务器的超级用户(例如 postgres)连接"));
    if (hasPersonalLogins(c))
        throw Error(QStringLiteral("数据库 '%1' 上已经有本系统的登录名和组").arg(database));
    if (pg::loginRole(database, QStringLiteral("x")).toUtf8().size() > 40)
        throw Error(QStringLiteral("数据库名 '%1' 太长:登录名以数据库名开头,数据库名最多 30 个字节").arg(database));
    const QString accountTable = tableOf(sch::AccountFile);
    if (c.exec(QByteArray("SELECT to_regclass(quote_ident($1))"), {QVariant(accountTable)}).isNull(0, 0))
        throw Error(QStringLiteral("数据库 '%1' 上没有本系统的数据表").arg(database));
    const pg::Result twice = c.exec(QStringLiteral("SELECT coalesce(\"用户名\", '') FROM %1 GROUP BY 1 HAVING count(*) > 1 "
                                                   "OR coalesce(\"用户名\", '') = '' ORDER BY 1")
                                        .arg(quoteId(accountTable)));
    if (twice.rows() > 0) {
        QStringList names;
        for (int i = 0; i < twice.rows(); ++i)
            names << u'\'' + twice.text(i, 0) + u'\'';
        throw Error(QStringLiteral("帐户表中这些用户名为空或有不止一个帐户:%1。数据库服务器上每个用户名只能有一个登录名:"
                                   "请先在原来的程序中删去多余的帐户")
                        .arg(names.join(QStringLiteral(", "))));
    }

    const QString owner = quoteId(pg::ownerRole(database)), admins = quoteId(pg::adminGroup(database)),
                  users = quoteId(pg::userGroup(database)), db = quoteId(database), sc = quoteId(schema);
    QStringList records;
    for (const QString &f : sch::fileNames()) {
        if (f != sch::AccountFile)
            records << quoteId(tableOf(f));
    }
    auto exec = [&c](const QString &sql) { c.exec(sql); };

    // As the superuser: the roles, the database, the schema and the tables
    // change hands; nobody else may create anything or take the office's
    // write lock (holding it would stop every administrator's writes).
    exec(QStringLiteral("CREATE ROLE %1 NOLOGIN CREATEROLE").arg(owner));
    exec(QStringLiteral("CREATE ROLE %1 NOLOGIN").arg(admins));
    exec(QStringLiteral("CREATE ROLE %1 NOLOGIN").arg(users));
    exec(QStringLiteral("GRANT %1, %2 TO %3 WITH ADMIN OPTION").arg(admins, users, owner));
    exec(QStringLiteral("ALTER DATABASE %1 OWNER TO %2").arg(db, owner));
    exec(QStringLiteral("REVOKE ALL ON DATABASE %1 FROM PUBLIC").arg(db));
    exec(QStringLiteral("GRANT CONNECT ON DATABASE %1 TO %2, %3").arg(db, admins, users));
    exec(QStringLiteral("ALTER SCHEMA %1 OWNER TO %2").arg(sc, owner));
    exec(QStringLiteral("REVOKE ALL ON SCHEMA %1 FROM PUBLIC").arg(sc));
    exec(QStringLiteral("GRANT USAGE ON SCHEMA %1 TO %2, %3").arg(sc, admins, users));
    QStringList ours = records;
    ours << quoteId(accountTable) << QStringLiteral("quillmere_tables");
    for (const QString &t : ours)
        exec(QStringLiteral("ALTER TABLE %1 OWNER TO %2").arg(t, owner));
    exec(QStringLiteral("ALTER FUNCTION quillmere_count() OWNER TO %1").arg(owner));
    for (const QString &f : sch::fileNames())
        exec(QStringLiteral("ALTER FUNCTION %1() OWNER TO %2").arg(quoteId(tableOf(f) + QStringLiteral("_auto")), owner));
    exec(QStringLiteral("DO $$DECLARE f regprocedure; BEGIN FOR f IN SELECT oid::regprocedure FROM pg_proc "
                        "WHERE pronamespace = 'pg_catalog'::regnamespace AND proname LIKE 'pg\\_%%advisory%%' LOOP "
                        "EXECUTE format('REVOKE EXECUTE ON FUNCTION %s FROM PUBLIC', f); "
                        "EXECUTE format('GRANT EXECUTE ON FUNCTION %s TO %I', f, %1); END LOOP; END$$")
             .arg(literal(pg::adminGroup(database))));

    // As the owner: what it makes is its own, and the logins it creates are
    // its to drop again.
    exec(QStringLiteral("SET LOCAL ROLE %1").arg(owner));
    exec(QStringLiteral("CREATE SCHEMA quillmere_private"));
    exec(QStringLiteral("ALTER TABLE %1 RENAME TO quillmere_old_accounts").arg(quoteId(accountTable)));
    const QString hidden = QStringLiteral("quillmere_private.") + quoteId(accountTable);
    exec(QStringLiteral("CREATE TABLE %1(\"用户名\" varchar(50) COLLATE \"C\", \"权限\" varchar(50) COLLATE \"C\", "
                        "\"Id\" integer, rowid bigint NOT NULL UNIQUE)").arg(hidden));
    const QString at = quoteId(accountTable);
    exec(QStringLiteral("CREATE TRIGGER %1 BEFORE INSERT ON %2 FOR EACH ROW EXECUTE FUNCTION %3.%4()")
             .arg(quoteId(accountTable + QStringLiteral("_auto")), hidden, sc, quoteId(accountTable + QStringLiteral("_auto"))));
    exec(QStringLiteral("CREATE TRIGGER %1 AFTER INSERT ON %2 REFERENCING NEW TABLE AS changed FOR EACH STATEMENT "
                        "EXECUTE FUNCTION %3.quillmere_count()").arg(quoteId(accountTable + QStringLiteral("_added")), hidden, sc));
    exec(QStringLiteral("CREATE TRIGGER %1 AFTER DELETE ON %2 REFERENCING OLD TABLE AS changed FOR EACH STATEMENT "
                        "EXECUTE FUNCTION %3.quillmere_count()").arg(quoteId(accountTable + QStringLiteral("_removed")), hidden, sc));
    // The program reads the account table as before; its password field is
    // always empty.
    exec(QStringLiteral("CREATE VIEW %1 AS SELECT \"用户名\", NULL::bytea AS \"口令\", \"权限\", \"Id\", rowid FROM %2")
             .arg(at, hidden));
    for (const QString &f : accountFunctions(database, schema))
        exec(f);
    exec(QStringLiteral("CREATE TRIGGER quillmere_account_added INSTEAD OF INSERT ON %1 FOR EACH ROW "
                        "EXECUTE FUNCTION quillmere_account_added()").arg(at));
    exec(QStringLiteral("CREATE TRIGGER quillmere_account_changed INSTEAD OF UPDATE ON %1 FOR EACH ROW "
                        "EXECUTE FUNCTION quillmere_account_changed()").arg(at));
    exec(QStringLiteral("CREATE TRIGGER quillmere_account_deleted INSTEAD OF DELETE ON %1 FOR EACH ROW "
                        "EXECUTE FUNCTION quillmere_account_deleted()").arg(at));
    exec(QStringLiteral("GRANT SELECT ON %1, quillmere_tables, %2 TO %3").arg(records.join(QStringLiteral(", ")), at, users));
    exec(QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE ON %1, %2 TO %3").arg(records.join(QStringLiteral(", ")), at, admins));
    exec(QStringLiteral("GRANT SELECT, UPDATE ON quillmere_tables TO %1").arg(admins));

    // Each account becomes a login; the table that held the passwords goes
    // (its file with it), and the count starts again from the logins.
    const pg::Result made = c.exec(QStringLiteral(
        "SELECT \"用户名\", quillmere_add_login(\"用户名\", \"口令\", \"权限\", \"Id\", rowid) FROM quillmere_old_accounts ORDER BY rowid"));
    QStringList logins;
    for (int i = 0; i < made.rows(); ++i)
        logins << made.text(i, 0);
    exec(QStringLiteral("DROP TABLE quillmere_old_accounts"));
    c.exec(QByteArray("UPDATE quillmere_tables SET records = (SELECT count(*) FROM ") + hidden.toUtf8()
               + "), version = version + 1 WHERE name = $1",
           {QVariant(accountTable)});
    exec(QStringLiteral("RESET ROLE"));
    return logins;
}

void addLogin(pg::Connection &c, const QString &user, const QString &password, const QString &right)
{
    QByteArray stored = store::cp936::encode(password);
    ScramblePassword(stored);
    c.exec(QByteArray("INSERT INTO ") + quoteId(tableOf(sch::AccountFile)).toUtf8() + "(\"用户名\", \"口令\", \"权限\") VALUES ($1, $2, $3)",
           {QVariant(user), QVariant(stored), QVariant(right)});
}

} // namespace tools
