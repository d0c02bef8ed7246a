#include "records/student/TForm10_Query_Stud.h"

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

// One search per criterion, in the order of the list. Only the number is
// compared whole; the other fields are searched for the text anywhere in
// them, and "%" or "_" typed into it act as wildcards.
struct Criterion {
    const char *sql;
    const char *param;
    bool contains;
};
const Criterion Criteria[] = {
    {"select * from 学生信息表.db Where 学号=:XueHao", "XueHao", false},
    {"select * from 学生信息表.db Where 姓名 like:Name", "Name", true},
    {"select * from 学生信息表.db Where 性别 like:Sex", "Sex", true},
    {"select * from 学生信息表.db Where 籍贯 like:JiGuan", "JiGuan", true},
    {"select * from 学生信息表.db Where 民族 like:MinZu", "MinZu", true},
    {"select * from 学生信息表.db Where 班级 like:Class", "Class", true},
    {"select * from 学生信息表.db Where 专业 like:ZhuanYe", "ZhuanYe", true},
    {"select * from 学生信息表.db Where 系别 like:xibie", "xibie", true},
};

} // namespace

TForm10_Query_Stud::TForm10_Query_Stud(QWidget *parent) : TForm(parent)
{
    const QString caption = QStringLiteral("查找学生信息");
    design(QStringLiteral("Form10_Query_Stud"), caption, QSize(456, 377));
    centreOnScreen();

    Form_Query_Stud = new TSkinForm(this, caption, {TitleButtonType::ControlBox, TitleButtonType::Close, TitleButtonType::Min});

    // Criterion row.
    Label1 = addLabel(QStringLiteral("请选择查询条件：     "), 8, 37);
    ComboBox_Query = new TSkinComboBox(this);
    ComboBox_Query->setObjectName(QStringLiteral("ComboBox_Query"));
    ComboBox_Query->setGeometry(114, 34, 84, 20);
    ComboBox_Query->addItems({QStringLiteral("按学号"), QStringLiteral("按姓名"), QStringLiteral("按性别"),
                              QStringLiteral("按籍贯"), QStringLiteral("按民族"), QStringLiteral("按班级"),
                              QStringLiteral("按专业"), QStringLiteral("按系别")});
    ComboBox_Query->setCurrentIndex(-1);
    Label2 = addLabel(QStringLiteral("="), 204, 37);
    Edit_For_Query = new TSkinEdit(this);
    Edit_For_Query->setObjectName(QStringLiteral("Edit_For_Query"));
    Edit_For_Query->setGeometry(216, 34, 120, 21);
    Button_Query = new TSkinButton(QStringLiteral("开始查找  &Q"), this);
    Button_Query->setObjectName(QStringLiteral("Button_Query"));
    Button_Query->setGeometry(346, 33, 100, 23);
    ui::connectGuarded(Button_Query, &TSkinButton::clicked, this, &TForm10_Query_Stud::Button_QueryClick);

    // The found student, in three columns.
    struct Box {
        QLabel **label;
        store::TDBEdit **edit;
        const char *name;
        const char *caption;
        const char *field;
        int labelX, boxX, width, row;
    };
    const Box boxes[] = {
        {&Label3, &DBEdit1, "DBEdit1", "学号：    ", "学号", 8, 48, 96, 0},
        {&Label4, &DBEdit2, "DBEdit2", "姓名：   ", "姓名", 8, 48, 96, 1},
        {&Label5, &DBEdit3, "DBEdit3", "性别：   ", "性别", 8, 48, 96, 2},
        {&Label6, &DBEdit4, "DBEdit4", "籍贯：   ", "籍贯", 8, 48, 96, 3},
        {&Label7, &DBEdit5, "DBEdit5", "民族：   ", "民族", 152, 220, 94, 0},
        {&Label9, &DBEdit7, "DBEdit7", "入学日期：   ", "入学日期", 152, 220, 94, 1},
        {&Label8, &DBEdit6, "DBEdit6", "出生日期：   ", "出生日期", 152, 220, 94, 2},
        {&Label10, &DBEdit8, "DBEdit8", "班级：   ", "班级", 152, 220, 94, 3},
        {&Label11, &DBEdit9, "DBEdit9", "专业：   ", "专业", 324, 364, 84, 0},
        {&Label12, &DBEdit10, "DBEdit10", "系别：   ", "系别", 324, 364, 84, 1},
    };
    for (const Box &b : boxes) {
        const int y = 66 + b.row * 26;
        *b.label = addLabel(QString::fromUtf8(b.caption), b.labelX, y + 3);
        *b.edit =
            store::TDBEdit::bound(this, DM1->DS_Stud2, QString::fromUtf8(b.field), QRect(b.boxX, y, b.width, 21));
        (*b.edit)->setObjectName(QString::fromLatin1(b.name));
    }

    // Status line: record number, navigator, then the number found.
    const int statusY = 172;
    Label_QueryStud_No = addNumberLabel(8, statusY + 4, 40, 17);
    Label_QueryStud_No->setObjectName(QStringLiteral("Label_QueryStud_No"));
    Navigator_Query = new store::TDBNavigator(this);
    Navigator_Query->setObjectName(QStringLiteral("Navigator_Query"));
    Navigator_Query->setGeometry(52, statusY, 124, 25);
    Navigator_Query->setDataSource(DM1->DS_Stud2);
    Label13 = addLabel(QStringLiteral("共找到：  "), 190, statusY + 4);
    Label_QueryStud_Num = addNumberLabel(250, statusY + 4, 40, 17);
    Label_QueryStud_Num->setObjectName(QStringLiteral("Label_QueryStud_Num"));
    // Wide enough for a district's seven-digit count; the words after it
    // keep their gap.
    const int countWidth = Label_QueryStud_Num->fontMetrics().horizontalAdvance(QStringLiteral("0000000"));
    Label_QueryStud_Num->resize(std::max(Label_QueryStud_Num->width(), countWidth), Label_QueryStud_Num->height());
    Label14 = addLabel(QStringLiteral("个学生     "), Label_QueryStud_Num->geometry().right() + 5, statusY + 4);

    Grid_Query = new store::TDBGrid(this);
    Grid_Query->setObjectName(QStringLiteral("Grid_Query"));
    Grid_Query->setGeometry(8, 204, 440, 165);
    Grid_Query->setDataSource(DM1->DS_Stud2);
    Grid_Query->setColumns(store::columns({{"学号", 50}, {"姓名", 60}, {"性别", 30}, {"籍贯", 50}, {"民族", 50},
                                           {"出生日期", 60}, {"入学日期", 60}, {"班级", 80}, {"专业", 80},
                                           {"系别", 80}}));
    Grid_Query->setReadOnly(true);

    Timer1 = startTimer100([this] { Timer1Timer(); }, "Timer1");
}

void TForm10_Query_Stud::Button_QueryClick()
{
    const int index = ComboBox_Query->currentIndex();
    if (index < 0 || index >= int(std::size(Criteria)))
        return;
    const Criterion &c = Criteria[index];
    const QString text = Edit_For_Query->text();
    DM1->Query_Stud->reopen(QString::fromUtf8(c.sql), QString::fromLatin1(c.param),
                            c.contains ? u'%' + text + u'%' : text);
}

void TForm10_Query_Stud::Timer1Timer()
{
    // A search that failed leaves the query closed until the next one: it has
    // found nothing, and its error was reported once, when it happened.
    const store::TQuery &q = *DM1->Query_Stud;
    Label_QueryStud_No->setText(QString::number(store::safeRecNo(q)));
    Label_QueryStud_Num->setText(QString::number(store::safeCount(q)));
}
