// Score search: students found by one of six fields, the scores of the found
// student that is current, and that student's total and average first score.
#pragma once

#include "ui/Form.h"

#include <QLabel>

class TSkinForm;
class TSkinButton;
class TSkinComboBox;
class TSkinEdit;
class TSkinGroupBox;
namespace store {
class TDBGrid;
class TDBNavigator;
class TDBText;
} // namespace store

class TForm16_Scroce_Query : public TForm {
    Q_OBJECT
public:
    explicit TForm16_Scroce_Query(QWidget *parent = nullptr);

    void skinButton1Click();
    // Runs once the student grid has made the pressed row current.
    void DBGrid2MouseDown();

    TSkinForm *skinForm1;
    QLabel *Label1;
    TSkinComboBox *ComboBox_Query_Scroce;
    QLabel *Label2;
    TSkinEdit *Edit_StudName;
    TSkinButton *skinButton1;
    store::TDBNavigator *DBNavigator2;
    QLabel *Label6, *Label7, *Label8;
    store::TDBGrid *DBGrid2;
    store::TDBNavigator *DBNavigator1;
    store::TDBText *DBText1;
    QLabel *Label3;
    store::TDBGrid *DBGrid1;
    TSkinGroupBox *skinGroupBox1;
    QLabel *Label4;
    TSkinEdit *Edit_PingJun;
    QLabel *Label5;
    TSkinEdit *Edit_Total;

private:
    // Total and average of the first scores of the current found student.
    void showStatistics();
};
