// The course search window: finds courses by number or name and shows the
// teaching plan of the found course that is current.
#pragma once

#include "ui/Form.h"

#include <QLabel>
#include <QTimer>

class TSkinForm;
class TSkinButton;
class TSkinComboBox;
class TSkinEdit;
namespace store {
class TDBEdit;
class TDBGrid;
class TDBNavigator;
} // namespace store

class TForm14_Object_Query : public TForm {
    Q_OBJECT
public:
    explicit TForm14_Object_Query(QWidget *parent = nullptr);

    void Button_Object_QueryClick();
public slots:
    void Timer1Timer();

public:
    TSkinForm *skinForm1;
    QLabel *Label1;
    TSkinComboBox *ComboBox_Object_Query;
    QLabel *Label2;
    TSkinEdit *Edit_Object_Query;
    TSkinButton *Button_Object_Query;
    store::TDBNavigator *DBNavigator1;
    QLabel *Label13, *Label10, *Label11, *Label12;
    store::TDBGrid *DBGrid1;
    QLabel *Label3, *Label4, *Label5, *Label6, *Label7, *Label8, *Label9;
    store::TDBEdit *DBEdit1, *DBEdit2, *DBEdit3, *DBEdit4, *DBEdit5, *DBEdit6, *DBEdit7;
    QTimer *Timer1;
};
