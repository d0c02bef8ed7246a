// Logging in where the server checks each clerk's own login (and, for
// comparison, on the files): a refused attempt leaves the window as it was
// for the next one, the rights come with the login, and the account window
// makes and drops the server's logins with the refusals it has always had.
#include "core/Globals.h"
#include "db/Codepage.h"
#include "db/Engines.h"
#include "db/server/Logins.h"
#include "db/server/Postgres.h"
#include "login/TForm1_Denglu.h"
#include "login/TForm2_Main.h"
#include "login/TForm7_Login.h"
#include "office/DataModule.h"
#include "office/Schema.h"
#include "skin/SkinComboBox.h"
#include "skin/SkinEdit.h"
#include "tests/support/Fixture.h"
#include "tests/support/ProgramWindows.h"
#include "data/Table.h"

#include <QtTest>

namespace sch = store::schema;
namespace pg = store::pg;

namespace {

using fixture::scrambled;

const QString NoSuchUser = QStringLiteral("没有此用户!仔细检查输入是否有误,若仍然出现该问题请与系统管理员联系!");

} // namespace

class LoginsTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void refusedAttemptsLeaveTheWindowForTheNext();
    void rightsComeWithTheLogin_data();
    void rightsComeWithTheLogin();
    void accountWindowMakesAndDropsLogins();
    void accountWindowRefusesAsBefore_data();
    void accountWindowRefusesAsBefore();

private:
    // One press of 进入 with these texts; the boxes it showed.
    QStringList attempt(const QString &name, const QString &password);
    // Whether the server takes this account's login and password now, and
    // in which right's group it is (0: refused).
    int serverLogin(const QString &name, const QString &password);

    std::unique_ptr<fixture::DataDir> m_dir;
    std::unique_ptr<fixture::ProgramWindows> m_windows;
    TForm1_Denglu *m_login = nullptr;
};

void LoginsTest::init()
{
    m_dir = std::make_unique<fixture::DataDir>();
    m_dir->addStudent(QStringLiteral("S1"), QStringLiteral("张三"));
    m_dir->addAccount(QStringLiteral("admin"), scrambled(QStringLiteral("secret")), QStringLiteral("1"));
    m_dir->addAccount(QStringLiteral("user"), scrambled(QStringLiteral("abcd")), QStringLiteral("2"));
    m_dir->addAccount(QStringLiteral("Defaul"), QByteArray(), QStringLiteral("1"));
    m_dir->addAccount(QStringLiteral("老师"), scrambled(QStringLiteral("口令一")), QStringLiteral("3"));
    m_dir->movePasswordsToLogins();
    DataPath = m_dir->path();
    UserRight = 0;
    m_windows = std::make_unique<fixture::ProgramWindows>(m_dir->path());
    m_login = fixture::ProgramWindows::window<TForm1_Denglu>();
    m_login->show();
}

void LoginsTest::cleanup()
{
    m_windows.reset();
    m_dir.reset();
    UserRight = 0;
}

QStringList LoginsTest::attempt(const QString &name, const QString &password)
{
    fixture::Boxes boxes;
    m_login->Edit_Name->setText(name);
    m_login->Edit_PassWord->setText(password);
    fixture::click(m_login->Button_enter);
    return boxes.texts();
}

int LoginsTest::serverLogin(const QString &name, const QString &password)
{
    const QString database = pg::databaseOf(m_dir->clerkServer());
    try {
        pg::Connection c(m_dir->clerkServer(), pg::loginRole(database, name), pg::serverPassword(password));
        const pg::Result r = c.exec(QByteArray("SELECT pg_has_role(current_user, $1, 'MEMBER'), pg_has_role(current_user, $2, 'MEMBER')"),
                                    {QVariant(pg::adminGroup(database)), QVariant(pg::userGroup(database))});
        return r.text(0, 0) == QLatin1String("t") ? 1 : r.text(0, 1) == QLatin1String("t") ? 2 : -1;
    } catch (const store::LoginRefused &) {
        return 0;
    }
}

void LoginsTest::refusedAttemptsLeaveTheWindowForTheNext()
{
    auto *main = fixture::ProgramWindows::window<TForm2_Main>();
    QCOMPARE(attempt(QStringLiteral("admin"), QStringLiteral("wrong")), QStringList{NoSuchUser});
    QVERIFY(m_login->isVisible());
    QCOMPARE(m_login->Edit_Name->text(), QStringLiteral("admin"));
    QCOMPARE(m_login->Edit_PassWord->text(), QStringLiteral("wrong"));
    QCOMPARE(attempt(QStringLiteral("nobody"), QStringLiteral("secret")), QStringList{NoSuchUser});
    QCOMPARE(attempt(QStringLiteral("Admin"), QStringLiteral("secret")), QStringList{NoSuchUser});
    QCOMPARE(UserRight, 0);
    QVERIFY(!main->isVisible());
    // The third attempt with the right password lets the user in, and the
    // account table stands on the account used.
    QCOMPARE(attempt(QStringLiteral("user"), QStringLiteral("abcd")), QStringList());
    QCOMPARE(UserRight, 2);
    QVERIFY(!m_login->isVisible());
    QVERIFY(main->isVisible());
    QCOMPARE(DM1->Table_longin->fieldByName(QStringLiteral("用户名")).asString(), QStringLiteral("user"));
    QCOMPARE(DM1->Table_stud->recordCount(), 1);
}

