// The course management window: the courses, the teaching plan of the
// current course, modifying that plan in place and deleting a course with
// its plan.
#pragma once

#include "ui/Form.h"

#include <QLabel>
#include <QTimer>

class TSkinForm;
class TSkinButton;
class TSkinGroupBox;
namespace store {
class TDBEdit;
class TDBGrid;
class TDBNavigator;
} // namespace store

class TForm5_Object : public TForm {
    Q_OBJECT
public:
    explicit TForm5_Object(QWidget *parent = nullptr);

    void Button_AddClick();
    void Button_XiouGaiClick();
    void Button_TiJiaoClick();
    void Button_DelClick();
    void Button_QueryClick();
    void DBEdit6KeyPress(QChar &Key);
public slots:
    void Timer1Timer();

public:
    TSkinForm *skinForm1;
    store::TDBNavigator *Navigator_shao_object;
    QLabel *Label13;
    store::TDBGrid *Grid_shao_Object;
    QLabel *Label1, *Label2;
    store::TDBEdit *Edit_ObjectNo, *Edit_Object_Name;
    QLabel *Label10, *Label11, *Label12;
    TSkinGroupBox *GroupBox_Object_Jh;
    QLabel *Label3, *Label4, *Label5, *Label6, *Label7, *Label8, *Label9;
    store::TDBEdit *DBEdit1, *DBEdit2, *DBEdit3, *DBEdit4, *DBEdit5, *DBEdit6, *DBEdit7;
    TSkinButton *Button_Add, *Button_XiouGai, *Button_Del, *Button_Query, *Button_TiJiao;
    QTimer *Timer1;

private:
    // The plan boxes in the order modify mode opens and submit closes them.
    QList<store::TDBEdit *> planBoxes() const;
};
