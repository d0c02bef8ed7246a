// The student management window: the deletion cascade over the scores and
// their renumbering, modify mode and its submit rules, the rights gates, the
// class list and the status line.
#include "StudentTestSupport.h"

#include "db/Engines.h"
#include "skin/SkinButton.h"
#include "dbwidgets/DBControls.h"
#include "dbwidgets/DBGrid.h"
#include "dbwidgets/DBNavigator.h"

#include <QtTest>

using store::DataSetState;

class StudentManageTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void deleteRemovesScoresAndRenumbers_data();
    void deleteRemovesScoresAndRenumbers();
    void declinedDeleteChangesNothing();
    void deleteWithoutStoredStudentRemovesNoScore_data();
    void deleteWithoutStoredStudentRemovesNoScore();
    void rightsGates_data();
    void rightsGates();
    void submitRules_data();
    void submitRules();
    void submitAfterChangeWasWrittenFails();
    void modifyOnEmptyTableRegistersNewStudent();
    void gridEditsOnlyInModifyMode();
    void classListFilledOnEveryShow();
    void statusLineFollowsTable();
    void refusedDateIsReportedOnce();

private:
    QList<QVariantList> scores();
    QList<QVariantList> students();
    // Types text into a data-bound box as the user does (empty: erase it).
    static void type(store::TDBEdit *box, const QString &text);

    std::unique_ptr<fixture::DataDir> m_dir;
    std::unique_ptr<StudentWindows> m_w;
};

void StudentManageTest::init()
{
    m_dir = std::make_unique<fixture::DataDir>();
}

void StudentManageTest::cleanup()
{
    m_w.reset();
    m_dir.reset();
}

QList<QVariantList> StudentManageTest::scores()
{
    store::commitAll();
    return m_dir->rows(sch::ScoreFile, QStringLiteral("SELECT 序号, 学号, 科目 FROM $T ORDER BY 序号"));
}

QList<QVariantList> StudentManageTest::students()
{
    store::commitAll();
    return m_dir->rows(sch::StudentFile, QStringLiteral("SELECT 学号, 姓名, 班级 FROM $T ORDER BY rowid"));
}

void StudentManageTest::type(store::TDBEdit *box, const QString &text)
{
    box->setFocus();
    box->selectAll();
    if (text.isEmpty())
        QTest::keyClick(box, Qt::Key_Backspace);
    else
        typeKeys(box, text);
}

// Scores are given by number and owner; the subject names each score by its
// original number, so the survivors can be told apart after renumbering.
void StudentManageTest::deleteRemovesScoresAndRenumbers_data()
{
    QTest::addColumn<QList<int>>("numbers");
    QTest::addColumn<QStringList>("owners");
    QTest::addColumn<QString>("victim");
    QTest::addColumn<QList<int>>("kept");      // original numbers, in order
    QTest::addColumn<QString>("currentAfter"); // the student current afterwards

    const QList<int> five{1, 2, 3, 4, 5};
    QTest::newRow("adjacent scores") << five << QStringList{"S2", "S1", "S1", "S3", "S2"} << "S1" << QList<int>{1, 4, 5}
                                     << "S2";
    QTest::newRow("scores apart") << five << QStringList{"S1", "S2", "S1", "S3", "S1"} << "S1" << QList<int>{2, 4}
                                  << "S2";
    QTest::newRow("first, adjacent pair and last")
        << five << QStringList{"S2", "S2", "S3", "S1", "S2"} << "S2" << QList<int>{3, 4} << "S3";
    QTest::newRow("every score") << QList<int>{1, 2} << QStringList{"S3", "S3"} << "S3" << QList<int>{} << "S2";
    QTest::newRow("no scores, numbers already in order")
        << QList<int>{1, 2} << QStringList{"S2", "S3"} << "S1" << QList<int>{1, 2} << "S2";
    QTest::newRow("no scores, gaps closed")
        << QList<int>{3, 7, 9} << QStringList{"S2", "S3", "S2"} << "S1" << QList<int>{3, 7, 9} << "S2";
    QTest::newRow("letter case and blanks count")
        << QList<int>{1, 2, 3, 4} << QStringList{"s1", "S1", "S1 ", ""} << "S1" << QList<int>{1, 3, 4} << "S2";
}

