#include "records/student/TForm9_Add_Stud.h"

#include "ui/FocusLeave.h"
#include "ui/Guard.h"
#include "ui/Ui.h"
#include "records/common/NumberBox.h"
#include "skin/SkinButton.h"
#include "skin/SkinComboBox.h"
#include "skin/SkinEdit.h"
#include "skin/SkinForm.h"
#include "office/DataModule.h"
#include "data/Recheck.h"
#include "data/Walk.h"
#include "data/Table.h"


namespace {

// Both pickers start at 2003-04-23 with no time of day.
const QDate StartDate(2003, 4, 23);

TDateTimePicker *datePicker(QWidget *parent, const char *name, int x, int y)
{
    auto *d = new TDateTimePicker(StartDate, parent);
    d->setObjectName(QString::fromLatin1(name));
    d->setGeometry(x, y, 121, 21);
    return d;
}

} // namespace

TForm9_Add_Stud::TForm9_Add_Stud(QWidget *parent) : TForm(parent)
{
    const QString caption = QStringLiteral("学生注册");
    design(QStringLiteral("Form9_Add_Stud"), caption, QSize(411, 250));
    centreOnScreen();

    Form_Add_Stud = new TSkinForm(this, caption, {TitleButtonType::ControlBox, TitleButtonType::Close, TitleButtonType::Min});

    const QString blanks(4, u' ');
    auto row = [](int i) { return 40 + i * 30; };
    auto label = [&](const QString &name, int x, int i) {
        return addLabel(name + QStringLiteral("：") + blanks, x, row(i) + 3);
    };
    auto edit = [&](const char *name, int i) {
        auto *e = new TSkinEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setGeometry(60, row(i), 121, 21);
        return e;
    };
    const int rightLabel = 200, rightBox = 272;

    // Created in tab order: the six text boxes, then (after the two buttons,
    // which Tab passes by) the two lists and the two pickers.
    Label1 = label(QStringLiteral("学号"), 16, 0);
    Edit_New_StudNo = edit("Edit_New_StudNo", 0);
    Label2 = label(QStringLiteral("姓名"), 16, 1);
    Edit_New_Stud_Name = edit("Edit_New_Stud_Name", 1);
    Label4 = label(QStringLiteral("籍贯"), 16, 3);
    Edit_New_JIGuan = edit("Edit_New_JIGuan", 3);
    Label5 = label(QStringLiteral("民族"), 16, 4);
    Edit_New_Caption = edit("Edit_New_Caption", 4);
    Label8 = label(QStringLiteral("系别"), rightLabel, 2);
    Edit_New_Xi = new TSkinEdit(this);
    Edit_New_Xi->setObjectName(QStringLiteral("Edit_New_Xi"));
    Edit_New_Xi->setGeometry(rightBox, row(2), 121, 21);
    Label10 = label(QStringLiteral("专业"), rightLabel, 4);
    Edit_New_ZhuanYe = new TSkinEdit(this);
    Edit_New_ZhuanYe->setObjectName(QStringLiteral("Edit_New_ZhuanYe"));
    Edit_New_ZhuanYe->setGeometry(rightBox, row(4), 121, 21);

    Button_OK = new TSkinButton(QStringLiteral("添加  &A"), this);
    Button_OK->setObjectName(QStringLiteral("Button_OK"));
    Button_OK->setGeometry(309, 188, 84, 23);
    Button_Cancel = new TSkinButton(QStringLiteral("取消  &C"), this);
    Button_Cancel->setObjectName(QStringLiteral("Button_Cancel"));
    Button_Cancel->setGeometry(309, 218, 84, 23);
    ui::connectGuarded(Button_OK, &TSkinButton::clicked, this, &TForm9_Add_Stud::Button_OKClick);
    ui::connectGuarded(Button_Cancel, &TSkinButton::clicked, this, &TForm9_Add_Stud::Button_CancelClick);

    Label3 = label(QStringLiteral("性别"), 16, 2);
    ComboBox_New_Sex = new TSkinComboBox(this);
    ComboBox_New_Sex->setObjectName(QStringLiteral("ComboBox_New_Sex"));
    ComboBox_New_Sex->setGeometry(60, row(2), 121, 20);
    ComboBox_New_Sex->addItems({QStringLiteral("男"), QStringLiteral("女")});
    ComboBox_New_Sex->setCurrentIndex(-1);
    Label9 = label(QStringLiteral("班级"), rightLabel, 3);
    ComboBox_New_Class = new TSkinComboBox(this);
    ComboBox_New_Class->setObjectName(QStringLiteral("ComboBox_New_Class"));
    ComboBox_New_Class->setGeometry(rightBox, row(3), 121, 20);
    ComboBox_New_Class->setCurrentIndex(-1);
    Label6 = label(QStringLiteral("出生日期"), rightLabel, 0);
    DateTime_New_Brothday = datePicker(this, "DateTime_New_Brothday", rightBox, row(0));
    // The label says "time of entering school"; the field it fills is the
    // enrolment date.
    Label7 = label(QStringLiteral("入校时间"), rightLabel, 1);
    DateTime_New_EnterShool = datePicker(this, "DateTime_New_EnterShool", rightBox, row(1));

    QWidget *const order[] = {Edit_New_StudNo, Edit_New_Stud_Name, Edit_New_JIGuan, Edit_New_Caption,
                              Edit_New_Xi, Edit_New_ZhuanYe, ComboBox_New_Sex, ComboBox_New_Class,
                              DateTime_New_Brothday, DateTime_New_EnterShool};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    // The number box is left when the focus moves to another control of this
    // dialog: by Tab, by a click into a box, or by a button's accelerator,
    // which focuses its button first. The dialog losing the focus as a whole
    // (another window, a message box, closing) is not leaving the box.
    ui::onLeaving(Edit_New_StudNo, ui::Leaving::ToItsWindow, [this] { Edit_New_StudNoExit(); });
}

