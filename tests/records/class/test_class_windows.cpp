// The class windows: deleting a class (the students keep its name), the add
// dialog's addition, refusals and duplicate check, the class search with its
// count, and the dialogs' frame before and after the first resize.
#include "core/Globals.h"
#include "db/Engines.h"
#include "ui/Instances.h"
#include "records/class/TForm11_Add_Class.h"
#include "records/class/TForm12_Class_Query.h"
#include "records/class/TForm4_Class.h"
#include "skin/SkinButton.h"
#include "skin/SkinComboBox.h"
#include "skin/SkinEdit.h"
#include "skin/SkinForm.h"
#include "skin/SkinListBox.h"
#include "skin/SkinTitleBar.h"
#include "dbwidgets/DBControls.h"
#include "dbwidgets/DBGrid.h"
#include "office/DataModule.h"
#include "db/Engine.h"
#include "office/Schema.h"
#include "tests/support/Fixture.h"
#include "tests/support/RecordWindows.h"

#include <QtTest>

using store::DataSetState;
namespace sch = store::schema;

class ClassWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void deleteKeepsStudentsClassText();
    void declinedOrRefusedDeletionChangesNothing_data();
    void declinedOrRefusedDeletionChangesNothing();
    void deleteOnEmptyTableFails();
    void gatesOpenTheDialogs_data();
    void gatesOpenTheDialogs();
    void countLineFollowsTableAndClosedTableShowsZero();
    void addClassWhileManagementCountFollows();
    void emptyNumberOrNameWritesNothing_data();
    void emptyNumberOrNameWritesNothing();
    void duplicateNumberCheck_data();
    void duplicateNumberCheck();
    void search_data();
    void search();
    void dialogFrameKeepsItsSizeUntilResized_data();
    void dialogFrameKeepsItsSizeUntilResized();

private:
    void open();
    QStringList classes();
    QStringList found();

    std::unique_ptr<fixture::DataDir> dir;
    std::unique_ptr<fixture::RecordWindows<TForm4_Class, TForm11_Add_Class, TForm12_Class_Query>> windows;
    TForm4_Class *manage = nullptr;
    TForm11_Add_Class *add = nullptr;
    TForm12_Class_Query *query = nullptr;
};

void ClassWindowsTest::init()
{
    dir = std::make_unique<fixture::DataDir>();
}

void ClassWindowsTest::open()
{
    windows = std::make_unique<fixture::RecordWindows<TForm4_Class, TForm11_Add_Class, TForm12_Class_Query>>();
    windows->open(*dir);
    manage = windows->manage;
    add = windows->add;
    query = windows->query;
}

void ClassWindowsTest::cleanup()
{
    windows.reset();
    manage = nullptr;
    add = nullptr;
    query = nullptr;
    UserRight = 0;
    dir.reset();
}

QStringList ClassWindowsTest::classes()
{
    store::commitAll();
    QStringList out;
    for (const auto &r : dir->rows(sch::ClassFile, "SELECT 班号, 班级名称 FROM $T ORDER BY rowid"))
        out << r[0].toString() + u':' + r[1].toString();
    return out;
}

QStringList ClassWindowsTest::found()
{
    store::GridModel &m = query->DBGrid1->gridModel();
    QStringList out;
    for (int r = 0; r < m.rowCount(); ++r)
        out << m.data(m.index(r, 0), Qt::DisplayRole).toString();
    return out;
}