void StudentManageTest::deleteRemovesScoresAndRenumbers()
{
    QFETCH(QList<int>, numbers);
    QFETCH(QStringList, owners);
    QFETCH(QString, victim);
    QFETCH(QList<int>, kept);
    QFETCH(QString, currentAfter);

    for (const char *s : {"S1", "S2", "S3"})
        m_dir->addStudent(s, QStringLiteral("名") + QLatin1String(s));
    for (int i = 0; i < numbers.size(); ++i)
        m_dir->addScore(numbers[i], owners[i], QStringLiteral("k%1").arg(numbers[i]), 80);
    m_w = std::make_unique<StudentWindows>(*m_dir);
    QVERIFY(gotoStudent(victim));

    fixture::Boxes boxes(ui::IdYes);
    fixture::click(m_w->stud->Button_Del);

    QCOMPARE(boxes.shown.size(), 1);
    const ui::ShownBox &warning = boxes.shown.first();
    QCOMPARE(warning.text, QStringLiteral("注意!此操作将删除该生的一切资料!"));
    QCOMPARE(warning.title, QStringLiteral("警告"));
    QCOMPARE(warning.icon, ui::Icon::Information);
    QCOMPARE(warning.buttons, ui::Buttons::YesNo);
    QCOMPARE(warning.owner, static_cast<QWidget *>(m_w->stud));

    QList<QVariantList> expected;
    for (int i = 0; i < kept.size(); ++i) {
        const int original = kept[i];
        expected << QVariantList{i + 1, owners[numbers.indexOf(original)], QStringLiteral("k%1").arg(original)};
    }
    const QList<QVariantList> left = scores();
    QCOMPARE(left.size(), expected.size());
    for (int i = 0; i < left.size(); ++i) {
        QCOMPARE(left[i][0].toInt(), expected[i][0].toInt());
        QCOMPARE(left[i][1].toString(), expected[i][1].toString());
        QCOMPARE(left[i][2].toString(), expected[i][2].toString());
    }

    QStringList numbersLeft;
    for (const QVariantList &r : students())
        numbersLeft << r[0].toString();
    QVERIFY(!numbersLeft.contains(victim));
    QCOMPARE(numbersLeft.size(), 2);
    QCOMPARE(DM1->Table_stud->fieldByName(QStringLiteral("学号")).asString(), currentAfter);
    // The score windows' detail follows the new current student.
    QCOMPARE(DM1->Table_Scroce_1->recordCount(), int(std::count(owners.begin(), owners.end(), currentAfter)));
}

void StudentManageTest::declinedDeleteChangesNothing()
{
    m_dir->addStudent(QStringLiteral("S1"), QStringLiteral("张三"));
    m_dir->addStudent(QStringLiteral("S2"), QStringLiteral("李四"));
    m_dir->addScore(3, QStringLiteral("S1"), QStringLiteral("数学"), 70);
    m_dir->addScore(8, QStringLiteral("S2"), QStringLiteral("语文"), 60);
    m_w = std::make_unique<StudentWindows>(*m_dir);
    const auto studentsBefore = students();
    const auto scoresBefore = scores();

    fixture::Boxes boxes(ui::IdNo);
    fixture::click(m_w->stud->Button_Del);

    QCOMPARE(boxes.shown.size(), 1);
    QCOMPARE(students(), studentsBefore);
    QCOMPARE(scores(), scoresBefore); // not even renumbered
    QCOMPARE(DM1->Table_stud->fieldByName(QStringLiteral("学号")).asString(), QStringLiteral("S1"));
}

