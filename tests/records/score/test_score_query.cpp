// Score search: the six search modes, the count, and the total and average of
// the current found student's first scores and when they are recomputed.
#include "ScoreFixture.h"

#include "skin/SkinComboBox.h"
#include "skin/SkinEdit.h"
#include "dbwidgets/DBGrid.h"
#include "dbwidgets/DBNavigator.h"

#include <QtTest>

#include <memory>

class ScoreQueryTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void searchModes_data();
    void searchModes();
    void noModeCountsCurrentResult();
    void statistics_data();
    void statistics();
    void mousePressInStudentGridRecomputes();

private:
    void openWithStudents();
    void search(int mode, const QString &text);
    QStringList foundNumbers();
    std::unique_ptr<ScoreWindows> w;
};

void ScoreQueryTest::cleanup() { w.reset(); }

void ScoreQueryTest::openWithStudents()
{
    w = std::make_unique<ScoreWindows>();
    const QString sql = QStringLiteral("INSERT INTO $T(学号,姓名,性别,班级,专业,系别) VALUES(?1,?2,?3,?4,?5,?6)");
    const QString file = store::schema::StudentFile;
    w->dir.exec(file, sql, {"S01", "张三", "男", "一班", "计算机", "信息系"});
    w->dir.exec(file, sql, {"S02", "李四", "女", "二班", "数学", "理学系"});
    w->dir.exec(file, sql, {"S03", "张小明", "男", "一班", "计算机应用", "信息系"});
    w->dir.exec(file, sql, {"s01", "王五", "女", "三班", "英语", "外语系"});
    w->dir.exec(file, sql, {"S05", QVariant(), "男", "二班", "数学", "理学系"});
    w->dir.addScore(1, QStringLiteral("S01"), QStringLiteral("语文"), 60);
    w->dir.addScore(2, QStringLiteral("S01"), QStringLiteral("数学"), 75);
    w->dir.addScore(3, QStringLiteral("S03"), QStringLiteral("语文"), 90);
    w->dir.addScore(4, QStringLiteral("S01"), QStringLiteral("英语"), 80);
    w->open();
}

void ScoreQueryTest::search(int mode, const QString &text)
{
    w->query->ComboBox_Query_Scroce->setCurrentIndex(mode);
    w->query->Edit_StudName->setText(text);
    fixture::click(w->query->skinButton1);
}

QStringList ScoreQueryTest::foundNumbers()
{
    QStringList out;
    store::GridModel &m = w->query->DBGrid2->gridModel();
    for (int row = 0; row < m.rowCount(); ++row)
        out << m.data(m.index(row, 0), Qt::DisplayRole).toString();
    return out;
}

void ScoreQueryTest::searchModes_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("found");
    QTest::newRow("number, exact and case-sensitive") << 0 << "S01" << QStringList{"S01"};
    QTest::newRow("number, part finds nothing") << 0 << "S0" << QStringList{};
    QTest::newRow("number, empty finds blank numbers only") << 0 << "" << QStringList{};
    QTest::newRow("name contains") << 1 << "张" << QStringList{"S01", "S03"};
    QTest::newRow("name, empty finds every non-blank name") << 1 << "" << QStringList{"S01", "S02", "S03", "s01"};
    QTest::newRow("name, underscore is a wildcard") << 1 << "张_明" << QStringList{"S03"};
    QTest::newRow("sex") << 2 << "女" << QStringList{"S02", "s01"};
    QTest::newRow("class, part of the name") << 3 << "一" << QStringList{"S01", "S03"};
    QTest::newRow("speciality") << 4 << "计算机" << QStringList{"S01", "S03"};
    QTest::newRow("department, percent is a wildcard") << 5 << "理%系" << QStringList{"S02", "S05"};
}

void ScoreQueryTest::searchModes()
{
    QFETCH(int, mode);
    QFETCH(QString, text);
    QFETCH(QStringList, found);
    openWithStudents();
    search(mode, text);
    QCOMPARE(foundNumbers(), found);
    QCOMPARE(w->query->Label7->text(), QString::number(found.size()));
    // The score list follows the first found student.
    if (!found.isEmpty())
        QCOMPARE(DM1->Query_Scroce->fieldByName(QStringLiteral("学号")).asString(), found.first());
}