void TForm9_Add_Stud::FormShow()
{
    ComboBox_New_Class->clear();
    ComboBox_New_Class->addItems(store::fieldTexts(*DM1->Table_Class, 1));
    ComboBox_New_Class->setCurrentIndex(-1);
}

void TForm9_Add_Stud::Edit_New_StudNoExit()
{
    // The scan runs to the end and leaves the last student current, which the
    // management window behind then shows.
    records::refuseTakenNumber(Edit_New_StudNo, *DM1->Table_stud, QStringLiteral("学号"),
                               QStringLiteral("已经有一个相同的学号,请另选!"));
}

void TForm9_Add_Stud::Button_OKClick()
{
    if (Edit_New_StudNo->text().isEmpty() || Edit_New_Stud_Name->text().isEmpty()) {
        ui::messageBox(QStringLiteral("学号和姓名信息不能为空!"), QStringLiteral("系统提示"), ui::Icon::Information);
        return;
    }
    store::TTable &students = *DM1->Table_stud;
    // Refreshing comes last whatever happened.
    store::refreshAfter(
        [&] {
            // The class was chosen from the list shown; another program may
            // have deleted it since.
            const QString cls = ComboBox_New_Class->currentText();
            if (!cls.isEmpty())
                store::requireStored(*DM1->Table_Class, QStringLiteral("班级名称"), cls);
            students.append();
            try {
                students.fieldByName(QStringLiteral("学号")).setAsString(Edit_New_StudNo->text());
                students.fieldByName(QStringLiteral("姓名")).setAsString(Edit_New_Stud_Name->text());
                students.fieldByName(QStringLiteral("籍贯")).setAsString(Edit_New_JIGuan->text());
                students.fieldByName(QStringLiteral("民族")).setAsString(Edit_New_Caption->text());
                students.fieldByName(QStringLiteral("系别")).setAsString(Edit_New_Xi->text());
                students.fieldByName(QStringLiteral("专业")).setAsString(Edit_New_ZhuanYe->text());
                students.fieldByName(QStringLiteral("性别")).setAsString(ComboBox_New_Sex->currentText());
                students.fieldByName(QStringLiteral("班级")).setAsString(cls);
                students.fieldByName(QStringLiteral("出生日期"))
                    .setAsDateTime(QDateTime(DateTime_New_Brothday->date(), QTime(0, 0)));
                students.fieldByName(QStringLiteral("入学日期"))
                    .setAsDateTime(QDateTime(DateTime_New_EnterShool->date(), QTime(0, 0)));
            } catch (...) {
                // A partly filled record must not stay pending: the refresh,
                // or any later move of the shared cursor, would write it.
                students.cancel();
                throw;
            }
            // A complete record the engine refuses stays pending; the
            // refresh tries it once more.
            students.post();
            ui::messageBox(Edit_New_Stud_Name->text() + QStringLiteral("的注册信息已经成功添加!"),
                           QStringLiteral("添加信息"), ui::Icon::Information);
            Edit_New_StudNo->clear();
        },
        {&students});
}

void TForm9_Add_Stud::Button_CancelClick() { close(); }
