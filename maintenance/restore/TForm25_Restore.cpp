#include "maintenance/restore/TForm25_Restore.h"

#include "backup/Folder.h"
#include "core/Globals.h"
#include "db/Engines.h"
#include "skin/SkinButton.h"
#include "skin/SkinForm.h"
#include "ui/Guard.h"
#include "ui/Ui.h"

#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>

namespace {

const QString Caption = QStringLiteral("恢复数据");

enum Column { Date, Time, Source, Students, Scores, Reason, Columns };

QTreeWidgetItem *itemFor(const backup::Info &info)
{
    auto *item = new QTreeWidgetItem;
    item->setText(Date, info.takenAt.date().toString(QStringLiteral("yyyy-MM-dd")));
    item->setText(Time, info.takenAt.time().toString(QStringLiteral("HH:mm:ss")));
    item->setText(Source, info.engineText());
    item->setText(Students, QString::number(info.tables.front().records));
    item->setText(Scores, QString::number(info.records(QStringLiteral("学生成绩表"))));
    item->setText(Reason, info.reason);
    item->setData(0, Qt::UserRole, info.path);
    item->setToolTip(0, QDir::toNativeSeparators(info.path));
    return item;
}

backup::ProgressFn progressIn(ui::Progress &window)
{
    return [&window](qint64 done, qint64 total) {
        return window.step(QStringLiteral("正在恢复数据..."), total > 0 ? int(std::min<qint64>(1000, done * 1000 / total)) : 0);
    };
}

} // namespace

TForm25_Restore::TForm25_Restore(QWidget *parent) : TForm(parent)
{
    const QFont f = design(QStringLiteral("Form25_Restore"), Caption, QSize(520, 330));
    centreOnScreen();
    Form_Restore = new TSkinForm(this, Caption, {TitleButtonType::ControlBox, TitleButtonType::Close});

    Label_Folder = addNamedLabel("Label_Folder", QString(), 12, 32);
    List_Backups = new QTreeWidget(this);
    List_Backups->setObjectName(QStringLiteral("List_Backups"));
    List_Backups->setGeometry(12, 52, 496, 228);
    List_Backups->setFont(f);
    List_Backups->setRootIsDecorated(false);
    List_Backups->setColumnCount(Columns);
    List_Backups->setHeaderLabels({QStringLiteral("日期"), QStringLiteral("时间"), QStringLiteral("来源"), QStringLiteral("学生"),
                                   QStringLiteral("成绩"), QStringLiteral("说明")});
    const int widths[] = {80, 64, 48, 56, 64, 150};
    for (int i = 0; i < Columns; ++i)
        List_Backups->setColumnWidth(i, widths[i]);

    Button_Open = new TSkinButton(QStringLiteral("打开其他文件 &O"), this);
    Button_Open->setObjectName(QStringLiteral("Button_Open"));
    Button_Open->setGeometry(12, 292, 120, 23);
    Button_Restore = new TSkinButton(QStringLiteral("恢复 &R"), this);
    Button_Restore->setObjectName(QStringLiteral("Button_Restore"));
    Button_Restore->setGeometry(336, 292, 80, 23);
    Button_Close = new TSkinButton(QStringLiteral("关闭 &C"), this);
    Button_Close->setObjectName(QStringLiteral("Button_Close"));
    Button_Close->setGeometry(428, 292, 80, 23);
    ui::connectGuarded(Button_Open, &TSkinButton::clicked, this, &TForm25_Restore::Button_OpenClick);
    ui::connectGuarded(Button_Restore, &TSkinButton::clicked, this, &TForm25_Restore::Button_RestoreClick);
    ui::connectGuarded(Button_Close, &TSkinButton::clicked, this, &TForm25_Restore::Button_CloseClick);
}

void TForm25_Restore::FormShow() { fillList(); }

void TForm25_Restore::fillList()
{
    const QString folder = backup::folderFor(DataPath);
    Label_Folder->setText(QStringLiteral("备份文件夹: ") + QDir::toNativeSeparators(folder));
    Label_Folder->adjustSize();
    List_Backups->clear();
    for (const backup::Entry &e : backup::entries(folder)) {
        try {
            List_Backups->addTopLevelItem(itemFor(backup::describe(e.path)));
        } catch (const store::Error &) {
            // A file that is not a backup of ours is not offered.
        }
    }
    if (List_Backups->topLevelItemCount() > 0)
        List_Backups->setCurrentItem(List_Backups->topLevelItem(0));
}

QString TForm25_Restore::chosenFile() const
{
    const QTreeWidgetItem *item = List_Backups->currentItem();
    return item ? item->data(0, Qt::UserRole).toString() : QString();
}

void TForm25_Restore::Button_OpenClick()
{
    QFileDialog dialog(this, QStringLiteral("打开备份文件"), backup::folderFor(DataPath),
                       QStringLiteral("备份文件 (*.sqlite);;所有文件 (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (ui::execDialog(&dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    // A file that is not a backup is refused here, before it is offered.
    auto *item = itemFor(backup::describe(dialog.selectedFiles().first()));
    List_Backups->insertTopLevelItem(0, item);
    List_Backups->setCurrentItem(item);
}

void TForm25_Restore::Button_RestoreClick()
{
    if (UserRight != 1) {
        ui::permissionRefused();
        return;
    }
    const QString file = chosenFile();
    if (file.isEmpty()) {
        ui::messageBox(QStringLiteral("请先选择一个备份!"), QStringLiteral("提示"), ui::Icon::Information, ui::Buttons::Ok, this);
        return;
    }
    const backup::Place place = backup::placeOf(DataPath);
    backup::Info info;
    {
        ui::Progress window(this, Caption, QStringLiteral("正在检查备份文件..."), 1000);
        info = backup::verify(file, [&window](qint64 done, qint64 total) {
            return window.step(QStringLiteral("正在检查备份文件..."), total > 0 ? int(done * 1000 / total) : 0);
        });
    }
    const std::vector<backup::TableInfo> now = backup::currentCounts(place);
    QString text = QStringLiteral("将用 %1 的备份(来自%2)替换现有的全部数据:\n")
                       .arg(info.takenAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), info.engineText());
    for (size_t i = 0; i < now.size() && i < info.tables.size(); ++i)
        text += QStringLiteral("    %1: %2 条 → %3 条\n").arg(now[i].table).arg(now[i].records).arg(info.tables[i].records);
    text += QStringLiteral("恢复前会自动备份现有数据。确实要恢复吗?");
    if (ui::messageBox(text, QStringLiteral("确认"), ui::Icon::Question, ui::Buttons::YesNo, this) != ui::IdYes)
        return;
    backup::Info before;
    {
        ui::Progress window(this, Caption, QStringLiteral("正在恢复数据..."), 1000);
        before = backup::restoreWithBackup(place, file, progressIn(window));
    }
    // Every view shows the restored records from now on.
    store::syncAll(true);
    fillList();
    ui::messageBox(QStringLiteral("数据已恢复。\n恢复前的数据已备份到: %1").arg(QDir::toNativeSeparators(before.path)),
                   QStringLiteral("提示"), ui::Icon::Information, ui::Buttons::Ok, this);
}

void TForm25_Restore::Button_CloseClick() { close(); }
