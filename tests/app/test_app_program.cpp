// The real program, started from a program directory of its own under a
// real X server: splash, login window, keyboard login, main window, modal
// windows minimised and closed, exit; with no window manager and under one.
#include "tests/support/RealProgram.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QtTest>

class ProgramTest : public QObject {
    Q_OBJECT
private slots:
    void startLoginAndExit();
    void minimiseRestoreCloseUnderIcewmOnAChineseDesktop();
};

// The title-bar buttons sit at the right end of a window, 18 pixels apart:
// the first one (close, or the main window's minimise) is centred 12 pixels
// from the right edge, the one before it 30; all 12 pixels from the top.
const int FirstTitleButton = -12, SecondTitleButton = -30, TitleButtonY = 12;
// The main window's column of buttons: "关于Halvorn" and "退出系统".
const QPoint AboutButton(60, 376), ExitButton(60, 431);

void ProgramTest::startLoginAndExit()
{
    if (!fixture::RealProgram::toolsPresent())
        QSKIP("needs Xvfb and xdotool (scripts/setup installs them)");
    fixture::RealProgram p;
    QVERIFY(p.ready());
    QVERIFY(p.start());

    QElapsedTimer since;
    QVERIFY2(p.waitFor(QStringLiteral("^Form_Flash$"), 5000), "the splash window shows");
    since.start();
    QVERIFY2(p.waitFor(QStringLiteral("^用户登陆$"), 12000), "the login window follows");
    QVERIFY2(since.elapsed() >= 3500, "the splash stays for the fixed wait");
    QVERIFY(p.window(QStringLiteral("^Form_Flash$")).isEmpty());

    // The engine was registered for this program directory.
    QFile hive(p.configDir() + QStringLiteral("/quillmere/HKEY_LOCAL_MACHINE.reg"));
    QVERIFY(hive.open(QIODevice::ReadOnly));
    const QString hiveText = QString::fromUtf8(hive.readAll());
    QVERIFY2(hiveText.contains(QStringLiteral("\"DLLPath\"=\"%1/BDE_Drivers/\"").arg(p.programDir())), qPrintable(hiveText));

    const QString mainWin = p.logIn(QStringLiteral("admin"), QStringLiteral("admin"));
    QVERIFY2(!mainWin.isEmpty(), "the main window opens after the login");
    // The first start of the day backed the records up beside them.
    QTRY_COMPARE_WITH_TIMEOUT(QDir(p.programDir() + QStringLiteral("/Backup")).entryList({QStringLiteral("quillmere-*-daily.sqlite")}).size(), 1, 5000);

    // With no window manager, minimising a modal window changes nothing
    // visible; closing it afterwards gives the program back.
    p.clickAt(mainWin, AboutButton.x(), AboutButton.y());
    QString about;
    QVERIFY2(p.waitFor(QStringLiteral("^关于Halvorn的Quillmere$"), 5000, &about), "the About window opens");
    p.clickAt(about, SecondTitleButton, TitleButtonY);
    QTest::qSleep(300);
    p.clickAt(about, FirstTitleButton, TitleButtonY);
    QVERIFY2(p.waitGone(QStringLiteral("^关于Halvorn的Quillmere$"), 3000), "the close button closes it");

    // "退出系统" ends the program at once.
    p.clickAt(mainWin, ExitButton.x(), ExitButton.y());
    QVERIFY2(p.process().waitForFinished(5000), "the exit button ends the program");
    QCOMPARE(p.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.process().exitCode(), 0);
}

// Under a window manager, on a Chinese desktop: the keyboard login, the main
// window's own minimise, and a modal window minimised, restored and closed,
// after which the main window still takes the clicks that end the program.
void ProgramTest::minimiseRestoreCloseUnderIcewmOnAChineseDesktop()
{
    if (QStandardPaths::findExecutable(QStringLiteral("icewm")).isEmpty())
        QSKIP("needs icewm (scripts/setup installs it)");
    if (!fixture::RealProgram::toolsPresent())
        QSKIP("needs Xvfb and xdotool (scripts/setup installs them)");
    fixture::RealProgram p;
    QVERIFY(p.ready());
    p.setEnv(QStringLiteral("LANG"), QStringLiteral("zh_CN.UTF-8"));
    p.setEnv(QStringLiteral("LC_ALL"), QString());
    p.setEnv(QStringLiteral("LANGUAGE"), QString());
    QVERIFY(p.startWindowManager(QStringLiteral("icewm")));
    QVERIFY(p.start());

    const QString mainWin = p.logIn(QStringLiteral("admin"), QStringLiteral("admin"));
    QVERIFY2(!mainWin.isEmpty(), "typing logs in on a Chinese desktop");

    p.clickAt(mainWin, FirstTitleButton, TitleButtonY);
    QVERIFY2(p.waitGone(QStringLiteral("Quillmere1.0版$"), 3000), "the main window's minimise button minimises it");
    p.xdo({QStringLiteral("windowactivate"), mainWin});
    QVERIFY2(p.waitFor(QStringLiteral("Quillmere1.0版$"), 3000), "the main window comes back");

    p.clickAt(mainWin, AboutButton.x(), AboutButton.y());
    const QString aboutName = QStringLiteral("^关于Halvorn的Quillmere$");
    QString about;
    QVERIFY2(p.waitFor(aboutName, 5000, &about), "the About window opens");
    p.clickAt(about, SecondTitleButton, TitleButtonY);
    QVERIFY2(p.waitGone(aboutName, 3000), "the minimise button minimises the modal window");
    p.xdo({QStringLiteral("windowactivate"), about});
    QVERIFY2(p.waitFor(aboutName, 3000), "the modal window comes back");
    QTest::qSleep(300);
    p.clickAt(about, FirstTitleButton, TitleButtonY);
    QVERIFY2(p.waitGone(aboutName, 3000), "the close button closes it");

    QTest::qSleep(300);
    p.clickAt(mainWin, ExitButton.x(), ExitButton.y());
    QVERIFY2(p.process().waitForFinished(5000), "the main window takes input again and its exit button ends the program");
    QCOMPARE(p.process().exitCode(), 0);
}

QTEST_GUILESS_MAIN(ProgramTest)
#include "test_app_program.moc"
