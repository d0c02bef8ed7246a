// The data module after creation, the login walk and rights, the main
// window's gate.
#include "data/ActionHooks.h"
#include "db/Engines.h"
#include "ui/App.h"
#include "core/Globals.h"
#include "ui/Instances.h"
#include "login/TForm1_Denglu.h"
#include "login/TForm2_Main.h"
#include "skin/SkinButton.h"
#include "skin/SkinEdit.h"
#include "db/Codepage.h"
#include "office/DataModule.h"
#include "db/server/Postgres.h"
#include "office/Schema.h"
#include "tools/CreateTables.h"
#include "tests/support/Fixture.h"
#include "tests/support/ProgramWindows.h"
#include "data/Table.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace sch = store::schema;

namespace {

using fixture::scrambled;

const QString NoUser = QStringLiteral("没有此用户!仔细检查输入是否有误,若仍然出现该问题请与系统管理员联系!");

} // namespace

class LoginTest : public QObject {
    Q_OBJECT
private slots:
    void scramble_data();
    void scramble();
    void dataModuleAfterCreation_data();
    void dataModuleAfterCreation();
    void login_data();
    void login();
    void rightsThatAreNoNumber();
    void mainWindowButtons_data();
    void mainWindowButtons();
    void cancelledLoginEndsTheProgram();
    void loginWaitsForTheRecords_data();
    void loginWaitsForTheRecords();
    void keyboardFocusSelectsTheText();

private:
    struct Session;
};

// A data directory with the module opened on it and the two windows.
struct LoginTest::Session {
    fixture::DataDir dir;
    std::unique_ptr<fixture::ProgramWindows> windows;
    TForm1_Denglu *login = nullptr;
    TForm2_Main *main = nullptr;
    Session()
    {
        DataPath = dir.path();
        UserRight = 0;
    }
    void open()
    {
        windows = std::make_unique<fixture::ProgramWindows>(dir.path());
        login = fixture::ProgramWindows::window<TForm1_Denglu>();
        main = fixture::ProgramWindows::window<TForm2_Main>();
    }
    ~Session() { windows.reset(); }
};

void LoginTest::scramble_data()
{
    QTest::addColumn<QByteArray>("in");
    QTest::addColumn<QByteArray>("out");
    QTest::newRow("abc") << QByteArray("abc") << QByteArray("bac");
    QTest::newRow("abcd") << QByteArray("abcd") << QByteArray("badc");
    QTest::newRow("ab unchanged") << QByteArray("ab") << QByteArray("ab");
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("bytes of a Chinese character") << QByteArray("\xd6\xd0x") << QByteArray("\xd0\xd6x");
}

void LoginTest::scramble()
{
    QFETCH(QByteArray, in);
    QFETCH(QByteArray, out);
    QByteArray b = in;
    ScramblePassword(b);
    QCOMPARE(b, out);
    ScramblePassword(b);
    QCOMPARE(b, in); // its own inverse
}

void LoginTest::dataModuleAfterCreation_data()
{
    QTest::addColumn<QString>("missing");
    QTest::addColumn<int>("openTables");
    QTest::addColumn<bool>("queriesOpen");
    QTest::newRow("all files") << QString() << 10 << true;
    QTest::newRow("student table missing") << sch::StudentFile << 0 << false;
    QTest::newRow("account table missing") << sch::AccountFile << 9 << false;
}

