#include "records/score/TForm16_Scroce_Query.h"

#include "ui/Guard.h"
#include "skin/SkinButton.h"
#include "skin/SkinComboBox.h"
#include "skin/SkinEdit.h"
#include "skin/SkinForm.h"
#include "skin/SkinGroupBox.h"
#include "dbwidgets/DBControls.h"
#include "dbwidgets/DBGrid.h"
#include "dbwidgets/DBNavigator.h"
#include "office/DataModule.h"
#include "data/Table.h"
#include "data/Query.h"

#include <QHeaderView>
#include <QMouseEvent>

#include <algorithm>
#include <functional>

namespace {

// A grid that reports a mouse press after it has moved to the pressed row,
// as the statistics are those of the student pressed on.
class PressReportingGrid : public store::TDBGrid {
public:
    using store::TDBGrid::TDBGrid;
    std::function<void()> onMouseDown;

protected:
    void mousePressEvent(QMouseEvent *e) override
    {
        store::TDBGrid::mousePressEvent(e);
        if (onMouseDown)
            ui::guarded(onMouseDown);
    }
};

struct SearchMode {
    const char *sql;
    const char *param;
    bool contains;
};

// By item of the mode list. The number mode's text names its parameter
// "studNo" and the value goes in as "StudNo": names match in any case.
const SearchMode searchModes[] = {
    {"select * from 学生信息表.db where 学号=:studNo", "StudNo", false},
    {"select * from 学生信息表.db where 姓名 like:Name", "Name", true},
    {"select * from 学生信息表.db where 性别 like:Sex", "Sex", true},
    {"select * from 学生信息表.db where 班级 like:Class", "Class", true},
    {"select * from 学生信息表.db where 专业 like:Zhuanye", "Zhuanye", true},
    {"select * from 学生信息表.db where 系别 like:XiBie", "XiBie", true},
};

} // namespace

