// The data maintenance window: the records in from spreadsheets, and (in
// the rows kept free below) their backups.
#pragma once

#include "ui/Form.h"

class TSkinForm;
class TSkinButton;

class TForm23_Data : public TForm {
    Q_OBJECT
public:
    explicit TForm23_Data(QWidget *parent = nullptr);

    // Opens the import window, modally.
    void Button_ImportClick();

    TSkinForm *Form_Data;
    TSkinButton *Button_Import;
};
