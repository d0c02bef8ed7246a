// quillmere-initdb DIR [--demo] [--students N --scores M]
// quillmere-initdb --server CONNINFO [--demo] [--students N --scores M]
// quillmere-initdb --copy DIR --server CONNINFO
// quillmere-initdb --server CONNINFO --upgrade
// Creates a data directory (or the tables on a PostgreSQL server): the six
// empty tables with their indexes and the first administrator account;
// --demo adds demonstration records, --students and --scores generate that
// many records (for benchmarks). --copy moves an office's existing files
// onto the server, leaving the files as they are. On a server each account
// becomes a login of its own (tools/ServerLogins.h); the first
// administrator's password is asked on the terminal, or taken from
// QUILLMERE_ADMIN_PASSWORD. --upgrade moves a server set up under one
// shared login to personal logins.
#include "db/SqlGuard.h"
#include "core/Globals.h"
#include "db/Codepage.h"
#include "data/DataSet.h"
#include "office/Schema.h"
#include "tools/CreateTables.h"
#include "db/sqlite/Sqlite.h"
#include "tools/CodepageCheck.h"
#include "tools/ServerCopy.h"
#include "tools/ServerLogins.h"
#include "db/server/Postgres.h"

#include <QCoreApplication>
#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>

#include <termios.h>
#include <unistd.h>

namespace sch = store::schema;
using store::sql::Db;
using store::sql::Stmt;