void LoginTest::dataModuleAfterCreation()
{
    QFETCH(QString, missing);
    QFETCH(int, openTables);
    QFETCH(bool, queriesOpen);
    fixture::DataDir dir;
    dir.addStudent(QStringLiteral("S1"), QStringLiteral("甲"));
    dir.addStudent(QStringLiteral("S2"), QStringLiteral("乙"));
    dir.addScore(1, QStringLiteral("S2"), QStringLiteral("语文"), 60);
    dir.addScore(2, QStringLiteral("s1"), QStringLiteral("数学"), 70);
    dir.addCourse(QStringLiteral("K1"), QStringLiteral("数学"));
    dir.addCourse(QStringLiteral("K2"), QStringLiteral("语文"));
    dir.addPlan(1, QStringLiteral("K2"), QStringLiteral("32"));
    dir.addPlan(2, QStringLiteral("K1"), QStringLiteral("64"));
    if (!missing.isEmpty())
        QVERIFY(QFile::remove(dir.file(missing)));
    DataPath = dir.path();
    TDM1 dm;
    QString error;
    try {
        dm.DataModuleCreate();
    } catch (const store::Error &e) {
        error = e.text();
    }
    QCOMPARE(error.isEmpty(), missing.isEmpty());
    int open = 0;
    for (store::DataSet *ds : dm.dataSets()) {
        if (qobject_cast<store::TTable *>(ds) && ds->active())
            ++open;
    }
    QCOMPARE(open, openTables);
    QCOMPARE(dm.Query_Stud->active(), queriesOpen);
    if (missing == sch::AccountFile)
        QCOMPARE(dm.Query_Stud->sql().join(u' '), QStringLiteral("select * from \"学生信息表.DB\"")); // stored text kept
    if (!queriesOpen)
        return;
    // Every detail on its master's first record.
    QCOMPARE(dm.Table_Scroce_1->recordCount(), 1);
    QCOMPARE(dm.Table_Scroce_1->fieldByName(QStringLiteral("科目")).asString(), QStringLiteral("数学"));
    QCOMPARE(dm.Table_Query_Scroce->fieldByName(QStringLiteral("科目")).asString(), QStringLiteral("数学"));
    QCOMPARE(dm.Table_Object_Jh->fieldByName(QStringLiteral("总学时")).asString(), QStringLiteral("64"));
    QCOMPARE(dm.Table1->fieldByName(QStringLiteral("总学时")).asString(), QStringLiteral("64"));
    QCOMPARE(dm.Table_stud->fieldCount(), 10);
    QCOMPARE(dm.Table_Class->fields(1).fieldName(), QStringLiteral("班级名称"));
    QCOMPARE(dm.Table_Scroce_2->fields(0).fieldName(), QStringLiteral("序号"));
    // Moving the student moves its scores.
    dm.Table_stud->next();
    QCOMPARE(dm.Table_Scroce_1->fieldByName(QStringLiteral("科目")).asString(), QStringLiteral("语文"));
}

void LoginTest::login_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("right"); // 0: refused
    QTest::newRow("administrator") << "admin" << "secret" << 1;
    QTest::newRow("ordinary user") << "user" << "abcd" << 2;
    QTest::newRow("wrong password") << "admin" << "Secret" << 0;
    QTest::newRow("name differs in case") << "Admin" << "secret" << 0;
    QTest::newRow("trailing blank") << "admin " << "secret" << 0;
    QTest::newRow("unknown user") << "nobody" << "secret" << 0;
    QTest::newRow("Defaul with empty password") << "Defaul" << "" << 1;
    QTest::newRow("two-byte password as stored") << "short" << "ab" << 2;
    QTest::newRow("Chinese password") << "老师" << "口令一" << 2;
    QTest::newRow("first match decides") << "twice" << "same" << 2;
    QTest::newRow("rights 3 logs in") << "third" << "xyz" << 3;
}

