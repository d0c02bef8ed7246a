// The registration dialog: the duplicate-number check on every way of leaving
// the number box, what a registration writes, the refusals, the class list,
// and what a failed write leaves behind.
#include "StudentTestSupport.h"

#include "db/Engines.h"
#include "skin/SkinButton.h"
#include "skin/SkinComboBox.h"
#include "skin/SkinEdit.h"
#include "data/Table.h"

#include <QLineEdit>
#include <QtTest>

using store::DataSetState;

namespace {
const QString Duplicate = QStringLiteral("已经有一个相同的学号,请另选!");
const QString Empty = QStringLiteral("学号和姓名信息不能为空!");
QString success(const QString &name) { return name + QStringLiteral("的注册信息已经成功添加!"); }
} // namespace

class StudentRegisterTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void duplicateCheckOnLeavingNumberBox_data();
    void duplicateCheckOnLeavingNumberBox();
    void registrationWritesEveryFieldAndKeepsControls();
    void numberAndNameAloneWriteEmptyTextsAndStartDates();
    void emptyNumberOrNameRefused_data();
    void emptyNumberOrNameRefused();
    void classListRebuiltOnEveryShow();
    void registeringFromManagementWindow();
    void refusedWriteStaysPendingWhole();
    void failureWhileFillingLeavesNoRecord();
    void pickerTakesDigitsAfterOneClick_data();
    void pickerTakesDigitsAfterOneClick();

private:
    QList<QVariantList> students();

    std::unique_ptr<fixture::DataDir> m_dir;
    std::unique_ptr<StudentWindows> m_w;
};

void StudentRegisterTest::init()
{
    m_dir = std::make_unique<fixture::DataDir>();
    m_dir->addStudent(QStringLiteral("S1"), QStringLiteral("张三"));
    m_dir->addStudent(QStringLiteral("S2"), QStringLiteral("李四"));
    m_dir->addStudent(QStringLiteral(""), QStringLiteral("无号"));
    m_dir->addClass(QStringLiteral("B1"), QStringLiteral("一班"));
    m_dir->addClass(QStringLiteral("B2"), QStringLiteral("二班"));
}

void StudentRegisterTest::cleanup()
{
    m_w.reset();
    m_dir.reset();
}

QList<QVariantList> StudentRegisterTest::students()
{
    store::commitAll();
    return m_dir->rows(sch::StudentFile,
                       QStringLiteral("SELECT 学号, 姓名, 性别, 籍贯, 民族, 出生日期, 入学日期, 班级, 专业, 系别 FROM $T ORDER BY rowid"));
}

void StudentRegisterTest::duplicateCheckOnLeavingNumberBox_data()
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("numberAfter");
    QTest::addColumn<int>("studentsAfter");

    QTest::newRow("tab, taken") << "tab" << "S2" << "" << QStringList{Duplicate} << "" << 3;
    QTest::newRow("tab, free") << "tab" << "S9" << "" << QStringList{} << "S9" << 3;
    QTest::newRow("tab, letter case counts") << "tab" << "s2" << "" << QStringList{} << "s2" << 3;
    QTest::newRow("tab, blanks count") << "tab" << "S2 " << "" << QStringList{} << "S2 " << 3;
    QTest::newRow("tab, empty matches a student without number") << "tab" << "" << "" << QStringList{Duplicate} << ""
                                                                  << 3;
    QTest::newRow("click into another box, taken") << "click" << "S1" << "" << QStringList{Duplicate} << "" << 3;
    QTest::newRow("click into another box, free") << "click" << "S9" << "" << QStringList{} << "S9" << 3;
    QTest::newRow("accelerator, taken") << "alt" << "S2" << "王五" << QStringList{Duplicate, Empty} << "" << 3;
    QTest::newRow("accelerator, free") << "alt" << "S9" << "王五" << QStringList{success("王五")} << "" << 4;
    // A mouse click on a themed button leaves the focus where it is.
    QTest::newRow("mouse on the button, taken") << "mouse" << "S2" << "王五" << QStringList{success("王五")} << "" << 4;
    QTest::newRow("dialog hidden") << "hide" << "S2" << "" << QStringList{} << "S2" << 3;
}

