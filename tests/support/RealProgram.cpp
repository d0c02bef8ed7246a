#include "tests/support/RealProgram.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

namespace fixture {

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

bool RealProgram::toolsPresent()
{
    for (const char *tool : {"Xvfb", "xdotool"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return false;
    }
    return true;
}

RealProgram::RealProgram(const QStringList &initdbArgs)
{
    const QString bin = qEnvironmentVariable("QUILLMERE_BIN_DIR");
    const QString prog = m_progDir.path() + QStringLiteral("/quillmere");
    if (!QFile::copy(bin + QStringLiteral("/quillmere"), prog))
        return;
    if (QProcess::execute(bin + QStringLiteral("/quillmere-initdb"), QStringList{dataDir()} + initdbArgs) != 0)
        return;

    static int serial = 0;
    const QString display = QStringLiteral(":%1").arg(200 + (QCoreApplication::applicationPid() * 7 + serial++) % 500);
    m_xvfb.start(QStringLiteral("Xvfb"), {display, QStringLiteral("-screen"), QStringLiteral("0"),
                                          QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    if (!m_xvfb.waitForStarted())
        return;
    m_env = QProcessEnvironment::systemEnvironment();
    m_env.insert(QStringLiteral("DISPLAY"), display);
    m_env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    m_env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config.path());
    m_env.insert(QStringLiteral("HOME"), m_config.path()); // a window manager's settings
    QThread::msleep(700);
    m_ready = true;
}

RealProgram::~RealProgram()
{
    kill();
    for (QProcess *p : {&m_wm, &m_xvfb}) {
        if (p->state() != QProcess::NotRunning) {
            p->kill();
            p->waitForFinished();
        }
    }
}

void RealProgram::setEnv(const QString &name, const QString &value)
{
    if (value.isEmpty())
        m_env.remove(name);
    else
        m_env.insert(name, value);
}

bool RealProgram::startWindowManager(const QString &program)
{
    m_wm.setProcessEnvironment(m_env);
    m_wm.start(program, {});
    return m_wm.waitForStarted();
}

void RealProgram::kill()
{
    if (m_app.state() != QProcess::NotRunning) {
        m_app.kill();
        m_app.waitForFinished();
    }
}

bool RealProgram::start()
{
    m_app.setProcessEnvironment(m_env);
    m_app.setWorkingDirectory(m_elsewhere.path());
    m_app.start(m_progDir.path() + QStringLiteral("/quillmere"), {});
    return m_app.waitForStarted();
}

bool RealProgram::startToLogin() { return start() && waitFor(QStringLiteral("^用户登陆$"), 15000); }

QString RealProgram::logIn(const QString &user, const QString &password)
{
    QString login, mainWin;
    if (!waitFor(QStringLiteral("^用户登陆$"), 12000, &login))
        return {};
    // The focus starts in the password box with its text chosen: typing
    // replaces it. Tab chooses the name box's text the same way.
    xdo({QStringLiteral("windowactivate"), QStringLiteral("--sync"), login});
    xdo({QStringLiteral("windowfocus"), QStringLiteral("--sync"), login});
    xdo({QStringLiteral("type"), user});
    xdo({QStringLiteral("key"), QStringLiteral("Tab")});
    xdo({QStringLiteral("type"), password});
    xdo({QStringLiteral("key"), QStringLiteral("alt+e")});
    if (!waitFor(QStringLiteral("Quillmere1.0版$"), 5000, &mainWin) || !waitGone(QStringLiteral("^用户登陆$"), 3000))
        return {};
    return mainWin;
}

QString RealProgram::window(const QString &namePattern)
{
    return run(QStringLiteral("xdotool"),
               {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), namePattern}, m_env)
        .section(u'\n', 0, 0);
}

bool RealProgram::waitFor(const QString &namePattern, int ms, QString *id)
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
        QThread::msleep(100);
    }
    return false;
}

bool RealProgram::waitGone(const QString &namePattern, int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        if (window(namePattern).isEmpty())
            return true;
        QThread::msleep(100);
    }
    return false;
}

void RealProgram::xdo(const QStringList &args) { run(QStringLiteral("xdotool"), args, m_env); }

void RealProgram::clickAt(const QString &windowId, int x, int y)
{
    if (x < 0) {
        const QString geometry = run(QStringLiteral("xdotool"), {QStringLiteral("getwindowgeometry"), windowId}, m_env);
        static const QRegularExpression size(QStringLiteral("Geometry: (\\d+)x(\\d+)"));
        x += size.match(geometry).captured(1).toInt();
    }
    xdo({QStringLiteral("mousemove"), QStringLiteral("--window"), windowId, QString::number(x), QString::number(y)});
    xdo({QStringLiteral("click"), QStringLiteral("1")});
}

} // namespace fixture