void LoginTest::login()
{
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(int, right);
    Session s;
    s.dir.addAccount(QStringLiteral("admin"), scrambled(QStringLiteral("secret")), QStringLiteral("1"));
    s.dir.addAccount(QStringLiteral("user"), scrambled(QStringLiteral("abcd")), QStringLiteral("2"));
    s.dir.addAccount(QStringLiteral("Defaul"), QByteArray(), QStringLiteral("1"));
    s.dir.addAccount(QStringLiteral("short"), QByteArray("ab"), QStringLiteral("2"));
    s.dir.addAccount(QStringLiteral("老师"), scrambled(QStringLiteral("口令一")), QStringLiteral("2"));
    s.dir.addAccount(QStringLiteral("twice"), scrambled(QStringLiteral("same")), QStringLiteral("2"));
    s.dir.addAccount(QStringLiteral("twice"), scrambled(QStringLiteral("same")), QStringLiteral("1"));
    s.dir.addAccount(QStringLiteral("third"), scrambled(QStringLiteral("xyz")), QStringLiteral("3"));
    s.open();
    fixture::Boxes boxes;
    s.login->show();
    s.login->Edit_Name->setText(name);
    s.login->Edit_PassWord->setText(password);
    fixture::click(s.login->Button_enter);
    if (right == 0) {
        QCOMPARE(boxes.texts(), QStringList{NoUser});
        QCOMPARE(boxes.shown[0].title, QStringLiteral("注意"));
        QCOMPARE(UserRight, 0);
        QVERIFY(s.login->isVisible());
        QVERIFY(!s.main->isVisible());
        QVERIFY(DM1->Table_longin->eof()); // the walk ran to the end
        QCOMPARE(s.login->Edit_Name->text(), name);
        return;
    }
    QVERIFY(boxes.shown.isEmpty());
    QCOMPARE(UserRight, right);
    QVERIFY(s.main->isVisible());
    QVERIFY(!s.login->isVisible());
    // The account table's cursor stays on the account that logged in.
    QCOMPARE(DM1->Table_longin->fieldByName(QStringLiteral("用户名")).asString(), name);
}

void LoginTest::rightsThatAreNoNumber()
{
    Session s;
    s.dir.addAccount(QStringLiteral("odd"), scrambled(QStringLiteral("pass")), QStringLiteral("管理员"));
    s.open();
    UserRight = 2;
    s.login->show();
    s.login->Edit_Name->setText(QStringLiteral("odd"));
    s.login->Edit_PassWord->setText(QStringLiteral("pass"));
    fixture::Boxes boxes;
    fixture::click(s.login->Button_enter);
    QCOMPARE(boxes.texts(), QStringList{QStringLiteral("'管理员' 不是一个有效的整形值.")});
    QCOMPARE(boxes.shown[0].icon, ui::Icon::Error);
    QCOMPARE(UserRight, 2);
    QVERIFY(s.login->isVisible());
    QVERIFY(!s.main->isVisible());
}

// Every button of the main window, clicked: the record windows open beside
// it for every user, the account window only for an administrator (a second
// click only brings it to the front), the chooser and About modally, and
// "退出系统" closes the login window, which ends the program.
void LoginTest::mainWindowButtons_data()
{
    QTest::addColumn<int>("right");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("opens"); // object name of the window shown beside, or ""
    QTest::addColumn<QString>("modal"); // object name of the window shown modally, or ""
    QTest::addColumn<bool>("refused");
    QTest::addColumn<bool>("ends");

    QTest::newRow("students") << 2 << "Button_stud" << "Form3_stud" << "" << false << false;
    QTest::newRow("classes") << 2 << "Button_Class" << "Form4_Class" << "" << false << false;
    QTest::newRow("courses") << 2 << "Button_Object" << "Form5_Object" << "" << false << false;
    QTest::newRow("scores") << 2 << "Button_Scorce" << "Form6_Scorce" << "" << false << false;
    QTest::newRow("accounts, administrator") << 1 << "Button_Login" << "Form7_Login" << "" << false << false;
    QTest::newRow("accounts, ordinary user") << 2 << "Button_Login" << "" << "" << true << false;
    QTest::newRow("accounts, rights 3") << 3 << "Button_Login" << "" << "" << true << false;
    QTest::newRow("accounts, before any login") << 0 << "Button_Login" << "" << "" << true << false;
    QTest::newRow("reports") << 2 << "Button_Reporter" << "" << "Form19" << false << false;
    QTest::newRow("about") << 2 << "skinButton1" << "" << "Form17_About" << false << false;
    QTest::newRow("exit") << 2 << "Button_Exit" << "" << "" << false << true;
    QTest::newRow("maintenance, administrator") << 1 << "Button_Data" << "" << "Form23_Data" << false << false;
    QTest::newRow("maintenance, ordinary user") << 2 << "Button_Data" << "" << "" << true << false;
}

