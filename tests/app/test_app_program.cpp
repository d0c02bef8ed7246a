// The real program, started from a program directory of its own under a
// real X server: splash, login window, keyboard login, main window, exit.
#include <QDir>
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

private:
    QString window(const QString &namePattern);
    bool waitFor(const QString &namePattern, int ms, QString *id = nullptr);
    bool waitGone(const QString &namePattern, int ms);
    QProcessEnvironment m_x;
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

void ProgramTest::startLoginAndExit()
{
    for (const char *tool : {"Xvfb", "xdotool"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            QSKIP("needs Xvfb and xdotool (scripts/setup installs them)");
    }
    const QString bin = qEnvironmentVariable("QUILLMERE_BIN_DIR");
    QVERIFY2(QFile::exists(bin + QStringLiteral("/quillmere")), "the program is built beside the tests");

    // A program directory of its own, and another current directory.
    QTemporaryDir progDir, elsewhere, config;
    const QString prog = progDir.path() + QStringLiteral("/quillmere");
    QVERIFY(QFile::copy(bin + QStringLiteral("/quillmere"), prog));
    QVERIFY(QProcess::execute(bin + QStringLiteral("/quillmere-initdb"), {progDir.path() + QStringLiteral("/DB_Files")}) == 0);

    const QString display = QStringLiteral(":%1").arg(200 + QCoreApplication::applicationPid() % 300);
    QProcess xvfb;
    xvfb.start(QStringLiteral("Xvfb"), {display, QStringLiteral("-screen"), QStringLiteral("0"),
                                        QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    QVERIFY(xvfb.waitForStarted());
    auto stopX = qScopeGuard([&] {
        xvfb.kill();
        xvfb.waitForFinished();
    });
    m_x = QProcessEnvironment::systemEnvironment();
    m_x.insert(QStringLiteral("DISPLAY"), display);
    m_x.remove(QStringLiteral("QT_QPA_PLATFORM"));
    m_x.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    QTest::qSleep(700);

    QProcess app;
    app.setProcessEnvironment(m_x);
    app.setWorkingDirectory(elsewhere.path());
    app.start(prog, {});
    QVERIFY(app.waitForStarted());
    auto stopApp = qScopeGuard([&] {
        if (app.state() != QProcess::NotRunning) {
            app.kill();
            app.waitForFinished();
        }
    });

    QElapsedTimer since;
    QVERIFY2(waitFor(QStringLiteral("^Form_Flash$"), 5000), "the splash window shows");
    since.start();
    QString login;
    QVERIFY2(waitFor(QStringLiteral("^用户登陆$"), 12000, &login), "the login window follows");
    QVERIFY2(since.elapsed() >= 3500, "the splash stays for the fixed wait");
    QVERIFY(window(QStringLiteral("^Form_Flash$")).isEmpty());

    // The engine was registered for this program directory.
    QFile hive(config.path() + QStringLiteral("/quillmere/HKEY_LOCAL_MACHINE.reg"));
    QVERIFY(hive.open(QIODevice::ReadOnly));
    const QString hiveText = QString::fromUtf8(hive.readAll());
    QVERIFY2(hiveText.contains(QStringLiteral("\"DLLPath\"=\"%1/BDE_Drivers/\"").arg(progDir.path())), qPrintable(hiveText));

    // Log in with the keyboard: the focus starts in the password box.
    auto xdo = [&](const QStringList &args) { run(QStringLiteral("xdotool"), args, m_x); };
    xdo({QStringLiteral("windowfocus"), QStringLiteral("--sync"), login});
    xdo({QStringLiteral("key"), QStringLiteral("ctrl+a")});
    xdo({QStringLiteral("type"), QStringLiteral("admin")});
    xdo({QStringLiteral("key"), QStringLiteral("Tab"), QStringLiteral("ctrl+a")});
    xdo({QStringLiteral("type"), QStringLiteral("admin")});
    xdo({QStringLiteral("key"), QStringLiteral("alt+e")});
    QString mainWin;
    QVERIFY2(waitFor(QStringLiteral("Quillmere1.0版$"), 5000, &mainWin), "the main window opens after the login");
    QVERIFY(waitGone(QStringLiteral("^用户登陆$"), 3000));

    // "退出系统" ends the program at once.
    xdo({QStringLiteral("mousemove"), QStringLiteral("--window"), mainWin, QStringLiteral("60"), QStringLiteral("431")});
    xdo({QStringLiteral("click"), QStringLiteral("1")});
    QVERIFY2(app.waitForFinished(5000), "the exit button ends the program");
    QCOMPARE(app.exitStatus(), QProcess::NormalExit);
    QCOMPARE(app.exitCode(), 0);
}

QTEST_GUILESS_MAIN(ProgramTest)
#include "test_app_program.moc"
