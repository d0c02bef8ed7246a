#include "records/course/TForm13_Add_Object.h"

#include "ui/FocusLeave.h"
#include "ui/Guard.h"
#include "ui/Ui.h"
#include "ui/KeyFilter.h"
#include "records/common/NumberBox.h"
#include "skin/SkinButton.h"
#include "skin/SkinEdit.h"
#include "skin/SkinForm.h"
#include "skin/SkinGroupBox.h"
#include "skin/SkinListBox.h"
#include "db/Convert.h"
#include "office/DataModule.h"
#include "data/Walk.h"
#include "data/Table.h"

namespace {

TSkinEdit *edit(QWidget *parent, int x, int y, int w)
{
    auto *e = new TSkinEdit(parent);
    e->setGeometry(x, y, w, 21);
    return e;
}

} // namespace

TForm13_Add_Object::TForm13_Add_Object(QWidget *parent) : TForm(parent)
{
    const QString caption = QStringLiteral("增加课程");
    const QFont f = design(QStringLiteral("Form13_Add_Object"), caption, QSize(484, 281));
    centreOnScreen();

    skinForm1 = new TSkinForm(this, caption, {TitleButtonType::ControlBox, TitleButtonType::Close, TitleButtonType::Min});

    Label1 = addLabel(QStringLiteral("当前存在的课程为：       "), 8, 32);
    ListBox_Object = new TSkinListBox(this);
    ListBox_Object->setFont(f);
    ListBox_Object->setGeometry(8, 50, 121, 222);

    Label2 = addLabel(QStringLiteral("课程号：     "), 140, 32);
    Edit_New_ObjectNo = edit(this, 140, 50, 150);
    Label3 = addLabel(QStringLiteral("课程名：     "), 140, 80);
    Edit_New_Object_Name = edit(this, 140, 98, 150);

    skinGroupBox1 = new TSkinGroupBox(QStringLiteral("课程安排及教学计划"), this);
    skinGroupBox1->setFont(f);
    skinGroupBox1->setGeometry(136, 130, 246, 142);
    const int col[3] = {6, 86, 166};
    Label4 = addLabel(QStringLiteral("总课时：    "), col[0], 22, skinGroupBox1);
    Edit_New_Total = edit(skinGroupBox1, col[0], 40, 72);
    Label5 = addLabel(QStringLiteral("讲课课时：    "), col[1], 22, skinGroupBox1);
    Edit_New_JiangKe = edit(skinGroupBox1, col[1], 40, 72);
    Label6 = addLabel(QStringLiteral("实验课时：    "), col[2], 22, skinGroupBox1);
    Edit_New_ShiYan = edit(skinGroupBox1, col[2], 40, 72);
    Label7 = addLabel(QStringLiteral("上机学时：    "), col[0], 78, skinGroupBox1);
    Edit_New_ShangJi = edit(skinGroupBox1, col[0], 96, 72);
    Label8 = addLabel(QStringLiteral("学分：     "), col[1], 78, skinGroupBox1);
    Edit_New_XueFen = edit(skinGroupBox1, col[1], 96, 72);
    Label9 = addLabel(QStringLiteral("开课学期：    "), col[2], 78, skinGroupBox1);
    Edit_New_KaiKeXueQi = edit(skinGroupBox1, col[2], 96, 72);
    keyfilter::onKeyPress(Edit_New_XueFen, [this](QChar &key) { Edit_New_XueFenKeyPress(key); });

    Button_OK = new TSkinButton(QStringLiteral("添加  &A"), this);
    Button_OK->setObjectName(QStringLiteral("Button_OK"));
    Button_OK->setFont(f);
    Button_OK->setGeometry(392, 98, 84, 23);
    Button_Cancel = new TSkinButton(QStringLiteral("取消  &C"), this);
    Button_Cancel->setObjectName(QStringLiteral("Button_Cancel"));
    Button_Cancel->setFont(f);
    Button_Cancel->setGeometry(392, 138, 84, 23);
    ui::connectGuarded(Button_OK, &TSkinButton::clicked, this, &TForm13_Add_Object::Button_OKClick);
    ui::connectGuarded(Button_Cancel, &TSkinButton::clicked, this, &TForm13_Add_Object::Button_CancelClick);

    // The plan group is walked column by column.
    setTabOrder(ListBox_Object, Edit_New_ObjectNo);
    setTabOrder(Edit_New_ObjectNo, Edit_New_Object_Name);
    setTabOrder(Edit_New_Object_Name, Edit_New_Total);
    setTabOrder(Edit_New_Total, Edit_New_ShangJi);
    setTabOrder(Edit_New_ShangJi, Edit_New_JiangKe);
    setTabOrder(Edit_New_JiangKe, Edit_New_XueFen);
    setTabOrder(Edit_New_XueFen, Edit_New_ShiYan);
    setTabOrder(Edit_New_ShiYan, Edit_New_KaiKeXueQi);

    // The number check runs when the focus moves on inside this window, not
    // when the whole window loses it to another window or a message box.
    ui::onLeaving(Edit_New_ObjectNo, ui::Leaving::MovedOn, [this] { Edit_New_ObjectNoExit(); });
}

