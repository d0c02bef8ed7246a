#include "records/student/TForm3_stud.h"

#include "ui/BusyCursor.h"
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
#include "data/Walk.h"
#include "data/Table.h"

TForm3_stud::TForm3_stud(QWidget *parent) : TForm(parent)
{
    const QString caption = QStringLiteral("学生信息管理");
    design(QStringLiteral("Form3_stud"), caption, QSize(557, 434));
    centreOnScreen();

    Form_Stud = new TSkinForm(this, caption, {TitleButtonType::ControlBox, TitleButtonType::Close, TitleButtonType::Min});

    // Two columns of field boxes, each behind its caption; the label's
    // trailing blanks run under the box.
    const QString blanks(7, u' ');
    auto row = [](int i) { return 36 + i * 28; };
    auto edit = [&](QLabel *&label, const char *name, const QString &field, int x, int labelX, int i) {
        label = addLabel(field + u':' + blanks, labelX, row(i) + 3);
        auto *e = store::TDBEdit::bound(this, DM1->DS_Stud, field, QRect(x, row(i), 120, 21));
        e->setObjectName(QString::fromLatin1(name));
        return e;
    };
    auto combo = [&](QLabel *&label, const char *name, const QString &field, int x, int labelX, int i) {
        label = addLabel(field + u':' + blanks, labelX, row(i) + 3);
        auto *c = new store::TDBComboBox(this);
        c->setObjectName(QString::fromLatin1(name));
        c->setGeometry(x, row(i), 120, 21);
        c->setDataSource(DM1->DS_Stud);
        c->setDataField(field);
        c->setReadOnly(true);
        return c;
    };
    const int leftLabel = 16, leftBox = 56, midLabel = 196, midBox = 262;
    Edit_XueHao = edit(Label1, "Edit_XueHao", QStringLiteral("学号"), leftBox, leftLabel, 0);
    Edit_Name = edit(Label2, "Edit_Name", QStringLiteral("姓名"), leftBox, leftLabel, 1);
    ComboBox_Sex = combo(Label3, "ComboBox_Sex", QStringLiteral("性别"), leftBox, leftLabel, 2);
    ComboBox_Sex->addItems({QStringLiteral("男"), QStringLiteral("女")});
    ComboBox_Sex->showField();
    Edit_JiGuan = edit(Label4, "Edit_JiGuan", QStringLiteral("籍贯"), leftBox, leftLabel, 3);
    Edit_Caption = edit(Label5, "Edit_Caption", QStringLiteral("民族"), leftBox, leftLabel, 4);
    Edit_BrothDay = edit(Label6, "Edit_BrothDay", QStringLiteral("出生日期"), midBox, midLabel, 0);
    Edit_EnterSchoo = edit(Label7, "Edit_EnterSchoo", QStringLiteral("入学日期"), midBox, midLabel, 1);
    Edit_Partion = edit(Label8, "Edit_Partion", QStringLiteral("系别"), midBox, midLabel, 2);
    DbComboBox_Class = combo(Label9, "DbComboBox_Class", QStringLiteral("班级"), midBox, midLabel, 3);
    Edit_ZhuanYe = edit(Label10, "Edit_ZhuanYe", QStringLiteral("专业"), midBox, midLabel, 4);

    // One button beside each row of boxes, a pixel higher than the box.
    const ButtonRow<TForm3_stud> buttons[] = {
        {&Button_Add, "Button_Add", "学生注册  &A", row(0) - 1, &TForm3_stud::Button_AddClick},
        {&Button_XiouGai, "Button_XiouGai", "修改学生  &M", row(1) - 1, &TForm3_stud::Button_XiouGaiClick},
        {&Button_Del, "Button_Del", "删除学生  &D", row(2) - 1, &TForm3_stud::Button_DelClick},
        {&Button_Query, "Button_Query", "查找学生  &Q", row(3) - 1, &TForm3_stud::Button_QueryClick},
        {&Button_Stud_Post, "Button_Stud_Post", "提交修改  &T", row(4) - 1, &TForm3_stud::Button_Stud_PostClick},
    };
    addButtonColumn(this, {428, 110, 23}, buttons);
    Button_Stud_Post->setEnabled(false);

    // Status line: record number, navigator, then the total between its words.
    const int statusY = 180;
    Label14 = addNumberLabel(12, statusY + 4, 40, 17);
    Label14->setObjectName(QStringLiteral("Label14"));
    Navigator_Stud = new store::TDBNavigator(this);
    Navigator_Stud->setObjectName(QStringLiteral("Navigator_Stud"));
    Navigator_Stud->setGeometry(56, statusY, 124, 25);
    Navigator_Stud->setDataSource(DM1->DS_Stud);
    Navigator_Stud->setHints({QStringLiteral("第一个学生"), QStringLiteral("上一个学生"), QStringLiteral("下一个学生"),
                              QStringLiteral("最后一个学生")});
    Label11 = addLabel(QStringLiteral("共有：   "), 196, statusY + 4);
    Label12 = addNumberLabel(244, statusY + 4, 40, 17);
    Label12->setObjectName(QStringLiteral("Label12"));
    Label13 = addLabel(QStringLiteral("个学生           "), 288, statusY + 4);

    Grid_Stud = new store::TDBGrid(this);
    Grid_Stud->setObjectName(QStringLiteral("Grid_Stud"));
    Grid_Stud->setGeometry(8, 214, 541, 212);
    Grid_Stud->setDataSource(DM1->DS_Stud);
    Grid_Stud->setColumns(store::columns({{"学号", 30}, {"姓名", 70}, {"性别", 30}, {"籍贯", 50}, {"民族", 50},
                                          {"出生日期", 60}, {"入学日期", 60}, {"班级", 80}, {"专业", 80},
                                          {"系别", 80}}));
    Grid_Stud->setReadOnly(true);

    Timer1 = startTimer100([this] { Timer1Timer(); }, "Timer1");
}

