#include "app/Startup.h"

#include "app/TForm_Flash.h"
#include "app/core/App.h"
#include "app/core/Instances.h"
#include "app/core/Ui.h"
#include "login/TForm1_Denglu.h"
#include "login/TForm2_Main.h"
#include "store/DataModule.h"
#include "store/Engine.h"

#include <QElapsedTimer>
#include <QThread>
#include <QWindow>

#include <functional>

namespace {

// Creates one instance; an error in its creation handler is reported and
// start-up goes on with the next row.
template <typename T>
void create(TForm *&instance, void (T::*handler)() = nullptr)
{
    TApplication::guarded([&] {
        auto *w = new T;
        instance = w;
        if (handler)
            (w->*handler)();
    });
}

void paintNow(QWidget *w)
{
    // Let the window system map and expose it, then draw it completely:
    // nothing is processed during the wait that follows.
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 500 && !(w->windowHandle() && w->windowHandle()->isExposed()))
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    w->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace

int runProgram(int &argc, char **argv)
{
    TApplication app(argc, argv);
    // A commit made while the program waits for the user reports its failure
    // like any other error.
    store::setCommitErrorHandler([](const QString &text) { ui::showStandardError(text); });
    // The module's datasets exist (closed) before any window, so that the
    // windows' data-bound controls can be tied to its data sources when they
    // are created; opening them is the module's own creation step below.
    DM1 = new TDM1;

    auto *flash = new TForm_Flash;
    Form_Flash = flash;
    flash->show();
    paintNow(flash);
    QThread::msleep(4000);

    ui::setApplicationTitle(QStringLiteral("Quillmere"));
    QCoreApplication::setApplicationName(QStringLiteral("Quillmere"));

    create<TForm1_Denglu>(Form1_Denglu, &TForm1_Denglu::FormCreate);
    // Rows 2 to 6: the report chooser and its four holders.
    flash->hide();

    create<TForm2_Main>(Form2_Main);
    // Rows 8 to 12: the management windows and the account window.
    TApplication::guarded([] { DM1->DataModuleCreate(); });
    // Rows 14 to 22: the add and search windows and the About window.

    int rc = 0;
    if (Form1_Denglu) {
        Form1_Denglu->show();
        rc = app.exec();
    }
    // The end: every window and the module go; nothing is written here.
    for (TForm **w : {&Form17_About, &Form16_Scroce_Query, &Form15_Add_Scroce, &Form14_Object_Query,
                      &Form13_Add_Object, &Form12_Class_Query, &Form11_Add_Class, &Form10_Query_Stud,
                      &Form9_Add_Stud, &Form7_Login, &Form6_Scorce, &Form5_Object, &Form4_Class, &Form3_stud,
                      &Form2_Main, &Form1, &Form22_Object_Out, &Form21_Out_Class, &Form20_Out_Stud, &Form19,
                      &Form1_Denglu, &Form_Flash}) {
        delete *w;
        *w = nullptr;
    }
    delete DM1;
    DM1 = nullptr;
    return rc;
}
