#include "records/score/TForm15_Add_Scroce.h"

#include "ui/Guard.h"
#include "ui/KeyFilter.h"
#include "skin/SkinButton.h"
#include "skin/SkinComboBox.h"
#include "skin/SkinEdit.h"
#include "skin/SkinForm.h"
#include "db/Convert.h"
#include "dbwidgets/DBControls.h"
#include "dbwidgets/DBGrid.h"
#include "dbwidgets/DBNavigator.h"
#include "office/DataModule.h"
#include "data/Walk.h"
#include "data/Table.h"

TForm15_Add_Scroce::TForm15_Add_Scroce(QWidget *parent) : TForm(parent)
{
    const QString caption = QStringLiteral("增加成绩信息");
    design(QStringLiteral("Form15_Add_Scroce"), caption, QSize(471, 288));
    centreOnScreen();

    skinForm1 = new TSkinForm(this, caption,
                              {TitleButtonType::ControlBox, TitleButtonType::Close, TitleButtonType::Min});

    // The name ends where the label starts, whatever its length.
    DBText1 = new store::TDBText(this);
    DBText1->setObjectName(QStringLiteral("DBText1"));
    DBText1->setGeometry(8, 31, 90, 16);
    DBText1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    DBText1->setDataSource(DM1->DS_Stud);
    DBText1->setDataField(QStringLiteral("姓名"));
    Label1 = addNamedLabel("Label1", QStringLiteral("的成绩信息为：       "), 98, 31);
    Label1->setFixedHeight(16);

    DBNavigator1 = new store::TDBNavigator(this);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    DBNavigator1->setGeometry(8, 52, 120, 22);
    DBNavigator1->setDataSource(DM1->DS_Scorce);

    Grid_Scroce_New = new store::TDBGrid(this);
    Grid_Scroce_New->setObjectName(QStringLiteral("Grid_Scroce_New"));
    Grid_Scroce_New->setGeometry(8, 76, 455, 110);
    Grid_Scroce_New->setColumns(store::columns(
        {{"学号", 30}, {"科目", 100}, {"成绩", 50}, {"第一次补考成绩", 100}, {"第二次补考成绩", 100}}));
    Grid_Scroce_New->setReadOnly(true);
    Grid_Scroce_New->setDataSource(DM1->DS_Scorce);

    Label2 = addNamedLabel("Label2", QStringLiteral("请选择要添加的课程：      "), 8, 194);
    ComboBox_Kecheng_New = new TSkinComboBox(this);
    ComboBox_Kecheng_New->setObjectName(QStringLiteral("ComboBox_Kecheng_New"));
    ComboBox_Kecheng_New->setGeometry(8, 210, 145, 20);
    Label3 = addNamedLabel("Label3", QStringLiteral("请输入该课程的成绩：    "), 172, 194);
    Edit_New_Scroce = new TSkinEdit(this);
    Edit_New_Scroce->setObjectName(QStringLiteral("Edit_New_Scroce"));
    Edit_New_Scroce->setGeometry(172, 210, 121, 20);
    Edit_New_Scroce->setText(QStringLiteral("0"));

    Label4 = addNamedLabel("Label4", QStringLiteral("第一次补考成绩为：   "), 8, 240);
    Edit_New_BuKao1 = new TSkinEdit(this);
    Edit_New_BuKao1->setObjectName(QStringLiteral("Edit_New_BuKao1"));
    Edit_New_BuKao1->setGeometry(8, 256, 145, 20);
    Edit_New_BuKao1->setText(QStringLiteral("0"));
    Label5 = addNamedLabel("Label5", QStringLiteral("第二次补考成绩为：      "), 172, 240);
    Edit_New_BuKao2 = new TSkinEdit(this);
    Edit_New_BuKao2->setObjectName(QStringLiteral("Edit_New_BuKao2"));
    Edit_New_BuKao2->setGeometry(172, 256, 121, 20);
    Edit_New_BuKao2->setText(QStringLiteral("0"));

    Button_OK = new TSkinButton(QStringLiteral("添加  &A"), this);
    Button_OK->setObjectName(QStringLiteral("Button_OK"));
    Button_OK->setGeometry(340, 208, 110, 25);
    Button_Cancel = new TSkinButton(QStringLiteral("取消  &C"), this);
    Button_Cancel->setObjectName(QStringLiteral("Button_Cancel"));
    Button_Cancel->setGeometry(340, 254, 110, 25);

    ui::connectGuarded(Button_OK, &TSkinButton::clicked, this, &TForm15_Add_Scroce::Button_OKClick);
    ui::connectGuarded(Button_Cancel, &TSkinButton::clicked, this, &TForm15_Add_Scroce::Button_CancelClick);
    for (TSkinEdit *box : {Edit_New_Scroce, Edit_New_BuKao1, Edit_New_BuKao2})
        keyfilter::onKeyPress(box, [this](QChar &key) { Edit_New_ScroceKeyPress(key); });

    setTabOrder(Grid_Scroce_New, ComboBox_Kecheng_New);
    setTabOrder(ComboBox_Kecheng_New, Edit_New_Scroce);
    setTabOrder(Edit_New_Scroce, Edit_New_BuKao1);
    setTabOrder(Edit_New_BuKao1, Edit_New_BuKao2);
}

void TForm15_Add_Scroce::FormShow()
{
    m_student = store::ShownRecord(*DM1->Table_stud, {QStringLiteral("学号"), QStringLiteral("姓名")});
    ComboBox_Kecheng_New->clear();
    ComboBox_Kecheng_New->addItems(store::fieldTexts(*DM1->Table_Object, 1));
    // Adding the first item selects it; the user is to choose.
    ComboBox_Kecheng_New->setCurrentIndex(-1);
}

void TForm15_Add_Scroce::Button_OKClick()
{
    store::TTable *all = DM1->Table_Scroce_2;
    store::refreshAfter(
        [&] {
            // Another program may have deleted or changed the student, or
            // the course, since the window showed them: a score stored for
            // whatever record became current would belong to someone else.
            // (With no student at all, the record gets an empty number.)
            m_student.requireStill();
            const QString subject = ComboBox_Kecheng_New->currentText();
            if (!subject.isEmpty())
                store::requireStored(*DM1->Table_Object, QStringLiteral("课程名称"), subject);
            try {
                all->append();
                all->fieldByName(QStringLiteral("序号")).setAsInteger(all->recordCount() + 1);
                all->fieldByName(QStringLiteral("学号")).setAsString(m_student.value(QStringLiteral("学号")));
                all->fieldByName(QStringLiteral("科目")).setAsString(subject);
                all->fieldByName(QStringLiteral("成绩")).setAsInteger(store::strToInt(Edit_New_Scroce->text()));
                all->fieldByName(QStringLiteral("第一次补考成绩"))
                    .setAsInteger(store::strToInt(Edit_New_BuKao1->text()));
                all->fieldByName(QStringLiteral("第二次补考成绩"))
                    .setAsInteger(store::strToInt(Edit_New_BuKao2->text()));
                all->post();
            } catch (...) {
                // A half-filled record left pending would be written by the
                // next move of the score table (the next addition or a
                // renumbering) with whatever it holds, or collide with the
                // next record's number.
                all->cancel();
                throw;
            }
        },
        {DM1->Table_Scroce_1});
}

void TForm15_Add_Scroce::Button_CancelClick() { close(); }

void TForm15_Add_Scroce::Edit_New_ScroceKeyPress(QChar &Key) { keyfilter::integerOnly(Key); }