// Without a stored student under the cursor there is no number to look for;
// an empty one would take every score that has no number.
void StudentManageTest::deleteWithoutStoredStudentRemovesNoScore_data()
{
    QTest::addColumn<bool>("withStudent");
    QTest::addColumn<QString>("startNewRecord"); // "", "modify" or "grid"
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("studentsAfter");

    QTest::newRow("empty table") << false << "" << "Table_stud: 无法在空数据集上执行该操作" << 0;
    QTest::newRow("new record on empty table") << false << "modify" << "" << 0;
    QTest::newRow("new record from the grid") << true << "grid" << "" << 1;
}

void StudentManageTest::deleteWithoutStoredStudentRemovesNoScore()
{
    QFETCH(bool, withStudent);
    QFETCH(QString, startNewRecord);
    QFETCH(QString, error);
    QFETCH(int, studentsAfter);

    if (withStudent)
        m_dir->addStudent(QStringLiteral("S1"), QStringLiteral("张三"));
    m_dir->addScore(2, QString(""), QStringLiteral("数学"), 70);
    m_dir->exec(sch::ScoreFile, QStringLiteral("INSERT INTO $T(序号, 学号, 科目) VALUES(5, NULL, '语文')"));
    m_dir->addScore(6, QStringLiteral("S1"), QStringLiteral("英语"), 90);
    m_w = std::make_unique<StudentWindows>(*m_dir);
    const auto scoresBefore = scores();

    fixture::Boxes boxes(ui::IdYes);
    if (!startNewRecord.isEmpty())
        fixture::click(m_w->stud->Button_XiouGai);
    if (startNewRecord == QLatin1String("grid"))
        QTest::keyClick(m_w->stud->Grid_Stud, Qt::Key_Insert);
    QCOMPARE(DM1->Table_stud->state() == DataSetState::Insert, !startNewRecord.isEmpty());

    fixture::click(m_w->stud->Button_Del);
    // The record layer's refusal, if any, is the standard error box after the warning.
    QStringList shown{QStringLiteral("注意!此操作将删除该生的一切资料!")};
    if (!error.isEmpty())
        shown << ui::standardErrorText(error);
    QCOMPARE(boxes.texts(), shown);
    QCOMPARE(scores(), scoresBefore);
    QCOMPARE(students().size(), studentsAfter);
    QCOMPARE(DM1->Table_stud->state(), DataSetState::Browse);
}

// Register, modify and delete need an administrator; search does not. What a
// refused user sees is the one refusal, and nothing changes.
void StudentManageTest::rightsGates_data()
{
    QTest::addColumn<int>("right");
    QTest::addColumn<QString>("button"); // the object name of the button clicked
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QString>("opens"); // object name of the window shown modally, or ""
    QTest::addColumn<bool>("modifies"); // modify mode starts

    for (int right : {2, 0, 3}) {
        const QByteArray r = QByteArray::number(right);
        QTest::newRow("register, right " + r) << right << "Button_Add" << true << "" << false;
        QTest::newRow("modify, right " + r) << right << "Button_XiouGai" << true << "" << false;
        QTest::newRow("delete, right " + r) << right << "Button_Del" << true << "" << false;
    }
    QTest::newRow("search, ordinary user") << 2 << "Button_Query" << false << "Form10_Query_Stud" << false;
    QTest::newRow("register, administrator") << 1 << "Button_Add" << false << "Form9_Add_Stud" << false;
    QTest::newRow("modify, administrator") << 1 << "Button_XiouGai" << false << "" << true;
    QTest::newRow("search, administrator") << 1 << "Button_Query" << false << "Form10_Query_Stud" << false;
}

