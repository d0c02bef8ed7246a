// Adding scores: the new record and its number, the subject list, the
// integer-only key filter, and failed additions that leave nothing behind.
#include "ScoreFixture.h"

#include "db/Engines.h"
#include "skin/SkinComboBox.h"
#include "skin/SkinEdit.h"
#include "dbwidgets/DBGrid.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QtTest>

#include <memory>

class ScoreAddTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void firstShowingListsCourses();
    void addsOneRecordForCurrentStudent_data();
    void addsOneRecordForCurrentStudent();
    void keyFilter_data();
    void keyFilter();
    void failedConversionLeavesNothingBehind_data();
    void failedConversionLeavesNothingBehind();
    void refusedPostLeavesNothingBehind();
    void shownRecordsGoneMeanwhileAreRefused_data();
    void shownRecordsGoneMeanwhileAreRefused();

private:
    // Students S1 and S2 (S2 current), `scores` score records numbered 1 …
    // for S1, courses 语文, 数学, 语文; the add window shown.
    void openWith(int scores);
    void setBoxes(const QString &score, const QString &m1, const QString &m2);
    // 序号, 学号, 科目 and the three scores of the record with this number.
    QVariantList stored(int seq);
    std::unique_ptr<ScoreWindows> w;
};

void ScoreAddTest::cleanup() { w.reset(); }

void ScoreAddTest::openWith(int scores)
{
    w = std::make_unique<ScoreWindows>();
    w->dir.addStudent(QStringLiteral("S1"), QStringLiteral("张三"));
    w->dir.addStudent(QStringLiteral("S2"), QStringLiteral("李四"));
    for (int i = 1; i <= scores; ++i)
        w->dir.addScore(i, QStringLiteral("S1"), QStringLiteral("科目%1").arg(i), 60);
    w->dir.addCourse(QStringLiteral("C1"), QStringLiteral("语文"));
    w->dir.addCourse(QStringLiteral("C2"), QStringLiteral("数学"));
    w->dir.addCourse(QStringLiteral("C3"), QStringLiteral("语文"));
    w->open();
    DM1->Table_stud->next();
    w->add->show();
}

void ScoreAddTest::setBoxes(const QString &score, const QString &m1, const QString &m2)
{
    w->add->Edit_New_Scroce->setText(score);
    w->add->Edit_New_BuKao1->setText(m1);
    w->add->Edit_New_BuKao2->setText(m2);
}

QVariantList ScoreAddTest::stored(int seq)
{
    store::commitAll();
    const auto rows = w->dir.rows(store::schema::ScoreFile, QStringLiteral("SELECT * FROM $T WHERE 序号 = ?1"), {seq});
    return rows.isEmpty() ? QVariantList() : rows.first();
}

void ScoreAddTest::firstShowingListsCourses()
{
    w = std::make_unique<ScoreWindows>();
    w->openWithThreeCourses();
    w->add->show();
    TSkinComboBox *list = w->add->ComboBox_Kecheng_New;
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->itemText(i);
    QCOMPARE(items, QStringList({QStringLiteral("语文"), QStringLiteral("数学"), QStringLiteral("语文")}));
    QCOMPARE(list->currentIndex(), -1);
    QCOMPARE(DM1->Table_Object->recNo(), 1);

    // Closed with 取消 and shown again, it fills the list afresh and drops
    // the choice.
    list->setCurrentIndex(1);
    fixture::click(w->add->Button_Cancel);
    QVERIFY(!w->add->isVisible());
    w->add->show();
    QCOMPARE(list->count(), 3);
    QCOMPARE(list->currentIndex(), -1);
}

void ScoreAddTest::addsOneRecordForCurrentStudent_data()
{
    QTest::addColumn<int>("existing");
    QTest::addColumn<int>("subject");
    QTest::addColumn<QStringList>("boxes"); // empty: as the window starts
    QTest::addColumn<QVariantList>("expected");
    QTest::newRow("seven records give eight")
        << 7 << 1 << QStringList{QStringLiteral("85"), QStringLiteral("60"), QStringLiteral("-3")}
        << QVariantList{8, QStringLiteral("S2"), QStringLiteral("数学"), 85, 60, -3};
    QTest::newRow("first opening stores zeros")
        << 0 << 0 << QStringList() << QVariantList{1, QStringLiteral("S2"), QStringLiteral("语文"), 0, 0, 0};
    QTest::newRow("no subject chosen")
        << 2 << -1 << QStringList{QStringLiteral("70"), QStringLiteral("0"), QStringLiteral("0")}
        << QVariantList{3, QStringLiteral("S2"), QVariant(), 70, 0, 0};
}

