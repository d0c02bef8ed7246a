// Adding score records for the current student: a subject from the course
// names and three whole numbers per record; stays open for the next one.
#pragma once

#include "ui/Form.h"
#include "data/Recheck.h"

#include <QLabel>

class TSkinForm;
class TSkinButton;
class TSkinComboBox;
class TSkinEdit;
namespace store {
class TDBGrid;
class TDBNavigator;
class TDBText;
} // namespace store

class TForm15_Add_Scroce : public TForm {
    Q_OBJECT
public:
    explicit TForm15_Add_Scroce(QWidget *parent = nullptr);

    void FormShow() override;
    void Button_OKClick();
    void Button_CancelClick();
    // Shared by the three number boxes; a null Key discards the character.
    void Edit_New_ScroceKeyPress(QChar &Key);

    TSkinForm *skinForm1;
    store::TDBText *DBText1;
    QLabel *Label1;
    store::TDBNavigator *DBNavigator1;
    store::TDBGrid *Grid_Scroce_New;
    QLabel *Label2;
    TSkinComboBox *ComboBox_Kecheng_New;
    QLabel *Label3;
    TSkinEdit *Edit_New_Scroce;
    QLabel *Label4;
    TSkinEdit *Edit_New_BuKao1;
    QLabel *Label5;
    TSkinEdit *Edit_New_BuKao2;
    TSkinButton *Button_OK, *Button_Cancel;

private:
    // The student the window was opened for: each addition is for that
    // student, as long as it is stored as it was shown.
    store::ShownRecord m_student;
};
