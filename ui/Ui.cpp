#include "ui/Ui.h"

#include "core/Action.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

namespace ui {

namespace {

BoxScript &boxScript()
{
    static BoxScript s;
    return s;
}

ModalScript &modalScript()
{
    static ModalScript s;
    return s;
}

// Ends a nested loop when its window is hidden (or destroyed). Minimising
// sends a hide event too, from the window system; the window is still shown
// then and its modal showing goes on until it is closed.
class HideWatcher : public QObject {
public:
    HideWatcher(QWidget *w, QEventLoop *loop) : m_loop(loop) { w->installEventFilter(this); }
    bool eventFilter(QObject *, QEvent *e) override
    {
        if ((e->type() == QEvent::Hide && !e->spontaneous()) || e->type() == QEvent::Destroy)
            m_loop->quit();
        return false;
    }

private:
    QEventLoop *m_loop;
};

int scriptedLoopMs = 0;

// What a scripted box or modal window does while it is up: in tests that ask
// for it, a real nested loop runs for a moment with events flowing (timers,
// posted calls), as under a real one.
void spinScriptedLoop()
{
    if (scriptedLoopMs <= 0)
        return;
    QEventLoop loop;
    QTimer::singleShot(scriptedLoopMs, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::DialogExec);
}

} // namespace

void setMessageBoxScript(BoxScript script) { boxScript() = std::move(script); }

void setModalScript(ModalScript script) { modalScript() = std::move(script); }

void setScriptedLoop(int ms) { scriptedLoopMs = ms; }

int messageBox(const QString &text, const QString &title, Icon icon, Buttons buttons, QWidget *owner)
{
    const ShownBox box{text, title, icon, buttons, owner};
    // What the action wrote is stored before the user reads about it; if that
    // fails, the failure is reported instead of this box.
    action::handOver();
    if (boxScript()) {
        action::NestedLoop nested;
        spinScriptedLoop();
        const int answer = boxScript()(box);
        spinScriptedLoop();
        return answer;
    }

    QMessageBox mb(owner);
    mb.setWindowTitle(title);
    mb.setText(text);
    switch (icon) {
    case Icon::Information: mb.setIcon(QMessageBox::Information); break;
    case Icon::Warning: mb.setIcon(QMessageBox::Warning); break;
    case Icon::Error: mb.setIcon(QMessageBox::Critical); break;
    case Icon::Question: mb.setIcon(QMessageBox::Question); break;
    }
    switch (buttons) {
    case Buttons::Ok:
        mb.setStandardButtons(QMessageBox::Ok);
        break;
    case Buttons::OkCancel:
        mb.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case Buttons::YesNo:
        mb.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    }
    const std::pair<QMessageBox::StandardButton, QString> captions[] = {
        {QMessageBox::Ok, QStringLiteral("确定")},
        {QMessageBox::Cancel, QStringLiteral("取消")},
        {QMessageBox::Yes, QStringLiteral("是(&Y)")},
        {QMessageBox::No, QStringLiteral("否(&N)")},
    };
    for (const auto &[id, caption] : captions) {
        if (QAbstractButton *b = mb.button(id))
            b->setText(caption);
    }
    int result;
    {
        action::NestedLoop nested;
        result = mb.exec();
    }
    switch (result) {
    case QMessageBox::Yes: return IdYes;
    case QMessageBox::No: return IdNo;
    case QMessageBox::Cancel: return IdCancel;
    default: return buttons == Buttons::YesNo ? IdNo : (buttons == Buttons::OkCancel && mb.clickedButton() == nullptr ? IdCancel : IdOk);
    }
}

void permissionRefused()
{
    messageBox(QStringLiteral("您没有足够的操作权限,请与系统管理员联系!"), QStringLiteral("提示"), Icon::Information);
}

QString standardErrorText(const QString &text)
{
    if (!text.isEmpty() && text.back() <= QChar(u'.'))
        return text;
    return text + u'.';
}

namespace {
QString &titleStore()
{
    static QString t;
    return t;
}
std::function<void()> &endHook()
{
    static std::function<void()> h;
    return h;
}
} // namespace

void setApplicationTitle(const QString &title) { titleStore() = title; }

QString applicationTitle() { return titleStore(); }

void endProgram()
{
    if (endHook())
        endHook()();
    else
        QCoreApplication::quit();
}

void setEndProgramHook(std::function<void()> hook) { endHook() = std::move(hook); }

namespace {

// One failure, one box (see Guard.h).
struct Failures {
    int boxesUp = 0;              // failure boxes on the screen now
    bool shown = false;           // one was shown ...
    unsigned long long since = 0; // ... and closed when the user had started this many actions
};

Failures &failures()
{
    static Failures f;
    return f;
}

bool failureWorthABox()
{
    const Failures &f = failures();
    if (f.boxesUp > 0)
        return false; // the box up says what the clerk needs to know
    // Code run outside any dispatch (start-up, a test calling a handler)
    // reports everything; a timer's or a repaint's failure is the same one
    // again until the user takes up work.
    if (!action::dispatching() || action::startedByUser())
        return true;
    return !(f.shown && f.since == action::userActions());
}

} // namespace

void showStandardError(const QString &text)
{
    // The action that failed leaves nothing behind, and the box commits
    // nothing of it.
    action::abort();
    if (!failureWorthABox()) {
        qWarning("%s", qPrintable(text));
        return;
    }
    Failures &f = failures();
    ++f.boxesUp;
    try {
        messageBox(standardErrorText(text), applicationTitle(), Icon::Error);
    } catch (...) {
        --f.boxesUp;
        throw;
    }
    --f.boxesUp;
    f.shown = true;
    f.since = action::userActions();
}

void showModal(QWidget *window)
{
    action::handOver();
    action::NestedLoop nested;
    if (modalScript()) {
        window->setWindowModality(Qt::ApplicationModal);
        window->show();
        spinScriptedLoop();
        modalScript()(window);
        spinScriptedLoop();
        window->hide();
        return;
    }
    // The window the user worked in gets the keyboard back afterwards, also
    // where no window manager hands it back.
    QPointer<QWidget> previous = QApplication::activeWindow();
    window->setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    HideWatcher watcher(window, &loop);
    // Closed while minimised, it opens again as it was before.
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
    if (window->isVisible())
        loop.exec(QEventLoop::DialogExec);
    window->setWindowModality(Qt::NonModal);
    if (previous && previous != window && previous->isVisible())
        previous->activateWindow();
}

} // namespace ui