void ClassWindowsTest::deleteKeepsStudentsClassText()
{
    dir->addClass("1", "计算机01");
    dir->addClass("2", "数学02");
    dir->addClass("3", "物理03");
    dir->addStudent("S1", "张三", "数学02");
    dir->addStudent("S2", "李四", "数学02");
    open();
    UserRight = 1;
    DM1->Table_Class->setRecNo(2);
    fixture::Boxes boxes(ui::IdYes);

    fixture::click(manage->Button_Del);

    QCOMPARE(boxes.texts(), QStringList{"注意!此操作将删除此班级信息,所有学生的班级信息将为无效!"});
    QCOMPARE(boxes.shown[0].title, QStringLiteral("警告"));
    QCOMPARE(boxes.shown[0].buttons, ui::Buttons::YesNo);
    QCOMPARE(classes(), (QStringList{"1:计算机01", "3:物理03"}));
    QCOMPARE(manage->Edit_ClassName->text(), QStringLiteral("物理03"));
    const auto students = dir->rows(sch::StudentFile, "SELECT 班级 FROM $T ORDER BY 学号");
    QCOMPARE(students, (QList<QVariantList>{{"数学02"}, {"数学02"}}));
}

void ClassWindowsTest::declinedOrRefusedDeletionChangesNothing_data()
{
    QTest::addColumn<int>("right");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("box");
    QTest::newRow("declined") << 1 << int(ui::IdNo) << "注意!此操作将删除此班级信息,所有学生的班级信息将为无效!";
    QTest::newRow("ordinary user") << 2 << int(ui::IdYes) << "您没有足够的操作权限,请与系统管理员联系!";
    QTest::newRow("before any login") << 0 << int(ui::IdYes) << "您没有足够的操作权限,请与系统管理员联系!";
}

void ClassWindowsTest::declinedOrRefusedDeletionChangesNothing()
{
    QFETCH(int, right);
    QFETCH(int, answer);
    QFETCH(QString, box);
    dir->addClass("1", "计算机01");
    open();
    UserRight = right;
    fixture::Boxes boxes(answer);
    fixture::click(manage->Button_Del);
    QCOMPARE(boxes.texts(), QStringList{box});
    QCOMPARE(classes(), QStringList{"1:计算机01"});
}

void ClassWindowsTest::deleteOnEmptyTableFails()
{
    open();
    UserRight = 1;
    fixture::Boxes boxes(ui::IdYes);
    fixture::click(manage->Button_Del);
    // The warning comes first, then the record layer's refusal.
    QCOMPARE(boxes.texts(), (QStringList{"注意!此操作将删除此班级信息,所有学生的班级信息将为无效!",
                                         "Table_Class: 无法在空数据集上执行该操作."}));
}

void ClassWindowsTest::gatesOpenTheDialogs_data()
{
    QTest::addColumn<int>("right");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("opens");
    QTest::newRow("add, administrator") << 1 << "Button_Add" << "Form11_Add_Class";
    QTest::newRow("add, ordinary user") << 2 << "Button_Add" << "";
    QTest::newRow("search, ordinary user") << 2 << "Button_Query" << "Form12_Class_Query";
    QTest::newRow("search, administrator") << 1 << "Button_Query" << "Form12_Class_Query";
}

void ClassWindowsTest::gatesOpenTheDialogs()
{
    QFETCH(int, right);
    QFETCH(QString, button);
    QFETCH(QString, opens);
    open();
    UserRight = right;
    fixture::Boxes boxes;
    fixture::Modal modal;
    QVERIFY(fixture::click(manage, button));
    if (opens.isEmpty()) {
        QCOMPARE(boxes.texts(), QStringList{"您没有足够的操作权限,请与系统管理员联系!"});
        QVERIFY(modal.shown.isEmpty());
    } else {
        QVERIFY(boxes.shown.isEmpty());
        QCOMPARE(modal.shown.size(), 1);
        QCOMPARE(modal.shown[0]->objectName(), opens);
    }
}

void ClassWindowsTest::countLineFollowsTableAndClosedTableShowsZero()
{
    dir->addClass("1", "计算机01");
    dir->addClass("2", "数学02");
    open();
    QCOMPARE(manage->Label4->text(), QStringLiteral("0"));
    DM1->Table_Class->last();
    manage->Timer1Timer();
    QCOMPARE(manage->Label4->text(), QStringLiteral("2"));
    QCOMPARE(manage->Label6->text(), QStringLiteral("2"));
    DM1->Table_Class->close(); // as after a failed start
    manage->Timer1Timer();
    QCOMPARE(manage->Label4->text(), QStringLiteral("0"));
    QCOMPARE(manage->Label6->text(), QStringLiteral("0"));
}

