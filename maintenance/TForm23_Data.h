// The data maintenance window: the records in from spreadsheets, a backup
// now, and the restore of one.
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
    // A backup into the backup folder now, with progress and cancel.
    void Button_BackupClick();
    // Opens the restore window, modally.
    void Button_RestoreClick();

    TSkinForm *Form_Data;
    TSkinButton *Button_Import, *Button_Backup, *Button_Restore;
};
