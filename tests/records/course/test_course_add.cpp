// The add-course window: a course with its plan record, the order of the two
// writes, the failed-credit addition, the duplicate-number check and the
// empty-field refusal.
#include "CourseWorld.h"
#include "db/Engines.h"
#include "skin/SkinButton.h"
#include "skin/SkinEdit.h"
#include "skin/SkinGroupBox.h"
#include "skin/SkinListBox.h"
#include "dbwidgets/DBControls.h"

#include <QLabel>
#include <QtTest>

using store::DataSetState;

class CourseAddTest : public QObject {
    Q_OBJECT
private slots:
    void init() { w = std::make_unique<CourseWorld>(); }
    void cleanup() { w.reset(); }

    void addsCourseAndPlanInOrder();
    void emptyNumberOrNameWritesNothing_data();
    void emptyNumberOrNameWritesNothing();
    void failedCreditStoresNothingAndNextAdditionWorks_data();
    void failedCreditStoresNothingAndNextAdditionWorks();
    void courseRefusedAfterTheBoxIsDropped();
    void duplicateNumberCheck_data();
    void duplicateNumberCheck();
    void leavingTheNumberBoxRunsTheCheckButAMouseClickDoesNot();
    void creditBoxTakesDigitsOnly();
    void planBoxesAreLabelledAsTheFormReads();

private:
    void fill(const QString &no, const QString &name, const QString &credit);
    std::unique_ptr<CourseWorld> w;
};

void CourseAddTest::fill(const QString &no, const QString &name, const QString &credit)
{
    TForm13_Add_Object &a = *w->add;
    a.Edit_New_ObjectNo->setText(no);
    a.Edit_New_Object_Name->setText(name);
    a.Edit_New_Total->setText("64");
    a.Edit_New_JiangKe->setText("48");
    a.Edit_New_ShiYan->setText("6");
    a.Edit_New_ShangJi->setText("10");
    a.Edit_New_XueFen->setText(credit);
    a.Edit_New_KaiKeXueQi->setText("2");
}

void CourseAddTest::addsCourseAndPlanInOrder()
{
    QStringList courses, plans;
    for (int i = 1; i <= 6; ++i) {
        courses << QStringLiteral("C%1").arg(i);
        plans << QStringLiteral("%1:C%1").arg(i);
    }
    w->seed(courses, plans);
    w->open();
    UserRight = 1;
    TForm13_Add_Object &a = *w->add;

    // Opened from the management window, whose count follows the addition
    // while this window is still up.
    fixture::Boxes boxes;
    bool pendingDuringMessage = false;
    boxes.onShow([&](const ui::ShownBox &) {
        pendingDuringMessage = DM1->Table_Object->state() == DataSetState::Insert
                               && DM1->Table_Object_Jh2->state() == DataSetState::Browse
                               && DM1->Table_Object_Jh2->recordCount() == 7;
    });
    QString countWhileOpen;
    fixture::Modal modal([&](QWidget *) {
        QCOMPARE(a.ListBox_Object->count(), 6);
        fill("C7", "数学", "4");
        fixture::click(a.Button_OK);
        w->manage->Timer1Timer();
        countWhileOpen = w->manage->Label11->text();
        QCOMPARE(a.ListBox_Object->count(), 6); // the list is built on showing only
        fixture::click(a.Button_Cancel); // closes the window
        QVERIFY(!a.isVisible());
    });
    fixture::click(w->manage->Button_Add);

    QCOMPARE(modal.shown.size(), 1);
    QCOMPARE(boxes.texts(), QStringList{"数学的信息已经成功添加!"});
    QCOMPARE(boxes.shown[0].title, QStringLiteral("系统提示"));
    QVERIFY2(pendingDuringMessage, "the plan record is written first and the course by the refresh afterwards");
    QCOMPARE(countWhileOpen, QStringLiteral("7"));

    QCOMPARE(w->courses().last(), QStringLiteral("C7"));
    store::commitAll();
    const auto rows = w->dir.rows(store::schema::PlanFile, "SELECT * FROM $T WHERE 序号=7");
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0], (QVariantList{7, "C7", "64", "48", "6", "10", 4, "2"}));
    QCOMPARE(w->dir.rows(store::schema::CourseFile, "SELECT 课程名称 FROM $T WHERE 课程号='C7'").first().first().toString(),
             QStringLiteral("数学"));

    // The number box is emptied; every other box keeps the first course's values.
    QCOMPARE(a.Edit_New_ObjectNo->text(), QString());
    QCOMPARE(a.Edit_New_Object_Name->text(), QStringLiteral("数学"));
    QCOMPARE(a.Edit_New_XueFen->text(), QStringLiteral("4"));
    QCOMPARE(a.Edit_New_Total->text(), QStringLiteral("64"));
}