void TForm3_stud::FormShow()
{
    DbComboBox_Class->clear();
    DbComboBox_Class->addItems(store::fieldTexts(*DM1->Table_Class, 1));
    DbComboBox_Class->showField();
}

void TForm3_stud::setFieldsReadOnly(bool readOnly)
{
    Edit_XueHao->setReadOnly(readOnly);
    Edit_Name->setReadOnly(readOnly);
    ComboBox_Sex->setReadOnly(readOnly);
    Edit_JiGuan->setReadOnly(readOnly);
    Edit_Caption->setReadOnly(readOnly);
    Edit_BrothDay->setReadOnly(readOnly);
    Edit_EnterSchoo->setReadOnly(readOnly);
    Edit_Partion->setReadOnly(readOnly);
    DbComboBox_Class->setReadOnly(readOnly);
    Edit_ZhuanYe->setReadOnly(readOnly);
    Grid_Stud->setReadOnly(readOnly);
}

void TForm3_stud::Button_AddClick()
{
    if (UserRight != 1) {
        ui::permissionRefused();
        return;
    }
    if (Form9_Add_Stud)
        Form9_Add_Stud->showModal();
}

void TForm3_stud::Button_XiouGaiClick()
{
    if (UserRight != 1) {
        ui::permissionRefused();
        return;
    }
    setFieldsReadOnly(false);
    DM1->Table_stud->edit();
    m_classBeforeEdit = DM1->Table_stud->fieldByName(QStringLiteral("班级")).asString();
    Button_Stud_Post->setEnabled(true);
}

void TForm3_stud::Button_Stud_PostClick()
{
    Button_Stud_Post->setEnabled(false);
    const QString number = Edit_XueHao->text();
    const QString name = Edit_Name->text();
    if (!number.isEmpty() && !name.isEmpty()) {
        // A class newly chosen from the list must still be stored: another
        // program may have deleted it since the list was filled.
        store::TTable &students = *DM1->Table_stud;
        if (students.state() == store::DataSetState::Edit) {
            const QString cls = students.fieldByName(QStringLiteral("班级")).asString();
            if (!cls.isEmpty() && cls != m_classBeforeEdit)
                store::requireStored(*DM1->Table_Class, QStringLiteral("班级名称"), cls);
        }
        students.post();
        setFieldsReadOnly(true);
    } else {
        ui::messageBox(QStringLiteral("学号和姓名信息不能为空!"), QStringLiteral("系统提示"), ui::Icon::Information);
    }
}

void TForm3_stud::Button_DelClick()
{
    if (UserRight != 1) {
        ui::permissionRefused();
        return;
    }
    // The record asked about is the one deleted: another program may
    // change or delete it while the clerk reads the question.
    const store::ShownRecord asked(*DM1->Table_stud, {QStringLiteral("学号"), QStringLiteral("姓名")});
    if (ui::messageBox(QStringLiteral("注意!此操作将删除该生的一切资料!"), QStringLiteral("警告"), ui::Icon::Information,
                       ui::Buttons::YesNo, this)
        != ui::IdYes)
        return;
    asked.requireStill();

    ui::BusyCursor busy; // a district's score table takes seconds
    store::TTable &students = *DM1->Table_stud;
    // Only a stored student has scores. Without one (an empty table, or a new
    // record not yet written) there is no number to look for, and an empty
    // one would match every score that has no number; the record layer's own
    // delete below then reports the empty table or drops the new record.
    if (students.recordCount() > 0 && students.state() != store::DataSetState::Insert) {
        store::TTable &scores = *DM1->Table_Scroce_2;
        const QString number = students.fieldByName(QStringLiteral("学号")).asString();
        // New scores take count + 1, which is free only while the numbers
        // run 1 ... n without gaps.
        store::deleteMatchingAndRenumber(scores, QStringLiteral("学号"), number, QStringLiteral("序号"),
                                         [] { DM1->Table_Scroce_1->refresh(); });
    }
    students.del();
}

void TForm3_stud::Button_QueryClick()
{
    if (Form10_Query_Stud)
        Form10_Query_Stud->showModal();
}

void TForm3_stud::Timer1Timer()
{
    // A table that did not open has no record to count; its failure was
    // reported at start, and repeating it ten times a second would bury the
    // program in error boxes.
    const store::TTable &students = *DM1->Table_stud;
    Label14->setText(QString::number(store::safeRecNo(students)));
    Label12->setText(QString::number(store::safeCount(students)));
}
