#include "records/course/TForm5_Object.h"

#include "ui/BusyCursor.h"
#include "ui/ButtonColumn.h"
#include "core/Globals.h"
#include "ui/Instances.h"
#include "ui/Ui.h"
#include "ui/KeyFilter.h"
#include "skin/SkinButton.h"
#include "skin/SkinForm.h"
#include "skin/SkinGroupBox.h"
#include "dbwidgets/DBControls.h"
#include "dbwidgets/DBGrid.h"
#include "dbwidgets/DBNavigator.h"
#include "office/DataModule.h"
#include "data/Recheck.h"
#include "data/Walk.h"
#include "data/Table.h"

namespace {

store::TDBEdit *planBox(QWidget *group, const QString &field, int x, int y)
{
    return store::TDBEdit::bound(group, DM1->DS_Object_Jh, field, QRect(x, y, 130, 21));
}

} // namespace

TForm5_Object::TForm5_Object(QWidget *parent) : TForm(parent)
{
    const QString caption = QStringLiteral("课程信息管理");
    const QFont f = design(QStringLiteral("Form5_Object"), caption, QSize(487, 413));
    centreOnScreen();

    skinForm1 = new TSkinForm(this, caption, {TitleButtonType::ControlBox, TitleButtonType::Close, TitleButtonType::Min});

    Navigator_shao_object = new store::TDBNavigator(this);
    Navigator_shao_object->setGeometry(8, 32, 128, 25);
    Navigator_shao_object->setDataSource(DM1->DS_Object);
    Navigator_shao_object->setHints({QStringLiteral("第一个课程"), QStringLiteral("上一个课程"),
                                     QStringLiteral("下一个课程"), QStringLiteral("最后一个课程")});
    Label13 = addNumberLabel(140, 37, 48);

    Grid_shao_Object = new store::TDBGrid(this);
    Grid_shao_Object->setGeometry(8, 64, 190, 192);
    Grid_shao_Object->setDataSource(DM1->DS_Object);
    Grid_shao_Object->setColumns(store::columns({{"课程号", 50}, {"课程名称", 100}}));
    Grid_shao_Object->setReadOnly(true);

    Label1 = addLabel(QStringLiteral("课程号：    "), 214, 66);
    Edit_ObjectNo = store::TDBEdit::bound(this, DM1->DS_Object, QStringLiteral("课程号"), QRect(214, 84, 145, 21));
    Label2 = addLabel(QStringLiteral("课程名称：    "), 214, 118);
    Edit_Object_Name =
        store::TDBEdit::bound(this, DM1->DS_Object, QStringLiteral("课程名称"), QRect(214, 136, 145, 21));

    Label10 = addLabel(QStringLiteral("共有：   "), 214, 184);
    Label11 = addNumberLabel(Label10->x() + Label10->width(), 184, 40);
    Label12 = addLabel(QStringLiteral("门课程"), Label11->x() + Label11->width(), 184);

    // Only the plan is ever changed here, in modify mode; the course number
    // box of the plan stays hidden because the course table owns that number.
    GroupBox_Object_Jh = new TSkinGroupBox(QStringLiteral("课程及计划设置"), this);
    GroupBox_Object_Jh->setFont(f);
    GroupBox_Object_Jh->setGeometry(8, 266, 471, 139);
    const int col[3] = {20, 170, 320};
    Label3 = addLabel(QStringLiteral("课程号：     "), col[0], 22, GroupBox_Object_Jh);
    DBEdit1 = planBox(GroupBox_Object_Jh, QStringLiteral("课程号"), col[0], 38);
    Label3->hide();
    DBEdit1->hide();
    Label4 = addLabel(QStringLiteral("总学时：    "), col[0], 24, GroupBox_Object_Jh);
    DBEdit2 = planBox(GroupBox_Object_Jh, QStringLiteral("总学时"), col[0], 42);
    Label7 = addLabel(QStringLiteral("上机学时：    "), col[1], 24, GroupBox_Object_Jh);
    DBEdit5 = planBox(GroupBox_Object_Jh, QStringLiteral("上机学时"), col[1], 42);
    Label9 = addLabel(QStringLiteral("开课学期：    "), col[2], 24, GroupBox_Object_Jh);
    DBEdit7 = planBox(GroupBox_Object_Jh, QStringLiteral("开课学期"), col[2], 42);
    Label5 = addLabel(QStringLiteral("讲课学时：    "), col[0], 78, GroupBox_Object_Jh);
    DBEdit3 = planBox(GroupBox_Object_Jh, QStringLiteral("讲课学时"), col[0], 96);
    Label6 = addLabel(QStringLiteral("实验学时：    "), col[1], 78, GroupBox_Object_Jh);
    DBEdit4 = planBox(GroupBox_Object_Jh, QStringLiteral("实验学时"), col[1], 96);
    Label8 = addLabel(QStringLiteral("学分：    "), col[2], 78, GroupBox_Object_Jh);
    DBEdit6 = planBox(GroupBox_Object_Jh, QStringLiteral("学分"), col[2], 96);
    keyfilter::onKeyPress(DBEdit6, [this](QChar &key) { DBEdit6KeyPress(key); });

    const ButtonRow<TForm5_Object> rows[] = {
        {&Button_Add, "Button_Add", "增加课程  &A", 64, &TForm5_Object::Button_AddClick},
        {&Button_XiouGai, "Button_XiouGai", "修改课程  &M", 102, &TForm5_Object::Button_XiouGaiClick},
        {&Button_Del, "Button_Del", "删除课程  &D", 140, &TForm5_Object::Button_DelClick},
        {&Button_Query, "Button_Query", "查询课程  &Q", 178, &TForm5_Object::Button_QueryClick},
        {&Button_TiJiao, "Button_TiJiao", "提交修改  &T", 216, &TForm5_Object::Button_TiJiaoClick},
    };
    addButtonColumn(this, {378, 97, 23, f}, rows);
    Button_TiJiao->setEnabled(false);

    Timer1 = startTimer100([this] { Timer1Timer(); });

    // A plan record started here for a course that has none carries the next
    // free sequence number (stored records + 1), so the numbering stays 1 ... n.
    DM1->Table_Object_Jh->beforePost = [](store::DataSet &ds) {
        auto &plan = static_cast<store::TTable &>(ds);
        if (plan.state() == store::DataSetState::Insert && plan.storedValue(QStringLiteral("序号")).isNull())
            plan.setStoredValue(QStringLiteral("序号"), DM1->Table_Object_Jh2->recordCount() + 1);
    };
}

