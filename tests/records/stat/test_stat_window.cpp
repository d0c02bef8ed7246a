// The statistics window as the head teacher uses it: opened from the score
// management window, a class and a course chosen, the table, the chart and
// the ranks; the marks remembered; the report cards previewed.
#include "core/Globals.h"
#include "records/score/TForm6_Scorce.h"
#include "records/stat/BandChart.h"
#include "records/stat/TForm26_Stat.h"
#include "dbwidgets/DBGrid.h"
#include "reports/ScoreCards.h"
#include "reports/engine/ReportPreview.h"
#include "skin/SkinButton.h"
#include "skin/SkinComboBox.h"
#include "skin/SkinForm.h"
#include "statistics/Settings.h"
#include "tests/statistics/ClassOfTen.h"
#include "tests/support/ProgramWindows.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QSpinBox>
#include <QTableView>
#include <QtTest>

#include <memory>

class StatWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void openedFromScoreManagement();
    void classAndCourseFigures();
    void allCoursesAndTheRankOption();
    void marksRememberedAndChecked();
    void reportCards_data();
    void reportCards();

private:
    // Shows the window, picks the class and the course (empty: all) and
    // clicks "统计".
    void run(const QString &cls, const QString &course);
    QStringList row(QAbstractTableModel *m, int r);

    std::unique_ptr<fixture::DataDir> m_dir;
    std::unique_ptr<fixture::ProgramWindows> m_windows;
    std::unique_ptr<QTemporaryDir> m_engineDir;
    TForm26_Stat *w = nullptr;
};

void StatWindowTest::init()
{
    m_dir = std::make_unique<fixture::DataDir>();
    classOfTen::fill(*m_dir);
    m_dir->addClass(QStringLiteral("1"), classOfTen::Class);
    m_dir->addClass(QStringLiteral("2"), classOfTen::Other);
    m_dir->addCourse(QStringLiteral("1"), classOfTen::Maths);
    m_dir->addCourse(QStringLiteral("2"), classOfTen::Chinese);
    m_windows = std::make_unique<fixture::ProgramWindows>(m_dir->path());
    // The remembered marks go beside engine settings of the test's own.
    m_engineDir = std::make_unique<QTemporaryDir>();
    EnginePath = m_engineDir->path() + u'/';
    w = fixture::ProgramWindows::window<TForm26_Stat>();
    QVERIFY(w);
}

void StatWindowTest::cleanup()
{
    m_windows.reset();
    m_dir.reset();
    m_engineDir.reset();
}

QStringList StatWindowTest::row(QAbstractTableModel *m, int r)
{
    QStringList out;
    for (int c = 0; c < m->columnCount(); ++c)
        out << m->data(m->index(r, c)).toString();
    return out;
}

void StatWindowTest::run(const QString &cls, const QString &course)
{
    w->show();
    w->ComboBox_Class->setCurrentText(cls.isEmpty() ? QStringLiteral("全部班级") : cls);
    w->ComboBox_Course->setCurrentText(course.isEmpty() ? QStringLiteral("全部课程") : course);
    fixture::click(w->Button_Stat);
}

void StatWindowTest::openedFromScoreManagement()
{
    auto *manage = fixture::ProgramWindows::window<TForm6_Scorce>();
    manage->show();
    // The existing controls keep their places; the new button is below them.
    QCOMPARE(manage->Button_Query->geometry(), QRect(356, 178, 140, 23));
    QCOMPARE(manage->DBGrid1->geometry(), QRect(8, 256, 496, 132));
    QCOMPARE(manage->Button_Stat->geometry(), QRect(356, 226, 140, 23));
    // The skinned frame covers the whole window; every control on it stays clear.
    for (QWidget *other : manage->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (other != manage->Button_Stat && other->isVisible() && !qobject_cast<TSkinForm *>(other))
            QVERIFY2(!other->geometry().intersects(manage->Button_Stat->geometry()), qPrintable(other->objectName()));
    }
    fixture::Modal modal([&](QWidget *shown) {
        QCOMPARE(shown, w);
        // The lists come from the class and course tables.
        QCOMPARE(w->ComboBox_Class->count(), 3);
        QCOMPARE(w->ComboBox_Course->itemText(1), classOfTen::Maths);
        QCOMPARE(w->SpinEdit_Pass->value(), 60);
        QCOMPARE(w->SpinEdit_Excellent->value(), 85);
    });
    fixture::click(manage->Button_Stat);
    QCOMPARE(modal.shown.size(), 1);
}