void LoginTest::mainWindowButtons()
{
    QFETCH(int, right);
    QFETCH(QString, button);
    QFETCH(QString, opens);
    QFETCH(QString, modal);
    QFETCH(bool, refused);
    QFETCH(bool, ends);
    Session s;
    s.open();
    UserRight = right;
    s.login->show();
    s.main->show();
    fixture::Boxes boxes;
    fixture::Modal modals;
    int endings = 0;
    ui::setEndProgramHook([&] { ++endings; });
    auto unhook = qScopeGuard([] { ui::setEndProgramHook({}); });

    QVERIFY(fixture::click(s.main, button));

    const QString refusal = QStringLiteral("您没有足够的操作权限,请与系统管理员联系!");
    QCOMPARE(boxes.texts(), refused ? QStringList{refusal} : QStringList{});
    if (refused)
        QCOMPARE(boxes.shown[0].title, QStringLiteral("提示"));
    QCOMPARE(modals.shown.size(), modal.isEmpty() ? 0 : 1);
    if (!modal.isEmpty())
        QCOMPARE(modals.shown[0]->objectName(), modal);
    QCOMPARE(endings, ends ? 1 : 0);
    QCOMPARE(s.login->isVisible(), !ends);
    QVERIFY(s.main->isVisible());
    for (const char *name : {"Form3_stud", "Form4_Class", "Form5_Object", "Form6_Scorce", "Form7_Login"}) {
        TForm *w = fixture::ProgramWindows::named(QLatin1String(name));
        QVERIFY2(w, name);
        QVERIFY2(w->isVisible() == (opens == QLatin1String(name)), name);
    }
    if (opens.isEmpty())
        return;
    // A second click finds the window open and only brings it to the front.
    QVERIFY(fixture::click(s.main, button));
    QVERIFY(fixture::ProgramWindows::named(opens)->isVisible());
    QVERIFY(boxes.shown.isEmpty());
    QVERIFY(modals.shown.isEmpty());
}

void LoginTest::cancelledLoginEndsTheProgram()
{
    Session s;
    s.open();
    s.login->show();
    fixture::Boxes boxes;
    int endings = 0;
    ui::setEndProgramHook([&] { ++endings; });
    auto unhook = qScopeGuard([] { ui::setEndProgramHook({}); });
    fixture::click(s.login->Button_Cancel);
    QCOMPARE(endings, 1);
    QVERIFY(!s.login->isVisible());
    QVERIFY(!s.main->isVisible());
    QVERIFY(boxes.shown.isEmpty());
    QCOMPARE(UserRight, 0);
}

// The keyboard brings the focus to an edit box with its text selected, so
// that typing replaces it: the password box when the window opens, a box
// reached by Tab. A click places the caret instead, and the focus coming back
// from a message box leaves the text as it was.
void LoginTest::keyboardFocusSelectsTheText()
{
    Session s;
    s.dir.addAccount(QStringLiteral("admin"), scrambled(QStringLiteral("xyz")), QStringLiteral("1"));
    s.open();
    fixture::Boxes boxes;
    boxes.takeFocus();
    TForm1_Denglu &w = *s.login;
    QVERIFY(fixture::showActive(&w));
    QCOMPARE(QApplication::focusWidget(), w.Edit_PassWord);
    QTest::keyClicks(w.Edit_PassWord, QStringLiteral("xyz"));
    QCOMPARE(w.Edit_PassWord->text(), QStringLiteral("xyz"));

    QTest::keyClick(w.Edit_PassWord, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), w.Edit_Name);
    QTest::keyClicks(w.Edit_Name, QStringLiteral("admin"));
    QCOMPARE(w.Edit_Name->text(), QStringLiteral("admin"));

    QTest::mouseClick(w.Edit_PassWord, Qt::LeftButton, {}, QPoint(w.Edit_PassWord->width() - 4, 9));
    QTest::keyClicks(w.Edit_PassWord, QStringLiteral("1"));
    QCOMPARE(w.Edit_PassWord->text(), QStringLiteral("xyz1"));

    fixture::click(w.Button_enter);
    QCOMPARE(boxes.texts(), QStringList{NoUser});
    QCOMPARE(QApplication::focusWidget(), w.Edit_PassWord);
    QTest::keyClick(w.Edit_PassWord, Qt::Key_Backspace);
    QCOMPARE(w.Edit_PassWord->text(), QStringLiteral("xyz"));
    fixture::click(w.Button_enter);
    QCOMPARE(UserRight, 1);
}