void StudentManageTest::rightsGates()
{
    QFETCH(int, right);
    QFETCH(QString, button);
    QFETCH(bool, refused);
    QFETCH(QString, opens);
    QFETCH(bool, modifies);

    m_dir->addStudent(QStringLiteral("S1"), QStringLiteral("张三"));
    m_dir->addScore(1, QStringLiteral("S1"), QStringLiteral("数学"), 70);
    m_w = std::make_unique<StudentWindows>(*m_dir);
    UserRight = right;
    const auto studentsBefore = students();

    fixture::Boxes boxes(ui::IdYes);
    fixture::Modal modal;
    TForm3_stud *w = m_w->stud;
    QVERIFY(fixture::click(w, button));

    if (refused) {
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].text, QStringLiteral("您没有足够的操作权限,请与系统管理员联系!"));
        QCOMPARE(boxes.shown[0].title, QStringLiteral("提示"));
        QCOMPARE(boxes.shown[0].owner, nullptr);
        QVERIFY(modal.shown.isEmpty());
        QCOMPARE(DM1->Table_stud->state(), DataSetState::Browse);
        QVERIFY(!w->Button_Stud_Post->isEnabled());
        QVERIFY(w->Edit_Name->isReadOnly());
        QVERIFY(w->Grid_Stud->isReadOnly());
        QCOMPARE(students(), studentsBefore);
        QCOMPARE(scores().size(), 1);
        return;
    }
    QVERIFY(boxes.shown.isEmpty());
    QCOMPARE(modal.shown.size(), opens.isEmpty() ? 0 : 1);
    if (!opens.isEmpty())
        QCOMPARE(modal.shown[0]->objectName(), opens);
    QCOMPARE(DM1->Table_stud->state(), modifies ? DataSetState::Edit : DataSetState::Browse);
    if (modifies) {
        QVERIFY(w->Button_Stud_Post->isEnabled());
        for (QLineEdit *e : {(QLineEdit *)w->Edit_XueHao, (QLineEdit *)w->Edit_Name, (QLineEdit *)w->Edit_JiGuan,
                             (QLineEdit *)w->Edit_Caption, (QLineEdit *)w->Edit_BrothDay, (QLineEdit *)w->Edit_EnterSchoo,
                             (QLineEdit *)w->Edit_Partion, (QLineEdit *)w->Edit_ZhuanYe})
            QVERIFY2(!e->isReadOnly(), qPrintable(e->objectName()));
        QVERIFY(!w->ComboBox_Sex->isReadOnly());
        QVERIFY(!w->DbComboBox_Class->isReadOnly());
        QVERIFY(!w->Grid_Stud->isReadOnly());
    }
}

void StudentManageTest::submitRules_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("both filled") << "S7" << "赵六" << true;
    QTest::newRow("blank name is not empty") << "S1" << " " << true;
    QTest::newRow("empty name") << "S1" << "" << false;
    QTest::newRow("empty number") << "" << "张三" << false;
    QTest::newRow("both empty") << "" << "" << false;
}

void StudentManageTest::submitRules()
{
    QFETCH(QString, number);
    QFETCH(QString, name);
    QFETCH(bool, accepted);

    m_dir->addStudent(QStringLiteral("S1"), QStringLiteral("张三"));
    m_dir->addStudent(QStringLiteral("S2"), QStringLiteral("李四"));
    m_w = std::make_unique<StudentWindows>(*m_dir);
    TForm3_stud *w = m_w->stud;
    QVERIFY(showActive(w));
    const auto before = students();

    fixture::Boxes boxes;
    fixture::click(w->Button_XiouGai);
    type(w->Edit_XueHao, number);
    type(w->Edit_Name, name);
    fixture::click(w->Button_Stud_Post);

    QVERIFY(!w->Button_Stud_Post->isEnabled());
    if (accepted) {
        QVERIFY(boxes.shown.isEmpty());
        QCOMPARE(DM1->Table_stud->state(), DataSetState::Browse);
        QVERIFY(w->Edit_XueHao->isReadOnly());
        QVERIFY(w->DbComboBox_Class->isReadOnly());
        QVERIFY(w->Grid_Stud->isReadOnly());
        QCOMPARE(students()[0][0].toString(), number);
        QCOMPARE(students()[0][1].toString(), name);
        return;
    }
    QCOMPARE(boxes.texts(), QStringList{QStringLiteral("学号和姓名信息不能为空!")});
    QCOMPARE(boxes.shown[0].title, QStringLiteral("系统提示"));
    QCOMPARE(students(), before);
    // Still in modify mode with the change pending; only the submit button is off.
    QCOMPARE(DM1->Table_stud->state(), DataSetState::Edit);
    QVERIFY(!w->Edit_Name->isReadOnly());
    QVERIFY(!w->Grid_Stud->isReadOnly());

    // "修改学生" turns it on again, and a corrected submit writes.
    fixture::click(w->Button_XiouGai);
    QVERIFY(w->Button_Stud_Post->isEnabled());
    type(w->Edit_XueHao, QStringLiteral("S8"));
    type(w->Edit_Name, QStringLiteral("周七"));
    fixture::click(w->Button_Stud_Post);
    QCOMPARE(boxes.shown.size(), 1);
    QCOMPARE(students()[0][0].toString(), QStringLiteral("S8"));
    QCOMPARE(students()[0][1].toString(), QStringLiteral("周七"));
    QVERIFY(w->Edit_Name->isReadOnly());
}

