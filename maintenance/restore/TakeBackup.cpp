#include "maintenance/restore/TakeBackup.h"

#include "backup/Folder.h"
#include "core/Globals.h"
#include "ui/Ui.h"

#include <QDir>

namespace restorewin {

namespace {

// A progress window counting in thousandths of the work.
backup::ProgressFn progressIn(ui::Progress &window, const QString &label)
{
    return [&window, label](qint64 done, qint64 total) {
        return window.step(label, total > 0 ? int(std::min<qint64>(1000, done * 1000 / total)) : 0);
    };
}

} // namespace

void backupNow(QWidget *owner)
{
    if (UserRight != 1) {
        ui::permissionRefused();
        return;
    }
    ui::Progress window(owner, QStringLiteral("备份数据"), QStringLiteral("正在备份数据..."), 1000);
    const backup::Info info = backup::takeInto(backup::placeOf(DataPath), backup::Kind::Manual, QStringLiteral("手动备份"),
                                               progressIn(window, QStringLiteral("正在备份数据...")));
    ui::messageBox(QStringLiteral("备份完成。\n备份文件: %1").arg(QDir::toNativeSeparators(info.path)), QStringLiteral("提示"),
                   ui::Icon::Information, ui::Buttons::Ok, owner);
}

void dailyBackup(QWidget *owner)
{
    const backup::Place place = backup::placeOf(DataPath);
    try {
        if (!backup::dailyDue(backup::folderFor(place.dataDir), QDate::currentDate()))
            return;
        ui::Progress window(owner, QStringLiteral("自动备份"), QStringLiteral("正在进行今天的自动备份..."), 1000);
        backup::takeInto(place, backup::Kind::Daily, QStringLiteral("每日自动备份"),
                         progressIn(window, QStringLiteral("正在进行今天的自动备份...")));
    } catch (const store::Error &e) {
        // The day's work goes on without it: said once, and tried again at
        // the next start.
        ui::messageBox(QStringLiteral("今天的自动备份没有完成: %1\n可以继续工作,请告诉系统管理员。").arg(e.text()),
                       QStringLiteral("提示"), ui::Icon::Warning, ui::Buttons::Ok, owner);
    }
}

} // namespace restorewin
