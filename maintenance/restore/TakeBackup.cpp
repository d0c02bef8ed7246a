#include "maintenance/restore/TakeBackup.h"

#include "backup/Folder.h"
#include "core/Globals.h"
#include "ui/Ui.h"

#include <QCoreApplication>
#include <QDir>
#include <QPointer>

#include <atomic>
#include <thread>

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

namespace {

struct Daily {
    std::thread worker;
    std::atomic<bool> cancel{false};
};

Daily &daily()
{
    static Daily d;
    return d;
}

void reportDailyFailure(QPointer<QWidget> owner, const QString &text)
{
    ui::messageBox(QStringLiteral("今天的自动备份没有完成: %1\n可以继续工作,请告诉系统管理员。").arg(text), QStringLiteral("提示"),
                   ui::Icon::Warning, ui::Buttons::Ok, owner.data());
}

} // namespace

void dailyBackup(QWidget *owner)
{
    waitForDailyBackup();
    QPointer<QWidget> box(owner);
    backup::Place place;
    try {
        place = backup::placeOf(DataPath);
        if (!backup::dailyDue(place.folder, QDate::currentDate()))
            return;
    } catch (const store::Error &e) {
        reportDailyFailure(box, e.text());
        return;
    }
    daily().cancel = false;
    // The backup has connections of its own and reads no settings: it runs
    // beside the user's work.
    daily().worker = std::thread([place, box] {
        try {
            backup::takeInto(place, backup::Kind::Daily, QStringLiteral("每日自动备份"),
                             [](qint64, qint64) { return !daily().cancel.load(); });
        } catch (const backup::Cancelled &) {
        } catch (const store::Error &e) {
            const QString text = e.text();
            QMetaObject::invokeMethod(qApp, [box, text] { reportDailyFailure(box, text); }, Qt::QueuedConnection);
        }
    });
}

void waitForDailyBackup(bool cancelled)
{
    if (!daily().worker.joinable())
        return;
    if (cancelled)
        daily().cancel = true;
    daily().worker.join();
}

} // namespace restorewin