void ClassWindowsTest::addClassWhileManagementCountFollows()
{
    dir->addClass("1", "计算机01");
    dir->addClass("2", "数学02");
    open();
    UserRight = 1;
    DM1->Table_Class->last();
    fixture::Boxes boxes;
    bool pendingDuringMessage = false;
    boxes.onShow([&](const ui::ShownBox &) {
        pendingDuringMessage = DM1->Table_Class->state() == DataSetState::Insert;
    });
    QStringList counts;
    fixture::Modal modal([&](QWidget *) {
        // The list was built on showing, and the table put back on its first class.
        QCOMPARE(add->ListBox_Class->count(), 2);
        QCOMPARE(add->ListBox_Class->item(1)->text(), QStringLiteral("数学02"));
        QCOMPARE(manage->Edit_ClassNo->text(), QStringLiteral("1"));
        add->Edit_New_ClassNo->setText("3");
        add->Edit_New_Class->setText("化学03");
        fixture::click(add->Button_OK);
        manage->Timer1Timer();
        counts << manage->Label4->text();
        // Right after: the number box is empty, the name stays.
        QCOMPARE(add->Edit_New_ClassNo->text(), QString());
        QCOMPARE(add->Edit_New_Class->text(), QStringLiteral("化学03"));
        add->Edit_New_ClassNo->setText("4");
        add->Edit_New_Class->setText("生物04");
        fixture::click(add->Button_OK);
        manage->Timer1Timer();
        counts << manage->Label4->text();
        QCOMPARE(add->ListBox_Class->count(), 2);
        fixture::click(add->Button_Cancel); // closes the dialog
        QVERIFY(!add->isVisible());
    });
    fixture::click(manage->Button_Add);

    QCOMPARE(modal.shown.size(), 1);
    QCOMPARE(boxes.shown.size(), 2);
    QCOMPARE(boxes.shown[0].text, QStringLiteral("化学03的班级已经成功添加!"));
    QCOMPARE(boxes.shown[0].title, QStringLiteral("班级添加"));
    QVERIFY2(pendingDuringMessage, "the class is stored by the refresh after the message");
    QCOMPARE(counts, (QStringList{"3", "4"}));
    QCOMPARE(classes(), (QStringList{"1:计算机01", "2:数学02", "3:化学03", "4:生物04"}));

    // The next opening lists every class once.
    fixture::Modal again;
    fixture::click(manage->Button_Add);
    QCOMPARE(add->ListBox_Class->count(), 4);
    QCOMPARE(add->ListBox_Class->item(3)->text(), QStringLiteral("生物04"));
}

void ClassWindowsTest::emptyNumberOrNameWritesNothing_data()
{
    QTest::addColumn<QString>("no");
    QTest::addColumn<QString>("name");
    QTest::newRow("no number") << "" << "化学03";
    QTest::newRow("no name") << "3" << "";
}

void ClassWindowsTest::emptyNumberOrNameWritesNothing()
{
    QFETCH(QString, no);
    QFETCH(QString, name);
    dir->addClass("1", "计算机01");
    open();
    add->Edit_New_ClassNo->setText(no);
    add->Edit_New_Class->setText(name);
    fixture::Boxes boxes;
    fixture::click(add->Button_OK);
    QCOMPARE(boxes.texts(), QStringList{"班级号和班级名称不能为空!"});
    QCOMPARE(boxes.shown[0].title, QStringLiteral("系统提示"));
    QCOMPARE(DM1->Table_Class->state(), DataSetState::Browse);
    QCOMPARE(classes(), QStringList{"1:计算机01"});
}