void TForm13_Add_Object::FormShow()
{
    ListBox_Object->clear();
    ListBox_Object->addItems(store::fieldTexts(*DM1->Table_Object, 1));
}

void TForm13_Add_Object::Edit_New_ObjectNoExit()
{
    // Leaves the course table on its last course.
    records::refuseTakenNumber(Edit_New_ObjectNo, *DM1->Table_Object, QStringLiteral("课程号"),
                               QStringLiteral("已经有一个相同的课程号,请另选!"));
}

void TForm13_Add_Object::Edit_New_XueFenKeyPress(QChar &Key) { keyfilter::integerOnly(Key); }

void TForm13_Add_Object::Button_OKClick()
{
    if (Edit_New_ObjectNo->text().isEmpty() || Edit_New_Object_Name->text().isEmpty()) {
        ui::messageBox(QStringLiteral("课程号和课程名不能为空!"), QStringLiteral("系统提示"), ui::Icon::Information);
        return;
    }
    store::TTable &course = *DM1->Table_Object;
    store::TTable &all = *DM1->Table_Object_Jh2;
    // The refresh of the course table is what stores the new course record,
    // after the success box; after a failure the guard undoes the action,
    // the course record with it.
    store::refreshAfter(
        [&] {
            try {
                course.append();
                course.fieldByName(QStringLiteral("课程号")).setAsString(Edit_New_ObjectNo->text());
                course.fieldByName(QStringLiteral("课程名称")).setAsString(Edit_New_Object_Name->text());

                all.append();
                all.fieldByName(QStringLiteral("序号")).setAsInteger(all.recordCount() + 1);
                all.fieldByName(QStringLiteral("课程号")).setAsString(Edit_New_ObjectNo->text());
                all.fieldByName(QStringLiteral("总学时")).setAsString(Edit_New_Total->text());
                all.fieldByName(QStringLiteral("讲课学时")).setAsString(Edit_New_JiangKe->text());
                all.fieldByName(QStringLiteral("实验学时")).setAsString(Edit_New_ShiYan->text());
                all.fieldByName(QStringLiteral("上机学时")).setAsString(Edit_New_ShangJi->text());
                all.fieldByName(QStringLiteral("学分")).setAsInteger(store::strToInt(Edit_New_XueFen->text()));
                all.fieldByName(QStringLiteral("开课学期")).setAsString(Edit_New_KaiKeXueQi->text());
                all.post();

                ui::messageBox(Edit_New_Object_Name->text() + QStringLiteral("的信息已经成功添加!"),
                               QStringLiteral("系统提示"), ui::Icon::Information);
                Edit_New_ObjectNo->clear();
            } catch (...) {
                // A plan record left half-made would be written by the plan
                // table's next move as a partial record, or break the next
                // addition: drop it.
                if (all.active() && all.state() == store::DataSetState::Insert)
                    all.cancel();
                throw;
            }
        },
        {DM1->Table_Object_Jh, &course});
}

void TForm13_Add_Object::Button_CancelClick() { close(); }
