// The real program under a real X server of its own, driven the way a user
// drives it: xdotool finds its windows by caption, types and clicks.
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace fixture {

class RealProgram {
public:
    // Whether Xvfb and xdotool are installed; the test skips otherwise.
    static bool toolsPresent();

    // A program directory of its own holding a copy of the built program and
    // a data directory made by quillmere-initdb with initdbArgs.
    explicit RealProgram(const QStringList &initdbArgs = {});
    ~RealProgram();

    QString programDir() const { return m_progDir.path(); }
    QString dataDir() const { return m_progDir.path() + QStringLiteral("/DB_Files/"); }
    QString configDir() const { return m_config.path(); }
    bool ready() const { return m_ready; }

    // Adds to the program's environment, or removes a variable given an
    // empty value; before start().
    void setEnv(const QString &name, const QString &value);
    // Starts a window manager on the display.
    bool startWindowManager(const QString &program);
    // Starts the program (from another current directory).
    bool start();
    // start() and waits for the login window.
    bool startToLogin();
    // Types a user name and password into the login window and presses 进入;
    // returns the main window's id, or "".
    QString logIn(const QString &user, const QString &password);

    // The first visible window whose caption matches, or "".
    QString window(const QString &namePattern);
    bool waitFor(const QString &namePattern, int ms, QString *id = nullptr);
    bool waitGone(const QString &namePattern, int ms);
    void xdo(const QStringList &args);
    // Clicks at a point of a window, in the window's own coordinates; a
    // negative x counts from its right edge.
    void clickAt(const QString &windowId, int x, int y);

    QProcess &process() { return m_app; }
    void kill();

private:
    QTemporaryDir m_progDir, m_elsewhere, m_config;
    QProcess m_xvfb, m_wm, m_app;
    QProcessEnvironment m_env;
    bool m_ready = false;
};

} // namespace fixture