void StudentRegisterTest::duplicateCheckOnLeavingNumberBox()
{
    QFETCH(QString, way);
    QFETCH(QString, number);
    QFETCH(QString, name);
    QFETCH(QStringList, boxes);
    QFETCH(QString, numberAfter);
    QFETCH(int, studentsAfter);

    m_w = std::make_unique<StudentWindows>(*m_dir);
    TForm9_Add_Stud *w = m_w->add;
    QVERIFY(showActive(w));
    w->Edit_New_StudNo->setText(number);
    w->Edit_New_Stud_Name->setText(name);
    w->Edit_New_StudNo->setFocus();
    QVERIFY(w->Edit_New_StudNo->hasFocus());
    DM1->Table_stud->first();

    fixture::Boxes shown;
    if (way == QLatin1String("tab")) {
        QTest::keyClick(w->Edit_New_StudNo, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), w->Edit_New_Stud_Name);
    } else if (way == QLatin1String("click")) {
        QTest::mouseClick(w->Edit_New_Xi, Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), w->Edit_New_Xi);
    } else if (way == QLatin1String("alt")) {
        QTest::keyClick(w->Edit_New_StudNo, Qt::Key_A, Qt::AltModifier);
    } else if (way == QLatin1String("mouse")) {
        QTest::mouseClick(w->Button_OK, Qt::LeftButton, {}, QPoint(40, 11));
        QVERIFY(w->Edit_New_StudNo->hasFocus());
    } else {
        w->hide();
    }

    QCOMPARE(shown.texts(), boxes);
    for (const ui::ShownBox &b : shown.shown) {
        if (b.text == Duplicate) {
            QCOMPARE(b.title, QStringLiteral("系统提示"));
            QCOMPARE(b.owner, nullptr);
        }
    }
    QCOMPARE(w->Edit_New_StudNo->text(), numberAfter);
    QCOMPARE(students().size(), studentsAfter);
    if (way == QLatin1String("tab") || way == QLatin1String("click")) {
        // The scan ran to the end: the last student is current behind the dialog.
        QCOMPARE(DM1->Table_stud->recNo(), 3);
    }
}

void StudentRegisterTest::registrationWritesEveryFieldAndKeepsControls()
{
    m_w = std::make_unique<StudentWindows>(*m_dir);
    TForm9_Add_Stud *w = m_w->add;
    w->show(); // fills the class list
    const QString name = QStringLiteral(" 李 四 ");
    w->Edit_New_StudNo->setText(QStringLiteral("S9"));
    w->Edit_New_Stud_Name->setText(name);
    w->Edit_New_JIGuan->setText(QStringLiteral("北京"));
    w->Edit_New_Caption->setText(QStringLiteral("汉"));
    w->Edit_New_Xi->setText(QStringLiteral("计算机系"));
    w->Edit_New_ZhuanYe->setText(QStringLiteral("软件"));
    w->ComboBox_New_Sex->setCurrentIndex(1);
    w->ComboBox_New_Class->setCurrentIndex(1);
    w->DateTime_New_Brothday->setDate(QDate(1985, 6, 1));
    w->DateTime_New_EnterShool->setDate(QDate(2003, 9, 1));

    fixture::Boxes boxes;
    fixture::click(w->Button_OK);
    QCOMPARE(boxes.texts(), QStringList{success(name)});
    QCOMPARE(boxes.shown[0].title, QStringLiteral("添加信息"));
    QCOMPARE(boxes.shown[0].icon, ui::Icon::Information);
    const QVariantList expected{"S9", name, "女", "北京", "汉", "1985-06-01", "2003-09-01", "二班", "软件", "计算机系"};
    QCOMPARE(students().size(), 4);
    QCOMPARE(students().last(), expected);
    QCOMPARE(DM1->Table_stud->state(), DataSetState::Browse);
    QCOMPARE(DM1->Table_stud->fieldByName(QStringLiteral("学号")).asString(), QStringLiteral("S9"));

    // Ready for the next student: only the number box was emptied.
    QVERIFY(w->Edit_New_StudNo->text().isEmpty());
    QCOMPARE(w->Edit_New_Stud_Name->text(), name);
    QCOMPARE(w->ComboBox_New_Class->currentText(), QStringLiteral("二班"));
    w->Edit_New_StudNo->setText(QStringLiteral("S10"));
    fixture::click(w->Button_OK);
    QVariantList second = expected;
    second[0] = QStringLiteral("S10");
    QCOMPARE(students().size(), 5);
    QCOMPARE(students().last(), second);
    QCOMPARE(DM1->Table_stud->fieldByName(QStringLiteral("学号")).asString(), QStringLiteral("S10"));
}

void StudentRegisterTest::numberAndNameAloneWriteEmptyTextsAndStartDates()
{
    m_w = std::make_unique<StudentWindows>(*m_dir);
    TForm9_Add_Stud *w = m_w->add;
    w->show();
    w->Edit_New_StudNo->setText(QStringLiteral("S9"));
    w->Edit_New_Stud_Name->setText(QStringLiteral("王五"));
    fixture::Boxes boxes;
    fixture::click(w->Button_OK);

    const QVariantList row = students().last();
    QCOMPARE(row[0].toString(), QStringLiteral("S9"));
    QCOMPARE(row[1].toString(), QStringLiteral("王五"));
    for (int i : {2, 3, 4, 7, 8, 9})
        QVERIFY2(row[i].toString().isEmpty(), qPrintable(QString::number(i)));
    QCOMPARE(row[5].toString(), QStringLiteral("2003-04-23"));
    QCOMPARE(row[6].toString(), QStringLiteral("2003-04-23"));
}

