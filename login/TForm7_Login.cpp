#include "login/TForm7_Login.h"

#include "core/Globals.h"
#include "ui/Guard.h"
#include "ui/Ui.h"
#include "skin/SkinButton.h"
#include "skin/SkinComboBox.h"
#include "skin/SkinEdit.h"
#include "skin/SkinForm.h"
#include "db/Codepage.h"
#include "dbwidgets/DBGrid.h"
#include "dbwidgets/DBNavigator.h"
#include "office/DataModule.h"
#include "data/Recheck.h"
#include "data/Table.h"

#include <QHeaderView>

namespace {

const QString kAdministrator = QStringLiteral("系统管理员");

} // namespace

TForm7_Login::TForm7_Login(QWidget *parent) : TForm(parent)
{
    const QString caption = QStringLiteral("系统帐户管理");
    // A sizeable window: its controls keep their places when it is resized.
    design(QStringLiteral("Form7_Login"), caption, QSize(435, 315), Sizing::Sizeable);
    move(189, 113);

    Form_Login = new TSkinForm(this, caption,
                               {TitleButtonType::ControlBox, TitleButtonType::Close, TitleButtonType::Min});
    Form_Login->setSizeable(true);

    DBNavigator1 = new store::TDBNavigator(this);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    DBNavigator1->setGeometry(12, 28, 100, 22);
    DBNavigator1->setDataSource(DM1->DS_Longin);

    DBGrid1 = new store::TDBGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setGeometry(12, 56, 193, 212);
    QFont titles(QStringLiteral("MS Sans Serif"));
    titles.setPixelSize(11);
    DBGrid1->horizontalHeader()->setFont(titles);
    DBGrid1->setReadOnly(true);
    DBGrid1->setDataSource(DM1->DS_Longin);
    // The password column shows what is stored: the pair-swapped bytes.
    DBGrid1->setColumns({store::column(QStringLiteral("用户名"), 60), store::column(QStringLiteral("口令"), 50),
                         store::column(QStringLiteral("权限"), 30), store::column(QStringLiteral("Id"), 64, false)});

    Label1 = addLabel(QStringLiteral("请选择添加帐户类型：") + QString(3, QChar(0x3000)), 248, 40);
    skinComboBox1 = new TSkinComboBox(this);
    skinComboBox1->setObjectName(QStringLiteral("skinComboBox1"));
    skinComboBox1->setGeometry(248, 60, 145, 21);
    skinComboBox1->addItems({kAdministrator, QStringLiteral("普通用户")});
    skinComboBox1->setCurrentIndex(-1);

    Label3 = addLabel(QStringLiteral("用户名：") + QString(6, u' '), 248, 92);
    Edit_Name = new TSkinEdit(this);
    Edit_Name->setObjectName(QStringLiteral("Edit_Name"));
    Edit_Name->setGeometry(248, 108, 121, 19);

    Label2 = addLabel(QStringLiteral("请输入口令：") + QString(4, QChar(0x3000)), 248, 132);
    Edit_PassWord_Login = new TSkinEdit(this);
    Edit_PassWord_Login->setObjectName(QStringLiteral("Edit_PassWord_Login"));
    Edit_PassWord_Login->setGeometry(248, 152, 121, 19);
    Edit_PassWord_Login->setPasswordChar(u'*');

    Button_Add = new TSkinButton(QStringLiteral("添加  &A"), this);
    Button_Add->setGeometry(308, 180, 90, 23);
    Button_Del = new TSkinButton(QStringLiteral("删除帐号 &D"), this);
    Button_Del->setGeometry(308, 212, 90, 23);
    Button_Out = new TSkinButton(QStringLiteral("退出  &Q"), this);
    Button_Out->setGeometry(308, 244, 90, 23);
    ui::connectGuarded(Button_Add, &TSkinButton::clicked, this, &TForm7_Login::Button_AddClick);
    ui::connectGuarded(Button_Del, &TSkinButton::clicked, this, &TForm7_Login::Button_DelClick);
    ui::connectGuarded(Button_Out, &TSkinButton::clicked, this, &TForm7_Login::Button_OutClick);

    setTabOrder(Edit_PassWord_Login, skinComboBox1);
    setTabOrder(skinComboBox1, DBGrid1);
    setTabOrder(DBGrid1, Edit_Name);
}

void TForm7_Login::Button_AddClick()
{
    store::TTable &t = *DM1->Table_longin;
    const QString password = Edit_PassWord_Login->text();

    // An administrator without a password is allowed, but only as the fixed
    // account "Defaul", and only after the warning.
    if (password.isEmpty() && skinComboBox1->currentText() == kAdministrator) {
        if (ui::messageBox(QStringLiteral("注意!如果没有口令,任何人都可修改系统数据!你仍然要继续吗?"),
                           QStringLiteral("警告"), ui::Icon::Information, ui::Buttons::YesNo) == ui::IdYes) {
            t.append();
            t.fieldByName(QStringLiteral("用户名")).setAsString(QStringLiteral("Defaul"));
            t.fieldByName(QStringLiteral("口令")).clear();
            t.fieldByName(QStringLiteral("权限")).setAsString(QStringLiteral("1"));
            t.post();
            return;
        }
    }
    // Counted in stored bytes: a Chinese character counts two.
    if (store::cp936::byteLength(password) < 3) {
        ui::messageBox(QStringLiteral("口令长度不能小于3!"), QStringLiteral("系统提示"), ui::Icon::Information);
        return;
    }
    if (Edit_Name->text().isEmpty() || skinComboBox1->currentText().isEmpty()) {
        ui::messageBox(QStringLiteral("用户名和用户类型不能为空!"), QStringLiteral("系统提示"), ui::Icon::Information);
        return;
    }
    // A character the table cannot hold would be stored as "?", and then
    // any other such character would log in as well.
    if (!store::cp936::canEncode(password) || !store::cp936::canEncode(Edit_Name->text())) {
        ui::messageBox(QStringLiteral("用户名和口令中含有系统无法保存的字符!"), QStringLiteral("系统提示"),
                       ui::Icon::Information);
        return;
    }

    QByteArray stored = store::cp936::encode(password);
    ScramblePassword(stored);
    t.append();
    t.fieldByName(QStringLiteral("用户名")).setAsString(Edit_Name->text());
    // Byte for byte: the swapped form need not be valid text.
    t.fieldByName(QStringLiteral("口令")).setAsBytes(stored);
    t.fieldByName(QStringLiteral("权限")).setAsString(skinComboBox1->currentIndex() == 0 ? QStringLiteral("1")
                                                                                        : QStringLiteral("2"));
    t.post();
}

void TForm7_Login::Button_DelClick()
{
    // The record asked about is the one deleted: another program may
    // change or delete it while the clerk reads the question.
    const store::ShownRecord asked(*DM1->Table_longin, {QStringLiteral("用户名")});
    if (ui::messageBox(QStringLiteral("注意!此操作将删除该帐户!"), QStringLiteral("警告"), ui::Icon::Information,
                       ui::Buttons::YesNo) != ui::IdYes)
        return;
    asked.requireStill();
    // Going through the edit state keeps an empty table safe: there the edit
    // starts a new record, which the delete only discards.
    store::TTable &t = *DM1->Table_longin;
    t.edit();
    t.del();
    t.refresh();
}

void TForm7_Login::Button_OutClick() { close(); }
