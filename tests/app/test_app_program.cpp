// The real program, started from a program directory of its own under a
// real X server: splash, login window, keyboard login, main window, modal
// windows minimised and closed, exit; with no window manager and under one.
#include <QDir>
#include <QMap>
#include <QRegularExpression>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString run(const QString &program, const QStringList &args, const QProcessEnvironment &env)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

} // namespace

class ProgramTest : public QObject {
    Q_OBJECT
private slots:
    void startLoginAndExit();
    void minimiseRestoreCloseUnderIcewmOnAChineseDesktop();

private:
    // A program directory of its own with fresh tables, an X server on a
    // display of its own, and the program started there from another
    // directory; `env` adds to or (with an empty value) removes from the
    // environment.
    bool start(const QMap<QString, QString> &env = {});
    void stop();
    QString window(const QString &namePattern);
    bool waitFor(const QString &namePattern, int ms, QString *id = nullptr);
    bool waitGone(const QString &namePattern, int ms);
    void xdo(const QStringList &args) { run(QStringLiteral("xdotool"), args, m_x); }
    // Clicks at (x, y) of a window; a negative x counts from its right edge.
    void clickAt(const QString &id, int x, int y);
    // Logs in as admin with the keyboard; returns the main window's id.
    QString logIn();

    QProcessEnvironment m_x;
    std::unique_ptr<QTemporaryDir> m_progDir, m_elsewhere, m_config;
    QProcess m_xvfb, m_wm, m_app;
};

QString ProgramTest::window(const QString &namePattern)
{
    return run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                           QStringLiteral("--name"), namePattern},
               m_x)
        .section(u'\n', 0, 0);
}

bool ProgramTest::waitFor(const QString &namePattern, int ms, QString *id)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        const QString w = window(namePattern);
        if (!w.isEmpty()) {
            if (id)
                *id = w;
            return true;
        }
        QTest::qSleep(100);
    }
    return false;
}

bool ProgramTest::waitGone(const QString &namePattern, int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        if (window(namePattern).isEmpty())
            return true;
        QTest::qSleep(100);
    }
    return false;
}

void ProgramTest::clickAt(const QString &id, int x, int y)
{
    if (x < 0) {
        const QString geometry = run(QStringLiteral("xdotool"), {QStringLiteral("getwindowgeometry"), id}, m_x);
        static const QRegularExpression size(QStringLiteral("Geometry: (\\d+)x(\\d+)"));
        x += size.match(geometry).captured(1).toInt();
    }
    xdo({QStringLiteral("mousemove"), QStringLiteral("--window"), id, QString::number(x), QString::number(y)});
    xdo({QStringLiteral("click"), QStringLiteral("1")});
}

