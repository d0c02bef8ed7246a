// The course management window: deleting a course with its plan and
// renumbering, modify mode on the plan, the credit box's key filter, the
// rights gates and the count line.
#include "CourseWorld.h"
#include "db/Engines.h"
#include "skin/SkinButton.h"
#include "skin/SkinEdit.h"
#include "dbwidgets/DBControls.h"
#include "dbwidgets/DBGrid.h"
#include "dbwidgets/DBNavigator.h"

#include <QtTest>

using store::DataSetState;

class CourseManageTest : public QObject {
    Q_OBJECT
private slots:
    void init() { w = std::make_unique<CourseWorld>(); }
    void cleanup() { w.reset(); }

    void deleteRemovesPlanAndRenumbers_data();
    void deleteRemovesPlanAndRenumbers();
    void deleteLeavesScoresOfTheSubject();
    void declinedDeletionChangesNothing();
    void deleteOnEmptyTableRemovesNoPlan();
    void rightsGates_data();
    void rightsGates();
    void modifyAndSubmitTotalHours();
    void modifyCourseWithoutPlanNumbersItNext();
    void submitAfterMovingAwayFails();
    void creditBoxTakesDigitsOnly_data();
    void creditBoxTakesDigitsOnly();
    void countLineFollowsTableAndClosedTableShowsZero();
    void modifyWithoutCourseWritesNoPlan();
    void refusedCreditIsReportedOnceAndTheWindowGoesOn();

private:
    std::unique_ptr<CourseWorld> w;
};

void CourseManageTest::deleteRemovesPlanAndRenumbers_data()
{
    QTest::addColumn<QStringList>("courses");
    QTest::addColumn<QStringList>("plans");
    QTest::addColumn<QString>("victim");
    QTest::addColumn<QStringList>("plansAfter");
    QTest::addColumn<QString>("currentAfter");

    const QStringList four{"C1", "C2", "C3", "C4"};
    QTest::newRow("1..4 minus 2") << four << QStringList{"1:C1", "2:C2", "3:C3", "4:C4"} << "C2"
                                  << QStringList{"1:C1", "2:C3", "3:C4"} << "C3";
    QTest::newRow("course without plan") << QStringList{"C1", "C2", "C3"} << QStringList{"1:C1", "2:C3"} << "C2"
                                         << QStringList{"1:C1", "2:C3"} << "C3";
    QTest::newRow("two plan records in a row") << QStringList{"C1", "C2", "C3"}
                                               << QStringList{"1:C1", "2:C2", "3:C2", "4:C3"} << "C2"
                                               << QStringList{"1:C1", "2:C3"} << "C3";
    QTest::newRow("last course and last plan") << QStringList{"C1", "C2"} << QStringList{"1:C1", "2:C2"} << "C2"
                                               << QStringList{"1:C1"} << "C1";
    QTest::newRow("gaps closed though nothing removed") << QStringList{"C1", "C2", "C3"} << QStringList{"2:C1", "5:C3"}
                                                        << "C2" << QStringList{"1:C1", "2:C3"} << "C3";
    // The plan link ignores case, the deletion does not.
    QTest::newRow("number compared exactly") << QStringList{"C1", "c1"} << QStringList{"1:c1", "2:C1"} << "C1"
                                             << QStringList{"1:c1"} << "c1";
}

void CourseManageTest::deleteRemovesPlanAndRenumbers()
{
    QFETCH(QStringList, courses);
    QFETCH(QStringList, plans);
    QFETCH(QString, victim);
    QFETCH(QStringList, plansAfter);
    QFETCH(QString, currentAfter);
    w->seed(courses, plans);
    w->open();
    UserRight = 1;
    DM1->Table_Object->setRecNo(courses.indexOf(victim) + 1);
    QCOMPARE(w->manage->Edit_ObjectNo->text(), victim);

    fixture::Boxes boxes(ui::IdYes);
    fixture::click(w->manage->Button_Del);

    QCOMPARE(boxes.texts(), QStringList{"注意!此操作将删除该课程的一切资料!"});
    QCOMPARE(boxes.shown[0].title, QStringLiteral("警告"));
    QCOMPARE(boxes.shown[0].buttons, ui::Buttons::YesNo);
    QCOMPARE(w->plans(), plansAfter);
    QStringList left = courses;
    left.removeOne(victim);
    QCOMPARE(w->courses(), left);
    QCOMPARE(w->manage->Edit_ObjectNo->text(), currentAfter);
}

