#include "db/Engines.h"
#include "login/TForm1_Denglu.h"

#include "ui/BusyCursor.h"
#include "core/Globals.h"
#include "ui/Guard.h"
#include "ui/Instances.h"
#include "ui/Registry.h"
#include "ui/Ui.h"
#include "skin/SkinButton.h"
#include "skin/SkinEdit.h"
#include "skin/SkinForm.h"
#include "db/Codepage.h"
#include "db/Convert.h"
#include "office/DataModule.h"
#include "data/Table.h"

#include <QCloseEvent>
#include <QCoreApplication>

TForm1_Denglu::TForm1_Denglu(QWidget *parent) : TForm(parent)
{
    setObjectName(QStringLiteral("Form1_Denglu"));
    setWindowTitle(QStringLiteral("用户登陆"));
    setClientSize(260, 151);
    move(273, 180);
    QFont f(QStringLiteral("宋体"));
    f.setPixelSize(13);
    setFont(f);

    Form_Denglu = new TSkinForm(this, QStringLiteral("用户登陆"), {TitleButtonType::ControlBox, TitleButtonType::Close});
    Label3 = addLabel(QStringLiteral("请输入用户名：") + QString(5, u' '), 16, 48);
    Edit_Name = new TSkinEdit(this);
    Edit_Name->setGeometry(116, 44, 121, 19);
    Edit_Name->setText(QStringLiteral("添入用户名"));
    Label2 = addLabel(QStringLiteral("请输入口令："), 16, 80);
    Edit_PassWord = new TSkinEdit(this);
    Edit_PassWord->setGeometry(116, 76, 121, 19);
    Edit_PassWord->setPasswordChar(u'*');
    Edit_PassWord->setText(QStringLiteral("640281"));
    Button_enter = new TSkinButton(QStringLiteral("进入 &E"), this);
    Button_enter->setGeometry(16, 116, 80, 23);
    Button_Cancel = new TSkinButton(QStringLiteral("取消 &C"), this);
    Button_Cancel->setGeometry(156, 116, 80, 23);
    ui::connectGuarded(Button_enter, &TSkinButton::clicked, this, &TForm1_Denglu::Button_enterClick);
    ui::connectGuarded(Button_Cancel, &TSkinButton::clicked, this, &TForm1_Denglu::Button_CancelClick);

    setTabOrder(Edit_PassWord, Edit_Name);
    Edit_PassWord->setFocus();
}

void TForm1_Denglu::FormCreate()
{
    const ProgramPaths paths = programPaths(QCoreApplication::applicationFilePath());
    DataPath = paths.dataPath;
    EnginePath = paths.enginePath;
    store::setEngineConfigFile(EnginePath + QStringLiteral("IDAPI32.CFG"));

    RegisterEngine(EnginePath);
}

void TForm1_Denglu::RegisterEngine(const QString &enginePath)
{
    // The engine's loader finds its directory and settings file here. The
    // results of the opens are not tested: a key that cannot be opened is
    // passed over and the accessor stays where it was.
    TRegistry reg;
    reg.OpenKey(QStringLiteral("\\SOFTWARE"), true);
    reg.CreateKey(QStringLiteral("Borland"));
    reg.OpenKey(QStringLiteral("Borland\\Database Engine"), true);
    reg.WriteString(QStringLiteral("CONFIGFILE01"), enginePath + QStringLiteral("IDAPI32.CFG"));
    reg.WriteString(QStringLiteral("DLLPath"), enginePath);
    reg.CloseKey();
}

void TForm1_Denglu::Button_enterClick()
{
    const QString noSuchUser = QStringLiteral("没有此用户!仔细检查输入是否有误,若仍然出现该问题请与系统管理员联系!");
    // A server that checks each clerk's own login: the name and password
    // typed are the connection's, and the server's groups give the rights.
    if (store::engineWantsLogin()) {
        if (!logInOnServer()) {
            ui::messageBox(noSuchUser, QStringLiteral("注意"), ui::Icon::Information);
            return;
        }
        if (Form2_Main)
            Form2_Main->showFront();
        hide();
        return;
    }
    // What did not open at start (a server that was down, a database without
    // the tables, a data directory made since) is opened now. Until it opens,
    // each attempt says why (the server cannot be reached, which table is
    // missing) instead of naming a closed dataset.
    if (!DM1->allOpen()) {
        ui::BusyCursor busy;
        DM1->openClosed();
    }
    store::TTable &t = *DM1->Table_longin;
    const QByteArray name = store::cp936::encode(Edit_Name->text());
    const QByteArray password = store::cp936::encode(Edit_PassWord->text());
    t.first();
    while (!t.eof()) {
        QByteArray stored = t.fieldByName(QStringLiteral("口令")).asBytes();
        ScramblePassword(stored); // gives back the password as it was typed
        if (name == store::cp936::encode(t.fieldByName(QStringLiteral("用户名")).asString()) && password == stored) {
            UserRight = store::strToInt(t.fieldByName(QStringLiteral("权限")).asString());
            if (Form2_Main)
                Form2_Main->showFront();
            hide();
            if (afterLogin)
                afterLogin();
            return;
        }
        t.next();
    }
    ui::messageBox(noSuchUser, QStringLiteral("注意"), ui::Icon::Information);
}

bool TForm1_Denglu::logInOnServer()
{
    const QString user = Edit_Name->text(), password = Edit_PassWord->text();
    // What an earlier attempt opened under another login is not kept.
    if (user != store::engineLoginUser() || password != store::engineLoginPassword()) {
        DM1->closeAll();
        store::setEngineLogin(user, password);
    }
    try {
        ui::BusyCursor busy;
        DM1->openClosed();
    } catch (const store::LoginRefused &) {
        // Refused like a wrong password in the table: the next attempt
        // starts afresh.
        DM1->closeAll();
        store::setEngineLogin(QString(), QString());
        return false;
    }
    UserRight = DM1->serverRight();
    // The account's record is the current one, as after a login on the
    // files: the first of that name.
    store::TTable &t = *DM1->Table_longin;
    t.first();
    while (!t.eof() && t.fieldByName(QStringLiteral("用户名")).asString() != user)
        t.next();
    return true;
}

void TForm1_Denglu::Button_CancelClick() { close(); }

void TForm1_Denglu::closeEvent(QCloseEvent *e)
{
    e->accept();
    ui::endProgram();
}