// Moving on without typing drops the edit state; the submit then has nothing
// to post and the record layer says so.
void StudentManageTest::submitAfterChangeWasWrittenFails()
{
    m_dir->addStudent(QStringLiteral("S1"), QStringLiteral("张三"));
    m_dir->addStudent(QStringLiteral("S2"), QStringLiteral("李四"));
    m_w = std::make_unique<StudentWindows>(*m_dir);
    TForm3_stud *w = m_w->stud;
    fixture::Boxes boxes;
    fixture::click(w->Button_XiouGai);
    w->Navigator_Stud->click(store::NavButton::Next);

    fixture::click(w->Button_Stud_Post);
    QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Table_stud: 数据集不在修改或插入模式.")});
    QVERIFY(!w->Button_Stud_Post->isEnabled());
    QVERIFY(!w->Edit_Name->isReadOnly());
}

void StudentManageTest::modifyOnEmptyTableRegistersNewStudent()
{
    m_w = std::make_unique<StudentWindows>(*m_dir);
    TForm3_stud *w = m_w->stud;
    QVERIFY(showActive(w));
    fixture::Boxes boxes;
    fixture::click(w->Button_XiouGai);
    QCOMPARE(DM1->Table_stud->state(), DataSetState::Insert);
    type(w->Edit_XueHao, QStringLiteral("S1"));
    type(w->Edit_Name, QStringLiteral("张三"));
    fixture::click(w->Button_Stud_Post);
    QVERIFY(boxes.shown.isEmpty());
    QCOMPARE(students(), (QList<QVariantList>{{QStringLiteral("S1"), QStringLiteral("张三"), QVariant()}}));
}

// The grid edits only in modify mode; there Ctrl+Delete removes the student
// after the grid's own question and leaves the scores alone.
void StudentManageTest::gridEditsOnlyInModifyMode()
{
    m_dir->addStudent(QStringLiteral("S1"), QStringLiteral("张三"));
    m_dir->addStudent(QStringLiteral("S2"), QStringLiteral("李四"));
    m_dir->addScore(1, QStringLiteral("S1"), QStringLiteral("数学"), 70);
    m_w = std::make_unique<StudentWindows>(*m_dir);
    store::TDBGrid *grid = m_w->stud->Grid_Stud;
    QVERIFY(showActive(m_w->stud));
    fixture::Boxes boxes(ui::IdOk);

    QTest::keyClick(grid, Qt::Key_Insert);
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(DM1->Table_stud->state(), DataSetState::Browse);
    QVERIFY(boxes.shown.isEmpty());
    QCOMPARE(students().size(), 2);

    fixture::click(m_w->stud->Button_XiouGai);
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Delete record?")});
    QCOMPARE(boxes.shown[0].buttons, ui::Buttons::OkCancel);
    QCOMPARE(students().size(), 1);
    QCOMPARE(students()[0][0].toString(), QStringLiteral("S2"));
    QCOMPARE(scores().size(), 1);

    QTest::keyClick(grid, Qt::Key_Down); // past the last row: a new record
    QCOMPARE(DM1->Table_stud->state(), DataSetState::Insert);
}

