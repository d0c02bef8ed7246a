#include "login/TForm2_Main.h"

#include "ui/ButtonColumn.h"
#include "core/Globals.h"
#include "ui/Instances.h"
#include "ui/Jpeg.h"
#include "ui/Ui.h"
#include "skin/SkinButton.h"
#include "skin/SkinForm.h"
#include "skin/SkinTheme.h"

#include <QGuiApplication>
#include <QScreen>

namespace {

void showNotModal(TForm *w)
{
    if (w)
        w->showFront();
}

} // namespace

TForm2_Main::TForm2_Main(QWidget *parent) : TForm(parent)
{
    setObjectName(QStringLiteral("Form2_Main"));
    const QString caption = QStringLiteral("   Quillmere1.0版");
    setWindowTitle(caption);
    // Maximised over the work area; the bounds it returns to are the work
    // area too, so it covers it also where no window manager maximises it.
    resize(800, 548 + 1);
    if (QScreen *s = QGuiApplication::primaryScreen())
        setGeometry(s->availableGeometry());
    QFont f(QStringLiteral("宋体"));
    f.setPixelSize(13);
    setFont(f);
    setWindowState(Qt::WindowMaximized);

    Form_Main = new TSkinForm(this, caption, {TitleButtonType::ControlBox, TitleButtonType::Min},
                              SkinTheme::MainFrameColor);
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setScaledContents(true);
    Image1->setPixmap(QPixmap::fromImage(loadJpeg(QStringLiteral(":/assets/main.jpg"))));
    FlatPanel1 = new QWidget(this);
    FlatPanel1->setAutoFillBackground(true);
    QPalette pal = FlatPanel1->palette();
    pal.setColor(QPalette::Window, SkinTheme::MainFrameColor);
    FlatPanel1->setPalette(pal);

    const ButtonRow<TForm2_Main> rows[] = {
        {&Button_stud, "Button_stud", "学生信息管理", 40, &TForm2_Main::Button_studClick},
        {&Button_Class, "Button_Class", "班级信息管理", 94, &TForm2_Main::Button_ClassClick},
        {&Button_Object, "Button_Object", "课程信息管理", 148, &TForm2_Main::Button_ObjectClick},
        {&Button_Scorce, "Button_Scorce", "成绩信息管理", 202, &TForm2_Main::Button_ScorceClick},
        {&Button_Login, "Button_Login", "系统帐户管理", 257, &TForm2_Main::Button_LoginClick},
        {&Button_Reporter, "Button_Reporter", "报表输出", 311, &TForm2_Main::Button_ReporterClick},
        {&skinButton1, "skinButton1", "关于Halvorn", 365, &TForm2_Main::skinButton1Click},
        {&Button_Exit, "Button_Exit", "退出系统", 420, &TForm2_Main::Button_ExitClick},
        {&Button_Data, "Button_Data", "数据维护", 474, &TForm2_Main::Button_DataClick},
    };
    addButtonColumn(this, {16, 113, 23, f}, rows);
}

// On a screen larger than the design size the buttons keep their size and
// place; the picture takes the room that is left.
void TForm2_Main::resizeEvent(QResizeEvent *e)
{
    TForm::resizeEvent(e);
    const int w = width(), h = height();
    Image1->setGeometry(144, 23, std::max(654, w - 144 - 2), std::max(507, h - 23 - 18 - 2));
    FlatPanel1->setGeometry(1, h - 18 - 1, w - 2, 18);
}

void TForm2_Main::Button_studClick() { showNotModal(Form3_stud); }

void TForm2_Main::Button_ClassClick() { showNotModal(Form4_Class); }

void TForm2_Main::Button_ObjectClick() { showNotModal(Form5_Object); }

void TForm2_Main::Button_ScorceClick() { showNotModal(Form6_Scorce); }

void TForm2_Main::Button_LoginClick()
{
    if (UserRight == 1)
        showNotModal(Form7_Login);
    else
        ui::permissionRefused();
}

void TForm2_Main::Button_ReporterClick()
{
    if (Form19)
        Form19->showModal();
}

void TForm2_Main::Button_DataClick()
{
    if (UserRight != 1)
        ui::permissionRefused();
    else if (Form23_Data)
        Form23_Data->showModal();
}

void TForm2_Main::skinButton1Click()
{
    if (Form17_About)
        Form17_About->showModal();
}

void TForm2_Main::Button_ExitClick()
{
    if (Form1_Denglu)
        Form1_Denglu->close();
}
