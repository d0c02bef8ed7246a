// The student search dialog: finds students by one of eight fields through
// the shared query and shows the result; it never changes a record.
#pragma once

#include "ui/Form.h"

#include <QLabel>
#include <QTimer>

class TSkinForm;
class TSkinButton;
class TSkinEdit;
class TSkinComboBox;
namespace store {
class TDBEdit;
class TDBGrid;
class TDBNavigator;
} // namespace store

class TForm10_Query_Stud : public TForm {
    Q_OBJECT
public:
    explicit TForm10_Query_Stud(QWidget *parent = nullptr);

    // Runs the search for the chosen criterion; with none chosen the last
    // result stays.
    void Button_QueryClick();

    TSkinForm *Form_Query_Stud;
    QLabel *Label1, *Label2;
    TSkinComboBox *ComboBox_Query;
    TSkinEdit *Edit_For_Query;
    TSkinButton *Button_Query;
    QLabel *Label3, *Label4, *Label5, *Label6, *Label7, *Label8, *Label9, *Label10, *Label11, *Label12;
    store::TDBEdit *DBEdit1, *DBEdit2, *DBEdit3, *DBEdit4, *DBEdit5, *DBEdit6, *DBEdit7, *DBEdit8, *DBEdit9,
        *DBEdit10;
    store::TDBNavigator *Navigator_Query;
    store::TDBGrid *Grid_Query;
    QLabel *Label_QueryStud_No, *Label13, *Label_QueryStud_Num, *Label14;
    QTimer *Timer1;

public slots:
    // Copies the query's record number and count into the status line.
    void Timer1Timer();
};