void ScoreAddTest::addsOneRecordForCurrentStudent()
{
    QFETCH(int, existing);
    QFETCH(int, subject);
    QFETCH(QStringList, boxes);
    QFETCH(QVariantList, expected);
    openWith(existing);
    w->add->ComboBox_Kecheng_New->setCurrentIndex(subject);
    if (!boxes.isEmpty())
        setBoxes(boxes[0], boxes[1], boxes[2]);
    const int addGridRows = w->add->Grid_Scroce_New->gridModel().rowCount();
    const int manageGridRows = w->manage->DBGrid1->gridModel().rowCount();

    fixture::click(w->add->Button_OK);

    QVariantList row = stored(expected[0].toInt());
    QCOMPARE(row.size(), 6);
    for (int i = 0; i < 6; ++i) {
        if (!expected[i].isValid())
            QVERIFY2(row[i].isNull() || row[i].toString().isEmpty(), "field should be empty");
        else
            QCOMPARE(row[i].toString(), expected[i].toString());
    }
    QCOMPARE(w->storedCount(), existing + 1);
    // Both grids over the current student's scores list it at once.
    QCOMPARE(w->add->Grid_Scroce_New->gridModel().rowCount(), addGridRows + 1);
    QCOMPARE(w->manage->DBGrid1->gridModel().rowCount(), manageGridRows + 1);
    // The window keeps its input for the next subject.
    QCOMPARE(w->add->ComboBox_Kecheng_New->currentIndex(), subject);
}

void ScoreAddTest::keyFilter_data()
{
    QTest::addColumn<QTestEventList>("keys");
    QTest::addColumn<QString>("text"); // each box starts with "0", cursor at the end
    QTest::addColumn<bool>("refused");
    auto keys = [](std::initializer_list<std::pair<Qt::Key, Qt::KeyboardModifiers>> ks) {
        QTestEventList l;
        for (const auto &k : ks)
            l.addKeyClick(k.first, k.second);
        return l;
    };
    QTest::newRow("digit") << keys({{Qt::Key_7, Qt::NoModifier}}) << QStringLiteral("07") << false;
    QTest::newRow("keypad digit") << keys({{Qt::Key_5, Qt::KeypadModifier}}) << QStringLiteral("05") << false;
    QTest::newRow("letter") << keys({{Qt::Key_A, Qt::NoModifier}}) << QStringLiteral("0") << true;
    QTest::newRow("minus") << keys({{Qt::Key_Minus, Qt::NoModifier}}) << QStringLiteral("0") << true;
    QTest::newRow("space") << keys({{Qt::Key_Space, Qt::NoModifier}}) << QStringLiteral("0") << true;
    QTest::newRow("shifted digit") << keys({{Qt::Key_Exclam, Qt::ShiftModifier}}) << QStringLiteral("0") << true;
    QTest::newRow("backspace") << keys({{Qt::Key_Backspace, Qt::NoModifier}}) << QStringLiteral("0") << true;
    QTest::newRow("enter") << keys({{Qt::Key_Return, Qt::NoModifier}}) << QStringLiteral("0") << true;
    QTest::newRow("escape") << keys({{Qt::Key_Escape, Qt::NoModifier}}) << QStringLiteral("0") << true;
    // Ctrl+V types a control character, which is discarded before it pastes.
    QTest::newRow("ctrl+v") << keys({{Qt::Key_V, Qt::ControlModifier}}) << QStringLiteral("0") << true;
    // Keys that type no character pass.
    QTest::newRow("home then delete") << keys({{Qt::Key_Home, Qt::NoModifier}, {Qt::Key_Delete, Qt::NoModifier}})
                                      << QString() << false;
    QTest::newRow("left then digit") << keys({{Qt::Key_Left, Qt::NoModifier}, {Qt::Key_9, Qt::NoModifier}})
                                     << QStringLiteral("90") << false;
}

void ScoreAddTest::keyFilter()
{
    QFETCH(QTestEventList, keys);
    QFETCH(QString, text);
    QFETCH(bool, refused);
    openWith(0);
    QGuiApplication::clipboard()->setText(QStringLiteral("5"));
    for (TSkinEdit *box : {w->add->Edit_New_Scroce, w->add->Edit_New_BuKao1, w->add->Edit_New_BuKao2}) {
        box->setText(QStringLiteral("0"));
        fixture::Boxes boxes;
        keys.simulate(box);
        QCOMPARE(box->text(), text);
        QCOMPARE(boxes.shown.size(), refused ? 1 : 0);
        if (refused) {
            QCOMPARE(boxes.shown[0].text, QStringLiteral("请输入整数!"));
            QCOMPARE(boxes.shown[0].title, QStringLiteral("错误"));
            QCOMPARE(boxes.shown[0].icon, ui::Icon::Information);
            QCOMPARE(boxes.shown[0].buttons, ui::Buttons::Ok);
            QCOMPARE(boxes.shown[0].owner, nullptr);
        }
    }
}

void ScoreAddTest::failedConversionLeavesNothingBehind_data()
{
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("error");
    QTest::newRow("empty score") << QStringList{QString(), QStringLiteral("0"), QStringLiteral("0")}
                                 << QStringLiteral("'' 不是一个有效的整形值");
    QTest::newRow("first make-up out of range")
        << QStringList{QStringLiteral("50"), QStringLiteral("2147483648"), QStringLiteral("0")}
        << QStringLiteral("'2147483648' 不是一个有效的整形值");
    QTest::newRow("empty second make-up") << QStringList{QStringLiteral("50"), QStringLiteral("0"), QString()}
                                          << QStringLiteral("'' 不是一个有效的整形值");
}