bool ProgramTest::start(const QMap<QString, QString> &env)
{
    for (const char *tool : {"Xvfb", "xdotool"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return false;
    }
    const QString bin = qEnvironmentVariable("QUILLMERE_BIN_DIR");
    m_progDir = std::make_unique<QTemporaryDir>();
    m_elsewhere = std::make_unique<QTemporaryDir>();
    m_config = std::make_unique<QTemporaryDir>();
    const QString prog = m_progDir->path() + QStringLiteral("/quillmere");
    if (!QFile::copy(bin + QStringLiteral("/quillmere"), prog)
        || QProcess::execute(bin + QStringLiteral("/quillmere-initdb"), {m_progDir->path() + QStringLiteral("/DB_Files")}) != 0)
        qFatal("the program and its table maker are built beside the tests");

    const QString display = QStringLiteral(":%1").arg(200 + QCoreApplication::applicationPid() % 300);
    m_xvfb.start(QStringLiteral("Xvfb"), {display, QStringLiteral("-screen"), QStringLiteral("0"),
                                          QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    m_xvfb.waitForStarted();
    m_x = QProcessEnvironment::systemEnvironment();
    m_x.insert(QStringLiteral("DISPLAY"), display);
    m_x.remove(QStringLiteral("QT_QPA_PLATFORM"));
    m_x.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config->path());
    m_x.insert(QStringLiteral("HOME"), m_config->path()); // the window manager's settings
    for (auto it = env.begin(); it != env.end(); ++it) {
        if (it.value().isEmpty())
            m_x.remove(it.key());
        else
            m_x.insert(it.key(), it.value());
    }
    QTest::qSleep(700);
    m_app.setProcessEnvironment(m_x);
    m_app.setWorkingDirectory(m_elsewhere->path());
    m_app.start(prog, {});
    return m_app.waitForStarted();
}

void ProgramTest::stop()
{
    for (QProcess *p : {&m_app, &m_wm, &m_xvfb}) {
        if (p->state() != QProcess::NotRunning) {
            p->kill();
            p->waitForFinished();
        }
    }
}

QString ProgramTest::logIn()
{
    QString login, mainWin;
    if (!waitFor(QStringLiteral("^用户登陆$"), 12000, &login))
        return {};
    // The focus starts in the password box with its text chosen: typing
    // replaces it. Tab chooses the name box's text the same way.
    xdo({QStringLiteral("windowactivate"), QStringLiteral("--sync"), login});
    xdo({QStringLiteral("windowfocus"), QStringLiteral("--sync"), login});
    xdo({QStringLiteral("type"), QStringLiteral("admin")});
    xdo({QStringLiteral("key"), QStringLiteral("Tab")});
    xdo({QStringLiteral("type"), QStringLiteral("admin")});
    xdo({QStringLiteral("key"), QStringLiteral("alt+e")});
    if (!waitFor(QStringLiteral("Quillmere1.0版$"), 5000, &mainWin) || !waitGone(QStringLiteral("^用户登陆$"), 3000))
        return {};
    return mainWin;
}

// The title-bar buttons sit at the right end of a window, 18 pixels apart:
// the first one (close, or the main window's minimise) is centred 12 pixels
// from the right edge, the one before it 30; all 12 pixels from the top.
const int FirstTitleButton = -12, SecondTitleButton = -30, TitleButtonY = 12;
// The main window's column of buttons: "关于Halvorn" and "退出系统".
const QPoint AboutButton(60, 376), ExitButton(60, 431);

void ProgramTest::startLoginAndExit()
{
    if (!start())
        QSKIP("needs Xvfb and xdotool (scripts/setup installs them)");
    auto stopAll = qScopeGuard([&] { stop(); });

    QElapsedTimer since;
    QVERIFY2(waitFor(QStringLiteral("^Form_Flash$"), 5000), "the splash window shows");
    since.start();
    QVERIFY2(waitFor(QStringLiteral("^用户登陆$"), 12000), "the login window follows");
    QVERIFY2(since.elapsed() >= 3500, "the splash stays for the fixed wait");
    QVERIFY(window(QStringLiteral("^Form_Flash$")).isEmpty());

    // The engine was registered for this program directory.
    QFile hive(m_config->path() + QStringLiteral("/quillmere/HKEY_LOCAL_MACHINE.reg"));
    QVERIFY(hive.open(QIODevice::ReadOnly));
    const QString hiveText = QString::fromUtf8(hive.readAll());
    QVERIFY2(hiveText.contains(QStringLiteral("\"DLLPath\"=\"%1/BDE_Drivers/\"").arg(m_progDir->path())), qPrintable(hiveText));

    const QString mainWin = logIn();
    QVERIFY2(!mainWin.isEmpty(), "the main window opens after the login");

    // With no window manager, minimising a modal window changes nothing
    // visible; closing it afterwards gives the program back.
    clickAt(mainWin, AboutButton.x(), AboutButton.y());
    QString about;
    QVERIFY2(waitFor(QStringLiteral("^关于Halvorn的Quillmere$"), 5000, &about), "the About window opens");
    clickAt(about, SecondTitleButton, TitleButtonY);
    QTest::qSleep(300);
    clickAt(about, FirstTitleButton, TitleButtonY);
    QVERIFY2(waitGone(QStringLiteral("^关于Halvorn的Quillmere$"), 3000), "the close button closes it");

    // "退出系统" ends the program at once.
    clickAt(mainWin, ExitButton.x(), ExitButton.y());
    QVERIFY2(m_app.waitForFinished(5000), "the exit button ends the program");
    QCOMPARE(m_app.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_app.exitCode(), 0);
}

// Under a window manager, on a Chinese desktop: the keyboard login, the main
// window's own minimise, and a modal window minimised, restored and closed,
// after which the main window still takes the clicks that end the program.
void ProgramTest::minimiseRestoreCloseUnderIcewmOnAChineseDesktop()
{
    if (QStandardPaths::findExecutable(QStringLiteral("icewm")).isEmpty())
        QSKIP("needs icewm (scripts/setup installs it)");
    if (!start({{QStringLiteral("LANG"), QStringLiteral("zh_CN.UTF-8")},
                {QStringLiteral("LC_ALL"), QString()},
                {QStringLiteral("LANGUAGE"), QString()}}))
        QSKIP("needs Xvfb and xdotool (scripts/setup installs them)");
    auto stopAll = qScopeGuard([&] { stop(); });
    m_wm.setProcessEnvironment(m_x);
    m_wm.start(QStringLiteral("icewm"), {});
    QVERIFY(m_wm.waitForStarted());

    const QString mainWin = logIn();
    QVERIFY2(!mainWin.isEmpty(), "typing logs in on a Chinese desktop");

    clickAt(mainWin, FirstTitleButton, TitleButtonY);
    QVERIFY2(waitGone(QStringLiteral("Quillmere1.0版$"), 3000), "the main window's minimise button minimises it");
    xdo({QStringLiteral("windowactivate"), mainWin});
    QVERIFY2(waitFor(QStringLiteral("Quillmere1.0版$"), 3000), "the main window comes back");

    clickAt(mainWin, AboutButton.x(), AboutButton.y());
    const QString aboutName = QStringLiteral("^关于Halvorn的Quillmere$");
    QString about;
    QVERIFY2(waitFor(aboutName, 5000, &about), "the About window opens");
    clickAt(about, SecondTitleButton, TitleButtonY);
    QVERIFY2(waitGone(aboutName, 3000), "the minimise button minimises the modal window");
    xdo({QStringLiteral("windowactivate"), about});
    QVERIFY2(waitFor(aboutName, 3000), "the modal window comes back");
    QTest::qSleep(300);
    clickAt(about, FirstTitleButton, TitleButtonY);
    QVERIFY2(waitGone(aboutName, 3000), "the close button closes it");

    QTest::qSleep(300);
    clickAt(mainWin, ExitButton.x(), ExitButton.y());
    QVERIFY2(m_app.waitForFinished(5000), "the main window takes input again and its exit button ends the program");
    QCOMPARE(m_app.exitCode(), 0);
}

QTEST_GUILESS_MAIN(ProgramTest)
#include "test_app_program.moc"
