// Account management: the administrator sees the account table, adds an
// account of either rights level and deletes the current one. The main window
// shows it only to an administrator; the window itself checks no rights.
#pragma once

#include "ui/Form.h"

#include <QLabel>

class TSkinForm;
class TSkinEdit;
class TSkinButton;
class TSkinComboBox;
namespace store {
class TDBGrid;
class TDBNavigator;
} // namespace store

class TForm7_Login : public TForm {
    Q_OBJECT
public:
    explicit TForm7_Login(QWidget *parent = nullptr);

    void Button_AddClick();
    void Button_DelClick();
    void Button_OutClick();

    TSkinForm *Form_Login;
    store::TDBNavigator *DBNavigator1;
    store::TDBGrid *DBGrid1;
    QLabel *Label1, *Label3, *Label2;
    TSkinComboBox *skinComboBox1;
    TSkinEdit *Edit_Name, *Edit_PassWord_Login;
    TSkinButton *Button_Add, *Button_Del, *Button_Out;
};