void StudentRegisterTest::emptyNumberOrNameRefused_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("name");
    QTest::newRow("no number") << "" << "王五";
    QTest::newRow("no name") << "S9" << "";
    QTest::newRow("neither") << "" << "";
}

void StudentRegisterTest::emptyNumberOrNameRefused()
{
    QFETCH(QString, number);
    QFETCH(QString, name);
    m_w = std::make_unique<StudentWindows>(*m_dir);
    TForm9_Add_Stud *w = m_w->add;
    w->Edit_New_StudNo->setText(number);
    w->Edit_New_Stud_Name->setText(name);
    w->Edit_New_JIGuan->setText(QStringLiteral("北京"));

    fixture::Boxes boxes;
    fixture::click(w->Button_OK);
    QCOMPARE(boxes.texts(), QStringList{Empty});
    QCOMPARE(boxes.shown[0].title, QStringLiteral("系统提示"));
    QCOMPARE(students().size(), 3);
    QCOMPARE(DM1->Table_stud->state(), DataSetState::Browse);
    QCOMPARE(w->Edit_New_StudNo->text(), number);
}

void StudentRegisterTest::classListRebuiltOnEveryShow()
{
    m_w = std::make_unique<StudentWindows>(*m_dir);
    TForm9_Add_Stud *w = m_w->add;
    auto items = [w] {
        QStringList l;
        for (int i = 0; i < w->ComboBox_New_Class->count(); ++i)
            l << w->ComboBox_New_Class->itemText(i);
        return l;
    };
    w->show();
    QCOMPARE(items(), (QStringList{"一班", "二班"}));
    QCOMPARE(w->ComboBox_New_Class->currentIndex(), -1);
    QCOMPARE(w->ComboBox_New_Sex->currentIndex(), -1);
    QCOMPARE(DM1->Table_Class->recNo(), 1);

    w->ComboBox_New_Class->setCurrentIndex(0);
    w->ComboBox_New_Sex->setCurrentIndex(0);
    w->Edit_New_JIGuan->setText(QStringLiteral("上海"));
    w->DateTime_New_Brothday->setDate(QDate(1990, 1, 2));
    w->hide();
    DM1->Table_Class->append();
    DM1->Table_Class->fields(1).setAsString(QStringLiteral("三班"));
    DM1->Table_Class->post();

    w->show();
    QCOMPARE(items(), (QStringList{"一班", "二班", "三班"}));
    QCOMPARE(w->ComboBox_New_Class->currentIndex(), -1);
    QCOMPARE(w->ComboBox_New_Sex->currentText(), QStringLiteral("男"));
    QCOMPARE(w->Edit_New_JIGuan->text(), QStringLiteral("上海"));
    QCOMPARE(w->DateTime_New_Brothday->date(), QDate(1990, 1, 2));
}

// Opened from the management window, a registration shows at once in its
// status line behind the dialog; Cancel closes the dialog.
void StudentRegisterTest::registeringFromManagementWindow()
{
    m_w = std::make_unique<StudentWindows>(*m_dir);
    TForm3_stud *stud = m_w->stud;
    TForm9_Add_Stud *w = m_w->add;
    fixture::Boxes boxes;
    bool ran = false;
    fixture::Modal modal([&](QWidget *) {
        QVERIFY(w->isVisible());
        w->Edit_New_StudNo->setText(QStringLiteral("S9"));
        w->Edit_New_Stud_Name->setText(QStringLiteral("王五"));
        fixture::click(w->Button_OK);
        stud->Timer1Timer();
        QCOMPARE(stud->Label12->text(), QStringLiteral("4"));
        fixture::click(w->Button_Cancel);
        QVERIFY(!w->isVisible());
        ran = true;
    });
    fixture::click(stud->Button_Add);
    QVERIFY(ran);
    QCOMPARE(boxes.texts(), QStringList{success("王五")});
}

