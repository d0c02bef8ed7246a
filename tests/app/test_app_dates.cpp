// One short date form across the program, the desktop's: a window's boxes
// and grid, the registration picker and the printed student list show a
// date alike, and a clerk types it so; the record layer reads a typed date
// in the order of the desktop's form.
#include "db/Engines.h"
#include "ui/App.h"
#include "core/Globals.h"
#include "records/student/TForm10_Query_Stud.h"
#include "records/student/TForm3_stud.h"
#include "records/student/TForm9_Add_Stud.h"
#include "reports/TForm19.h"
#include "reports/TForm20_Out_Stud.h"
#include "db/Convert.h"
#include "dbwidgets/DBControls.h"
#include "dbwidgets/DBGrid.h"
#include "office/DataModule.h"
#include "data/DataSet.h"
#include "office/Schema.h"
#include "tests/support/Fixture.h"
#include "tests/support/ProgramWindows.h"

#include <QDateEdit>
#include <QScopeGuard>
#include <QtTest>

namespace sch = store::schema;

namespace {

// The dates of this test as each desktop shows them; the C locale names no
// language and gets the form the windows were drawn with.
struct Shapes {
    QString start; // the pickers' 2003-04-23
    QString born;  // 1986-03-06
    QString typed; // 1990-05-04, as a clerk types it
};

const QHash<QString, Shapes> &shapes()
{
    static const QHash<QString, Shapes> table{
        {QStringLiteral("C"), {QStringLiteral("2003-04-23"), QStringLiteral("1986-03-06"), QStringLiteral("1990-05-04")}},
        {QStringLiteral("zh_CN"), {QStringLiteral("2003/4/23"), QStringLiteral("1986/3/6"), QStringLiteral("1990/5/4")}},
    };
    return table;
}

} // namespace

class DatesTest : public QObject {
    Q_OBJECT
private slots:
    void oneShapeEverywhere();
    void typedDates_data();
    void typedDates();
};

void DatesTest::oneShapeEverywhere()
{
    if (!shapes().contains(QLocale().name()))
        QSKIP("a desktop language this test has no dates for");
    const Shapes shape = shapes().value(QLocale().name());

    fixture::DataDir dir;
    dir.insert(sch::StudentFile, {QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("出生日期")},
               {{QStringLiteral("S1"), QStringLiteral("刘静"), QDateTime(QDate(1986, 3, 6), QTime(0, 0))}});
    fixture::ProgramWindows program(dir.path());
    UserRight = 1;
    const auto noRights = qScopeGuard([] { UserRight = 0; });
    fixture::Boxes boxes;

    // The student window's box and grid, the search window's box and grid.
    auto *stud = fixture::ProgramWindows::window<TForm3_stud>();
    QVERIFY(fixture::showActive(stud));
    QCOMPARE(stud->Edit_BrothDay->text(), shape.born);
    QCOMPARE(stud->Grid_Stud->model()->index(0, 5).data().toString(), shape.born);
    auto *search = fixture::ProgramWindows::window<TForm10_Query_Stud>();
    search->show();
    QCOMPARE(search->DBEdit6->text(), shape.born);
    QCOMPARE(search->Grid_Query->model()->index(0, 5).data().toString(), shape.born);
    search->hide();

    // The registration picker.
    auto *add = fixture::ProgramWindows::window<TForm9_Add_Stud>();
    QCOMPARE(add->DateTime_New_Brothday->text(), shape.start);

    // The printed student list.
    auto *chooser = fixture::ProgramWindows::window<TForm19>();
    chooser->show();
    const report::ReportDocument doc = fixture::ProgramWindows::window<TForm20_Out_Stud>()->Report1.prepare();
    chooser->hide();
    QVERIFY2(doc.pages.at(0).texts(report::BandKind::Detail).contains(shape.born),
             qPrintable(doc.pages.at(0).texts(report::BandKind::Detail).join(u'|')));

    // Typed into the box in that form, stored as that date, shown back so.
    fixture::click(stud->Button_XiouGai);
    stud->Edit_BrothDay->setFocus();
    stud->Edit_BrothDay->selectAll();
    QTest::keyClicks(stud->Edit_BrothDay, shape.typed);
    fixture::click(stud->Button_Stud_Post);
    QCOMPARE(boxes.texts(), QStringList());
    store::commitAll();
    const QList<QVariantList> stored = dir.rows(sch::StudentFile, QStringLiteral("SELECT 出生日期 FROM $T"));
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored[0][0].toDate(), QDate(1990, 5, 4));
    QCOMPARE(stud->Edit_BrothDay->text(), shape.typed);
}

// The record layer's reading of a typed date and its text for a date, on
// desktops whose forms put the parts in other orders.
void DatesTest::typedDates_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QDateTime>("read"); // invalid: refused
    QTest::addColumn<QString>("shown");  // the text of what was read

    const QDateTime march6(QDate(1986, 3, 6), QTime(0, 0));
    QTest::newRow("C, the stored form") << "C" << "1986-03-06" << march6 << "1986-03-06";
    QTest::newRow("C, slashes") << "C" << "1986/3/6" << march6 << "1986-03-06";
    QTest::newRow("C, day first is no date") << "C" << "6/3/1986" << QDateTime() << "";
    QTest::newRow("Chinese") << "zh_CN" << "1986/3/6" << march6 << "1986/3/6";
    QTest::newRow("Chinese, the stored form") << "zh_CN" << "1986-03-06" << march6 << "1986/3/6";
    QTest::newRow("Chinese, with a time") << "zh_CN" << "1986/3/6 10:30" << QDateTime(QDate(1986, 3, 6), QTime(10, 30))
                                          << "1986/3/6 10:30:00";
    QTest::newRow("Chinese, no such day") << "zh_CN" << "1986/2/30" << QDateTime() << "";
    // The desktop's year has two digits; a date of birth keeps its century.
    QTest::newRow("American, month first") << "en_US" << "3/6/1986" << march6 << "3/6/1986";
    QTest::newRow("American, two-digit year") << "en_US" << "3/6/86" << QDateTime() << "";
    QTest::newRow("British, day first") << "en_GB" << "6/3/1986" << march6 << "06/03/1986";
    QTest::newRow("German, points") << "de_DE" << "6.3.1986" << march6 << "06.03.1986";
    QTest::newRow("German, the stored form") << "de_DE" << "1986-03-06" << march6 << "06.03.1986";
    QTest::newRow("no date") << "zh_CN" << "三月六日" << QDateTime() << "";
}

void DatesTest::typedDates()
{
    QFETCH(QString, locale);
    QFETCH(QString, typed);
    QFETCH(QDateTime, read);
    QFETCH(QString, shown);
    const QLocale before;
    QLocale::setDefault(QLocale(locale));
    const auto back = qScopeGuard([&] { QLocale::setDefault(before); });

    if (!read.isValid()) {
        try {
            store::strToDateTime(typed);
            QFAIL("read as a date");
        } catch (const store::Error &e) {
            QCOMPARE(e.text(), QStringLiteral("'%1' 不是一个有效的日期").arg(typed));
        }
        return;
    }
    QCOMPARE(store::strToDateTime(typed), read);
    QCOMPARE(store::DataSet::displayText(read), shown);
}

QM_APP_TEST_MAIN(DatesTest)

#include "test_app_dates.moc"
