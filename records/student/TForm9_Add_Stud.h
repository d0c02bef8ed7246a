// The student registration dialog: registers new students one after another.
// Its opener checks the rights; the controls keep their contents between
// registrations and openings.
#pragma once

#include "ui/Form.h"

#include "ui/DatePicker.h"
#include <QLabel>

class TSkinForm;
class TSkinButton;
class TSkinEdit;
class TSkinComboBox;

class TForm9_Add_Stud : public TForm {
    Q_OBJECT
public:
    explicit TForm9_Add_Stud(QWidget *parent = nullptr);

    // Rebuilds the class list; no class is chosen afterwards.
    void FormShow() override;
    // Warns about a number that is already taken and empties the box.
    void Edit_New_StudNoExit();
    void Button_OKClick();
    void Button_CancelClick();

    TSkinForm *Form_Add_Stud;
    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7, *Label8, *Label9, *Label10;
    TSkinEdit *Edit_New_StudNo, *Edit_New_Stud_Name, *Edit_New_JIGuan, *Edit_New_Caption, *Edit_New_Xi,
        *Edit_New_ZhuanYe;
    TSkinButton *Button_OK, *Button_Cancel;
    TSkinComboBox *ComboBox_New_Sex, *ComboBox_New_Class;
    TDateTimePicker *DateTime_New_Brothday, *DateTime_New_EnterShool;
};