void CourseAddTest::emptyNumberOrNameWritesNothing_data()
{
    QTest::addColumn<QString>("no");
    QTest::addColumn<QString>("name");
    QTest::newRow("no number") << "" << "数学";
    QTest::newRow("no name") << "C9" << "";
    QTest::newRow("neither") << "" << "";
}

void CourseAddTest::emptyNumberOrNameWritesNothing()
{
    QFETCH(QString, no);
    QFETCH(QString, name);
    w->seed({"C1"}, {"1:C1"});
    w->open();
    fill(no, name, "4");
    fixture::Boxes boxes;
    fixture::click(w->add->Button_OK);
    QCOMPARE(boxes.texts(), QStringList{"课程号和课程名不能为空!"});
    QCOMPARE(boxes.shown[0].title, QStringLiteral("系统提示"));
    QCOMPARE(DM1->Table_Object->state(), DataSetState::Browse);
    QCOMPARE(DM1->Table_Object_Jh2->state(), DataSetState::Browse);
    QCOMPARE(w->courses(), QStringList{"C1"});
    QCOMPARE(w->plans(), QStringList{"1:C1"});
}

void CourseAddTest::failedCreditStoresNothingAndNextAdditionWorks_data()
{
    QTest::addColumn<QString>("credit");
    QTest::newRow("empty") << "";
    QTest::newRow("above the 32-bit range") << "2147483648";
    QTest::newRow("far above") << "99999999999";
}

void CourseAddTest::failedCreditStoresNothingAndNextAdditionWorks()
{
    QFETCH(QString, credit);
    w->seed({"C1", "C2"}, {"1:C1", "2:C2"});
    w->open();
    TForm13_Add_Object &a = *w->add;
    fill("C3", "化学", credit);
    fixture::Boxes boxes;

    fixture::click(a.Button_OK);

    // The refusal's one box, and no success message. The click is one
    // action: the course written before the plan failed is undone with it,
    // and the course windows no longer show it.
    QCOMPARE(boxes.texts(), QStringList{QStringLiteral("'%1' 不是一个有效的整形值.").arg(credit)});
    QCOMPARE(a.Edit_New_ObjectNo->text(), QStringLiteral("C3"));
    QCOMPARE(DM1->Table_Object_Jh2->state(), DataSetState::Browse);
    QCOMPARE(DM1->Table_Object->state(), DataSetState::Browse);
    QCOMPARE(DM1->Table_Object->recordCount(), 2);
    QCOMPARE(w->courses(), (QStringList{"C1", "C2"}));
    QCOMPARE(w->plans(), (QStringList{"1:C1", "2:C2"}));

    // Moving the plan table (as a deletion's walk does) writes nothing
    // left over, and the next addition takes number 3.
    DM1->Table_Object_Jh2->last();
    DM1->Table_Object_Jh2->first();
    QCOMPARE(w->plans(), (QStringList{"1:C1", "2:C2"}));
    fill("C4", "生物", "3");
    boxes.clear();
    fixture::click(a.Button_OK);
    QCOMPARE(boxes.texts(), QStringList{"生物的信息已经成功添加!"});
    QCOMPARE(w->plans(), (QStringList{"1:C1", "2:C2", "3:C4"}));
    QCOMPARE(w->courses(), (QStringList{"C1", "C2", "C4"}));
}

// The success box runs a real nested loop, whose events are actions of
// their own; the course record is stored only after it, and when the engine
// refuses it then, the failed action still drops it: no later move of the
// course table writes it.
void CourseAddTest::courseRefusedAfterTheBoxIsDropped()
{
    w->seed({"C1", "C2"}, {"1:C1", "2:C2"});
    w->open();
    w->dir.refuseInsert(store::schema::CourseFile, QStringLiteral("课程名称"), QStringLiteral("化学"));
    TForm13_Add_Object &a = *w->add;
    fill("C3", "化学", "3");
    fixture::Boxes boxes;
    boxes.answerInsideLoop();

    fixture::click(a.Button_OK);

    QCOMPARE(boxes.shown.size(), 2);
    QCOMPARE(boxes.shown[0].text, QStringLiteral("化学的信息已经成功添加!"));
    QCOMPARE(boxes.shown[1].title, QStringLiteral("Quillmere"));
    QCOMPARE(DM1->Table_Object->state(), DataSetState::Browse);
    w->dir.refuseInsert(store::schema::CourseFile, QString(), QString());
    DM1->Table_Object->last();
    DM1->Table_Object->first();
    QCOMPARE(w->courses(), (QStringList{"C1", "C2"}));
}