void ScoreAddTest::failedConversionLeavesNothingBehind()
{
    QFETCH(QStringList, boxes);
    QFETCH(QString, error);
    openWith(2);
    w->add->ComboBox_Kecheng_New->setCurrentIndex(1);
    setBoxes(boxes[0], boxes[1], boxes[2]);
    fixture::Boxes shown;
    fixture::click(w->add->Button_OK);
    QCOMPARE(shown.texts(), QStringList{ui::standardErrorText(error)});
    // Any move of the whole score table would write a record still pending.
    DM1->Table_Scroce_2->first();
    DM1->Table_Scroce_2->last();
    QCOMPARE(w->storedCount(), 2);

    setBoxes(QStringLiteral("70"), QStringLiteral("0"), QStringLiteral("0"));
    fixture::click(w->add->Button_OK);
    QCOMPARE(w->storedCount(), 3);
    QCOMPARE(stored(3), (QVariantList{3, QStringLiteral("S2"), QStringLiteral("数学"), 70, 0, 0}));
    QCOMPARE(w->add->Grid_Scroce_New->gridModel().rowCount(), 1);
}

// A gap in the numbers makes count + 1 a number in use. The refused record
// must not be written by the next move of the score table (the deletion's
// renumbering here), and once the numbers are whole again adding works.
void ScoreAddTest::refusedPostLeavesNothingBehind()
{
    w = std::make_unique<ScoreWindows>();
    w->dir.addStudent(QStringLiteral("S1"), QStringLiteral("张三"));
    w->dir.addScore(1, QStringLiteral("S1"), QStringLiteral("语文"), 80);
    w->dir.addScore(2, QStringLiteral("S1"), QStringLiteral("数学"), 70);
    w->dir.addScore(4, QStringLiteral("S1"), QStringLiteral("英语"), 60);
    w->dir.addCourse(QStringLiteral("C1"), QStringLiteral("物理"));
    w->open();
    UserRight = 1;
    w->add->show();
    w->add->ComboBox_Kecheng_New->setCurrentIndex(0);
    fixture::Boxes boxes(ui::IdYes);
    fixture::click(w->add->Button_OK);
    QCOMPARE(boxes.texts(), QStringList{QStringLiteral("关键字重复.")}); // count + 1 is taken
    QCOMPARE(DM1->Table_Scroce_2->state(), store::DataSetState::Browse);
    QCOMPARE(w->add->Grid_Scroce_New->gridModel().rowCount(), 3);

    fixture::click(w->manage->Button_Del); // the first score, 语文
    QCOMPARE(w->storedScores(), QStringList({QStringLiteral("1 S1 数学"), QStringLiteral("2 S1 英语")}));

    fixture::click(w->add->Button_OK);
    QCOMPARE(w->storedScores(),
             QStringList({QStringLiteral("1 S1 数学"), QStringLiteral("2 S1 英语"), QStringLiteral("3 S1 物理")}));
    UserRight = 0;
}

void ScoreAddTest::shownRecordsGoneMeanwhileAreRefused_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("otherProgram");
    QTest::newRow("student deleted") << store::schema::StudentFile << QStringLiteral("DELETE FROM $T WHERE 学号 = 'S2'");
    QTest::newRow("student renamed") << store::schema::StudentFile << QStringLiteral("UPDATE $T SET 姓名 = '王五' WHERE 学号 = 'S2'");
    QTest::newRow("course deleted") << store::schema::CourseFile << QStringLiteral("DELETE FROM $T WHERE 课程名称 = '数学'");
}

// The window was opened for 李四 (S2) and the clerk chose 数学; another
// program changes one of them before 添加 is pressed. The score is not stored
// for whatever record became current meanwhile: nothing is stored.
void ScoreAddTest::shownRecordsGoneMeanwhileAreRefused()
{
    QFETCH(QString, file);
    QFETCH(QString, otherProgram);
    openWith(2);
    w->add->ComboBox_Kecheng_New->setCurrentIndex(1);
    setBoxes(QStringLiteral("88"), QStringLiteral("0"), QStringLiteral("0"));
    w->dir.exec(file, otherProgram);
    fixture::Boxes boxes;

    fixture::click(w->add->Button_OK);

    QCOMPARE(boxes.texts(), QStringList{QStringLiteral("该记录已被其他用户修改或删除,修改没有保存!")});
    QCOMPARE(w->storedScores(), (QStringList{QStringLiteral("1 S1 科目1"), QStringLiteral("2 S1 科目2")}));
    QCOMPARE(DM1->Table_Scroce_2->state(), store::DataSetState::Browse);
}

QM_APP_TEST_MAIN(ScoreAddTest)
#include "test_score_add.moc"
