// Score management: deleting the selected score with renumbering of the
// whole score table, rights, and the subject pick list.
#include "ScoreFixture.h"

#include "dbwidgets/DBGrid.h"

#include <QtTest>

#include <memory>

class ScoreManageTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void deletionRenumbersWholeTable();
    void twoDeletionsInARowEachRemoveTheSelected();
    void deletionChangesNothing_data();
    void deletionChangesNothing();
    void rights_data();
    void rights();
    void showOffersCourseNamesAndRewindsCourses();
    void scoreChangedWhileAskedIsNotDeleted_data();
    void scoreChangedWhileAskedIsNotDeleted();

private:
    // Five scores, alternating between S1 and S2; S3 has none.
    void openWithFiveScores();
    // Makes the score with this subject the one selected in the score grid.
    void selectScore(const QString &subject);
    std::unique_ptr<ScoreWindows> w;
};

void ScoreManageTest::cleanup()
{
    w.reset();
    UserRight = 0;
}

void ScoreManageTest::openWithFiveScores()
{
    w = std::make_unique<ScoreWindows>();
    w->dir.addStudent(QStringLiteral("S1"), QStringLiteral("张三"));
    w->dir.addStudent(QStringLiteral("S2"), QStringLiteral("李四"));
    w->dir.addStudent(QStringLiteral("S3"), QStringLiteral("王五"));
    w->dir.addScore(1, QStringLiteral("S1"), QStringLiteral("语文"), 80);
    w->dir.addScore(2, QStringLiteral("S2"), QStringLiteral("数学"), 70);
    w->dir.addScore(3, QStringLiteral("S1"), QStringLiteral("英语"), 60);
    w->dir.addScore(4, QStringLiteral("S2"), QStringLiteral("物理"), 50);
    w->dir.addScore(5, QStringLiteral("S1"), QStringLiteral("化学"), 40);
    w->open();
    UserRight = 1;
}

void ScoreManageTest::selectScore(const QString &subject)
{
    store::GridModel &m = w->manage->DBGrid1->gridModel();
    for (int row = 0; row < m.rowCount(); ++row) {
        if (m.data(m.index(row, 1), Qt::DisplayRole).toString() == subject) {
            w->manage->DBGrid1->setCurrentIndex(m.index(row, 1));
            QCOMPARE(DM1->Table_Scroce_1->fieldByName(QStringLiteral("科目")).asString(), subject);
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("score grid does not list ") + subject));
}

void ScoreManageTest::deletionRenumbersWholeTable()
{
    openWithFiveScores();
    selectScore(QStringLiteral("英语"));
    fixture::Boxes boxes(ui::IdYes);
    fixture::click(w->manage->Button_Del);

    QCOMPARE(boxes.shown.size(), 1);
    QCOMPARE(boxes.shown[0].text, QStringLiteral("注意!此操作将删除该学生的当前成绩!\n\n学生: 张三 (学号 S1)\n科目: 英语"));
    QCOMPARE(boxes.shown[0].title, QStringLiteral("警告"));
    QCOMPARE(boxes.shown[0].icon, ui::Icon::Information);
    QCOMPARE(boxes.shown[0].buttons, ui::Buttons::YesNo);
    QCOMPARE(boxes.shown[0].owner, nullptr);
    // Other students' records move down too; the order stays.
    QCOMPARE(w->storedScores(), QStringList({QStringLiteral("1 S1 语文"), QStringLiteral("2 S2 数学"),
                                             QStringLiteral("3 S2 物理"), QStringLiteral("4 S1 化学")}));
    QCOMPARE(w->manage->DBGrid1->gridModel().rowCount(), 2);
    QCOMPARE(DM1->Table_Scroce_1->recordCount(), 2);
}

void ScoreManageTest::twoDeletionsInARowEachRemoveTheSelected()
{
    openWithFiveScores();
    fixture::Boxes boxes(ui::IdYes);
    selectScore(QStringLiteral("语文"));
    fixture::click(w->manage->Button_Del);
    // 英语 was number 3 and is 2 now; number 3 belongs to S2's 物理.
    selectScore(QStringLiteral("英语"));
    fixture::click(w->manage->Button_Del);
    QCOMPARE(w->storedScores(), QStringList({QStringLiteral("1 S2 数学"), QStringLiteral("2 S2 物理"),
                                             QStringLiteral("3 S1 化学")}));
    QCOMPARE(w->manage->DBGrid1->gridModel().rowCount(), 1);
}

void ScoreManageTest::deletionChangesNothing_data()
{
    QTest::addColumn<QString>("student");
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("boxesShown");
    QTest::newRow("warning declined") << QStringLiteral("S1") << int(ui::IdNo) << 1;
    // The whole table's cursor stands on another student's record meanwhile.
    QTest::newRow("student without scores") << QStringLiteral("S3") << int(ui::IdYes) << 0;
}