#include <QDialog>
#include <QProgressDialog>

#include <algorithm>

namespace ui {

namespace {

DialogScript &dialogScript()
{
    static DialogScript s;
    return s;
}

} // namespace

void setDialogScript(DialogScript script) { dialogScript() = std::move(script); }

int execDialog(QDialog *dialog)
{
    action::handOver();
    action::NestedLoop nested;
    if (dialogScript()) {
        const int result = dialogScript()(dialog);
        dialog->setResult(result);
        return result;
    }
    return dialog->exec();
}

Progress::Progress(QWidget *owner, const QString &title, const QString &label, int total)
    : m_dialog(std::make_unique<QProgressDialog>(owner)), m_total(std::max(0, total))
{
    m_dialog->setWindowTitle(title);
    m_dialog->setLabelText(label);
    m_dialog->setCancelButtonText(QStringLiteral("取消"));
    m_dialog->setRange(0, m_total);
    m_dialog->setMinimumDuration(400);
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    // A modal progress dialog dispatches events when its value is set: that
    // happens inside step(), under the nested loop's bookkeeping.
    m_dialog->setWindowModality(Qt::ApplicationModal);
}

Progress::~Progress() { m_dialog->close(); }

bool Progress::step(const QString &label, int done)
{
    action::handOver();
    action::NestedLoop nested;
    m_dialog->setLabelText(label);
    if (m_total > 0)
        m_dialog->setValue(std::clamp(done, 0, m_total));
    QCoreApplication::processEvents(m_dialog->isVisible() ? QEventLoop::AllEvents
                                                          : QEventLoop::ExcludeUserInputEvents);
    return !m_dialog->wasCanceled();
}

} // namespace ui

namespace ui {

namespace {

FileScript &fileScript()
{
    static FileScript script;
    return script;
}

} // namespace

void setFileScript(FileScript script) { fileScript() = std::move(script); }

QString chooseFile(const FileChoice &choice)
{
    if (fileScript()) {
        action::handOver();
        action::NestedLoop nested;
        return fileScript()(choice);
    }
    QFileDialog dialog(choice.owner, choice.title, choice.suggested, choice.filter);
    dialog.setAcceptMode(choice.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(choice.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (execDialog(&dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

} // namespace ui
