// Account management: the order of the refusals when adding, the stored
// (pair-swapped) passwords, deleting, and what the login makes of the result.
#include "core/Globals.h"
#include "db/Engines.h"
#include "login/TForm1_Denglu.h"
#include "login/TForm7_Login.h"
#include "skin/SkinComboBox.h"
#include "skin/SkinEdit.h"
#include "dbwidgets/DBGrid.h"
#include "office/DataModule.h"
#include "db/Engine.h"
#include "office/Schema.h"
#include "tests/support/Fixture.h"
#include "tests/support/ProgramWindows.h"

#include <QtTest>

namespace sch = store::schema;

namespace {

const QString Warning = QStringLiteral("警告|注意!如果没有口令,任何人都可修改系统数据!你仍然要继续吗?|YesNo");
const QString TooShort = QStringLiteral("系统提示|口令长度不能小于3!|Ok");
const QString Missing = QStringLiteral("系统提示|用户名和用户类型不能为空!|Ok");
const QString NoSuchUser =
    QStringLiteral("没有此用户!仔细检查输入是否有误,若仍然出现该问题请与系统管理员联系!");

// Every box of this window is an information box owned by no window; the
// rest of what was shown is compared as "title|text|buttons".
QStringList described(const fixture::Boxes &boxes)
{
    QStringList out;
    for (const ui::ShownBox &b : boxes.shown) {
        const bool plain = b.icon == ui::Icon::Information && b.owner == nullptr;
        out << b.title + u'|' + b.text + u'|' + (b.buttons == ui::Buttons::YesNo ? QStringLiteral("YesNo") : QStringLiteral("Ok")) +
                   (plain ? QString() : QStringLiteral("|not a plain information box"));
    }
    return out;
}

struct Account {
    QString name;
    QByteArray stored;
    QString right;
};

} // namespace

Q_DECLARE_METATYPE(Account)

class AccountsTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void addAccount_data();
    void addAccount();
    void newAccountIsCurrentAndShownAsStored();
    void addedAccountLogsIn_data();
    void addedAccountLogsIn();
    void deleteAsksFirst_data();
    void deleteAsksFirst();
    void deleteOnEmptyTableChangesNothing();
    void tabPassesButtonsAndNavigatorBy();
    void quitClosesTheWindow();

private:
    void start();       // data module and windows on m_dir
    void stop();        // all of them gone, the files stay
    QList<Account> storedAccounts();
    // One login attempt; true when it let the user in.
    bool logIn(const QString &name, const QString &password);

    std::unique_ptr<fixture::DataDir> m_dir;
    TForm7_Login *m_w = nullptr;
    std::unique_ptr<fixture::ProgramWindows> m_windows;
    TForm1_Denglu *m_login = nullptr;
};

void AccountsTest::init()
{
    m_dir = std::make_unique<fixture::DataDir>();
    QByteArray admin = "admin";
    ScramblePassword(admin);
    m_dir->addAccount(QStringLiteral("admin"), admin, QStringLiteral("1"));
    UserRight = 0;
}

void AccountsTest::cleanup()
{
    stop();
    m_dir.reset();
    UserRight = 0;
}

void AccountsTest::start()
{
    m_windows = std::make_unique<fixture::ProgramWindows>(m_dir->path());
    m_w = fixture::ProgramWindows::window<TForm7_Login>();
    m_login = fixture::ProgramWindows::window<TForm1_Denglu>();
}

void AccountsTest::stop()
{
    m_windows.reset();
    m_w = nullptr;
    m_login = nullptr;
}

QList<Account> AccountsTest::storedAccounts()
{
    store::commitAll();
    QList<Account> out;
    for (const QVariantList &r : m_dir->rows(sch::AccountFile, QStringLiteral("SELECT 用户名, 口令, 权限 FROM $T ORDER BY rowid")))
        out << Account{r[0].toString(), r[1].toByteArray(), r[2].toString()};
    return out;
}

bool AccountsTest::logIn(const QString &name, const QString &password)
{
    fixture::Boxes boxes;
    m_login->Edit_Name->setText(name);
    m_login->Edit_PassWord->setText(password);
    fixture::click(m_login->Button_enter);
    if (!boxes.shown.isEmpty()) {
        [&] { QCOMPARE(boxes.texts(), QStringList{NoSuchUser}); }();
        return false;
    }
    return true;
}