void ScoreManageTest::deletionChangesNothing()
{
    QFETCH(QString, student);
    QFETCH(int, answer);
    QFETCH(int, boxesShown);
    openWithFiveScores();
    const QStringList before = w->storedScores();
    while (DM1->Table_stud->fieldByName(QStringLiteral("学号")).asString() != student)
        DM1->Table_stud->next();
    DM1->Table_Scroce_2->setRecNo(2);
    fixture::Boxes boxes(answer);
    fixture::click(w->manage->Button_Del);
    QCOMPARE(boxes.shown.size(), boxesShown);
    QCOMPARE(w->storedScores(), before);
}

void ScoreManageTest::rights_data()
{
    QTest::addColumn<int>("right");
    QTest::addColumn<bool>("admin");
    QTest::newRow("administrator") << 1 << true;
    QTest::newRow("ordinary user") << 2 << false;
}

// Adding and deleting need an administrator; searching is open to everyone.
void ScoreManageTest::rights()
{
    QFETCH(int, right);
    QFETCH(bool, admin);
    openWithFiveScores();
    UserRight = right;
    const QStringList before = w->storedScores();
    fixture::Boxes boxes(ui::IdNo);
    fixture::Modal modal;

    fixture::click(w->manage->Button_Add);
    fixture::click(w->manage->Button_Query);
    fixture::click(w->manage->Button_Del);

    const QList<QWidget *> expectedModal = admin ? QList<QWidget *>{w->add, w->query} : QList<QWidget *>{w->query};
    QCOMPARE(modal.shown, expectedModal);
    const QString refusal = QStringLiteral("您没有足够的操作权限,请与系统管理员联系!");
    const QStringList expectedBoxes = admin ? QStringList{QStringLiteral("注意!此操作将删除该学生的当前成绩!\n\n学生: 张三 (学号 S1)\n科目: 语文")}
                                            : QStringList{refusal, refusal};
    QCOMPARE(boxes.texts(), expectedBoxes);
    QCOMPARE(w->storedScores(), before);
}

void ScoreManageTest::showOffersCourseNamesAndRewindsCourses()
{
    w = std::make_unique<ScoreWindows>();
    w->openWithThreeCourses();
    w->manage->show();
    const QStringList names{QStringLiteral("语文"), QStringLiteral("数学"), QStringLiteral("语文")};
    QCOMPARE(w->manage->DBGrid1->columns().at(1).pickList, names);
    QCOMPARE(DM1->Table_Object->recNo(), 1);
    QVERIFY(w->manage->ListBox1->isHidden());
}

void ScoreManageTest::scoreChangedWhileAskedIsNotDeleted_data()
{
    QTest::addColumn<QString>("otherProgram");
    QTest::addColumn<QStringList>("stored"); // what the other program left, and nothing less
    QTest::newRow("deleted and renumbered")
        << QStringLiteral("DELETE FROM $T WHERE 序号 = 3; UPDATE $T SET 序号 = 序号 - 1 WHERE 序号 > 3")
        << QStringList{QStringLiteral("1 S1 语文"), QStringLiteral("2 S2 数学"), QStringLiteral("3 S2 物理"),
                       QStringLiteral("4 S1 化学")};
    QTest::newRow("changed") << QStringLiteral("UPDATE $T SET 科目 = '历史' WHERE 序号 = 3")
                             << QStringList{QStringLiteral("1 S1 语文"), QStringLiteral("2 S2 数学"),
                                            QStringLiteral("3 S1 历史"), QStringLiteral("4 S2 物理"),
                                            QStringLiteral("5 S1 化学")};
}

// While the clerk reads the question about 英语 (number 3), another program
// changes the score table: no score is deleted, whichever the grid shows by
// then, and the clerk is told.
void ScoreManageTest::scoreChangedWhileAskedIsNotDeleted()
{
    QFETCH(QString, otherProgram);
    QFETCH(QStringList, stored);
    openWithFiveScores();
    selectScore(QStringLiteral("英语"));
    fixture::Boxes boxes(ui::IdYes);
    boxes.answerInsideLoop();
    boxes.onShow([&](const ui::ShownBox &box) {
        if (box.buttons == ui::Buttons::YesNo) {
            for (const QString &statement : otherProgram.split(QStringLiteral("; ")))
                w->dir.exec(store::schema::ScoreFile, statement);
        }
    });

    fixture::click(w->manage->Button_Del);

    // Whether the program looked at the files again while the box was up
    // (it does so at most every 50 ms when its loop wakes) or only at the
    // write decides which of the two refusals the clerk reads; both say that
    // nothing was deleted.
    const QStringList refusals{QStringLiteral("该记录已被其他用户修改或删除,修改没有保存!"),
                               QStringLiteral("数据已被其他用户修改,已重新读取,请重新操作!")};
    QCOMPARE(boxes.texts().size(), 2);
    QVERIFY2(refusals.contains(boxes.texts().at(1)), qPrintable(boxes.texts().at(1)));
    QCOMPARE(w->storedScores(), stored);
}

QM_APP_TEST_MAIN(ScoreManageTest)
#include "test_score_manage.moc"