void LoginsTest::rightsComeWithTheLogin_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("right");
    QTest::newRow("administrator") << "admin" << "secret" << 1;
    QTest::newRow("ordinary user") << "user" << "abcd" << 2;
    QTest::newRow("Defaul with empty password") << "Defaul" << "" << 1;
    // On the server every right but "1" is the ordinary users' group.
    QTest::newRow("rights 3, Chinese password") << "老师" << "口令一" << (fixture::onServer() ? 2 : 3);
}

void LoginsTest::rightsComeWithTheLogin()
{
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(int, right);
    QCOMPARE(attempt(name, password), QStringList());
    QCOMPARE(UserRight, right);
}

void LoginsTest::accountWindowMakesAndDropsLogins()
{
    if (!fixture::onServer())
        QSKIP("the files keep no server logins");
    QCOMPARE(attempt(QStringLiteral("admin"), QStringLiteral("secret")), QStringList());
    auto *w = fixture::ProgramWindows::window<TForm7_Login>();
    w->show();
    auto add = [w](int type, const QString &name, const QString &password) {
        fixture::Boxes boxes(ui::IdYes);
        w->skinComboBox1->setCurrentIndex(type);
        w->Edit_Name->setText(name);
        w->Edit_PassWord_Login->setText(password);
        fixture::click(w->Button_Add);
        return boxes.texts();
    };
    QCOMPARE(add(1, QStringLiteral("zhang"), QStringLiteral("abc")), QStringList());
    QCOMPARE(add(0, QStringLiteral("王"), QStringLiteral("一a")), QStringList());
    QCOMPARE(serverLogin(QStringLiteral("zhang"), QStringLiteral("abc")), 2);
    QCOMPARE(serverLogin(QStringLiteral("zhang"), QStringLiteral("abcd")), 0);
    QCOMPARE(serverLogin(QStringLiteral("王"), QStringLiteral("一a")), 1);
    // The grid shows the account, with no password to show.
    QCOMPARE(DM1->Table_longin->fieldByName(QStringLiteral("用户名")).asString(), QStringLiteral("王"));
    QVERIFY(DM1->Table_longin->fieldByName(QStringLiteral("口令")).asBytes().isEmpty());

    // A name the server has a login of already.
    QCOMPARE(add(1, QStringLiteral("zhang"), QStringLiteral("other")),
             QStringList{QStringLiteral("已经有用户名为 zhang 的帐户:数据库服务器上每个用户名只能有一个帐户!")});
    QCOMPARE(serverLogin(QStringLiteral("zhang"), QStringLiteral("abc")), 2);

    // Deleting the current account (王) drops its login.
    {
        fixture::Boxes boxes(ui::IdYes);
        fixture::click(w->Button_Del);
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("注意!此操作将删除该帐户!")});
    }
    QCOMPARE(serverLogin(QStringLiteral("王"), QStringLiteral("一a")), 0);
    QCOMPARE(m_dir->rows(sch::AccountFile, QStringLiteral("SELECT 用户名 FROM $T ORDER BY rowid")),
             (QList<QVariantList>{{"admin"}, {"user"}, {"Defaul"}, {"老师"}, {"zhang"}}));

    // The account in use: it may not log in again, and the session goes on.
    store::TTable &accounts = *DM1->Table_longin;
    accounts.first();
    while (!accounts.eof() && accounts.fieldByName(QStringLiteral("用户名")).asString() != QLatin1String("admin"))
        accounts.next();
    QVERIFY(!accounts.eof());
    {
        fixture::Boxes boxes(ui::IdYes);
        fixture::click(w->Button_Del);
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("注意!此操作将删除该帐户!")});
    }
    QCOMPARE(serverLogin(QStringLiteral("admin"), QStringLiteral("secret")), 0);
    QCOMPARE(add(1, QStringLiteral("li"), QStringLiteral("xyz")), QStringList());
    QCOMPARE(serverLogin(QStringLiteral("li"), QStringLiteral("xyz")), 2);
}

void LoginsTest::accountWindowRefusesAsBefore_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QStringList>("boxes");
    const QString tooShort = QStringLiteral("口令长度不能小于3!");
    const QString missing = QStringLiteral("用户名和用户类型不能为空!");
    QTest::newRow("one Chinese character") << 1 << "zhang" << "一" << QStringList{tooShort};
    QTest::newRow("empty name") << 1 << "" << "abc" << QStringList{missing};
    QTest::newRow("no type chosen") << -1 << "zhang" << "abc" << QStringList{missing};
}

void LoginsTest::accountWindowRefusesAsBefore()
{
    QFETCH(int, type);
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(QStringList, boxes);
    QCOMPARE(attempt(QStringLiteral("admin"), QStringLiteral("secret")), QStringList());
    auto *w = fixture::ProgramWindows::window<TForm7_Login>();
    w->show();
    fixture::Boxes shown;
    w->skinComboBox1->setCurrentIndex(type);
    w->Edit_Name->setText(name);
    w->Edit_PassWord_Login->setText(password);
    fixture::click(w->Button_Add);
    QCOMPARE(shown.texts(), boxes);
    store::commitAll();
    QCOMPARE(m_dir->count(sch::AccountFile), 4);
    if (fixture::onServer())
        QCOMPARE(serverLogin(name, password), 0);
}

QM_APP_TEST_MAIN(LoginsTest)
#include "test_login_logins.moc"