void CourseAddTest::duplicateNumberCheck_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("duplicate");
    QTest::newRow("taken, first course") << "C01" << true;
    QTest::newRow("taken, last course") << "C03" << true;
    QTest::newRow("other case") << "c01" << false;
    QTest::newRow("trailing blank") << "C01 " << false;
    QTest::newRow("part of a number") << "C0" << false;
    QTest::newRow("new") << "C04" << false;
}

void CourseAddTest::duplicateNumberCheck()
{
    QFETCH(QString, typed);
    QFETCH(bool, duplicate);
    w->seed({"C01", "C02", "C03"});
    w->open();
    w->add->Edit_New_ObjectNo->setText(typed);
    fixture::Boxes boxes;

    QVERIFY(fixture::tabOutOf(w->add->Edit_New_ObjectNo));

    if (duplicate) {
        QCOMPARE(boxes.texts(), QStringList{"已经有一个相同的课程号,请另选!"});
        QCOMPARE(boxes.shown[0].title, QStringLiteral("系统提示"));
        QCOMPARE(w->add->Edit_New_ObjectNo->text(), QString());
    } else {
        QVERIFY(boxes.shown.isEmpty());
        QCOMPARE(w->add->Edit_New_ObjectNo->text(), typed);
    }
    // The scan runs to the end: the management window shows the last course.
    QCOMPARE(w->manage->Edit_ObjectNo->text(), QStringLiteral("C03"));
}

void CourseAddTest::leavingTheNumberBoxRunsTheCheckButAMouseClickDoesNot()
{
    w->seed({"C01"});
    w->open();
    TForm13_Add_Object &a = *w->add;
    a.show();
    a.activateWindow();
    QApplication::setActiveWindow(&a);
    QCOMPARE(QApplication::activeWindow(), &a);
    fixture::Boxes boxes;

    a.Edit_New_ObjectNo->setFocus();
    QTest::keyClicks(a.Edit_New_ObjectNo, "C01");
    QTest::keyClick(a.Edit_New_ObjectNo, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), a.Edit_New_Object_Name);
    QCOMPARE(boxes.texts(), QStringList{"已经有一个相同的课程号,请另选!"});
    QCOMPARE(a.Edit_New_ObjectNo->text(), QString());

    // Back in the box, the duplicate typed again and "添加" clicked with the
    // mouse: the button takes no focus, so no check, and the course is added.
    boxes.clear();
    a.Edit_New_ObjectNo->setFocus();
    QTest::keyClicks(a.Edit_New_ObjectNo, "C01");
    a.Edit_New_Object_Name->setText("数学");
    a.Edit_New_XueFen->setText("4");
    fixture::click(a.Button_OK);
    QCOMPARE(boxes.texts(), QStringList{"数学的信息已经成功添加!"});
    QCOMPARE(w->courses(), (QStringList{"C01", "C01"}));
}

void CourseAddTest::creditBoxTakesDigitsOnly()
{
    w->seed({});
    w->open();
    TForm13_Add_Object &a = *w->add;
    a.show();
    a.Edit_New_XueFen->setFocus();
    fixture::Boxes boxes;
    QTest::keyClicks(a.Edit_New_XueFen, "1a2");
    QTest::keyClick(a.Edit_New_XueFen, Qt::Key_Backspace);
    QCOMPARE(a.Edit_New_XueFen->text(), QStringLiteral("12"));
    QCOMPARE(boxes.texts(), (QStringList{"请输入整数!", "请输入整数!"}));
    QCOMPARE(boxes.shown[0].title, QStringLiteral("错误"));
}

// The plan group's captions, row by row: total hours is "总课时".
void CourseAddTest::planBoxesAreLabelledAsTheFormReads()
{
    w->open();
    QStringList captions;
    for (const QLabel *l : w->add->skinGroupBox1->findChildren<QLabel *>(Qt::FindDirectChildrenOnly))
        captions << l->text();
    QCOMPARE(captions, (QStringList{"总课时：    ", "讲课课时：    ", "实验课时：    ", "上机学时：    ", "学分：     ",
                                    "开课学期：    "}));
}

QM_APP_TEST_MAIN(CourseAddTest)
#include "test_course_add.moc"