void StatWindowTest::classAndCourseFigures()
{
    run(classOfTen::Class, classOfTen::Maths);
    QAbstractTableModel *stat = w->statisticsModel();
    QCOMPARE(stat->rowCount(), 1);
    QCOMPARE(row(stat, 0), (QStringList{"数学", "9", "1", "78.44", "100", "55", "8", "88.89%", "4", "44.44%", "1", "2",
                                        "1", "2", "3"}));
    QCOMPARE(stat->headerData(7, Qt::Horizontal).toString(), QStringLiteral("及格率"));
    QCOMPARE(w->Chart_Bands->course(), classOfTen::Maths);
    QCOMPARE(w->Chart_Bands->bands(), (std::array<int, stats::BandCount>{1, 2, 1, 2, 3}));
    QVERIFY(!w->Chart_Bands->grab().isNull());

    // By rank on the total; the student missing a course comes last, unranked.
    QAbstractTableModel *ranks = w->ranksModel();
    QCOMPARE(ranks->rowCount(), 10);
    QCOMPARE(row(ranks, 0), (QStringList{"S01", "学生1", "一班", "95", "2", "175", "87.50", "1"}));
    QCOMPARE(row(ranks, 3), (QStringList{"S09", "学生9", "一班", "84", "5", "170", "85.00", "4"}));
    QCOMPARE(row(ranks, 9), (QStringList{"S07", "学生7", "一班", "缺考", "", "88", "88.00", "缺科不排名"}));

    // The whole school: the other class's student sits the course too.
    run(QString(), classOfTen::Maths);
    QCOMPARE(row(stat, 0).mid(0, 6), (QStringList{"数学", "10", "1", "75.60", "100", "50"}));
    QCOMPARE(ranks->rowCount(), 11);
}

void StatWindowTest::allCoursesAndTheRankOption()
{
    w->show();
    w->CheckBox_RankIncomplete->setChecked(true);
    run(classOfTen::Class, QString());
    QCOMPARE(w->statisticsModel()->rowCount(), 2);
    QCOMPARE(row(w->statisticsModel(), 1).mid(0, 4), (QStringList{"语文", "10", "0", "72.90"}));
    QAbstractTableModel *ranks = w->ranksModel();
    QCOMPARE(ranks->columnCount(), 3 + 4 + 3);
    QCOMPARE(ranks->headerData(4, Qt::Horizontal).toString(), QStringLiteral("数学名次"));
    QCOMPARE(row(ranks, 8), (QStringList{"S07", "学生7", "一班", "缺考", "", "88", "2", "88", "88.00", "9"}));
    // Picking another course's row charts that course.
    w->Grid_Stat->selectRow(1);
    QCOMPARE(w->Chart_Bands->course(), classOfTen::Chinese);
    QCOMPARE(w->Chart_Bands->bands(), (std::array<int, stats::BandCount>{1, 1, 3, 4, 1}));
}

void StatWindowTest::marksRememberedAndChecked()
{
    w->show();
    w->SpinEdit_Pass->setValue(70);
    w->SpinEdit_Excellent->setValue(95);
    run(classOfTen::Class, classOfTen::Maths);
    QCOMPARE(row(w->statisticsModel(), 0).mid(6, 4), (QStringList{"6", "66.67%", "3", "33.33%"}));
    w->hide();
    w->show();
    QCOMPARE(w->SpinEdit_Pass->value(), 70);
    QCOMPARE(w->SpinEdit_Excellent->value(), 95);

    // An excellent mark under the pass mark is refused and not remembered.
    w->SpinEdit_Excellent->setValue(50);
    fixture::Boxes boxes;
    fixture::click(w->Button_Stat);
    QCOMPARE(boxes.texts(), QStringList{QStringLiteral("优秀分数线不能低于及格分数线!")});
    QCOMPARE(stats::loadMarks().excellent, 95);
}

void StatWindowTest::reportCards_data()
{
    QTest::addColumn<QString>("cls");
    QTest::addColumn<int>("choice");
    QTest::addColumn<int>("pages");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("the selected student") << classOfTen::Class << 0 << 1 << QString();
    QTest::newRow("the class") << classOfTen::Class << 1 << 10 << QString();
    QTest::newRow("the school") << classOfTen::Class << 2 << 11 << QString();
    QTest::newRow("the class, none chosen") << QString() << 1 << 0 << QStringLiteral("请先选择一个班级!");
}

void StatWindowTest::reportCards()
{
    QFETCH(QString, cls);
    QFETCH(int, choice);
    QFETCH(int, pages);
    QFETCH(QString, refusal);
    run(cls, QString());
    w->Grid_Rank->selectRow(3);
    w->ComboBox_Cards->setCurrentIndex(choice);
    int shownPages = 0;
    QString firstPage;
    fixture::Modal modal([&](QWidget *shown) {
        auto *preview = qobject_cast<report::ReportPreview *>(shown);
        QVERIFY(preview);
        shownPages = preview->pageCount();
        firstPage = w->scoreCards().Report1.prepare().pages.front().texts().join(u'|');
    });
    fixture::Boxes boxes;
    fixture::click(w->Button_Cards);
    QCOMPARE(boxes.texts(), refusal.isEmpty() ? QStringList() : QStringList{refusal});
    QCOMPARE(shownPages, pages);
    if (choice == 0)
        QVERIFY2(firstPage.contains(QStringLiteral("S09")), qPrintable(firstPage));
}

QM_APP_TEST_MAIN(StatWindowTest)
#include "test_stat_window.moc"
