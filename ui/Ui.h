// The one place every message box and every modal showing goes through, so
// that the program and its tests agree on what the user was shown.
#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

namespace ui {

enum class Icon { Information, Warning, Error, Question };
enum class Buttons { Ok, OkCancel, YesNo };
enum Answer { IdOk = 1, IdCancel = 2, IdYes = 6, IdNo = 7 };

struct ShownBox {
    QString text;
    QString title;
    Icon icon;
    Buttons buttons;
    QWidget *owner;
};

// Shows a message box and returns the answer (IdOk, IdYes, ...).
int messageBox(const QString &text, const QString &title, Icon icon,
               Buttons buttons = Buttons::Ok, QWidget *owner = nullptr);

// "您没有足够的操作权限,请与系统管理员联系!" titled "提示".
void permissionRefused();

// The standard error box: the text (with a full stop appended unless it ends
// in a character that sorts at or before "."), titled with the application
// title, error icon, OK.
void showStandardError(const QString &text);
QString standardErrorText(const QString &text);

// Tests replace the real boxes: the script sees each box and returns the answer.
using BoxScript = std::function<int(const ShownBox &)>;
void setMessageBoxScript(BoxScript script);

// The application title: the title of the standard error box.
void setApplicationTitle(const QString &title);
QString applicationTitle();

// Ends the program (closing the login window does this). Tests replace it.
void endProgram();
void setEndProgramHook(std::function<void()> hook);

// Shows a window modally and returns when it is hidden again.
void showModal(QWidget *window);
// Tests replace the nested loop: the script runs while the window is shown,
// and the window is hidden afterwards.
using ModalScript = std::function<void(QWidget *)>;
void setModalScript(ModalScript script);
// Tests: a scripted box or modal window still runs a real nested loop for ms
// milliseconds, with events flowing, before its script answers; 0 (the
// default): the script answers at once.
void setScriptedLoop(int ms);

} // namespace ui

class QDialog;
class QProgressDialog;

namespace ui {

// Runs a dialog modally (a print or file dialog, any QDialog the program
// builds): what the action wrote is stored first, and the events the dialog's
// loop dispatches are actions of their own. Returns the dialog's result
// (QDialog::Accepted, QDialog::Rejected, or what done() was given).
int execDialog(QDialog *dialog);
// Tests replace the dialog's loop: the script gets the dialog, set up but not
// shown, and returns the result the user would have given it.
using DialogScript = std::function<int(QDialog *)>;
void setDialogScript(DialogScript script);

// A progress window for a long handler. It shows itself only when the work
// takes a while and runs no loop of its own: each step keeps the windows
// painting and, once it shows (blocking the other windows), takes its cancel
// click. The events a step dispatches are actions of their own, as in a
// message box's loop, and what the handler wrote is stored first; before the
// window shows, the user's clicks and keys wait.
class Progress {
public:
    // total: the number of steps to expect; 0 when it is not known.
    Progress(QWidget *owner, const QString &title, const QString &label, int total);
    ~Progress();
    Progress(const Progress &) = delete;
    Progress &operator=(const Progress &) = delete;
    // Shows how far the work is; false once the user has cancelled.
    bool step(const QString &label, int done);

private:
    std::unique_ptr<QProgressDialog> m_dialog;
    int m_total;
};

} // namespace ui

namespace ui {

// A file to open or to save, chosen in the file dialog (through execDialog).
struct FileChoice {
    bool save = false;
    QString title;
    QString suggested; // the name offered first (save) or the folder to start in
    QString filter;    // "Excel 文件 (*.xlsx)"
    QWidget *owner = nullptr;
};
// The chosen file; empty when the user cancelled.
QString chooseFile(const FileChoice &choice);
// Tests answer instead of the dialog: the script gets the request and
// returns the file name (empty: cancelled).
using FileScript = std::function<QString(const FileChoice &)>;
void setFileScript(FileScript script);

} // namespace ui
