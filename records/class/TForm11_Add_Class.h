// The add-class dialog: adds classes one after another and lists the classes
// that existed when it opened.
#pragma once

#include "ui/Form.h"

#include <QLabel>

class TSkinForm;
class TSkinButton;
class TSkinEdit;
class TSkinListBox;

class TForm11_Add_Class : public TForm {
    Q_OBJECT
public:
    explicit TForm11_Add_Class(QWidget *parent = nullptr);

    void FormShow() override;
    void Edit_New_ClassNoExit();
    void Button_OKClick();
    void Button_CancelClick();

    TSkinForm *skinForm1;
    QLabel *Label1, *Label2, *Label3;
    TSkinEdit *Edit_New_Class;
    TSkinButton *Button_OK;
    TSkinListBox *ListBox_Class;
    TSkinButton *Button_Cancel;
    TSkinEdit *Edit_New_ClassNo;

protected:
    void resizeEvent(QResizeEvent *e) override;
    void showEvent(QShowEvent *e) override;

private:
    void keepDesignedFrame();
    bool m_resized = false;
};