void CourseManageTest::deleteLeavesScoresOfTheSubject()
{
    w->seed({"C1", "C2"}, {"1:C1", "2:C2"});
    w->dir.addStudent("S1", "张三");
    w->dir.addScore(1, "S1", "课程C1", 80);
    w->dir.addScore(2, "S1", "课程C2", 70);
    w->open();
    UserRight = 1;
    fixture::Boxes boxes(ui::IdYes);
    fixture::click(w->manage->Button_Del);
    QCOMPARE(w->courses(), QStringList{"C2"});
    const auto scores = w->dir.rows(store::schema::ScoreFile, "SELECT 序号, 科目 FROM $T ORDER BY 序号");
    QCOMPARE(scores.size(), 2);
    QCOMPARE(scores[0][1].toString(), QStringLiteral("课程C1"));
}

void CourseManageTest::declinedDeletionChangesNothing()
{
    w->seed({"C1", "C2"}, {"1:C1", "3:C2"});
    w->open();
    UserRight = 1;
    DM1->Table_Object->last();
    fixture::Boxes boxes(ui::IdNo);
    fixture::click(w->manage->Button_Del);
    QCOMPARE(boxes.shown.size(), 1);
    QCOMPARE(w->courses(), (QStringList{"C1", "C2"}));
    QCOMPARE(w->plans(), (QStringList{"1:C1", "3:C2"})); // not even renumbered
    QCOMPARE(w->manage->Edit_ObjectNo->text(), QStringLiteral("C2"));
}

void CourseManageTest::deleteOnEmptyTableRemovesNoPlan()
{
    // A plan record without a course number would match the empty number box.
    w->seed({}, {"1:", "3:C9"});
    w->open();
    UserRight = 1;
    QCOMPARE(w->manage->Edit_ObjectNo->text(), QString());
    fixture::Boxes boxes(ui::IdYes);
    fixture::click(w->manage->Button_Del);
    QCOMPARE(boxes.texts(),
             (QStringList{"注意!此操作将删除该课程的一切资料!", "Table_Object: 无法在空数据集上执行该操作."}));
    QCOMPARE(w->plans(), (QStringList{"1:", "3:C9"}));
}

void CourseManageTest::rightsGates_data()
{
    QTest::addColumn<int>("right");
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QString>("opens"); // object name of the window shown modally, or ""

    for (int right : {2, 0, 3}) {
        const QByteArray r = QByteArray::number(right);
        QTest::newRow("add, right " + r) << right << "Button_Add" << true << "";
        QTest::newRow("modify, right " + r) << right << "Button_XiouGai" << true << "";
        QTest::newRow("delete, right " + r) << right << "Button_Del" << true << "";
        QTest::newRow("search, right " + r) << right << "Button_Query" << false << "Form14_Object_Query";
    }
    QTest::newRow("add, administrator") << 1 << "Button_Add" << false << "Form13_Add_Object";
    QTest::newRow("search, administrator") << 1 << "Button_Query" << false << "Form14_Object_Query";
}

void CourseManageTest::rightsGates()
{
    QFETCH(int, right);
    QFETCH(QString, button);
    QFETCH(bool, refused);
    QFETCH(QString, opens);
    w->seed({"C1", "C2"}, {"1:C1", "2:C2"});
    w->open();
    UserRight = right;
    fixture::Boxes boxes(ui::IdYes);
    fixture::Modal modal;

    QVERIFY(fixture::click(w->manage, button));

    if (refused)
        QCOMPARE(boxes.texts(), QStringList{"您没有足够的操作权限,请与系统管理员联系!"});
    else
        QVERIFY(boxes.shown.isEmpty());
    QCOMPARE(modal.shown.size(), opens.isEmpty() ? 0 : 1);
    if (!opens.isEmpty())
        QCOMPARE(modal.shown[0]->objectName(), opens);
    QCOMPARE(w->courses(), (QStringList{"C1", "C2"}));
    QCOMPARE(w->plans(), (QStringList{"1:C1", "2:C2"}));
    QVERIFY(w->manage->DBEdit2->isReadOnly());
    QVERIFY(!w->manage->Button_TiJiao->isEnabled());
    QCOMPARE(DM1->Table_Object_Jh->state(), DataSetState::Browse);
}

