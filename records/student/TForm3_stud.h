// The student management window: browse the students, change one in place,
// delete one together with all of that student's scores, and open the
// registration and search dialogs.
#pragma once

#include "ui/Form.h"

#include <QLabel>
#include <QTimer>

class TSkinForm;
class TSkinButton;
namespace store {
class TDBEdit;
class TDBComboBox;
class TDBGrid;
class TDBNavigator;
} // namespace store

class TForm3_stud : public TForm {
    Q_OBJECT
public:
    explicit TForm3_stud(QWidget *parent = nullptr);

    // Refills the class list from the class table.
    void FormShow() override;
    void Button_AddClick();
    void Button_XiouGaiClick();
    void Button_Stud_PostClick();
    void Button_DelClick();
    void Button_QueryClick();

    TSkinForm *Form_Stud;
    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7, *Label8, *Label9, *Label10;
    store::TDBEdit *Edit_XueHao, *Edit_Name, *Edit_JiGuan, *Edit_Caption, *Edit_BrothDay, *Edit_EnterSchoo,
        *Edit_Partion, *Edit_ZhuanYe;
    store::TDBComboBox *ComboBox_Sex, *DbComboBox_Class;
    store::TDBGrid *Grid_Stud;
    store::TDBNavigator *Navigator_Stud;
    TSkinButton *Button_Add, *Button_XiouGai, *Button_Del, *Button_Query, *Button_Stud_Post;
    QLabel *Label14, *Label11, *Label12, *Label13;
    QTimer *Timer1;

public slots:
    // Copies the student table's record number and count into the status line.
    void Timer1Timer();

private:
    // The mode lives in the controls: read-only in browse mode, editable in
    // modify mode.
    void setFieldsReadOnly(bool readOnly);
    // The class the student had when modify began.
    QString m_classBeforeEdit;
};