// Without a mode the result stays (all students before any search) and is
// counted, with the statistics of its current student.
void ScoreQueryTest::noModeCountsCurrentResult()
{
    openWithStudents();
    fixture::click(w->query->skinButton1);
    QCOMPARE(w->query->Label7->text(), QStringLiteral("5"));
    QCOMPARE(w->query->Edit_Total->text(), QStringLiteral("215"));

    search(3, QStringLiteral("一"));
    DM1->Query_Scroce->next();
    w->query->ComboBox_Query_Scroce->setCurrentIndex(-1);
    w->query->Edit_StudName->setText(QStringLiteral("李四"));
    fixture::click(w->query->skinButton1);
    QCOMPARE(foundNumbers(), QStringList({QStringLiteral("S01"), QStringLiteral("S03")}));
    QCOMPARE(w->query->Label7->text(), QStringLiteral("2"));
    QCOMPARE(w->query->Edit_Total->text(), QStringLiteral("90"));
}

void ScoreQueryTest::statistics_data()
{
    QTest::addColumn<QVariantList>("scores"); // first scores of S1
    QTest::addColumn<QString>("otherCase");   // 学号 of one more record, 90
    QTest::addColumn<QString>("total");
    QTest::addColumn<QString>("average");
    QTest::newRow("60, 75, 80") << QVariantList{60, 75, 80} << QString() << "215" << "71";
    QTest::newRow("number differing in letter case") << QVariantList{60, 75, 80} << "s1" << "215" << "71";
    QTest::newRow("empty score counts as 0") << QVariantList{50, QVariant()} << QString() << "50" << "25";
    QTest::newRow("no score records") << QVariantList{} << QString() << "0" << "";
    QTest::newRow("only other-case records") << QVariantList{} << "s1" << "0" << "";
}

void ScoreQueryTest::statistics()
{
    QFETCH(QVariantList, scores);
    QFETCH(QString, otherCase);
    QFETCH(QString, total);
    QFETCH(QString, average);
    w = std::make_unique<ScoreWindows>();
    w->dir.addStudent(QStringLiteral("S9"), QStringLiteral("乙"));
    w->dir.addStudent(QStringLiteral("S1"), QStringLiteral("甲"));
    int seq = 0;
    w->dir.addScore(++seq, QStringLiteral("S9"), QStringLiteral("语文"), 100);
    w->dir.addScore(++seq, QStringLiteral("S9"), QStringLiteral("数学"), 81);
    for (const QVariant &s : scores)
        w->dir.addScore(++seq, QStringLiteral("S1"), QStringLiteral("科目"), s);
    if (!otherCase.isEmpty())
        w->dir.addScore(++seq, otherCase, QStringLiteral("科目"), 90);
    w->open();

    // The student shown before leaves figures of its own in both boxes.
    search(0, QStringLiteral("S9"));
    QCOMPARE(w->query->Edit_Total->text(), QStringLiteral("181"));
    QCOMPARE(w->query->Edit_PingJun->text(), QStringLiteral("90"));

    search(0, QStringLiteral("S1"));
    QCOMPARE(w->query->Edit_Total->text(), total);
    QCOMPARE(w->query->Edit_PingJun->text(), average);
}

void ScoreQueryTest::mousePressInStudentGridRecomputes()
{
    openWithStudents();
    w->query->show();
    search(3, QStringLiteral("一")); // S01 (60 + 75 + 80), S03 (90)
    QCOMPARE(w->query->Edit_Total->text(), QStringLiteral("215"));

    store::TDBGrid *grid = w->query->DBGrid2;
    const QRect second = grid->visualRect(grid->gridModel().index(1, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, second.center());
    QCOMPARE(DM1->Query_Scroce->fieldByName(QStringLiteral("学号")).asString(), QStringLiteral("S03"));
    QCOMPARE(w->query->Edit_Total->text(), QStringLiteral("90"));
    QCOMPARE(w->query->Edit_PingJun->text(), QStringLiteral("90"));

    // The navigator moves the score list, not the statistics.
    w->query->DBNavigator2->click(store::NavButton::Prior);
    QCOMPARE(w->query->DBGrid1->gridModel().rowCount(), 3);
    QCOMPARE(w->query->Edit_Total->text(), QStringLiteral("90"));
    QCOMPARE(w->query->Label7->text(), QStringLiteral("2"));
}

QM_APP_TEST_MAIN(ScoreQueryTest)
#include "test_score_query.moc"