// A write the engine refuses leaves the complete record pending, not a part
// of it; once the engine takes it again, the next move writes all of it.
void StudentRegisterTest::refusedWriteStaysPendingWhole()
{
    // A write the engine refuses ends the action: one error box, no success
    // message, nothing left pending for a later move to write; the next
    // press of the button, once the engine accepts it, stores the student.
    m_dir->refuseInsert(sch::StudentFile, QStringLiteral("姓名"), QStringLiteral("拒绝"));
    m_w = std::make_unique<StudentWindows>(*m_dir);
    TForm9_Add_Stud *w = m_w->add;
    w->show();
    w->Edit_New_StudNo->setText(QStringLiteral("S9"));
    w->Edit_New_Stud_Name->setText(QStringLiteral("拒绝"));
    w->Edit_New_JIGuan->setText(QStringLiteral("北京"));
    w->ComboBox_New_Class->setCurrentIndex(0);

    fixture::Boxes boxes;
    fixture::click(w->Button_OK);
    QCOMPARE(boxes.texts(), QStringList{QStringLiteral("记录不符合表的约束.")});
    QCOMPARE(w->Edit_New_StudNo->text(), QStringLiteral("S9"));
    store::TTable &t = *DM1->Table_stud;
    QCOMPARE(t.state(), DataSetState::Browse);
    t.first();
    t.last();
    QCOMPARE(students().size(), 3);

    m_dir->refuseInsert(sch::StudentFile, QString(), QString());
    boxes.clear();
    fixture::click(w->Button_OK);
    QCOMPARE(boxes.texts(), QStringList{QStringLiteral("拒绝的注册信息已经成功添加!")});
    QCOMPARE(students().size(), 4);
    QCOMPARE(students().last(),
             (QVariantList{"S9", "拒绝", QVariant(), "北京", QVariant(), "2003-04-23", "2003-04-23", "一班", QVariant(),
                           QVariant()}));
}

// A failure while the new record is being filled leaves no record behind that
// the closing refresh or a later move could write half-filled.
void StudentRegisterTest::failureWhileFillingLeavesNoRecord()
{
    m_w = std::make_unique<StudentWindows>(*m_dir);
    TForm9_Add_Stud *w = m_w->add;
    store::TTable &t = *DM1->Table_stud;
    const auto hook = connect(&t, &store::DataSet::recordChanged, this, [&t] {
        if (t.state() == DataSetState::Insert && t.fieldByName(QStringLiteral("籍贯")).asString() == QStringLiteral("坏"))
            throw store::Error(QStringLiteral("填写失败"));
    });
    w->Edit_New_StudNo->setText(QStringLiteral("S9"));
    w->Edit_New_Stud_Name->setText(QStringLiteral("王五"));
    w->Edit_New_JIGuan->setText(QStringLiteral("坏"));

    fixture::Boxes boxes;
    fixture::click(w->Button_OK);
    disconnect(hook);
    // The failure's one box, and no success message.
    QCOMPARE(boxes.texts(), QStringList{QStringLiteral("填写失败.")});
    QCOMPARE(t.state(), DataSetState::Browse);
    t.first();
    t.last();
    QCOMPARE(students().size(), 3);
}

// One click on a part of a date picker's date chooses that part: the digits
// typed next replace it.
void StudentRegisterTest::pickerTakesDigitsAfterOneClick_data()
{
    QTest::addColumn<int>("at"); // the caret position clicked, in "2003-04-23"
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QDate>("date");
    QTest::newRow("year") << 2 << "1990" << QDate(1990, 4, 23);
    QTest::newRow("month") << 6 << "11" << QDate(2003, 11, 23);
    QTest::newRow("day") << 8 << "5" << QDate(2003, 4, 5);
}

void StudentRegisterTest::pickerTakesDigitsAfterOneClick()
{
    QFETCH(int, at);
    QFETCH(QString, typed);
    m_w = std::make_unique<StudentWindows>(*m_dir);
    TForm9_Add_Stud *w = m_w->add;
    w->Edit_New_StudNo->setText(QStringLiteral("S9")); // no duplicate when it is left
    fixture::Boxes boxes;
    QVERIFY(showActive(w));
    auto *text = w->DateTime_New_Brothday->findChild<QLineEdit *>();
    QVERIFY(text);
    QCOMPARE(text->text(), QStringLiteral("2003-04-23"));
    QList<int> xs; // where a click puts the caret at `at`
    for (int x = 0; x < text->width(); ++x) {
        if (text->cursorPositionAt(QPoint(x, text->height() / 2)) == at)
            xs << x;
    }
    QVERIFY(!xs.isEmpty());
    const QPoint click(xs[xs.size() / 2], text->height() / 2);

    QTest::mouseClick(text, Qt::LeftButton, {}, click);
    QTest::keyClicks(w->DateTime_New_Brothday, typed);
    QTest::keyClick(w->DateTime_New_Brothday, Qt::Key_Tab);

    QTEST(w->DateTime_New_Brothday->date(), "date");
    QVERIFY(boxes.shown.isEmpty());
}

QM_APP_TEST_MAIN(StudentRegisterTest)
#include "test_student_register.moc"