namespace {

const char *const FirstUser = "admin";
const char *const FirstPassword = "admin";

void fill(const QString &dir, const QString &file, const QString &sql, const std::function<void(Stmt &)> &rows)
{
    Db db;
    db.open(QDir(dir).filePath(file), false);
    store::SqlGuard filling = store::SqlGuard::transaction([&db](const QString &sql) { db.exec(sql); });
    {
        Stmt st(db.handle(), sql.arg(u'"' + QFileInfo(file).completeBaseName() + u'"'));
        rows(st);
    }
    filling.finish();
}

void addAccount(const QString &dir, const QString &name, const QString &password, const QString &right)
{
    fill(dir, sch::AccountFile, QStringLiteral("INSERT INTO %1(用户名,口令,权限) VALUES(?1,?2,?3)"), [&](Stmt &st) {
        QByteArray stored = store::cp936::encode(password);
        ScramblePassword(stored);
        st.bind(1, name);
        st.bind(2, stored.isEmpty() ? QVariant() : QVariant(stored));
        st.bind(3, right);
        st.step();
    });
}

const QStringList Classes = {QStringLiteral("计算机01班"), QStringLiteral("计算机02班"), QStringLiteral("电子01班"),
                             QStringLiteral("机械01班"), QStringLiteral("会计01班")};
const QStringList Majors = {QStringLiteral("计算机科学与技术"), QStringLiteral("计算机科学与技术"), QStringLiteral("电子信息工程"),
                            QStringLiteral("机械设计制造"), QStringLiteral("会计学")};
const QStringList Departments = {QStringLiteral("计算机系"), QStringLiteral("计算机系"), QStringLiteral("电子系"),
                                 QStringLiteral("机械系"), QStringLiteral("经管系")};
const QStringList Courses = {QStringLiteral("高等数学"), QStringLiteral("大学英语"), QStringLiteral("C语言程序设计"),
                             QStringLiteral("数据结构"), QStringLiteral("大学物理"), QStringLiteral("马克思主义哲学")};
const QStringList Surnames = {QStringLiteral("王"), QStringLiteral("李"), QStringLiteral("张"), QStringLiteral("刘"),
                              QStringLiteral("陈"), QStringLiteral("杨"), QStringLiteral("赵"), QStringLiteral("黄"),
                              QStringLiteral("周"), QStringLiteral("吴")};
const QStringList Given = {QStringLiteral("伟"), QStringLiteral("芳"), QStringLiteral("娜"), QStringLiteral("敏"),
                           QStringLiteral("静"), QStringLiteral("磊"), QStringLiteral("洋"), QStringLiteral("勇"),
                           QStringLiteral("艳"), QStringLiteral("杰"), QStringLiteral("晓明"), QStringLiteral("志强")};
const QStringList Places = {QStringLiteral("北京"), QStringLiteral("上海"), QStringLiteral("湖南长沙"),
                            QStringLiteral("四川成都"), QStringLiteral("广东广州"), QStringLiteral("山东济南")};
const QStringList Peoples = {QStringLiteral("汉族"), QStringLiteral("汉族"), QStringLiteral("汉族"),
                             QStringLiteral("回族"), QStringLiteral("满族"), QStringLiteral("壮族")};

void addClassesAndCourses(const QString &dir)
{
    fill(dir, sch::ClassFile, QStringLiteral("INSERT INTO %1(班号,班级名称) VALUES(?1,?2)"), [](Stmt &st) {
        for (int i = 0; i < Classes.size(); ++i) {
            st.reset();
            st.bind(1, QStringLiteral("B%1").arg(i + 1, 2, 10, QChar(u'0')));
            st.bind(2, Classes[i]);
            st.step();
        }
    });
    fill(dir, sch::CourseFile, QStringLiteral("INSERT INTO %1(课程号,课程名称) VALUES(?1,?2)"), [](Stmt &st) {
        for (int i = 0; i < Courses.size(); ++i) {
            st.reset();
            st.bind(1, QStringLiteral("K%1").arg(i + 1, 3, 10, QChar(u'0')));
            st.bind(2, Courses[i]);
            st.step();
        }
    });
    fill(dir, sch::PlanFile, QStringLiteral("INSERT INTO %1 VALUES(?1,?2,?3,?4,?5,?6,?7,?8)"), [](Stmt &st) {
        for (int i = 0; i < Courses.size(); ++i) {
            const int total = 48 + 16 * (i % 3);
            st.reset();
            st.bind(1, i + 1);
            st.bind(2, QStringLiteral("K%1").arg(i + 1, 3, 10, QChar(u'0')));
            st.bind(3, QString::number(total));
            st.bind(4, QString::number(total - 16));
            st.bind(5, QString::number(i % 2 ? 8 : 0));
            st.bind(6, QString::number(i % 2 ? 8 : 16));
            st.bind(7, total / 16);
            st.bind(8, QStringLiteral("第%1学期").arg(i % 4 + 1));
            st.step();
        }
    });
}

void addStudents(const QString &dir, int count)
{
    QRandomGenerator rng(936);
    fill(dir, sch::StudentFile, QStringLiteral("INSERT INTO %1 VALUES(?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,NULL)"), [&](Stmt &st) {
        for (int i = 0; i < count; ++i) {
            const int c = i % int(Classes.size());
            st.reset();
            st.bind(1, QStringLiteral("2003%1").arg(i + 1, 5, 10, QChar(u'0')));
            st.bind(2, Surnames[rng.bounded(int(Surnames.size()))] + Given[rng.bounded(int(Given.size()))]);
            st.bind(3, rng.bounded(2) ? QStringLiteral("男") : QStringLiteral("女"));
            st.bind(4, Places[rng.bounded(int(Places.size()))]);
            st.bind(5, Peoples[rng.bounded(int(Peoples.size()))]);
            st.bind(6, QDate(1984 + rng.bounded(3), 1 + rng.bounded(12), 1 + rng.bounded(28)).toString(Qt::ISODate));
            st.bind(7, QStringLiteral("2003-09-01"));
            st.bind(8, Classes[c]);
            st.bind(9, Majors[c]);
            st.bind(10, Departments[c]);
            st.step();
        }
    });
}

void addScores(const QString &dir, int students, int count)
{
    QRandomGenerator rng(2003);
    fill(dir, sch::ScoreFile, QStringLiteral("INSERT INTO %1 VALUES(?1,?2,?3,?4,?5,?6)"), [&](Stmt &st) {
        for (int i = 0; i < count; ++i) {
            const int student = students ? i % students : 0;
            const int score = 40 + rng.bounded(61);
            st.reset();
            st.bind(1, i + 1);
            st.bind(2, QStringLiteral("2003%1").arg(student + 1, 5, 10, QChar(u'0')));
            st.bind(3, Courses[(i / std::max(students, 1)) % Courses.size()]);
            st.bind(4, score);
            st.bind(5, score < 60 ? QVariant(55 + rng.bounded(40)) : QVariant());
            st.bind(6, QVariant());
            st.step();
        }
    });
}

// The first administrator's password on a server: from the environment
// (scripts), or typed twice on the terminal without echo.
QString adminPassword()
{
    if (qEnvironmentVariableIsSet("QUILLMERE_ADMIN_PASSWORD"))
        return qEnvironmentVariable("QUILLMERE_ADMIN_PASSWORD");
    FILE *tty = std::fopen("/dev/tty", "r+");
    if (!tty)
        throw store::Error(QStringLiteral("没有终端可以输入管理员 admin 的口令:请在环境变量 QUILLMERE_ADMIN_PASSWORD 中给出"));
    termios saved{};
    const bool isTty = tcgetattr(fileno(tty), &saved) == 0;
    auto readLine = [&](const char *prompt) {
        std::fputs(prompt, tty);
        std::fflush(tty);
        if (isTty) {
            termios quiet = saved;
            quiet.c_lflag &= ~tcflag_t(ECHO);
            tcsetattr(fileno(tty), TCSAFLUSH, &quiet);
        }
        char buf[512] = {};
        const bool got = std::fgets(buf, sizeof buf, tty) != nullptr;
        if (isTty)
            tcsetattr(fileno(tty), TCSAFLUSH, &saved);
        std::fputs("\n", tty);
        QString line = got ? QString::fromLocal8Bit(buf) : QString();
        while (line.endsWith(u'\n') || line.endsWith(u'\r'))
            line.chop(1);
        return line;
    };
    const QString first = readLine("管理员 admin 的口令: ");
    const QString again = readLine("再输入一次: ");
    std::fclose(tty);
    if (first != again)
        throw store::Error(QStringLiteral("两次输入的口令不一样"));
    return first;
}

// A password the account window would take: 3 bytes or more in code page 936.
QString checkedPassword(const QString &password)
{
    if (!store::cp936::canEncode(password) || store::cp936::byteLength(password) < 3)
        throw store::Error(QStringLiteral("管理员的口令至少要 3 个字节,而且只能用 GBK 中有的字符"));
    return password;
}

// The accounts of the copied files become logins; files without an
// administrator account get "admin", so that someone can manage accounts.
void loginsOfCopy(store::pg::Connection &c)
{
    tools::movePasswordsToLogins(c);
    const store::pg::Result admins = c.exec(QStringLiteral("SELECT 1 FROM \"系统帐户表\" WHERE \"权限\" = '1'"));
    if (admins.rows() == 0)
        tools::addLogin(c, QString::fromLatin1(FirstUser), checkedPassword(adminPassword()), QStringLiteral("1"));
}

int usage()
{
    std::fprintf(stderr, "usage: quillmere-initdb DIR [--demo] [--students N --scores M]\n"
                         "       quillmere-initdb --server CONNINFO [--demo] [--students N --scores M]\n"
                         "       quillmere-initdb --copy DIR --server CONNINFO\n"
                         "       quillmere-initdb --server CONNINFO --upgrade\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (const int refused = tools::refuseWithoutCodepage("quillmere-initdb"))
        return refused;
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return usage();
    QString dir, server, copyFrom;
    bool demo = false, upgrade = false;
    int students = -1, scores = -1;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        bool ok = true;
        if (a == QLatin1String("--demo"))
            demo = true;
        else if (a == QLatin1String("--upgrade"))
            upgrade = true;
        else if (a == QLatin1String("--students") && i + 1 < args.size())
            students = args[++i].toInt(&ok);
        else if (a == QLatin1String("--scores") && i + 1 < args.size())
            scores = args[++i].toInt(&ok);
        else if (a == QLatin1String("--server") && i + 1 < args.size())
            server = args[++i];
        else if (a == QLatin1String("--copy") && i + 1 < args.size())
            copyFrom = args[++i];
        else if (!a.startsWith(QLatin1String("--")) && dir.isEmpty())
            dir = a;
        else
            return usage();
        if (!ok || (students < -1) || (scores < -1))
            return usage();
    }
    if (!copyFrom.isEmpty() && (server.isEmpty() || !dir.isEmpty() || demo || students >= 0 || scores >= 0))
        return usage();
    if (dir.isEmpty() == server.isEmpty())
        return usage();
    if (upgrade && (!copyFrom.isEmpty() || demo || students >= 0 || scores >= 0))
        return usage();
    // On a server: the same records are laid out in a scratch directory first
    // and then copied over in one transaction.
    QTemporaryDir scratch;
    if (!server.isEmpty() && copyFrom.isEmpty())
        dir = scratch.path() + QStringLiteral("/DB_Files");
    try {
        if (upgrade) {
            store::pg::Connection c(server);
            c.exec(QStringLiteral("BEGIN"));
            const QStringList logins = tools::movePasswordsToLogins(c);
            c.exec(QStringLiteral("COMMIT"));
            for (const QString &login : logins)
                std::printf("login: %s\n", login.toUtf8().constData());
            return 0;
        }
        if (!copyFrom.isEmpty()) {
            for (const QString &line : tools::copyToServer(copyFrom, server, loginsOfCopy))
                std::printf("%s\n", line.toUtf8().constData());
            return 0;
        }
        tools::createDataDirectory(dir);
        const QString firstPassword = server.isEmpty() ? QString::fromLatin1(FirstPassword) : checkedPassword(adminPassword());
        addAccount(dir, QString::fromLatin1(FirstUser), firstPassword, QStringLiteral("1"));
        if (demo || students >= 0 || scores >= 0)
            addClassesAndCourses(dir);
        if (demo) {
            addAccount(dir, QStringLiteral("user"), QStringLiteral("user"), QStringLiteral("2"));
            if (students < 0)
                students = 12;
            if (scores < 0)
                scores = 30;
        }
        if (students > 0)
            addStudents(dir, students);
        if (scores > 0)
            addScores(dir, std::max(students, 0), scores);
        if (!server.isEmpty())
            tools::copyToServer(dir, server, [](store::pg::Connection &c) { tools::movePasswordsToLogins(c); });
    } catch (const store::Error &e) {
        std::fprintf(stderr, "quillmere-initdb: %s\n", e.text().toUtf8().constData());
        return 1;
    }
    return 0;
}