void AccountsTest::addAccount_data()
{
    QTest::addColumn<int>("type"); // -1: nothing chosen
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QList<Account>>("added");

    const QList<int> none;
    const QList<Account> nothing;
    // The administrator without a password is the fixed account "Defaul",
    // whatever the name box holds.
    QTest::newRow("admin, no password, Yes") << 0 << "zhang" << "" << QList<int>{ui::IdYes} << QStringList{Warning}
                                             << QList<Account>{{"Defaul", {}, "1"}};
    QTest::newRow("admin, no password, No") << 0 << "zhang" << "" << QList<int>{ui::IdNo}
                                            << QStringList{Warning, TooShort} << nothing;
    QTest::newRow("ordinary, no password: no question") << 1 << "zhang" << "" << none << QStringList{TooShort}
                                                        << nothing;
    QTest::newRow("one Chinese character is two bytes") << 1 << "zhang" << "一" << none << QStringList{TooShort}
                                                        << nothing;
    QTest::newRow("two bytes") << 0 << "zhang" << "ab" << none << QStringList{TooShort} << nothing;
    // The length is checked before the name and the type.
    QTest::newRow("nothing filled in") << -1 << "" << "" << none << QStringList{TooShort} << nothing;
    QTest::newRow("empty name") << 1 << "" << "abc" << none << QStringList{Missing} << nothing;
    QTest::newRow("no type chosen") << -1 << "zhang" << "abc" << none << QStringList{Missing} << nothing;
    QTest::newRow("ordinary user") << 1 << "zhang" << "abc" << none << QStringList{}
                                   << QList<Account>{{"zhang", "bac", "2"}};
    QTest::newRow("administrator") << 0 << "li" << "abcd" << none << QStringList{}
                                   << QList<Account>{{"li", "badc", "1"}};
    QTest::newRow("three bytes, Chinese first") << 1 << "王" << "一a" << none << QStringList{}
                                                << QList<Account>{{"王", QByteArray("\xBB\xD2" "a"), "2"}};
    // Swapped across a character boundary the stored form is no valid text,
    // and it must be kept byte for byte all the same.
    QTest::newRow("three bytes, not text once swapped") << 1 << "wang" << "a一" << none << QStringList{}
                                                        << QList<Account>{{"wang", QByteArray("\xD2" "a\xBB"), "2"}};
    QTest::newRow("same name twice") << 1 << "admin" << "other" << none << QStringList{}
                                     << QList<Account>{{"admin", "toehr", "2"}};
}

void AccountsTest::addAccount()
{
    QFETCH(int, type);
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(QList<int>, answers);
    QFETCH(QStringList, boxes);
    QFETCH(QList<Account>, added);

    start();
    const QList<Account> before = storedAccounts();
    m_w->skinComboBox1->setCurrentIndex(type);
    m_w->Edit_Name->setText(name);
    m_w->Edit_PassWord_Login->setText(password);

    fixture::Boxes shown(ui::IdCancel);
    for (int a : answers)
        shown.answer(a);
    fixture::click(m_w->Button_Add);

    QCOMPARE(described(shown), boxes);
    const QList<Account> after = storedAccounts();
    QCOMPARE(after.size(), before.size() + added.size());
    for (int i = 0; i < added.size(); ++i) {
        const Account &got = after[before.size() + i];
        QCOMPARE(got.name, added[i].name);
        QCOMPARE(got.stored, added[i].stored);
        QCOMPARE(got.right, added[i].right);
    }
    QCOMPARE(DM1->Table_longin->state(), store::DataSetState::Browse);
    // The boxes keep what was typed, added or not.
    QCOMPARE(m_w->Edit_Name->text(), name);
    QCOMPARE(m_w->Edit_PassWord_Login->text(), password);
    QCOMPARE(m_w->skinComboBox1->currentIndex(), type);
}

void AccountsTest::newAccountIsCurrentAndShownAsStored()
{
    m_dir->addAccount(QStringLiteral("zz"), "xyz", QStringLiteral("2"));
    start();
    m_w->skinComboBox1->setCurrentIndex(1);
    m_w->Edit_Name->setText(QStringLiteral("zhang"));
    m_w->Edit_PassWord_Login->setText(QStringLiteral("abc"));
    DM1->Table_longin->first();
    fixture::click(m_w->Button_Add);

    QCOMPARE(DM1->Table_longin->recNo(), 3);
    const QModelIndex current = m_w->DBGrid1->currentIndex();
    QCOMPARE(current.row(), 2);
    QAbstractItemModel *m = m_w->DBGrid1->model();
    QCOMPARE(m->index(2, 0).data().toString(), QStringLiteral("zhang"));
    QCOMPARE(m->index(2, 1).data().toString(), QStringLiteral("bac"));
    QCOMPARE(m->index(2, 2).data().toString(), QStringLiteral("2"));
    QCOMPARE(m->headerData(1, Qt::Horizontal).toString(), QStringLiteral("口令"));
    QVERIFY(m_w->DBGrid1->isColumnHidden(3)); // "Id"
}

void AccountsTest::addedAccountLogsIn_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("loginName");
    QTest::addColumn<int>("right");

    QTest::newRow("ordinary user") << 1 << "zhang" << "abc" << "zhang" << 2;
    QTest::newRow("administrator") << 0 << "li" << "secret" << "li" << 1;
    QTest::newRow("Chinese password") << 1 << "王" << "一a" << "王" << 2;
    QTest::newRow("stored form not text") << 0 << "wang" << "a一二" << "wang" << 1;
    QTest::newRow("Defaul, no password") << 0 << "ignored" << "" << "Defaul" << 1;
}

