#include "maintenance/TForm23_Data.h"

#include "maintenance/TForm24_Import.h"
#include "maintenance/restore/TakeBackup.h"
#include "skin/SkinButton.h"
#include "skin/SkinForm.h"
#include "ui/ButtonColumn.h"
#include "ui/Instances.h"

TForm23_Data::TForm23_Data(QWidget *parent) : TForm(parent)
{
    const QString caption = QStringLiteral("数据维护");
    design(QStringLiteral("Form23_Data"), caption, QSize(284, 192));
    move(283, 159);
    Form_Data = new TSkinForm(this, caption, {TitleButtonType::ControlBox, TitleButtonType::Close, TitleButtonType::Min});

    QFont buttonFont(QStringLiteral("宋体"));
    buttonFont.setPixelSize(12);
    const ButtonRow<TForm23_Data> rows[] = {
        {&Button_Import, "Button_Import", "导入数据 &I", 44, &TForm23_Data::Button_ImportClick},
        {&Button_Backup, "Button_Backup", "备份数据 &B", 82, &TForm23_Data::Button_BackupClick},
        {&Button_Restore, "Button_Restore", "恢复数据 &R", 120, &TForm23_Data::Button_RestoreClick},
    };
    addButtonColumn(this, {24, 120, 23, buttonFont}, rows);
}

void TForm23_Data::Button_ImportClick()
{
    if (Form24_Import)
        Form24_Import->showModal();
}

void TForm23_Data::Button_BackupClick() { restorewin::backupNow(this); }

void TForm23_Data::Button_RestoreClick()
{
    if (Form25_Restore)
        Form25_Restore->showModal();
}
