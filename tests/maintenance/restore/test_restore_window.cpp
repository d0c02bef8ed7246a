// The restore window and the backups taken from a window, clicked as the
// administrator clicks them.
#include "backup/Folder.h"
#include "core/Globals.h"
#include "maintenance/restore/TForm25_Restore.h"
#include "maintenance/restore/TakeBackup.h"
#include "office/Schema.h"
#include "tests/support/Fixture.h"

#include <QFileDialog>
#include <QTreeWidget>
#include <QtTest>

namespace sch = store::schema;

class RestoreWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void restoreShowsWhatChangesAndAsksOnce();
    void answeringNoChangesNothing();
    void onlyAdministratorsRestore();
    void openingAnotherFile();
    void backupNowAndTheDailyBackup();

private:
    QStringList backupsInFolder() const;
    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<fixture::DataDir> m_dir;
    std::unique_ptr<TForm25_Restore> m_window;
};

void RestoreWindowTest::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    m_dir = std::make_unique<fixture::DataDir>(true, m_root->path());
    DataPath = m_dir->path();
    UserRight = 1;
    m_dir->addStudent(QStringLiteral("S1"), QStringLiteral("张三"));
    m_dir->addStudent(QStringLiteral("S2"), QStringLiteral("李四"));
    m_dir->addScore(1, QStringLiteral("S1"), QStringLiteral("数学"), 90);
    backup::takeInto(backup::placeOf(DataPath), backup::Kind::Manual, QStringLiteral("手动备份"));
    m_dir->addStudent(QStringLiteral("S3"), QStringLiteral("王五"));
    m_window = std::make_unique<TForm25_Restore>();
    QVERIFY(fixture::showActive(m_window.get()));
}

void RestoreWindowTest::cleanup()
{
    m_window.reset();
    m_dir.reset();
    m_root.reset();
}

QStringList RestoreWindowTest::backupsInFolder() const
{
    QStringList out;
    for (const backup::Entry &e : backup::entries(backup::folderFor(DataPath)))
        out << QFileInfo(e.path).fileName();
    return out;
}

void RestoreWindowTest::restoreShowsWhatChangesAndAsksOnce()
{
    QCOMPARE(m_window->List_Backups->topLevelItemCount(), 1);
    QCOMPARE(m_window->List_Backups->topLevelItem(0)->text(3), QStringLiteral("2"));
    fixture::Boxes boxes(ui::IdYes);
    QVERIFY(fixture::click(m_window.get(), QStringLiteral("Button_Restore")));
    QCOMPARE(boxes.shown.size(), 2);
    QCOMPARE(boxes.shown[0].buttons, ui::Buttons::YesNo);
    QVERIFY2(boxes.shown[0].text.contains(QStringLiteral("学生信息表: 3 条 → 2 条")), qPrintable(boxes.shown[0].text));
    QVERIFY2(boxes.shown[0].text.contains(QStringLiteral("学生成绩表: 1 条 → 1 条")), qPrintable(boxes.shown[0].text));
    QVERIFY2(boxes.shown[1].text.startsWith(QStringLiteral("数据已恢复")), qPrintable(boxes.shown[1].text));
    QCOMPARE(m_dir->count(sch::StudentFile), 2);
    // The records from before the restore are kept and offered.
    QCOMPARE(m_window->List_Backups->topLevelItemCount(), 2);
    QCOMPARE(m_window->List_Backups->topLevelItem(0)->text(3), QStringLiteral("3"));
    QCOMPARE(m_window->List_Backups->topLevelItem(0)->text(5), QStringLiteral("恢复前自动备份"));
}

void RestoreWindowTest::answeringNoChangesNothing()
{
    const QStringList before = backupsInFolder();
    fixture::Boxes boxes(ui::IdNo);
    QVERIFY(fixture::click(m_window.get(), QStringLiteral("Button_Restore")));
    QCOMPARE(boxes.shown.size(), 1);
    QCOMPARE(m_dir->count(sch::StudentFile), 3);
    QCOMPARE(backupsInFolder(), before);
}

