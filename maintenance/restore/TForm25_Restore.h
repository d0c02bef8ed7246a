// The restore window "恢复数据" (administrators only): the backups in the
// backup folder, or another backup file, put back in place of the records
// after one question that shows what will change.
#pragma once

#include "ui/Form.h"

class QLabel;
class QTreeWidget;
class TSkinButton;
class TSkinForm;

class TForm25_Restore : public TForm {
    Q_OBJECT
public:
    explicit TForm25_Restore(QWidget *parent = nullptr);

    // Reads the backup folder again.
    void fillList();
    void Button_OpenClick();
    void Button_RestoreClick();
    void Button_CloseClick();

    TSkinForm *Form_Restore;
    QLabel *Label_Folder;
    QTreeWidget *List_Backups;
    TSkinButton *Button_Open, *Button_Restore, *Button_Close;

protected:
    void FormShow() override;

private:
    // The file chosen: the selected line, or the one opened.
    QString chosenFile() const;
};
