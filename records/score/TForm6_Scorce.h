// Score management: the students, the current student's score records, and
// the buttons that add a score, delete the selected one and search.
#pragma once

#include "ui/Form.h"

#include <QLabel>
#include <QListWidget>

class TSkinForm;
class TSkinButton;
namespace store {
class TDBGrid;
class TDBNavigator;
class TDBText;
} // namespace store

class TForm6_Scorce : public TForm {
    Q_OBJECT
public:
    explicit TForm6_Scorce(QWidget *parent = nullptr);

    void FormShow() override;
    void Button_AddClick();
    void Button_DelClick();
    void Button_QueryClick();
    void Button_StatClick();

    TSkinForm *skinForm1;
    store::TDBNavigator *Navigator_Stud_shao;
    store::TDBGrid *Grid_Stud_Shao;
    store::TDBText *DBText2;
    QLabel *Label2;
    store::TDBGrid *DBGrid1;
    TSkinButton *Button_Add, *Button_Del, *Button_Query;
    // An addition below the three: opens the statistics window.
    TSkinButton *Button_Stat;
    QListWidget *ListBox1;
};