void CourseManageTest::modifyAndSubmitTotalHours()
{
    w->seed({"C1", "C2"}, {"1:C1:64:4", "2:C2:32:2"});
    w->open();
    UserRight = 1;
    DM1->Table_Object->last();
    TForm5_Object &f = *w->manage;
    QCOMPARE(f.DBEdit2->text(), QStringLiteral("32"));

    fixture::click(f.Button_XiouGai);
    QVERIFY(f.Button_TiJiao->isEnabled());
    for (store::TDBEdit *e : {f.DBEdit1, f.DBEdit2, f.DBEdit3, f.DBEdit4, f.DBEdit5, f.DBEdit6, f.DBEdit7})
        QVERIFY(!e->isReadOnly());
    QCOMPARE(DM1->Table_Object_Jh->state(), DataSetState::Edit);

    f.show();
    f.DBEdit2->setFocus();
    f.DBEdit2->selectAll();
    QTest::keyClicks(f.DBEdit2, "48");
    fixture::click(f.Button_TiJiao);

    QVERIFY(!f.Button_TiJiao->isEnabled());
    for (store::TDBEdit *e : {f.DBEdit1, f.DBEdit2, f.DBEdit3, f.DBEdit4, f.DBEdit5, f.DBEdit6, f.DBEdit7})
        QVERIFY(e->isReadOnly());
    store::commitAll();
    const auto rows = w->dir.rows(store::schema::PlanFile, "SELECT 序号, 课程号, 总学时, 学分 FROM $T ORDER BY 序号");
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[1], (QVariantList{2, "C2", "48", 2}));
    QCOMPARE(rows[0], (QVariantList{1, "C1", "64", 4}));
    const auto courses = w->dir.rows(store::schema::CourseFile, "SELECT 课程号, 课程名称 FROM $T ORDER BY rowid");
    QCOMPARE(courses[1], (QVariantList{"C2", "课程C2"}));
}

void CourseManageTest::modifyCourseWithoutPlanNumbersItNext()
{
    // A course left without a plan by a failed addition.
    w->seed({"C1", "C2", "C3"}, {"1:C1", "2:C3"});
    w->open();
    UserRight = 1;
    DM1->Table_Object->setRecNo(2);
    TForm5_Object &f = *w->manage;
    QCOMPARE(f.DBEdit2->text(), QString());

    // Modify and leave without typing: nothing is written.
    fixture::click(f.Button_XiouGai);
    DM1->Table_Object->next();
    DM1->Table_Object->prior();
    QCOMPARE(w->plans(), (QStringList{"1:C1", "2:C3"}));

    fixture::click(f.Button_XiouGai);
    QCOMPARE(w->plans(), (QStringList{"1:C1", "2:C3"})); // not written before it is posted
    f.show();
    f.DBEdit2->setFocus();
    QTest::keyClicks(f.DBEdit2, "40");
    fixture::click(f.Button_TiJiao);

    QCOMPARE(w->plans(), (QStringList{"1:C1", "2:C3", "3:C2"}));
    QCOMPARE(w->dir.rows(store::schema::PlanFile, "SELECT 总学时 FROM $T WHERE 序号=3").first().first().toString(),
             QStringLiteral("40"));
    QCOMPARE(f.DBEdit2->text(), QStringLiteral("40"));

    // The next addition still finds count + 1 free.
    fixture::Boxes boxes;
    w->add->Edit_New_ObjectNo->setText("C4");
    w->add->Edit_New_Object_Name->setText("物理");
    w->add->Edit_New_XueFen->setText("2");
    fixture::click(w->add->Button_OK);
    QCOMPARE(w->plans(), (QStringList{"1:C1", "2:C3", "3:C2", "4:C4"}));
}

void CourseManageTest::submitAfterMovingAwayFails()
{
    w->seed({"C1", "C2"}, {"1:C1:64", "2:C2:32"});
    w->open();
    UserRight = 1;
    TForm5_Object &f = *w->manage;
    fixture::Boxes boxes;
    fixture::click(f.Button_XiouGai);
    DM1->Table_Object->next(); // nothing typed: the edit is dropped
    fixture::click(f.Button_TiJiao);
    QCOMPARE(boxes.texts(), QStringList{"Table_Object_Jh: 数据集不在修改或插入模式."});
    QVERIFY(!f.Button_TiJiao->isEnabled());
    QVERIFY(!f.DBEdit2->isReadOnly());
    QCOMPARE(w->plans(), (QStringList{"1:C1", "2:C2"}));
}

void CourseManageTest::creditBoxTakesDigitsOnly_data()
{
    QTest::addColumn<bool>("modify");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QString>("after"); // the box's text after the key, from "4" with the cursor at the end

    QTest::newRow("digit") << true << int(Qt::Key_5) << false << "45";
    QTest::newRow("letter") << true << int(Qt::Key_A) << true << "4";
    QTest::newRow("backspace") << true << int(Qt::Key_Backspace) << true << "4";
    QTest::newRow("enter") << true << int(Qt::Key_Return) << true << "4";
    QTest::newRow("minus") << true << int(Qt::Key_Minus) << true << "4";
    QTest::newRow("left arrow") << true << int(Qt::Key_Left) << false << "4";
    QTest::newRow("delete") << true << int(Qt::Key_Delete) << false << "4";
    QTest::newRow("tab") << true << int(Qt::Key_Tab) << false << "4";
    QTest::newRow("letter in browse mode") << false << int(Qt::Key_A) << true << "4";
    QTest::newRow("digit in browse mode") << false << int(Qt::Key_5) << false << "4";
}

