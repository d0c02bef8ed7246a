#include "records/score/TForm6_Scorce.h"

#include "ui/BusyCursor.h"
#include "core/Globals.h"
#include "ui/Guard.h"
#include "ui/Instances.h"
#include "ui/Ui.h"
#include "skin/SkinButton.h"
#include "skin/SkinForm.h"
#include "dbwidgets/DBControls.h"
#include "dbwidgets/DBGrid.h"
#include "dbwidgets/DBNavigator.h"
#include "office/DataModule.h"
#include "data/Recheck.h"
#include "data/Walk.h"
#include "data/Table.h"

TForm6_Scorce::TForm6_Scorce(QWidget *parent) : TForm(parent)
{
    const QString caption = QStringLiteral("学生成绩管理");
    design(QStringLiteral("Form6_Scorce"), caption, QSize(512, 396));
    centreOnScreen();

    skinForm1 = new TSkinForm(this, caption,
                              {TitleButtonType::ControlBox, TitleButtonType::Close, TitleButtonType::Min});

    Navigator_Stud_shao = new store::TDBNavigator(this);
    Navigator_Stud_shao->setObjectName(QStringLiteral("Navigator_Stud_shao"));
    Navigator_Stud_shao->setGeometry(8, 30, 160, 24);
    Navigator_Stud_shao->setDataSource(DM1->DS_Stud);
    Navigator_Stud_shao->setHints({QStringLiteral("第一个学生"), QStringLiteral("上一个学生"),
                                   QStringLiteral("下一个学生"), QStringLiteral("最后一个学生")});

    Grid_Stud_Shao = new store::TDBGrid(this);
    Grid_Stud_Shao->setObjectName(QStringLiteral("Grid_Stud_Shao"));
    Grid_Stud_Shao->setGeometry(8, 58, 330, 170);
    Grid_Stud_Shao->setColumns(store::columns({{"学号", 30}, {"姓名", 80}, {"班级", 80}, {"专业", 70}}));
    Grid_Stud_Shao->setReadOnly(true);
    Grid_Stud_Shao->setDataSource(DM1->DS_Stud);

    Button_Add = new TSkinButton(QStringLiteral("增加成绩信息  &A"), this);
    Button_Add->setObjectName(QStringLiteral("Button_Add"));
    Button_Add->setGeometry(356, 82, 140, 25);
    Button_Del = new TSkinButton(QStringLiteral("删除科目成绩  &D"), this);
    Button_Del->setObjectName(QStringLiteral("Button_Del"));
    Button_Del->setGeometry(356, 130, 140, 25);
    Button_Query = new TSkinButton(QStringLiteral("查询学生成绩  &Q"), this);
    Button_Query->setObjectName(QStringLiteral("Button_Query"));
    Button_Query->setGeometry(356, 178, 140, 25);
    Button_Stat = new TSkinButton(QStringLiteral("成绩统计分析  &S"), this);
    Button_Stat->setObjectName(QStringLiteral("Button_Stat"));
    Button_Stat->setGeometry(356, 226, 140, 25);

    // The name ends where the label starts, whatever its length.
    DBText2 = new store::TDBText(this);
    DBText2->setObjectName(QStringLiteral("DBText2"));
    DBText2->setGeometry(8, 236, 90, 16);
    DBText2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    DBText2->setDataSource(DM1->DS_Stud);
    DBText2->setDataField(QStringLiteral("姓名"));
    Label2 = new QLabel(QStringLiteral("的成绩信息：                       "), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->move(98, 236);
    Label2->setFixedHeight(16);
    Label2->adjustSize();

    DBGrid1 = new store::TDBGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setGeometry(8, 256, 496, 132);
    DBGrid1->setColumns(store::columns(
        {{"学号", 30}, {"科目", 100}, {"成绩", 50}, {"第一次补考成绩", 91}, {"第二次补考成绩", 91}}));
    DBGrid1->setReadOnly(true);
    DBGrid1->setDataSource(DM1->DS_Scorce);

    // Only a carrier for the course names the subject column offers.
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setGeometry(400, 30, 100, 40);
    ListBox1->hide();

    ui::connectGuarded(Button_Add, &TSkinButton::clicked, this, &TForm6_Scorce::Button_AddClick);
    ui::connectGuarded(Button_Del, &TSkinButton::clicked, this, &TForm6_Scorce::Button_DelClick);
    ui::connectGuarded(Button_Query, &TSkinButton::clicked, this, &TForm6_Scorce::Button_QueryClick);
    ui::connectGuarded(Button_Stat, &TSkinButton::clicked, this, &TForm6_Scorce::Button_StatClick);
}

void TForm6_Scorce::FormShow()
{
    // The names are added to what earlier showings left; the grid is
    // read-only, so the pick list is never offered and its repeats never seen.
    // The course window shares the course table's cursor and shows the
    // first course again afterwards.
    ListBox1->addItems(store::fieldTexts(*DM1->Table_Object, 1));
    QStringList names;
    for (int i = 0; i < ListBox1->count(); ++i)
        names << ListBox1->item(i)->text();
    DBGrid1->setPickList(1, names);
}

void TForm6_Scorce::Button_AddClick()
{
    if (UserRight != 1) {
        ui::permissionRefused();
        return;
    }
    if (Form15_Add_Scroce)
        Form15_Add_Scroce->showModal();
}

void TForm6_Scorce::Button_DelClick()
{
    if (UserRight != 1) {
        ui::permissionRefused();
        return;
    }
    store::TTable *shown = DM1->Table_Scroce_1;
    store::TTable *all = DM1->Table_Scroce_2;
    // A student without scores has no selected record: nothing to delete, and
    // so nothing to ask about.
    if (shown->isEmpty())
        return;
    // The question names the record it is about, and the deletion is of
    // that record only: another program may change the scores while the
    // clerk reads.
    const store::ShownRecord score(*shown, {QStringLiteral("序号"), QStringLiteral("学号"), QStringLiteral("科目")});
    const QString name = DM1->Table_stud->fieldByName(QStringLiteral("姓名")).asString();
    const QString question = QStringLiteral("注意!此操作将删除该学生的当前成绩!") + QStringLiteral("\n\n学生: %1 (学号 %2)\n科目: %3")
                                 .arg(name, score.value(QStringLiteral("学号")), score.value(QStringLiteral("科目")));
    if (ui::messageBox(question, QStringLiteral("警告"), ui::Icon::Information, ui::Buttons::YesNo) != ui::IdYes)
        return;
    score.requireStill();

    ui::BusyCursor busy;
    // The number is read from the selected record as it is stored now: an
    // earlier deletion here renumbered the table under the score list.
    const QVariant key = shown->fieldByName(QStringLiteral("序号")).value();
    // Without a match the lookup leaves the cursor where it was; deleting
    // there would remove some other student's score.
    const bool found = !key.isNull() && all->findKey(key);
    store::refreshAfter(
        [&] {
            if (found)
                all->del();
        },
        {shown});
    if (!found)
        return;

    // Back to 1 … n in stored order; each number only ever goes down, so no
    // step meets a number still in use.
    store::renumber(*all, QStringLiteral("序号"));
    // Re-read the score list with its new numbers now rather than on its next
    // use: the next deletion's key is read from it.
    shown->refresh();
}

void TForm6_Scorce::Button_QueryClick()
{
    if (Form16_Scroce_Query)
        Form16_Scroce_Query->showModal();
}

void TForm6_Scorce::Button_StatClick()
{
    if (Form26_Stat)
        Form26_Stat->showModal();
}
