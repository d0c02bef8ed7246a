#include "records/class/TForm4_Class.h"

#include "ui/ButtonColumn.h"
#include "core/Globals.h"
#include "ui/Instances.h"
#include "ui/Ui.h"
#include "skin/SkinButton.h"
#include "skin/SkinForm.h"
#include "dbwidgets/DBControls.h"
#include "dbwidgets/DBGrid.h"
#include "dbwidgets/DBNavigator.h"
#include "office/DataModule.h"
#include "data/Recheck.h"
#include "data/Table.h"

TForm4_Class::TForm4_Class(QWidget *parent) : TForm(parent)
{
    const QString caption = QStringLiteral("班级信息管理");
    const QFont f = design(QStringLiteral("Form4_Class"), caption, QSize(465, 296));
    centreOnScreen();

    skinForm1 = new TSkinForm(this, caption, {TitleButtonType::ControlBox, TitleButtonType::Close, TitleButtonType::Min});

    Navigator_Class = new store::TDBNavigator(this);
    Navigator_Class->setGeometry(8, 32, 128, 25);
    Navigator_Class->setDataSource(DM1->DS_Class);
    Navigator_Class->setHints({QStringLiteral("第一个班级"), QStringLiteral("上一个班级"), QStringLiteral("下一个班级"),
                               QStringLiteral("最后一个班级")});
    Label6 = addNumberLabel(140, 37, 40);

    Grid_Class = new store::TDBGrid(this);
    Grid_Class->setGeometry(8, 64, 170, 224);
    Grid_Class->setDataSource(DM1->DS_Class);
    Grid_Class->setColumns(store::columns({{"班号", 30}, {"班级名称", 90}}));
    Grid_Class->setReadOnly(true);

    Label1 = addLabel(QStringLiteral("班号：     "), 194, 66);
    Edit_ClassNo = store::TDBEdit::bound(this, DM1->DS_Class, QStringLiteral("班号"), QRect(194, 84, 145, 21));
    Label2 = addLabel(QStringLiteral("班级名称：     "), 194, 118);
    Edit_ClassName = store::TDBEdit::bound(this, DM1->DS_Class, QStringLiteral("班级名称"), QRect(194, 136, 145, 21));

    Label3 = addLabel(QStringLiteral("当前共有：     "), 194, 184);
    Label4 = addNumberLabel(Label3->x() + Label3->width(), 184, 32);
    Label5 = addLabel(QStringLiteral("个班级"), Label4->x() + Label4->width(), 184);

    const ButtonRow<TForm4_Class> rows[] = {
        {&Button_Add, "Button_Add", "增加班级  &A", 64, &TForm4_Class::Button_AddClick},
        {&Button_Del, "Button_Del", "删除班级  &D", 102, &TForm4_Class::Button_DelClick},
        {&Button_Query, "Button_Query", "查找班级  &Q", 140, &TForm4_Class::Button_QueryClick},
    };
    addButtonColumn(this, {358, 97, 23, f}, rows);

    Timer1 = startTimer100([this] { Timer1Timer(); });
}

void TForm4_Class::Button_AddClick()
{
    if (UserRight != 1) {
        ui::permissionRefused();
        return;
    }
    if (Form11_Add_Class)
        Form11_Add_Class->showModal();
}

void TForm4_Class::Button_DelClick()
{
    if (UserRight != 1) {
        ui::permissionRefused();
        return;
    }
    // The record asked about is the one deleted: another program may
    // change or delete it while the clerk reads the question.
    const store::ShownRecord asked(*DM1->Table_Class, {QStringLiteral("班号"), QStringLiteral("班级名称")});
    if (ui::messageBox(QStringLiteral("注意!此操作将删除此班级信息,所有学生的班级信息将为无效!"), QStringLiteral("警告"),
                       ui::Icon::Information, ui::Buttons::YesNo)
        != ui::IdYes)
        return;
    asked.requireStill();
    // The students keep the class name as text; nothing else is touched.
    DM1->Table_Class->del();
}

void TForm4_Class::Button_QueryClick()
{
    if (Form12_Class_Query)
        Form12_Class_Query->showModal();
}

void TForm4_Class::Timer1Timer()
{
    // A class table that never opened (a failed start) shows nothing rather
    // than an error box ten times a second.
    const store::TTable &t = *DM1->Table_Class;
    Label4->setText(QString::number(store::safeCount(t)));
    Label6->setText(QString::number(store::safeRecNo(t)));
}