// Within the same run the login reads the live table; after a restart it
// reads what was written to the file.
void AccountsTest::addedAccountLogsIn()
{
    QFETCH(int, type);
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(QString, loginName);
    QFETCH(int, right);

    start();
    QVERIFY(!logIn(loginName, password));
    {
        fixture::Boxes boxes(ui::IdYes);
        m_w->skinComboBox1->setCurrentIndex(type);
        m_w->Edit_Name->setText(name);
        m_w->Edit_PassWord_Login->setText(password);
        fixture::click(m_w->Button_Add);
    }
    QVERIFY(logIn(loginName, password));
    QCOMPARE(UserRight, right);
    QVERIFY(!logIn(loginName, password + u'x'));

    store::commitAll();
    stop();
    UserRight = 0;
    start();
    QVERIFY(logIn(loginName, password));
    QCOMPARE(UserRight, right);
}

void AccountsTest::deleteAsksFirst_data()
{
    QTest::addColumn<int>("row"); // the current account, from 1
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("left");

    QTest::newRow("Yes deletes the current account") << 2 << int(ui::IdYes) << QStringList{"admin", "li"};
    QTest::newRow("the last one") << 3 << int(ui::IdYes) << QStringList{"admin", "zhang"};
    QTest::newRow("No keeps it") << 2 << int(ui::IdNo) << QStringList{"admin", "zhang", "li"};
    QTest::newRow("closing the box keeps it") << 2 << int(ui::IdCancel) << QStringList{"admin", "zhang", "li"};
}

void AccountsTest::deleteAsksFirst()
{
    QFETCH(int, row);
    QFETCH(int, answer);
    QFETCH(QStringList, left);

    m_dir->addAccount(QStringLiteral("zhang"), "bac", QStringLiteral("2"));
    m_dir->addAccount(QStringLiteral("li"), "ppaqw", QStringLiteral("1"));
    start();
    DM1->Table_longin->setRecNo(row);
    const QString current = DM1->Table_longin->fieldByName(QStringLiteral("用户名")).asString();
    {
        fixture::Boxes boxes;
        boxes.answer(answer);
        fixture::click(m_w->Button_Del);
        QCOMPARE(described(boxes), QStringList{QStringLiteral("警告|注意!此操作将删除该帐户!|YesNo")});
    }
    QStringList names;
    for (const Account &a : storedAccounts())
        names << a.name;
    QCOMPARE(names, left);
    QCOMPARE(DM1->Table_longin->recordCount(), left.size());
    QCOMPARE(DM1->Table_longin->state(), store::DataSetState::Browse);

    // The login sees the table as it now is.
    const bool deleted = !left.contains(current);
    QCOMPARE(logIn(QStringLiteral("zhang"), QStringLiteral("abc")), !(deleted && current == QStringLiteral("zhang")));
    QCOMPARE(logIn(QStringLiteral("admin"), QStringLiteral("admin")), true);
}

void AccountsTest::deleteOnEmptyTableChangesNothing()
{
    m_dir->exec(sch::AccountFile, QStringLiteral("DELETE FROM $T"));
    start();
    fixture::Boxes boxes(ui::IdYes);
    fixture::click(m_w->Button_Del);
    QCOMPARE(boxes.shown.size(), 1);
    QCOMPARE(DM1->Table_longin->state(), store::DataSetState::Browse);
    QCOMPARE(DM1->Table_longin->recordCount(), 0);
    QCOMPARE(storedAccounts().size(), 0);
    QVERIFY(!logIn(QStringLiteral(""), QStringLiteral("")));

    // Nothing half-made is left behind: the next account is added as usual.
    m_w->skinComboBox1->setCurrentIndex(1);
    m_w->Edit_Name->setText(QStringLiteral("zhang"));
    m_w->Edit_PassWord_Login->setText(QStringLiteral("abc"));
    fixture::click(m_w->Button_Add);
    QCOMPARE(storedAccounts().size(), 1);
    QVERIFY(logIn(QStringLiteral("zhang"), QStringLiteral("abc")));
}

// Only the two edit boxes, the type list and the grid take the focus, in
// that order; the grid keeps Tab for moving between its cells.
void AccountsTest::tabPassesButtonsAndNavigatorBy()
{
    start();
    m_w->show();
    m_w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_w));
    const auto tab = [](Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, mods);
        return QApplication::focusWidget();
    };
    m_w->Edit_PassWord_Login->setFocus();
    QCOMPARE(tab(), m_w->skinComboBox1);
    QCOMPARE(tab(), m_w->DBGrid1);
    m_w->Edit_Name->setFocus();
    QCOMPARE(tab(), m_w->Edit_PassWord_Login);
    QCOMPARE(tab(Qt::ShiftModifier), m_w->Edit_Name);
    QCOMPARE(tab(Qt::ShiftModifier), m_w->DBGrid1);
}

void AccountsTest::quitClosesTheWindow()
{
    start();
    QVERIFY(fixture::showActive(m_w));
    fixture::Boxes boxes;
    fixture::click(m_w->Button_Out);
    QVERIFY(!m_w->isVisible());
    QVERIFY(boxes.shown.isEmpty());
    QCOMPARE(storedAccounts().size(), 1);
}

QM_APP_TEST_MAIN(AccountsTest)
#include "test_login_accounts.moc"