void CourseManageTest::creditBoxTakesDigitsOnly()
{
    QFETCH(bool, modify);
    QFETCH(int, key);
    QFETCH(bool, refused);
    QFETCH(QString, after);
    w->seed({"C1"}, {"1:C1:64:4"});
    w->open();
    UserRight = 1;
    TForm5_Object &f = *w->manage;
    if (modify)
        fixture::click(f.Button_XiouGai);
    f.show();
    f.DBEdit6->setFocus();
    f.DBEdit6->end(false);
    fixture::Boxes boxes;

    QTest::keyClick(f.DBEdit6, Qt::Key(key));

    QCOMPARE(f.DBEdit6->text(), after);
    if (refused) {
        QCOMPARE(boxes.texts(), QStringList{"请输入整数!"});
        QCOMPARE(boxes.shown[0].title, QStringLiteral("错误"));
        QCOMPARE(boxes.shown[0].icon, ui::Icon::Information);
        QCOMPARE(boxes.shown[0].owner, nullptr);
    } else {
        QVERIFY(boxes.shown.isEmpty());
    }
}

void CourseManageTest::countLineFollowsTableAndClosedTableShowsZero()
{
    w->seed({"C1", "C2", "C3"});
    w->open();
    TForm5_Object &f = *w->manage;
    QCOMPARE(f.Label11->text(), QStringLiteral("0"));
    QCOMPARE(f.Label13->text(), QStringLiteral("0"));
    DM1->Table_Object->last();
    f.Timer1Timer();
    QCOMPARE(f.Label11->text(), QStringLiteral("3"));
    QCOMPARE(f.Label13->text(), QStringLiteral("3"));

    DM1->Table_Object->close(); // as after a failed start
    f.Timer1Timer();
    QCOMPARE(f.Label11->text(), QStringLiteral("0"));
    QCOMPARE(f.Label13->text(), QStringLiteral("0"));
}

// A plan belongs to a course: on an empty course table, modify, type and
// submit write nothing.
void CourseManageTest::modifyWithoutCourseWritesNoPlan()
{
    w->open();
    UserRight = 1;
    TForm5_Object &f = *w->manage;
    QVERIFY(fixture::showActive(&f));
    fixture::Boxes boxes;
    fixture::click(f.Button_XiouGai);
    QTest::mouseClick(f.DBEdit2, Qt::LeftButton);
    QTest::keyClicks(f.DBEdit2, "40");
    fixture::click(f.Button_TiJiao);
    QTest::mouseClick(f.Grid_shao_Object->viewport(), Qt::LeftButton);
    QCOMPARE(w->plans(), QStringList());
    QCOMPARE(DM1->Table_Object_Jh->state(), DataSetState::Browse);
    QVERIFY(boxes.shown.isEmpty());
}

// A credit beyond 32 bits is refused with one box; the box then shows the
// stored credit again, and the next course, the next submit and the other
// windows' moves of the course table go through without another box.
void CourseManageTest::refusedCreditIsReportedOnceAndTheWindowGoesOn()
{
    w->seed({"C1", "C2"}, {"1:C1:64:4", "2:C2:32:2"});
    w->open();
    UserRight = 1;
    TForm5_Object &f = *w->manage;
    QVERIFY(fixture::showActive(&f));
    fixture::Boxes boxes;
    boxes.takeFocus();

    fixture::click(f.Button_XiouGai);
    QTest::mouseClick(f.DBEdit6, Qt::LeftButton);
    QTest::keyClick(f.DBEdit6, Qt::Key_Home);
    QTest::keyClick(f.DBEdit6, Qt::Key_End, Qt::ShiftModifier);
    QTest::keyClicks(f.DBEdit6, "99999999999");
    fixture::click(f.Button_TiJiao);
    QCOMPARE(boxes.texts(), QStringList{"'99999999999' 不是一个有效的整形值."});
    QCOMPARE(f.DBEdit6->text(), QStringLiteral("4"));

    store::TDBGrid *grid = f.Grid_shao_Object;
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(1, 0)).center());
    DM1->Table_Object->first(); // as the score window does on showing
    QCOMPARE(boxes.shown.size(), 1);
    QCOMPARE(f.Edit_ObjectNo->text(), QStringLiteral("C1"));
    QCOMPARE(f.DBEdit6->text(), QStringLiteral("4"));
    store::commitAll();
    QCOMPARE(w->dir.rows(store::schema::PlanFile, "SELECT 学分 FROM $T ORDER BY 序号"),
             (QList<QVariantList>{{4}, {2}}));
}

QM_APP_TEST_MAIN(CourseManageTest)
#include "test_course_manage.moc"
