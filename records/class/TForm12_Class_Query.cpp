#include "records/class/TForm12_Class_Query.h"

#include "ui/Guard.h"
#include "records/class/DesignedFrame.h"
#include "skin/SkinButton.h"
#include "skin/SkinComboBox.h"
#include "skin/SkinEdit.h"
#include "skin/SkinForm.h"
#include "dbwidgets/DBGrid.h"
#include "office/DataModule.h"
#include "data/Query.h"

#include <QResizeEvent>

#include <algorithm>

namespace {

const QSize WindowSize(338, 272);
const QRect FrameRect(1, 0, 328, 237);

} // namespace

TForm12_Class_Query::TForm12_Class_Query(QWidget *parent) : TForm(parent)
{
    const QString caption = QStringLiteral("查找班级");
    const QFont f = design(QStringLiteral("Form12_Class_Query"), caption, WindowSize, Sizing::Sizeable);
    centreOnScreen();

    skinForm1 = new TSkinForm(this, caption, {TitleButtonType::ControlBox, TitleButtonType::Close, TitleButtonType::Min});
    skinForm1->setSizeable(true);

    Label1 = addLabel(QStringLiteral("选择查询方式：    "), 170, 34);
    ComboBox_Class_Query = new TSkinComboBox(this);
    ComboBox_Class_Query->setFont(f);
    ComboBox_Class_Query->addItems({QStringLiteral("按班号"), QStringLiteral("按班级名")});
    ComboBox_Class_Query->setCurrentIndex(-1);
    ComboBox_Class_Query->setGeometry(170, 52, 150, 21);
    Edit_Class_Query = new TSkinEdit(this);
    Edit_Class_Query->setGeometry(170, 86, 150, 21);
    Button_Class_Query = new TSkinButton(QStringLiteral("查询  &Q"), this);
    Button_Class_Query->setObjectName(QStringLiteral("Button_Class_Query"));
    Button_Class_Query->setFont(f);
    Button_Class_Query->setGeometry(200, 122, 90, 23);
    ui::connectGuarded(Button_Class_Query, &TSkinButton::clicked, this, &TForm12_Class_Query::Button_Class_QueryClick);

    DBGrid1 = new store::TDBGrid(this);
    DBGrid1->setGeometry(8, 32, 152, 196);
    DBGrid1->setDataSource(DM1->DS_Class_Query);
    DBGrid1->setColumns(store::columns({{"班号", 30}, {"班级名称", 70}}));
    DBGrid1->setReadOnly(true);

    Label2 = addLabel(QStringLiteral("共找到：   "), 170, 166);
    Label3 = addNumberLabel(Label2->x() + Label2->width(), 166, 32);
    // Wide enough for a district's seven-digit count.
    Label3->resize(std::max(Label3->width(), Label3->fontMetrics().horizontalAdvance(QStringLiteral("0000000"))),
                   Label3->height());
    Label4 = addLabel(QStringLiteral("个班级"), Label3->x() + Label3->width(), 166);

    setTabOrder(ComboBox_Class_Query, Edit_Class_Query);
    setTabOrder(Edit_Class_Query, DBGrid1);
}

void TForm12_Class_Query::resizeEvent(QResizeEvent *e)
{
    TForm::resizeEvent(e);
    if (e->size() != WindowSize)
        m_resized = true;
    keepDesignedFrame();
}

void TForm12_Class_Query::showEvent(QShowEvent *e)
{
    TForm::showEvent(e);
    keepDesignedFrame();
}

void TForm12_Class_Query::keepDesignedFrame()
{
    if (!m_resized)
        placeDesignedFrame(skinForm1, FrameRect);
}

void TForm12_Class_Query::Button_Class_QueryClick()
{
    const int index = ComboBox_Class_Query->currentIndex();
    const QString t = Edit_Class_Query->text();
    store::TQuery &q = *DM1->Query_Class;
    // With no criterion chosen the last result stays, but the count is set
    // all the same.
    if (index == 0)
        q.reopen(QStringLiteral("select * from 班级信息.db where 班号=:ClassNo"), QStringLiteral("ClassNo"), t);
    else if (index == 1)
        q.reopen(QStringLiteral("select * from 班级信息.db where 班级名称 like:ClassName"), QStringLiteral("ClassName"),
                 u'%' + t + u'%');
    Label3->setText(QString::number(q.recordCount()));
}
