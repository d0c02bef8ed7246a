// The maintenance window's buttons, and the import window as a clerk uses
// it: opened from the maintenance window, a class list saved by Excel
// chosen, previewed as decoded, checked, and imported as one action; a
// refused row or a number another clerk took since the check writes nothing.
#include "backup/Folder.h"
#include "core/Globals.h"
#include "ui/Instances.h"
#include "maintenance/TForm23_Data.h"
#include "maintenance/TForm24_Import.h"
#include "office/DataModule.h"
#include "office/Schema.h"
#include "skin/SkinButton.h"
#include "tests/support/Fixture.h"
#include "tests/support/ProgramWindows.h"

#include <QDir>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

namespace sch = store::schema;

class ImportWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void openedFromTheMaintenanceWindow();
    void backupAndRestoreFromTheMaintenanceWindow();
    void checkThenImport();
    void refusedRowsKeepImportOff();
    void numberTakenSinceTheCheckWritesNothing();

private:
    void choose(const QByteArray &bytes);
    // The backups go beside the data directory: in a folder of this test's own.
    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<fixture::DataDir> m_dir;
    std::unique_ptr<fixture::ProgramWindows> m_windows;
    TForm24_Import *m_w = nullptr;
};

void ImportWindowTest::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    m_dir = std::make_unique<fixture::DataDir>(true, m_root->path());
    m_dir->addClass(QStringLiteral("01"), QStringLiteral("一班"));
    m_windows = std::make_unique<fixture::ProgramWindows>(m_dir->path());
    UserRight = 1;
    m_w = fixture::ProgramWindows::window<TForm24_Import>();
    QVERIFY(m_w);
    m_w->show();
}

void ImportWindowTest::cleanup()
{
    ui::setFileScript(nullptr);
    m_windows.reset();
    m_dir.reset();
    m_root.reset();
    UserRight = 0;
}

// The file chosen through the window's browse button.
void ImportWindowTest::choose(const QByteArray &bytes)
{
    const QString file = m_dir->path() + QStringLiteral("名单.csv");
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    ui::setFileScript([file](const ui::FileChoice &c) { return c.save ? QString() : file; });
    fixture::click(m_w->Button_Browse);
}

void ImportWindowTest::openedFromTheMaintenanceWindow()
{
    auto *data = fixture::ProgramWindows::window<TForm23_Data>();
    QVERIFY(data);
    QCOMPARE(data->windowTitle(), QStringLiteral("数据维护"));
    fixture::Modal modals;
    fixture::click(data->Button_Import);
    QCOMPARE(modals.shown.size(), 1);
    QCOMPARE(modals.shown[0], m_w);
}

// 备份数据 takes a backup beside the records and says where; 恢复数据 opens
// the restore window; an ordinary user's click on 备份数据 is refused.
void ImportWindowTest::backupAndRestoreFromTheMaintenanceWindow()
{
    auto *data = fixture::ProgramWindows::window<TForm23_Data>();
    QVERIFY(data);
    const QString folder = backup::folderFor(DataPath);
    QVERIFY(folder.startsWith(m_root->path()));
    {
        fixture::Boxes boxes;
        fixture::click(data->Button_Backup);
        QCOMPARE(boxes.shown.size(), 1);
        QVERIFY2(boxes.shown[0].text.startsWith(QStringLiteral("备份完成")), qPrintable(boxes.shown[0].text));
        QCOMPARE(backup::entries(folder).size(), size_t(1));
        QCOMPARE(backup::entries(folder).front().kind, backup::Kind::Manual);
    }
    {
        fixture::Modal modals;
        fixture::click(data->Button_Restore);
        QCOMPARE(modals.shown.size(), 1);
        QCOMPARE(modals.shown[0], Form25_Restore);
    }
    UserRight = 2;
    QDir(folder).removeRecursively();
    fixture::Boxes boxes;
    fixture::click(data->Button_Backup);
    QCOMPARE(boxes.texts(), QStringList{QStringLiteral("您没有足够的操作权限,请与系统管理员联系!")});
    QCOMPARE(backup::entries(folder).size(), size_t(0));
}

void ImportWindowTest::checkThenImport()
{
    m_w->ComboBox_Table->setCurrentText(QStringLiteral("学生信息表"));
    // Excel's "CSV (逗号分隔)" on a Chinese Windows.
    choose(QStringEncoder("GBK").encode(QStringLiteral("学号,姓名,班级\r\n00123,张三,一班\r\n00124,李四,一班\r\n")));
    QCOMPARE(m_w->Label_Result->text(), QStringLiteral("编码: GB18030, 分隔符: 逗号"));
    QCOMPARE(m_w->Grid_Preview->rowCount(), 2);
    QCOMPARE(m_w->Grid_Preview->item(0, 0)->text(), QStringLiteral("00123"));
    QCOMPARE(m_w->Grid_Preview->item(1, 1)->text(), QStringLiteral("李四"));
    QVERIFY(!m_w->Button_Import->isEnabled());

    fixture::click(m_w->Button_Check);
    QCOMPARE(m_w->Label_Result->text(), QStringLiteral("新增 2 条, 更新 0 条, 未变 0 条, 拒绝 0 行"));
    QVERIFY(m_w->Label_Mapping->text().contains(QStringLiteral("学号 -> 学号")));
    QCOMPARE(m_dir->count(sch::StudentFile), 0);
    QVERIFY(m_w->Button_Import->isEnabled());

    fixture::Boxes boxes;
    fixture::click(m_w->Button_Import);
    QCOMPARE(boxes.texts(), QStringList{QStringLiteral("导入完成: 新增 2 条, 更新 0 条, 未变 0 条, 拒绝 0 行")});
    QCOMPARE(m_dir->count(sch::StudentFile), 2);
    // The windows' own view of the table shows them at once.
    QCOMPARE(DM1->Table_stud->recordCount(), 2);
    QVERIFY(!m_w->Button_Import->isEnabled());
}

void ImportWindowTest::refusedRowsKeepImportOff()
{
    m_w->ComboBox_Table->setCurrentText(QStringLiteral("学生信息表"));
    choose(QStringLiteral("学号;姓名;出生日期\n1;甲;2001-02-03\n2;乙;明天\n").toUtf8());
    fixture::click(m_w->Button_Check);
    QCOMPARE(m_w->List_Refused->count(), 1);
    QCOMPARE(m_w->List_Refused->item(0)->text(), QStringLiteral("第3行 出生日期: '明天' 不是一个有效的日期"));
    QVERIFY(!m_w->Button_Import->isEnabled());
    QCOMPARE(m_dir->count(sch::StudentFile), 0);
}

void ImportWindowTest::numberTakenSinceTheCheckWritesNothing()
{
    m_w->ComboBox_Table->setCurrentText(QStringLiteral("学生信息表"));
    choose(QStringLiteral("学号,姓名\n1,甲\n2,乙\n").toUtf8());
    fixture::click(m_w->Button_Check);
    QVERIFY(m_w->Button_Import->isEnabled());
    m_dir->addStudent(QStringLiteral("2"), QStringLiteral("另一位"));
    fixture::Boxes boxes;
    fixture::click(m_w->Button_Import);
    QCOMPARE(boxes.texts(), QStringList{QStringLiteral("有 1 行被拒绝, 没有导入任何记录!")});
    QCOMPARE(m_w->List_Refused->item(0)->text(), QStringLiteral("第3行 学号: 表中已有相同的学号"));
    QCOMPARE(m_dir->count(sch::StudentFile), 1);
}

QM_APP_TEST_MAIN(ImportWindowTest)
#include "test_maintenance_import.moc"
