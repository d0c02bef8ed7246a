#include "records/course/TForm14_Object_Query.h"

#include "ui/Guard.h"
#include "skin/SkinButton.h"
#include "skin/SkinComboBox.h"
#include "skin/SkinEdit.h"
#include "skin/SkinForm.h"
#include "dbwidgets/DBControls.h"
#include "dbwidgets/DBGrid.h"
#include "dbwidgets/DBNavigator.h"
#include "office/DataModule.h"
#include "data/Query.h"

#include <algorithm>

namespace {

store::TDBEdit *planBox(QWidget *parent, const QString &field, int x, int y)
{
    return store::TDBEdit::bound(parent, DM1->DataSource1, field, QRect(x, y, 96, 21));
}

} // namespace

TForm14_Object_Query::TForm14_Object_Query(QWidget *parent) : TForm(parent)
{
    const QString caption = QStringLiteral("查询课程");
    const QFont f = design(QStringLiteral("Form14_Object_Query"), caption, QSize(413, 295), Sizing::Sizeable);
    centreOnScreen();

    skinForm1 = new TSkinForm(this, caption, {TitleButtonType::ControlBox, TitleButtonType::Close, TitleButtonType::Min});
    skinForm1->setSizeable(true);

    Label1 = addLabel(QStringLiteral("请选择查询方式：     "), 8, 30);
    ComboBox_Object_Query = new TSkinComboBox(this);
    ComboBox_Object_Query->setFont(f);
    ComboBox_Object_Query->addItems({QStringLiteral("课程号"), QStringLiteral("课程名称")});
    ComboBox_Object_Query->setCurrentIndex(-1);
    ComboBox_Object_Query->setGeometry(8, 47, 112, 21);
    Label2 = addLabel(QStringLiteral("="), 128, 51);
    Edit_Object_Query = new TSkinEdit(this);
    Edit_Object_Query->setGeometry(142, 47, 150, 21);
    Button_Object_Query = new TSkinButton(QStringLiteral("开始查询 &Q"), this);
    Button_Object_Query->setObjectName(QStringLiteral("Button_Object_Query"));
    Button_Object_Query->setFont(f);
    Button_Object_Query->setGeometry(304, 46, 97, 23);
    ui::connectGuarded(Button_Object_Query, &TSkinButton::clicked, this,
                       &TForm14_Object_Query::Button_Object_QueryClick);

    DBNavigator1 = new store::TDBNavigator(this);
    DBNavigator1->setGeometry(8, 78, 128, 25);
    DBNavigator1->setDataSource(DM1->DS_Object2);
    Label13 = addNumberLabel(140, 83, 40);
    Label10 = addLabel(QStringLiteral("共找到：   "), 196, 84);
    Label11 = addNumberLabel(Label10->x() + Label10->width(), 84, 32);
    // Wide enough for a district's seven-digit count.
    Label11->resize(std::max(Label11->width(), Label11->fontMetrics().horizontalAdvance(QStringLiteral("0000000"))),
                    Label11->height());
    Label12 = addLabel(QStringLiteral("个课程记录信息    "), Label11->x() + Label11->width(), 84);

    DBGrid1 = new store::TDBGrid(this);
    DBGrid1->setGeometry(8, 112, 186, 175);
    DBGrid1->setDataSource(DM1->DS_Object2);
    DBGrid1->setColumns(store::columns({{"课程号", 50}, {"课程名称", 100}}));
    DBGrid1->setReadOnly(true);

    // Four rows of two: number and total; computer hours and semester;
    // laboratory and lecture hours; credit.
    const int x1 = 206, x2 = 308;
    Label3 = addLabel(QStringLiteral("课程号：    "), x1, 112);
    DBEdit1 = planBox(this, QStringLiteral("课程号"), x1, 128);
    Label4 = addLabel(QStringLiteral("总学时：    "), x2, 112);
    DBEdit2 = planBox(this, QStringLiteral("总学时"), x2, 128);
    Label7 = addLabel(QStringLiteral("上机学时：    "), x1, 156);
    DBEdit5 = planBox(this, QStringLiteral("上机学时"), x1, 172);
    Label9 = addLabel(QStringLiteral("开课学期：    "), x2, 156);
    DBEdit7 = planBox(this, QStringLiteral("开课学期"), x2, 172);
    Label6 = addLabel(QStringLiteral("实验学时：    "), x1, 200);
    DBEdit4 = planBox(this, QStringLiteral("实验学时"), x1, 216);
    Label5 = addLabel(QStringLiteral("讲课学时：    "), x2, 200);
    DBEdit3 = planBox(this, QStringLiteral("讲课学时"), x2, 216);
    Label8 = addLabel(QStringLiteral("学分：    "), x1, 244);
    DBEdit6 = planBox(this, QStringLiteral("学分"), x1, 260);

    setTabOrder(ComboBox_Object_Query, Edit_Object_Query);
    setTabOrder(Edit_Object_Query, DBGrid1);

    Timer1 = startTimer100([this] { Timer1Timer(); });
}

void TForm14_Object_Query::Button_Object_QueryClick()
{
    const int index = ComboBox_Object_Query->currentIndex();
    if (index < 0)
        return;
    const QString t = Edit_Object_Query->text();
    struct Mode {
        QString sql, param, value;
    };
    const Mode modes[2] = {
        {QStringLiteral("select * from 课程信息.db where 课程号=:ObjectNo"), QStringLiteral("ObjectNo"), t},
        {QStringLiteral("select * from 课程信息.db where 课程名称 like:ObjectName"), QStringLiteral("ObjectName"),
         u'%' + t + u'%'},
    };
    if (index > 1)
        return;
    const Mode &m = modes[index];
    DM1->Query_Object->reopen(m.sql, m.param, m.value);
}

void TForm14_Object_Query::Timer1Timer()
{
    // After a failed search the query stays closed until the next good one;
    // show nothing found rather than an error box ten times a second.
    const store::TQuery &q = *DM1->Query_Object;
    Label13->setText(QString::number(store::safeRecNo(q)));
    Label11->setText(QString::number(store::safeCount(q)));
}
