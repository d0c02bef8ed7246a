// Taking a backup from a window: with a progress window that can cancel it,
// and the automatic one of the day after the login.
#pragma once

class QWidget;

namespace restorewin {

// "备份数据": a backup of the records into the backup folder, with progress
// and cancel; says where it went.
void backupNow(QWidget *owner);

// The first start of a day: backs the records up into the backup folder on
// a thread of its own, so the user works on meanwhile (a write waits for
// the backup's read at most the busy timeout). A failure is reported once,
// in a box, when the program next waits for the user.
void dailyBackup(QWidget *owner);
// Waits for the day's backup to end; cancelled: cut short (the end of the
// program). Tests wait for it too.
void waitForDailyBackup(bool cancelled = false);

} // namespace restorewin
