// The course search window: the two search modes, the found course's plan
// following the grid, and the count line of a closed query.
#include "CourseWorld.h"
#include "skin/SkinComboBox.h"
#include "skin/SkinEdit.h"
#include "dbwidgets/DBControls.h"
#include "dbwidgets/DBGrid.h"
#include "dbwidgets/DBNavigator.h"

#include <QtTest>

class CourseQueryTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { w.reset(); }

    void searchModes_data();
    void searchModes();
    void noModeChosenChangesNothing();
    void planBoxesFollowTheFoundCourse();
    void closedQueryShowsZero();

private:
    QStringList found();
    void search(int mode, const QString &text);
    std::unique_ptr<CourseWorld> w;
};

void CourseQueryTest::init()
{
    w = std::make_unique<CourseWorld>();
    w->dir.addCourse("C01", "高等数学");
    w->dir.addCourse("C02", "线性代数");
    w->dir.addCourse("C03", "数学建模");
    w->dir.addCourse("C10", "英语");
    w->dir.exec(store::schema::PlanFile, "INSERT INTO $T VALUES(1,'C01','64','48','0','16',4,'1'),"
                                         "(2,'C03','32','16','8','8',2,'3')");
    w->open();
}

QStringList CourseQueryTest::found()
{
    // Read through the grid, as the user sees it.
    store::GridModel &m = w->query->DBGrid1->gridModel();
    QStringList out;
    for (int r = 0; r < m.rowCount(); ++r)
        out << m.data(m.index(r, 0), Qt::DisplayRole).toString();
    return out;
}

void CourseQueryTest::search(int mode, const QString &text)
{
    w->query->ComboBox_Object_Query->setCurrentIndex(mode);
    w->query->Edit_Object_Query->setText(text);
    fixture::click(w->query->Button_Object_Query);
}

void CourseQueryTest::searchModes_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("planCourse"); // the plan boxes' course number

    QTest::newRow("number, exact") << 0 << "C03" << QStringList{"C03"} << "C03";
    QTest::newRow("number, no such course") << 0 << "C99" << QStringList{} << "";
    QTest::newRow("number, part of one") << 0 << "C0" << QStringList{} << "";
    QTest::newRow("number, trailing blank") << 0 << "C01 " << QStringList{} << "";
    QTest::newRow("number, course without plan") << 0 << "C02" << QStringList{"C02"} << "";
    QTest::newRow("name, contained") << 1 << "数学" << QStringList{"C01", "C03"} << "C01";
    QTest::newRow("name, empty text finds all") << 1 << "" << QStringList{"C01", "C02", "C03", "C10"} << "C01";
    QTest::newRow("name, underscore is a wildcard") << 1 << "_语" << QStringList{"C10"} << "";
    QTest::newRow("name, percent is a wildcard") << 1 << "数%模" << QStringList{"C03"} << "C03";
}

void CourseQueryTest::searchModes()
{
    QFETCH(int, mode);
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    QFETCH(QString, planCourse);

    search(mode, text);
    w->query->Timer1Timer();

    QCOMPARE(found(), expected);
    QCOMPARE(w->query->Label11->text(), QString::number(expected.size()));
    QCOMPARE(w->query->Label13->text(), expected.isEmpty() ? QStringLiteral("0") : QStringLiteral("1"));
    QCOMPARE(w->query->DBEdit1->text(), planCourse);
}

void CourseQueryTest::noModeChosenChangesNothing()
{
    TForm14_Object_Query &q = *w->query;
    // The first opening shows every course; nothing chosen leaves it so.
    q.Edit_Object_Query->setText("C01");
    fixture::click(q.Button_Object_Query);
    QCOMPARE(found().size(), 4);

    search(0, "C01");
    q.Timer1Timer();
    q.ComboBox_Object_Query->setCurrentIndex(-1);
    q.Edit_Object_Query->setText("C02");
    fixture::click(q.Button_Object_Query);
    q.Timer1Timer();
    QCOMPARE(found(), QStringList{"C01"});
    QCOMPARE(q.Label11->text(), QStringLiteral("1"));
    QCOMPARE(DM1->Query_Object->sql().join(u' '), QStringLiteral("select * from 课程信息.db where 课程号=:ObjectNo"));
}

void CourseQueryTest::planBoxesFollowTheFoundCourse()
{
    TForm14_Object_Query &q = *w->query;
    search(1, "数学");
    QCOMPARE((QStringList{q.DBEdit1->text(), q.DBEdit2->text(), q.DBEdit3->text(), q.DBEdit4->text(),
                          q.DBEdit5->text(), q.DBEdit6->text(), q.DBEdit7->text()}),
             (QStringList{"C01", "64", "48", "0", "16", "4", "1"}));
    q.DBNavigator1->click(store::NavButton::Next);
    q.Timer1Timer();
    QCOMPARE(q.Label13->text(), QStringLiteral("2"));
    QCOMPARE((QStringList{q.DBEdit1->text(), q.DBEdit2->text(), q.DBEdit3->text(), q.DBEdit4->text(),
                          q.DBEdit5->text(), q.DBEdit6->text(), q.DBEdit7->text()}),
             (QStringList{"C03", "32", "16", "8", "8", "2", "3"}));
    // The search never moves the course management window's course.
    QCOMPARE(w->manage->Edit_ObjectNo->text(), QStringLiteral("C01"));
}

void CourseQueryTest::closedQueryShowsZero()
{
    TForm14_Object_Query &q = *w->query;
    search(1, "");
    q.DBNavigator1->click(store::NavButton::Last);
    q.Timer1Timer();
    QCOMPARE(q.Label13->text(), QStringLiteral("4"));

    DM1->Query_Object->close(); // as a failed search leaves it
    q.Timer1Timer();
    QCOMPARE(q.Label11->text(), QStringLiteral("0"));
    QCOMPARE(q.Label13->text(), QStringLiteral("0"));
    QCOMPARE(q.DBEdit2->text(), QString());

    search(0, "C10");
    q.Timer1Timer();
    QCOMPARE(q.Label11->text(), QStringLiteral("1"));
}

QM_APP_TEST_MAIN(CourseQueryTest)
#include "test_course_query.moc"
