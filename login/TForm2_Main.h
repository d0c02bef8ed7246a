// The main window: the column of buttons that opens every other window.
#pragma once

#include "ui/Form.h"

#include <QLabel>

class TSkinForm;
class TSkinButton;

class TForm2_Main : public TForm {
    Q_OBJECT
public:
    explicit TForm2_Main(QWidget *parent = nullptr);

    void Button_studClick();
    void Button_ClassClick();
    void Button_ObjectClick();
    void Button_ScorceClick();
    void Button_LoginClick();
    void Button_ReporterClick();
    void skinButton1Click();
    void Button_ExitClick();
    // Imports (and backups) of the records: administrators only.
    void Button_DataClick();

    TSkinForm *Form_Main;
    QLabel *Image1;
    QWidget *FlatPanel1;
    TSkinButton *Button_stud, *Button_Class, *Button_Object, *Button_Scorce, *Button_Login, *Button_Reporter,
        *skinButton1, *Button_Exit, *Button_Data;

protected:
    void resizeEvent(QResizeEvent *e) override;
};
