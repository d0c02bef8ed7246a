// The class management window: browse the classes, delete one, and open the
// add and search dialogs. Classes are never changed in place.
#pragma once

#include "ui/Form.h"

#include <QLabel>
#include <QTimer>

class TSkinForm;
class TSkinButton;
namespace store {
class TDBEdit;
class TDBGrid;
class TDBNavigator;
} // namespace store

class TForm4_Class : public TForm {
    Q_OBJECT
public:
    explicit TForm4_Class(QWidget *parent = nullptr);

    void Button_AddClick();
    void Button_DelClick();
    void Button_QueryClick();
public slots:
    void Timer1Timer();

public:
    TSkinForm *skinForm1;
    store::TDBNavigator *Navigator_Class;
    QLabel *Label6;
    store::TDBGrid *Grid_Class;
    QLabel *Label1, *Label2;
    store::TDBEdit *Edit_ClassNo, *Edit_ClassName;
    QLabel *Label3, *Label4, *Label5;
    TSkinButton *Button_Add, *Button_Del, *Button_Query;
    QTimer *Timer1;
};
