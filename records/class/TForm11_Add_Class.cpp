#include "records/class/TForm11_Add_Class.h"

#include "ui/FocusLeave.h"
#include "ui/Guard.h"
#include "ui/Ui.h"
#include "records/class/DesignedFrame.h"
#include "records/common/NumberBox.h"
#include "skin/SkinButton.h"
#include "skin/SkinEdit.h"
#include "skin/SkinForm.h"
#include "skin/SkinListBox.h"
#include "office/DataModule.h"
#include "data/Walk.h"
#include "data/Table.h"

#include <QResizeEvent>

namespace {

const QSize WindowSize(280, 261);
const QRect FrameRect(1, 0, 270, 226);

} // namespace

TForm11_Add_Class::TForm11_Add_Class(QWidget *parent) : TForm(parent)
{
    const QString caption = QStringLiteral("增加班级  ");
    const QFont f = design(QStringLiteral("Form11_Add_Class"), caption, WindowSize, Sizing::Sizeable);
    centreOnScreen();

    skinForm1 = new TSkinForm(this, caption, {TitleButtonType::ControlBox, TitleButtonType::Close, TitleButtonType::Min});
    skinForm1->setSizeable(true);

    // Created in tab order: name box, list, number box.
    Label1 = addLabel(QStringLiteral("当前存在的班级为：    "), 8, 32);
    Label2 = addLabel(QStringLiteral("新增班级号：     "), 128, 32);
    Label3 = addLabel(QStringLiteral("新增班级名称 ：    "), 128, 82);
    Edit_New_Class = new TSkinEdit(this);
    Edit_New_Class->setGeometry(128, 100, 134, 21);
    Button_OK = new TSkinButton(QStringLiteral("添加  &A"), this);
    Button_OK->setObjectName(QStringLiteral("Button_OK"));
    Button_OK->setFont(f);
    Button_OK->setGeometry(150, 140, 90, 23);
    ListBox_Class = new TSkinListBox(this);
    ListBox_Class->setFont(f);
    ListBox_Class->setGeometry(8, 50, 110, 166);
    Button_Cancel = new TSkinButton(QStringLiteral("取消  &C"), this);
    Button_Cancel->setObjectName(QStringLiteral("Button_Cancel"));
    Button_Cancel->setFont(f);
    Button_Cancel->setGeometry(150, 178, 90, 23);
    Edit_New_ClassNo = new TSkinEdit(this);
    Edit_New_ClassNo->setGeometry(128, 50, 134, 21);
    ui::connectGuarded(Button_OK, &TSkinButton::clicked, this, &TForm11_Add_Class::Button_OKClick);
    ui::connectGuarded(Button_Cancel, &TSkinButton::clicked, this, &TForm11_Add_Class::Button_CancelClick);

    setTabOrder(Edit_New_Class, ListBox_Class);
    setTabOrder(ListBox_Class, Edit_New_ClassNo);

    // The number check runs when the focus moves on inside this dialog, not
    // when the whole dialog loses it to another window or a message box.
    ui::onLeaving(Edit_New_ClassNo, ui::Leaving::MovedOn, [this] { Edit_New_ClassNoExit(); });
}

void TForm11_Add_Class::resizeEvent(QResizeEvent *e)
{
    TForm::resizeEvent(e);
    if (e->size() != WindowSize)
        m_resized = true;
    keepDesignedFrame();
}

void TForm11_Add_Class::showEvent(QShowEvent *e)
{
    TForm::showEvent(e);
    keepDesignedFrame();
}

void TForm11_Add_Class::keepDesignedFrame()
{
    if (!m_resized)
        placeDesignedFrame(skinForm1, FrameRect);
}

void TForm11_Add_Class::FormShow()
{
    ListBox_Class->clear();
    ListBox_Class->addItems(store::fieldTexts(*DM1->Table_Class, 1));
}

void TForm11_Add_Class::Edit_New_ClassNoExit()
{
    // Leaves the class table on its last class.
    records::refuseTakenNumber(Edit_New_ClassNo, *DM1->Table_Class, QStringLiteral("班号"),
                               QStringLiteral("已经有一个相同的班级号,请另选!"));
}

void TForm11_Add_Class::Button_OKClick()
{
    if (Edit_New_ClassNo->text().isEmpty() || Edit_New_Class->text().isEmpty()) {
        ui::messageBox(QStringLiteral("班级号和班级名称不能为空!"), QStringLiteral("系统提示"), ui::Icon::Information);
        return;
    }
    store::TTable &t = *DM1->Table_Class;
    // Whatever happened: the refresh is what stores the pending new class.
    store::refreshAfter(
        [&] {
            t.append();
            t.fieldByName(QStringLiteral("班号")).setAsString(Edit_New_ClassNo->text());
            t.fieldByName(QStringLiteral("班级名称")).setAsString(Edit_New_Class->text());
            ui::messageBox(Edit_New_Class->text() + QStringLiteral("的班级已经成功添加!"), QStringLiteral("班级添加"),
                           ui::Icon::Information);
            Edit_New_ClassNo->clear();
        },
        {&t});
}

void TForm11_Add_Class::Button_CancelClick() { close(); }
