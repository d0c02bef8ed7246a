// The add-course window: adds courses one after another, each with its
// teaching-plan record.
#pragma once

#include "ui/Form.h"

#include <QLabel>

class TSkinForm;
class TSkinButton;
class TSkinEdit;
class TSkinGroupBox;
class TSkinListBox;

class TForm13_Add_Object : public TForm {
    Q_OBJECT
public:
    explicit TForm13_Add_Object(QWidget *parent = nullptr);

    void FormShow() override;
    void Edit_New_ObjectNoExit();
    void Edit_New_XueFenKeyPress(QChar &Key);
    void Button_OKClick();
    void Button_CancelClick();

    TSkinForm *skinForm1;
    QLabel *Label1, *Label2, *Label3;
    TSkinListBox *ListBox_Object;
    TSkinEdit *Edit_New_ObjectNo, *Edit_New_Object_Name;
    TSkinGroupBox *skinGroupBox1;
    QLabel *Label4, *Label5, *Label6, *Label7, *Label8, *Label9;
    TSkinEdit *Edit_New_Total, *Edit_New_JiangKe, *Edit_New_ShiYan, *Edit_New_ShangJi, *Edit_New_XueFen,
        *Edit_New_KaiKeXueQi;
    TSkinButton *Button_OK, *Button_Cancel;
};
