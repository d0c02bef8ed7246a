#include "app/Startup.h"

#include "app/TForm_Flash.h"
#include "login/TForm1_Denglu.h"
#include "maintenance/restore/TakeBackup.h"
#include "backup/Folder.h"
#include "exchange/Import.h"
#include "data/ActionHooks.h"
#include "db/Engines.h"
#include "ui/App.h"
#include "ui/Guard.h"
#include "ui/Instances.h"
#include "ui/Ui.h"
#include "app/Windows.h"
#include "db/Codepage.h"
#include "office/DataModule.h"
#include "db/Engine.h"

#include <QElapsedTimer>
#include <QThread>
#include <QWindow>

#include <functional>

namespace {

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

bool codepageReady()
{
    if (store::cp936::available())
        return true;
    ui::setApplicationTitle(QStringLiteral("Quillmere"));
    ui::showStandardError(store::cp936::unavailableText());
    return false;
}

int runProgram(int &argc, char **argv)
{
    TApplication app(argc, argv);
    if (!codepageReady())
        return 2;
    // Every action of the program is stored whole or not at all.
    store::installActionHooks();
    // A commit made while the program waits for the user reports its failure
    // like any other error, once the dispatcher has handed the event on.
    store::setCommitErrorHandler([](const QString &text) { ui::reportLater(text); });
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

    // The splash window goes once the report holders are made.
    program::createAll([flash](const program::Step &s) {
        if (s.row == 6)
            flash->hide();
    });

    // The first start of a day backs the records up once the user is in.
    TForm1_Denglu::afterLogin = [] { restorewin::dailyBackup(Form2_Main); };
    // An import is preceded by a backup; one that fails is said, and the
    // import goes on.
    exchange::beforeImport = [](const QString &dir) {
        try {
            backup::takeInto(backup::placeOf(dir), backup::Kind::BeforeChange, QStringLiteral("导入之前"));
        } catch (const store::Error &e) {
            ui::messageBox(QStringLiteral("导入之前的自动备份没有成功: %1\n导入照常进行。").arg(e.text()),
                           ui::applicationTitle(), ui::Icon::Warning, ui::Buttons::Ok, Form2_Main);
        }
    };
    // Said once a run: a server still shared under one login, and how to move on.
    if (const QString notice = DM1->engineNotice(); !notice.isEmpty())
        ui::guarded([&] { ui::messageBox(notice, QStringLiteral("系统提示"), ui::Icon::Information); });

    int rc = 0;
    if (Form1_Denglu) {
        Form1_Denglu->show();
        rc = app.exec();
    }
    // The end: every window and the module go; nothing is written here.
    restorewin::waitForDailyBackup(true);
    program::destroyAll();
    store::endEngines();
    return rc;
}