void RestoreWindowTest::onlyAdministratorsRestore()
{
    UserRight = 2;
    fixture::Boxes boxes(ui::IdYes);
    QVERIFY(fixture::click(m_window.get(), QStringLiteral("Button_Restore")));
    QCOMPARE(boxes.texts(), QStringList{QStringLiteral("您没有足够的操作权限,请与系统管理员联系!")});
    QCOMPARE(m_dir->count(sch::StudentFile), 3);
}

void RestoreWindowTest::openingAnotherFile()
{
    const QString text = m_root->filePath(QStringLiteral("students.csv"));
    QFile f(text);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("学号,姓名\n");
    f.close();
    const QString elsewhere = m_root->filePath(QStringLiteral("usb/office.sqlite"));
    backup::take(backup::placeOf(DataPath), elsewhere, QStringLiteral("带走的备份"));

    QString chosen = text;
    fixture::Dialogs dialogs([&](QDialog *d) {
        auto *fd = qobject_cast<QFileDialog *>(d);
        if (!fd)
            return int(QDialog::Rejected);
        fd->selectFile(chosen);
        return int(QDialog::Accepted);
    });
    {
        fixture::Boxes boxes;
        QVERIFY(fixture::click(m_window.get(), QStringLiteral("Button_Open")));
        QCOMPARE(boxes.shown.size(), 1);
        QVERIFY2(boxes.shown[0].text.contains(QStringLiteral("不是本系统的备份文件")), qPrintable(boxes.shown[0].text));
        QCOMPARE(m_window->List_Backups->topLevelItemCount(), 1);
    }
    chosen = elsewhere;
    fixture::Boxes boxes(ui::IdYes);
    QVERIFY(fixture::click(m_window.get(), QStringLiteral("Button_Open")));
    QCOMPARE(m_window->List_Backups->topLevelItemCount(), 2);
    QCOMPARE(m_window->List_Backups->currentItem()->text(5), QStringLiteral("带走的备份"));
    m_dir->addStudent(QStringLiteral("S4"), QStringLiteral("赵六"));
    QVERIFY(fixture::click(m_window.get(), QStringLiteral("Button_Restore")));
    QVERIFY2(boxes.texts().join(u'\n').contains(QStringLiteral("学生信息表: 4 条 → 3 条")), qPrintable(boxes.texts().join(u'\n')));
    QCOMPARE(m_dir->count(sch::StudentFile), 3);
}

void RestoreWindowTest::backupNowAndTheDailyBackup()
{
    const QString folder = backup::folderFor(DataPath);
    QDir(folder).removeRecursively();
    {
        fixture::Boxes boxes;
        restorewin::dailyBackup(m_window.get());
        restorewin::dailyBackup(m_window.get()); // the second start of the day
        restorewin::waitForDailyBackup();
        QCoreApplication::processEvents();
        QCOMPARE(boxes.shown.size(), 0);
        QCOMPARE(backup::entries(folder).size(), size_t(1));
        QCOMPARE(backup::entries(folder).front().kind, backup::Kind::Daily);
        restorewin::backupNow(m_window.get());
        QCOMPARE(boxes.shown.size(), 1);
        QVERIFY2(boxes.shown[0].text.startsWith(QStringLiteral("备份完成")), qPrintable(boxes.shown[0].text));
        // The newest of the day stands for the day.
        QCOMPARE(backup::entries(folder).size(), size_t(1));
        QCOMPARE(backup::entries(folder).front().kind, backup::Kind::Manual);
    }
    // A folder that cannot be written: said once, and the work goes on.
    QDir(folder).removeRecursively();
    QFile blocker(folder);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    fixture::Boxes boxes;
    restorewin::dailyBackup(m_window.get());
    restorewin::waitForDailyBackup();
    QTRY_COMPARE(boxes.shown.size(), 1);
    QCOMPARE(boxes.shown[0].icon, ui::Icon::Warning);
    QVERIFY2(boxes.shown[0].text.startsWith(QStringLiteral("今天的自动备份没有完成")), qPrintable(boxes.shown[0].text));
}

QM_APP_TEST_MAIN(RestoreWindowTest)
#include "test_restore_window.moc"