// Started before the records can be reached, the program logs in once they
// can, without a restart: until then each attempt says why, in the engine's
// words, rather than naming a closed dataset.
void LoginTest::loginWaitsForTheRecords_data()
{
    QTest::addColumn<QString>("missing");
    QTest::addColumn<QString>("says");   // how the creation's box and each attempt's begin
    QTest::addColumn<QString>("ends");   // ... and end
    QTest::newRow("server down") << "server" << "无法连接到数据库服务器 '" << ")";
    QTest::newRow("database without the tables") << "tables" << "数据库服务器 '" << "上没有本系统的数据表.";
    QTest::newRow("data directory made later") << "directory" << "数据目录 '" << "' 不存在.";
}

void LoginTest::loginWaitsForTheRecords()
{
    QFETCH(QString, missing);
    QFETCH(QString, says);
    QFETCH(QString, ends);
    QTemporaryDir tmp;
    const QString dataPath = tmp.path() + QStringLiteral("/DB_Files/");
    std::unique_ptr<fixture::OwnServer> server;
    auto files = qScopeGuard([] { store::setEngineServer(QString()); });
    if (missing == QLatin1String("server")) {
        server = std::make_unique<fixture::OwnServer>(fixture::OwnServer::Later);
        store::setEngineServer(server->info + QStringLiteral(" dbname=office"));
    } else if (missing == QLatin1String("tables")) {
        server = std::make_unique<fixture::OwnServer>();
        server->office(false);
    }
    UserRight = 0;
    fixture::Boxes boxes;
    fixture::ProgramWindows windows(dataPath);
    auto *login = fixture::ProgramWindows::window<TForm1_Denglu>();
    auto *main = fixture::ProgramWindows::window<TForm2_Main>();
    login->show();
    login->Edit_Name->setText(QStringLiteral("Defaul"));
    login->Edit_PassWord->setText(QString());
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (attempt > 0)
            fixture::click(login->Button_enter);
        QCOMPARE(boxes.shown.size(), attempt + 1);
        const QString text = boxes.shown.last().text;
        QVERIFY2(text.startsWith(says) && text.endsWith(ends), qPrintable(text));
        QVERIFY(login->isVisible());
        QCOMPARE(UserRight, 0);
    }

    // The records come: the server starts, the tables are made, the
    // directory is laid out, each with an account.
    const QString account = QStringLiteral("INSERT INTO $T(用户名, 权限) VALUES('Defaul', '1')");
    if (server) {
        if (missing == QLatin1String("server")) {
            QVERIFY(server->start());
            server->office(false);
        }
        store::pg::Connection office(server->info + QStringLiteral(" dbname=office"));
        office.exec(QStringLiteral("BEGIN"));
        tools::createServerTables(office);
        office.exec(QString(account).replace(QStringLiteral("$T"), QStringLiteral("\"系统帐户表\"")));
        office.exec(QStringLiteral("COMMIT"));
    } else {
        tools::createDataDirectory(dataPath);
        fixture::tableRows(dataPath + sch::AccountFile, account);
    }
    boxes.clear();
    fixture::click(login->Button_enter);
    QCOMPARE(boxes.texts(), QStringList());
    QCOMPARE(UserRight, 1);
    QVERIFY(main->isVisible());
    QVERIFY(!login->isVisible());
    QVERIFY(DM1->allOpen());
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    store::installActionHooks();
    fixture::guardUnscripted();
    LoginTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_login_window.moc"