QList<store::TDBEdit *> TForm5_Object::planBoxes() const
{
    return {DBEdit1, DBEdit2, DBEdit5, DBEdit7, DBEdit3, DBEdit4, DBEdit6};
}

void TForm5_Object::Timer1Timer()
{
    // A course table that never opened (a failed start) shows nothing rather
    // than an error box ten times a second.
    const store::TTable &t = *DM1->Table_Object;
    Label11->setText(QString::number(store::safeCount(t)));
    Label13->setText(QString::number(store::safeRecNo(t)));
}

void TForm5_Object::Button_AddClick()
{
    if (UserRight != 1) {
        ui::permissionRefused();
        return;
    }
    if (Form13_Add_Object)
        Form13_Add_Object->showModal();
}

void TForm5_Object::Button_XiouGaiClick()
{
    if (UserRight != 1) {
        ui::permissionRefused();
        return;
    }
    // A plan belongs to a course: with none, there is no plan to change, and
    // an edit would start a plan record with an empty course number.
    if (store::safeCount(*DM1->Table_Object) == 0)
        return;
    Button_TiJiao->setEnabled(true);
    for (store::TDBEdit *e : planBoxes())
        e->setReadOnly(false);

    // For a course without a plan (left by a failed addition) the edit
    // starts a new plan record of that course; it gets its sequence number
    // when it is posted (see the constructor).
    DM1->Table_Object_Jh->edit();
}

void TForm5_Object::Button_TiJiaoClick()
{
    Button_TiJiao->setEnabled(false);
    DM1->Table_Object_Jh->post();
    for (store::TDBEdit *e : planBoxes())
        e->setReadOnly(true);
}

void TForm5_Object::DBEdit6KeyPress(QChar &Key) { keyfilter::integerOnly(Key); }

void TForm5_Object::Button_DelClick()
{
    if (UserRight != 1) {
        ui::permissionRefused();
        return;
    }
    // The record asked about is the one deleted: another program may
    // change or delete it while the clerk reads the question.
    const store::ShownRecord asked(*DM1->Table_Object, {QStringLiteral("课程号"), QStringLiteral("课程名称")});
    if (ui::messageBox(QStringLiteral("注意!此操作将删除该课程的一切资料!"), QStringLiteral("警告"), ui::Icon::Information,
                       ui::Buttons::YesNo)
        != ui::IdYes)
        return;
    asked.requireStill();

    ui::BusyCursor busy;
    store::TTable &course = *DM1->Table_Object;
    // With no course the number box is empty, and plan records without a
    // course number would match it; go straight to the deletion, which
    // refuses on an empty table.
    if (course.recordCount() > 0) {
        store::TTable &all = *DM1->Table_Object_Jh2;
        // Back to 1 ... n in stored order, so that count + 1 is free for the
        // next new plan record.
        store::deleteMatchingAndRenumber(all, QStringLiteral("课程号"), Edit_ObjectNo->text(), QStringLiteral("序号"),
                                         [] { DM1->Table_Object_Jh->refresh(); });
    }
    course.del();
}

void TForm5_Object::Button_QueryClick()
{
    if (Form14_Object_Query)
        Form14_Object_Query->showModal();
}
