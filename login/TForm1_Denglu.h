// The login window: the first window, and the application's main window:
// closing it ends the program.
#pragma once

#include "ui/Form.h"

#include <QLabel>

#include <functional>

class TSkinForm;
class TSkinEdit;
class TSkinButton;

class TForm1_Denglu : public TForm {
    Q_OBJECT
public:
    explicit TForm1_Denglu(QWidget *parent = nullptr);

    // Creation handler: works out DataPath and EnginePath and registers the
    // engine directory.
    void FormCreate();
    // Writes the engine's registry values for this engine directory.
    static void RegisterEngine(const QString &enginePath);
    // Runs once the user is logged in and the main window is up (the
    // program's start-up sets it: the day's automatic backup).
    static inline std::function<void()> afterLogin;
    void Button_enterClick();
    void Button_CancelClick();

    TSkinForm *Form_Denglu;
    QLabel *Label3, *Label2;
    TSkinEdit *Edit_Name, *Edit_PassWord;
    TSkinButton *Button_enter, *Button_Cancel;

protected:
    void closeEvent(QCloseEvent *e) override;

private:
    // Opens the records under the typed user name and password; false when
    // the server refuses them.
    bool logInOnServer();
};
