#include "app/Startup.h"

#include "app/TForm_Flash.h"
#include "app/core/App.h"
#include "app/core/Instances.h"
#include "app/core/Ui.h"
#include "login/TForm1_Denglu.h"
#include "login/TForm2_Main.h"
// A window's folder joins the program once its library is built.
#ifdef HAVE_REPORTS
#include "reports/TForm19.h"
#include "reports/TForm1.h"
#include "reports/TForm20_Out_Stud.h"
#include "reports/TForm21_Out_Class.h"
#include "reports/TForm22_Object_Out.h"
#endif
#ifdef HAVE_STUDENT
#include "records/student/TForm10_Query_Stud.h"
#include "records/student/TForm3_stud.h"
#include "records/student/TForm9_Add_Stud.h"
#endif
#ifdef HAVE_CLASS
#include "records/class/TForm11_Add_Class.h"
#include "records/class/TForm12_Class_Query.h"
#include "records/class/TForm4_Class.h"
#endif
#ifdef HAVE_COURSE
#include "records/course/TForm13_Add_Object.h"
#include "records/course/TForm14_Object_Query.h"
#include "records/course/TForm5_Object.h"
#endif
#ifdef HAVE_SCORE
#include "records/score/TForm15_Add_Scroce.h"
#include "records/score/TForm16_Scroce_Query.h"
#include "records/score/TForm6_Scorce.h"
#endif
#ifdef HAVE_ACCOUNTS
#include "login/TForm7_Login.h"
#endif
#ifdef HAVE_ABOUT
#include "about/TForm17_About.h"
#endif
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
#ifdef HAVE_REPORTS
    create<TForm19>(Form19);
    create<TForm20_Out_Stud>(Form20_Out_Stud);
    create<TForm21_Out_Class>(Form21_Out_Class);
    create<TForm22_Object_Out>(Form22_Object_Out);
    create<TForm1>(Form1);
#endif
    flash->hide();

    create<TForm2_Main>(Form2_Main);
#ifdef HAVE_STUDENT
    create<TForm3_stud>(Form3_stud);
#endif
#ifdef HAVE_CLASS
    create<TForm4_Class>(Form4_Class);
#endif
#ifdef HAVE_COURSE
    create<TForm5_Object>(Form5_Object);
#endif
#ifdef HAVE_SCORE
    create<TForm6_Scorce>(Form6_Scorce);
#endif
#ifdef HAVE_ACCOUNTS
    create<TForm7_Login>(Form7_Login);
#endif
    TApplication::guarded([] { DM1->DataModuleCreate(); });
#ifdef HAVE_STUDENT
    create<TForm9_Add_Stud>(Form9_Add_Stud);
    create<TForm10_Query_Stud>(Form10_Query_Stud);
#endif
#ifdef HAVE_CLASS
    create<TForm11_Add_Class>(Form11_Add_Class);
    create<TForm12_Class_Query>(Form12_Class_Query);
#endif
#ifdef HAVE_COURSE
    create<TForm13_Add_Object>(Form13_Add_Object);
    create<TForm14_Object_Query>(Form14_Object_Query);
#endif
#ifdef HAVE_SCORE
    create<TForm15_Add_Scroce>(Form15_Add_Scroce);
    create<TForm16_Scroce_Query>(Form16_Scroce_Query);
#endif
#ifdef HAVE_ABOUT
    create<TForm17_About>(Form17_About);
#endif

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