void StudentManageTest::classListFilledOnEveryShow()
{
    m_dir->addClass(QStringLiteral("B1"), QStringLiteral("一班"));
    m_dir->addClass(QStringLiteral("B2"), QStringLiteral("二班"));
    m_dir->addClass(QStringLiteral("B3"), QStringLiteral("一班"));
    m_dir->addStudent(QStringLiteral("S1"), QStringLiteral("张三"), QStringLiteral("二班"));
    m_dir->addStudent(QStringLiteral("S2"), QStringLiteral("李四"), QStringLiteral("五班"));
    m_w = std::make_unique<StudentWindows>(*m_dir);
    TForm3_stud *w = m_w->stud;
    auto items = [w] {
        QStringList l;
        for (int i = 0; i < w->DbComboBox_Class->count(); ++i)
            l << w->DbComboBox_Class->itemText(i);
        return l;
    };
    QVERIFY(items().isEmpty());

    DM1->Table_Class->last();
    w->show();
    QCOMPARE(items(), (QStringList{"一班", "二班", "一班"}));
    QCOMPARE(DM1->Table_Class->recNo(), 1);
    QCOMPARE(w->DbComboBox_Class->currentText(), QStringLiteral("二班"));
    DM1->Table_stud->next();
    QCOMPARE(w->DbComboBox_Class->currentIndex(), -1); // a class not listed

    DM1->Table_Class->append();
    DM1->Table_Class->fields(1).setAsString(QStringLiteral("三班"));
    DM1->Table_Class->post();
    w->showFront(); // already visible: only brought to the front
    QCOMPARE(items().size(), 3);
    w->hide();
    w->show();
    QCOMPARE(items(), (QStringList{"一班", "二班", "一班", "三班"}));
}

void StudentManageTest::statusLineFollowsTable()
{
    for (const char *s : {"S1", "S2", "S3"})
        m_dir->addStudent(s, s);
    m_w = std::make_unique<StudentWindows>(*m_dir);
    TForm3_stud *w = m_w->stud;
    QCOMPARE(w->Label14->text(), QStringLiteral("0"));
    QCOMPARE(w->Label12->text(), QStringLiteral("0"));
    QVERIFY(w->Timer1->isActive());
    QCOMPARE(w->Timer1->interval(), 100);

    w->Timer1Timer();
    QCOMPARE(w->Label14->text(), QStringLiteral("1"));
    QCOMPARE(w->Label12->text(), QStringLiteral("3"));
    w->Navigator_Stud->click(store::NavButton::Last);
    w->Timer1Timer();
    QCOMPARE(w->Label14->text(), QStringLiteral("3"));

    // A table that could not be opened: nothing to count, and no error box
    // ten times a second.
    DM1->Table_stud->close();
    fixture::Boxes boxes;
    w->Timer1Timer();
    QCOMPARE(w->Label14->text(), QStringLiteral("0"));
    QCOMPARE(w->Label12->text(), QStringLiteral("0"));
    QVERIFY(boxes.shown.isEmpty());
}

// A date the field refuses is reported once: the box that reports it takes
// the focus from the date box, and that is no leaving of the date box.
void StudentManageTest::refusedDateIsReportedOnce()
{
    m_dir->addStudent(QStringLiteral("S1"), QStringLiteral("张三"));
    m_w = std::make_unique<StudentWindows>(*m_dir);
    TForm3_stud *w = m_w->stud;
    QVERIFY(showActive(w));
    fixture::Boxes boxes;
    boxes.takeFocus();
    fixture::click(w->Button_XiouGai);
    QTest::mouseClick(w->Edit_BrothDay, Qt::LeftButton);
    QTest::keyClicks(w->Edit_BrothDay, QStringLiteral("abc"));
    fixture::click(w->Button_Stud_Post);
    QCOMPARE(boxes.texts(), QStringList{QStringLiteral("'abc' 不是一个有效的日期.")});
    QCOMPARE(QApplication::focusWidget(), w->Edit_BrothDay);
}

QM_APP_TEST_MAIN(StudentManageTest)
#include "test_student_manage.moc"