TForm16_Scroce_Query::TForm16_Scroce_Query(QWidget *parent) : TForm(parent)
{
    const QString caption = QStringLiteral("查询成绩信息");
    design(QStringLiteral("Form16_Scroce_Query"), caption, QSize(413, 439));
    centreOnScreen();

    skinForm1 = new TSkinForm(this, caption,
                              {TitleButtonType::ControlBox, TitleButtonType::Close, TitleButtonType::Min});

    Label1 = addNamedLabel("Label1", QStringLiteral("请选择查询方式：     "), 8, 30);
    ComboBox_Query_Scroce = new TSkinComboBox(this);
    ComboBox_Query_Scroce->setObjectName(QStringLiteral("ComboBox_Query_Scroce"));
    ComboBox_Query_Scroce->setGeometry(8, 46, 105, 20);
    ComboBox_Query_Scroce->addItems({QStringLiteral("按学号"), QStringLiteral("按姓名"), QStringLiteral("按性别"),
                                     QStringLiteral("按班级"), QStringLiteral("按专业"), QStringLiteral("按系别")});
    ComboBox_Query_Scroce->setCurrentIndex(-1);
    Label2 = addNamedLabel("Label2", QStringLiteral("="), 119, 49);
    Edit_StudName = new TSkinEdit(this);
    Edit_StudName->setObjectName(QStringLiteral("Edit_StudName"));
    Edit_StudName->setGeometry(132, 46, 150, 20);
    skinButton1 = new TSkinButton(QStringLiteral("开始查找  &Q"), this);
    skinButton1->setObjectName(QStringLiteral("skinButton1"));
    skinButton1->setGeometry(295, 44, 110, 25);

    DBNavigator2 = new store::TDBNavigator(this);
    DBNavigator2->setObjectName(QStringLiteral("DBNavigator2"));
    DBNavigator2->setGeometry(8, 74, 220, 22);
    DBNavigator2->setVisibleButtons({store::NavButton::First, store::NavButton::Prior, store::NavButton::Next,
                                     store::NavButton::Last, store::NavButton::Insert, store::NavButton::Delete,
                                     store::NavButton::Edit, store::NavButton::Post, store::NavButton::Cancel,
                                     store::NavButton::Refresh});
    DBNavigator2->setDataSource(DM1->DS_Query);
    Label6 = addNamedLabel("Label6", QStringLiteral("共找到：   "), 240, 78);
    Label7 = addNumberLabel(Label6->geometry().right() + 1, 78, 30, Label6->height());
    // Wide enough for a district's seven-digit count.
    Label7->resize(std::max(Label7->width(), Label7->fontMetrics().horizontalAdvance(QStringLiteral("0000000"))),
                   Label7->height());
    Label7->setObjectName(QStringLiteral("Label7"));
    Label8 = addNamedLabel("Label8", QStringLiteral("个学生        "), Label7->geometry().right() + 1, 78);

    auto *students = new PressReportingGrid(this);
    students->onMouseDown = [this] { DBGrid2MouseDown(); };
    DBGrid2 = students;
    DBGrid2->setObjectName(QStringLiteral("DBGrid2"));
    DBGrid2->setGeometry(8, 100, 397, 122);
    DBGrid2->setColumns(store::columns({{"学号", 30}, {"姓名", 60}, {"性别", 30}, {"籍贯", 50}, {"民族", 50},
                                        {"出生日期", 60}, {"入学日期", 60}, {"班级", 80}, {"专业", 80},
                                        {"系别", 80}, {"序号", 50}}));
    // Not marked read-only; the query's result is, and the grid offers no
    // editing on a dataset that takes no changes.
    DBGrid2->setReadOnly(false);
    DBGrid2->setDataSource(DM1->DS_Query);
    // The title row and the row indicator belong to the grid as well.
    for (QHeaderView *h : {DBGrid2->horizontalHeader(), DBGrid2->verticalHeader()})
        ui::connectGuarded(h, &QHeaderView::sectionPressed, this, [this] { DBGrid2MouseDown(); });

    DBNavigator1 = new store::TDBNavigator(this);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    DBNavigator1->setGeometry(8, 228, 100, 22);
    DBNavigator1->setDataSource(DM1->DS_Query_Scroce);
    // The name ends where the label starts, whatever its length.
    DBText1 = new store::TDBText(this);
    DBText1->setObjectName(QStringLiteral("DBText1"));
    DBText1->setGeometry(120, 231, 90, 16);
    DBText1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    DBText1->setDataSource(DM1->DS_Query);
    DBText1->setDataField(QStringLiteral("姓名"));
    Label3 = addNamedLabel("Label3", QStringLiteral("的成绩信息：       "), 210, 231);
    Label3->setFixedHeight(16);

    DBGrid1 = new store::TDBGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setGeometry(8, 254, 397, 104);
    DBGrid1->setColumns(store::columns(
        {{"学号", 30}, {"科目", 100}, {"成绩", 30}, {"第一次补考成绩", 90}, {"第二次补考成绩", 90}}));
    DBGrid1->setReadOnly(true);
    DBGrid1->setDataSource(DM1->DS_Query_Scroce);

    skinGroupBox1 = new TSkinGroupBox(QStringLiteral("成绩统计(只包括第一次成绩)"), this);
    skinGroupBox1->setObjectName(QStringLiteral("skinGroupBox1"));
    skinGroupBox1->setGeometry(8, 364, 397, 68);
    Label4 = addNamedLabel("Label4", QStringLiteral("科目平均分为：    "), 16, 20, skinGroupBox1);
    Edit_PingJun = new TSkinEdit(skinGroupBox1);
    Edit_PingJun->setObjectName(QStringLiteral("Edit_PingJun"));
    Edit_PingJun->setGeometry(16, 38, 150, 20);
    Edit_PingJun->setReadOnly(true);
    Label5 = addNamedLabel("Label5", QStringLiteral("科目总分为：          "), 210, 20, skinGroupBox1);
    Edit_Total = new TSkinEdit(skinGroupBox1);
    Edit_Total->setObjectName(QStringLiteral("Edit_Total"));
    Edit_Total->setGeometry(210, 38, 150, 20);
    Edit_Total->setReadOnly(true);

    ui::connectGuarded(skinButton1, &TSkinButton::clicked, this, &TForm16_Scroce_Query::skinButton1Click);
}

void TForm16_Scroce_Query::skinButton1Click()
{
    store::TQuery *found = DM1->Query_Scroce;
    const int mode = ComboBox_Query_Scroce->currentIndex();
    // Without a mode the last result stays and is only counted again.
    if (mode >= 0 && mode < int(std::size(searchModes))) {
        const SearchMode &m = searchModes[mode];
        const QString text = Edit_StudName->text();
        found->reopen(QString::fromUtf8(m.sql), QString::fromLatin1(m.param), m.contains ? u'%' + text + u'%' : text);
    }
    Label7->setText(QString::number(found->recordCount()));
    showStatistics();
}

void TForm16_Scroce_Query::DBGrid2MouseDown() { showStatistics(); }

void TForm16_Scroce_Query::showStatistics()
{
    store::TTable *scores = DM1->Table_Query_Scroce;
    // The score list matches the number in any letter case; the statistics
    // take only the records whose number is exactly the student's.
    const QString studNo = DM1->Query_Scroce->fieldByName(QStringLiteral("学号")).asString();
    qint64 total = 0;
    int count = 0;
    scores->first();
    while (!scores->eof()) {
        if (scores->fieldByName(QStringLiteral("学号")).asString() == studNo) {
            ++count;
            total += scores->fieldByName(QStringLiteral("成绩")).asInteger();
        }
        scores->next();
    }
    Edit_Total->setText(QString::number(total));
    // Nothing to divide by: an empty average rather than the last student's.
    Edit_PingJun->setText(count ? QString::number(total / count) : QString());
}
