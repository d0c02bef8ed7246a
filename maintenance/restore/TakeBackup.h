// Taking a backup from a window: with a progress window that can cancel it,
// and the automatic one of the day after the login.
#pragma once

class QWidget;

namespace restorewin {

// "备份数据": a backup of the records into the backup folder, with progress
// and cancel; says where it went.
void backupNow(QWidget *owner);

// The first start of a day: backs the records up into the backup folder.
// A failure is reported once in a box and never stops the user's work.
void dailyBackup(QWidget *owner);

} // namespace restorewin