void ClassWindowsTest::duplicateNumberCheck_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("duplicate");
    QTest::newRow("taken") << "A1" << true;
    QTest::newRow("taken by the last class") << "A2" << true;
    QTest::newRow("other case") << "a1" << false;
    QTest::newRow("leading blank") << " A1" << false;
    QTest::newRow("new") << "A3" << false;
}

void ClassWindowsTest::duplicateNumberCheck()
{
    QFETCH(QString, typed);
    QFETCH(bool, duplicate);
    dir->addClass("A1", "计算机01");
    dir->addClass("A2", "数学02");
    open();
    add->Edit_New_ClassNo->setText(typed);
    fixture::Boxes boxes;
    QVERIFY(fixture::tabOutOf(add->Edit_New_ClassNo));
    QCOMPARE(boxes.texts(), duplicate ? QStringList{"已经有一个相同的班级号,请另选!"} : QStringList{});
    QCOMPARE(add->Edit_New_ClassNo->text(), duplicate ? QString() : typed);
    QCOMPARE(manage->Edit_ClassNo->text(), QStringLiteral("A2")); // left on the last class
}

void ClassWindowsTest::search_data()
{
    QTest::addColumn<int>("criterion");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");

    const QStringList all{"1", "2", "10"};
    QTest::newRow("nothing chosen: all, counted") << -1 << "1" << all;
    QTest::newRow("number, exact") << 0 << "1" << QStringList{"1"};
    QTest::newRow("number, no such class") << 0 << "9" << QStringList{};
    QTest::newRow("number, trailing blank") << 0 << "1 " << QStringList{};
    QTest::newRow("name, contained") << 1 << "01" << QStringList{"1"};
    QTest::newRow("name, empty text") << 1 << "" << all;
    QTest::newRow("name, wildcard") << 1 << "数_" << QStringList{"2"};
}

void ClassWindowsTest::search()
{
    QFETCH(int, criterion);
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    dir->addClass("1", "计算机01");
    dir->addClass("2", "数学02");
    dir->addClass("10", "英语10");
    open();
    QCOMPARE(query->Label3->text(), QStringLiteral("0")); // until the first press
    query->ComboBox_Class_Query->setCurrentIndex(criterion);
    query->Edit_Class_Query->setText(text);

    fixture::click(query->Button_Class_Query);

    QCOMPARE(found(), expected);
    QCOMPARE(query->Label3->text(), QString::number(expected.size()));
}

void ClassWindowsTest::dialogFrameKeepsItsSizeUntilResized_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QSize>("window");
    QTest::addColumn<QRect>("frame");
    QTest::newRow("add class") << "Form11_Add_Class" << QSize(280, 261) << QRect(1, 0, 270, 226);
    QTest::newRow("class search") << "Form12_Class_Query" << QSize(338, 272) << QRect(1, 0, 328, 237);
}

void ClassWindowsTest::dialogFrameKeepsItsSizeUntilResized()
{
    QFETCH(QString, dialog);
    QFETCH(QSize, window);
    QFETCH(QRect, frame);
    open();
    TForm *d = dialog == "Form11_Add_Class" ? static_cast<TForm *>(add) : static_cast<TForm *>(query);
    TSkinForm *skin = d->findChild<TSkinForm *>();
    QVERIFY(skin->isSizeable());
    d->show();
    QCOMPARE(d->size(), window);
    QCOMPARE(skin->geometry(), frame);
    QCOMPARE(skin->titleBar()->width(), frame.width());

    d->resize(window + QSize(20, 10));
    QCOMPARE(skin->geometry(), QRect(1, 0, window.width() + 20 - 2, window.height() + 10 - 1));
    QCOMPARE(skin->titleBar()->width(), window.width() + 20 - 2);
    d->hide();
    d->show(); // the frame keeps filling the window from now on
    QCOMPARE(skin->geometry().size(), QSize(window.width() + 20 - 2, window.height() + 10 - 1));
}

QM_APP_TEST_MAIN(ClassWindowsTest)
#include "test_class_windows.moc"
