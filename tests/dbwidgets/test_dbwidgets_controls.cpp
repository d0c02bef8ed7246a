// Data-aware controls follow their data source and edit through it.
#include "db/Engines.h"
#include "dbwidgets/DBControls.h"
#include "dbwidgets/DBGrid.h"
#include "dbwidgets/DBNavigator.h"
#include "office/Schema.h"
#include "tests/support/Fixture.h"
#include "data/Table.h"
#include "data/Query.h"
#include "data/DataSource.h"

#include <QAbstractItemModelTester>
#include <QLineEdit>
#include <QtTest>

#include <functional>
#include <map>

using namespace store;
namespace sch = store::schema;

class ControlsTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void editBoxFollowsCursorAndTypingEdits();
    void readOnlyBoxAndNonAutoEditSourceDoNotEdit();
    void badTextIsReportedOnceThenDropped();
    void comboShowsChoiceAndWritesIt();
    void gridFollowsAndMovesCursor();
    void gridKeys_data();
    void gridKeys();
    void clickOnAQueryGridNeverEdits();
    void narrowColumnsCutWithoutEllipsis();
    void navigatorMovesAndDisables();
    void boundBoxShowsItsFieldReadOnly();
    void columnsAreTitledWithTheirFields();
    void countersShowZeroWhileClosed();
    void gridModelKeepsTheContract_data();
    void gridModelKeepsTheContract();
    void readsCatchUpWithoutSignalling();
    void refusedTextIsReportedNotThrown_data();
    void refusedTextIsReportedNotThrown();

private:
    std::unique_ptr<fixture::DataDir> m_dir;
    std::unique_ptr<TTable> m_t;
    std::unique_ptr<TDataSource> m_src;
};

void ControlsTest::init()
{
    m_dir = std::make_unique<fixture::DataDir>();
    m_dir->addStudent(QStringLiteral("S1"), QStringLiteral("张三"), QStringLiteral("一班"));
    m_dir->addStudent(QStringLiteral("S2"), QStringLiteral("李四"), QStringLiteral("二班"));
    m_dir->addStudent(QStringLiteral("S3"), QStringLiteral("王五"), QStringLiteral("三班"));
    m_t = std::make_unique<TTable>(QStringLiteral("Table_stud"));
    m_t->setTableName(m_dir->path() + sch::StudentFile);
    m_src = std::make_unique<TDataSource>(QStringLiteral("DS_Stud"), m_t.get());
    m_t->open();
}

void ControlsTest::cleanup()
{
    m_src.reset();
    m_t.reset();
    m_dir.reset();
}

void ControlsTest::editBoxFollowsCursorAndTypingEdits()
{
    TDBEdit e;
    e.setDataSource(m_src.get());
    e.setDataField(QStringLiteral("姓名"));
    QCOMPARE(e.text(), QStringLiteral("张三"));
    m_t->next();
    QCOMPARE(e.text(), QStringLiteral("李四"));
    e.show();
    e.setFocus();
    e.selectAll();
    QTest::keyClicks(&e, QStringLiteral("Li"));
    QCOMPARE(m_t->state(), DataSetState::Edit);
    m_t->next(); // moving writes what was typed
    QCOMPARE(e.text(), QStringLiteral("王五"));
    commitAll();
    QCOMPARE(m_dir->rows(sch::StudentFile, QStringLiteral("SELECT 姓名 FROM $T WHERE 学号='S2'")).first().first().toString(),
             QStringLiteral("Li"));
}

void ControlsTest::readOnlyBoxAndNonAutoEditSourceDoNotEdit()
{
    TDBEdit e;
    e.setDataSource(m_src.get());
    e.setDataField(QStringLiteral("姓名"));
    e.setReadOnly(true);
    e.show();
    QTest::keyClicks(&e, QStringLiteral("x"));
    QCOMPARE(m_t->state(), DataSetState::Browse);
    e.setReadOnly(false);
    m_src->setAutoEdit(false);
    QTest::keyClicks(&e, QStringLiteral("x"));
    QCOMPARE(m_t->state(), DataSetState::Browse);
    QCOMPARE(e.text(), QStringLiteral("张三"));
}

// A text the field refuses is reported by the post that meets it and then
// dropped: the record stays in edit state and the next post or move goes
// through instead of failing on the same text again.
void ControlsTest::badTextIsReportedOnceThenDropped()
{
    TDBEdit e;
    e.setDataSource(m_src.get());
    e.setDataField(QStringLiteral("出生日期"));
    e.show();
    QTest::keyClicks(&e, QStringLiteral("20O3-x"));
    QVERIFY_THROWS_EXCEPTION(Error, m_t->post());
    QCOMPARE(m_t->state(), DataSetState::Edit);
    QCOMPARE(e.text(), QString());
    m_t->next();
    QCOMPARE(m_t->recNo(), 2);
    e.selectAll();
    QTest::keyClicks(&e, QStringLiteral("2003-4-23"));
    m_t->post();
    QCOMPARE(e.text(), QStringLiteral("2003-04-23"));
}

void ControlsTest::comboShowsChoiceAndWritesIt()
{
    TDBComboBox c;
    c.addItems({QStringLiteral("一班"), QStringLiteral("二班")});
    c.setDataSource(m_src.get());
    c.setDataField(QStringLiteral("班级"));
    QCOMPARE(c.currentText(), QStringLiteral("一班"));
    m_t->last();
    QCOMPARE(c.currentIndex(), -1); // a class not among the items shows empty
    m_t->first();
    c.setReadOnly(true);
    c.show();
    QTest::keyClick(&c, Qt::Key_Down);
    QCOMPARE(m_t->state(), DataSetState::Browse);
    c.setReadOnly(false);
    QTest::keyClick(&c, Qt::Key_Down);
    QCOMPARE(m_t->state(), DataSetState::Edit);
    QCOMPARE(m_t->fieldByName(QStringLiteral("班级")).asString(), QStringLiteral("二班"));
}

void ControlsTest::gridFollowsAndMovesCursor()
{
    TDBGrid g;
    g.setDataSource(m_src.get());
    g.setColumns({{QStringLiteral("学号"), QStringLiteral("学号"), 30, true, {}}, {QStringLiteral("姓名"), QStringLiteral("姓名"), 70, true, {}}});
    QCOMPARE(g.model()->rowCount(), 3);
    QCOMPARE(g.model()->index(1, 1).data().toString(), QStringLiteral("李四"));
    QCOMPARE(g.columnWidth(1), 70);
    m_t->last();
    QCOMPARE(g.currentIndex().row(), 2);
    g.setCurrentIndex(g.model()->index(0, 0));
    QCOMPARE(m_t->recNo(), 1);
    m_t->del();
    QCOMPARE(g.model()->rowCount(), 2);
    QCOMPARE(g.model()->index(0, 0).data().toString(), QStringLiteral("S2"));
}

// What a key does in a grid: on an editable grid over a table it appends,
// deletes after asking, and Escape drops the edit or the new blank row; a grid
// marked read-only, or one over a query's result (which takes no changes),
// does none of it.
enum class GridOver { ReadOnlyTable, Table, Query };
enum class Before { Browse, Typed, BlankRow };
Q_DECLARE_METATYPE(GridOver)
Q_DECLARE_METATYPE(Before)

void ControlsTest::gridKeys_data()
{
    QTest::addColumn<GridOver>("over");
    QTest::addColumn<Before>("before");
    QTest::addColumn<int>("row"); // current row before the key, 0-based
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("mods");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("shown"); // the rows afterwards, by name
    QTest::addColumn<int>("boxes");
    const int none = Qt::NoModifier, ctrl = Qt::ControlModifier;
    const QString all = QStringLiteral("张三,李四,王五");
    const int Edit = int(DataSetState::Edit), Insert = int(DataSetState::Insert), Browse = int(DataSetState::Browse);

    QTest::newRow("Insert appends a blank row") << GridOver::Table << Before::Browse << 0 << int(Qt::Key_Insert) << none << Insert << all + u',' << 0;
    QTest::newRow("Down on the last row appends") << GridOver::Table << Before::Browse << 2 << int(Qt::Key_Down) << none << Insert << all + u',' << 0;
    QTest::newRow("Down above the last row moves") << GridOver::Table << Before::Browse << 1 << int(Qt::Key_Down) << none << Browse << all << 0;
    QTest::newRow("Ctrl+Delete asks, then deletes") << GridOver::Table << Before::Browse << 1 << int(Qt::Key_Delete) << ctrl << Browse << QStringLiteral("张三,王五") << 1;
    QTest::newRow("Escape drops the blank row") << GridOver::Table << Before::BlankRow << 3 << int(Qt::Key_Escape) << none << Browse << all << 0;
    QTest::newRow("Escape drops an edit") << GridOver::Table << Before::Typed << 1 << int(Qt::Key_Escape) << none << Browse << all << 0;
    QTest::newRow("Escape while browsing") << GridOver::Table << Before::Browse << 1 << int(Qt::Key_Escape) << none << Browse << all << 0;
    QTest::newRow("typed edit stays without Escape") << GridOver::Table << Before::Typed << 1 << int(Qt::Key_Left) << none << Edit << QStringLiteral("张三,改,王五") << 0;
    for (GridOver over : {GridOver::ReadOnlyTable, GridOver::Query}) {
        const char *on = over == GridOver::Query ? "query: " : "read-only: ";
        QTest::newRow(QByteArray(on).append("Insert").constData()) << over << Before::Browse << 0 << int(Qt::Key_Insert) << none << Browse << all << 0;
        QTest::newRow(QByteArray(on).append("Down on the last row").constData()) << over << Before::Browse << 2 << int(Qt::Key_Down) << none << Browse << all << 0;
        QTest::newRow(QByteArray(on).append("Ctrl+Delete").constData()) << over << Before::Browse << 1 << int(Qt::Key_Delete) << ctrl << Browse << all << 0;
        QTest::newRow(QByteArray(on).append("a letter").constData()) << over << Before::Browse << 1 << int(Qt::Key_A) << none << Browse << all << 0;
    }
}

void ControlsTest::gridKeys()
{
    QFETCH(GridOver, over);
    QFETCH(Before, before);
    QFETCH(int, row);
    QFETCH(int, key);
    QFETCH(int, mods);
    fixture::Boxes boxes(ui::IdOk);

    TQuery q(QStringLiteral("Query_Stud"));
    TDataSource qsrc(QStringLiteral("DS_Query"), &q);
    if (over == GridOver::Query) {
        q.setDatabaseName(m_dir->path());
        q.sql() << QStringLiteral("select * from 学生信息表.db");
        q.open();
    }
    DataSet &ds = over == GridOver::Query ? static_cast<DataSet &>(q) : *m_t;
    TDBGrid g;
    g.setDataSource(over == GridOver::Query ? &qsrc : m_src.get());
    g.setColumns(columns({{"姓名", 70}}));
    g.setReadOnly(over == GridOver::ReadOnlyTable);
    g.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g));
    ds.setRecNo(std::min(row, 2) + 1);
    if (before == Before::Typed)
        ds.edit(), ds.fieldByName(QStringLiteral("姓名")).setAsString(QStringLiteral("改"));
    if (before == Before::BlankRow)
        ds.append();

    QTest::keyClick(&g, Qt::Key(key), Qt::KeyboardModifiers(mods));

    QVERIFY2(!g.indexWidget(g.currentIndex()) && !g.findChild<QLineEdit *>(), "no cell editor opened");
    QTEST(int(ds.state()), "state");
    QStringList shown;
    for (int r = 0; r < g.model()->rowCount(); ++r)
        shown << g.model()->index(r, 0).data().toString();
    QTEST(shown.join(u','), "shown");
    QTEST(int(boxes.shown.size()), "boxes");
}

// A click on the highlighted row of a grid over a query's result opens no
// cell editor, however often it is repeated, and so raises nothing.
void ControlsTest::clickOnAQueryGridNeverEdits()
{
    fixture::Boxes boxes;
    TQuery q(QStringLiteral("Query_Stud"));
    TDataSource src(QStringLiteral("DS_Query"), &q);
    q.setDatabaseName(m_dir->path());
    q.sql() << QStringLiteral("select * from 学生信息表.db");
    q.open();
    TDBGrid g;
    g.setDataSource(&src);
    g.setColumns(columns({{"学号", 30}, {"姓名", 70}}));
    g.setReadOnly(false); // as the score search marks its grid
    g.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g));
    const QPoint cell = g.visualRect(g.model()->index(1, 1)).center();
    for (int i = 0; i < 4; ++i) {
        QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, cell);
        QTest::qWait(QApplication::doubleClickInterval() + 50);
    }
    QTest::mouseDClick(g.viewport(), Qt::LeftButton, {}, cell);
    QCOMPARE(q.recNo(), 2);
    QVERIFY(!g.findChild<QLineEdit *>() || !g.findChild<QLineEdit *>()->isVisible());
    QCOMPARE(q.state(), DataSetState::Browse);
    QCOMPARE(boxes.texts(), QStringList());
}

// A text wider than its column is cut at the edge, never shortened with "…".
void ControlsTest::narrowColumnsCutWithoutEllipsis()
{
    TDBGrid g;
    g.setDataSource(m_src.get());
    g.setColumns(columns({{"学号", 30}}));
    QCOMPARE(g.textElideMode(), Qt::ElideNone);
}

void ControlsTest::navigatorMovesAndDisables()
{
    TDBNavigator nav;
    nav.setDataSource(m_src.get());
    nav.setHints({QStringLiteral("第一个学生"), QStringLiteral("上一个学生"), QStringLiteral("下一个学生"),
                  QStringLiteral("最后一个学生")});
    QCOMPARE(nav.button(NavButton::Next)->toolTip(), QStringLiteral("下一个学生"));
    QVERIFY(!nav.button(NavButton::First)->isEnabled());
    nav.button(NavButton::Last)->click();
    QCOMPARE(m_t->recNo(), 3);
    QVERIFY(!nav.button(NavButton::Next)->isEnabled());
    nav.button(NavButton::Prior)->click();
    QCOMPARE(m_t->recNo(), 2);
    QVERIFY(nav.button(NavButton::First)->isEnabled());
    QVERIFY(!nav.button(NavButton::Insert)->isVisible());
}

void ControlsTest::boundBoxShowsItsFieldReadOnly()
{
    QWidget parent;
    TDBEdit *e = TDBEdit::bound(&parent, m_src.get(), QStringLiteral("姓名"), QRect(12, 34, 120, 21));
    QCOMPARE(e->parentWidget(), &parent);
    QCOMPARE(e->geometry(), QRect(12, 34, 120, 21));
    QCOMPARE(e->dataSource(), m_src.get());
    QCOMPARE(e->dataField(), QStringLiteral("姓名"));
    QVERIFY(e->isReadOnly());
    QCOMPARE(e->text(), QStringLiteral("张三"));
    m_t->next();
    QCOMPARE(e->text(), QStringLiteral("李四"));

    TDBEdit *open = TDBEdit::bound(&parent, m_src.get(), QStringLiteral("学号"), QRect(0, 0, 50, 21), false);
    QVERIFY(!open->isReadOnly());
    QCOMPARE(open->text(), QStringLiteral("S2"));
}

void ControlsTest::columnsAreTitledWithTheirFields()
{
    const TColumn one = column(QStringLiteral("学号"), 30);
    QCOMPARE(one.field, QStringLiteral("学号"));
    QCOMPARE(one.title, QStringLiteral("学号"));
    QCOMPARE(one.width, 30);
    QVERIFY(one.visible);
    QVERIFY(!column(QStringLiteral("口令"), 40, false).visible);

    const QList<TColumn> cols = columns({{"学号", 30}, {"出生日期", 60}});
    QCOMPARE(cols.size(), 2);
    QCOMPARE(cols[1].field, QStringLiteral("出生日期"));
    QCOMPARE(cols[1].title, QStringLiteral("出生日期"));
    QCOMPARE(cols[1].width, 60);

    TDBGrid g;
    g.setDataSource(m_src.get());
    g.setColumns(cols);
    QCOMPARE(g.model()->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("学号"));
    QCOMPARE(g.model()->index(2, 0).data().toString(), QStringLiteral("S3"));
}

void ControlsTest::countersShowZeroWhileClosed()
{
    m_t->last();
    QCOMPARE(safeRecNo(*m_t), 3);
    QCOMPARE(safeCount(*m_t), 3);
    m_t->close();
    // A closed dataset raises on recNo(); the counters must not.
    QVERIFY_THROWS_EXCEPTION(store::Error, m_t->recNo());
    QCOMPARE(safeRecNo(*m_t), 0);
    QCOMPARE(safeCount(*m_t), 0);
    m_t->open();
    QCOMPARE(safeRecNo(*m_t), 1);
    QCOMPARE(safeCount(*m_t), 3);
}

// Qt's model tester watches the grid's model while the dataset under it
// changes, here and through a second dataset on the same file; afterwards the
// grid shows the records the dataset holds.
void ControlsTest::gridModelKeepsTheContract_data()
{
    QTest::addColumn<bool>("query");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("shown"); // 学号 of each row once all is settled
    const QString all = QStringLiteral("S1,S2,S3");
    QTest::newRow("append, type, post") << false << "append type post" << all + ",S4";
    QTest::newRow("append, cancel") << false << "append cancel" << all;
    QTest::newRow("edit, type, post") << false << "next edit type post" << QStringLiteral("S1,S4,S3");
    QTest::newRow("delete, refresh") << false << "next delete refresh" << QStringLiteral("S1,S3");
    QTest::newRow("sibling adds, then a read") << false << "sibling+ read" << all + ",S5";
    QTest::newRow("sibling adds, then events") << false << "sibling+ events" << all + ",S5";
    QTest::newRow("sibling deletes, then a move") << false << "sibling- last" << QStringLiteral("S2,S3");
    QTest::newRow("edit, sibling adds, cancel") << false << "edit sibling+ cancel" << all + ",S5";
    QTest::newRow("append, sibling adds, cancel") << false << "append sibling+ cancel" << all + ",S5";
    QTest::newRow("sibling adds, rebind") << false << "sibling+ rebind" << all + ",S5";
    QTest::newRow("sibling deletes, append, post") << false << "sibling- append type post" << QStringLiteral("S2,S3,S4");
    QTest::newRow("query: a move and a read") << true << "last read" << all;
    QTest::newRow("query: the file changes under it") << true << "sibling+ read events" << all;
    QTest::newRow("query: rebind") << true << "rebind read" << all;
}

void ControlsTest::gridModelKeepsTheContract()
{
    QFETCH(bool, query);
    QFETCH(QString, steps);
    TQuery q(QStringLiteral("Query_Stud"));
    TDataSource qsrc(QStringLiteral("DS_Query"), &q);
    if (query) {
        q.setDatabaseName(m_dir->path());
        q.sql() << QStringLiteral("select * from 学生信息表.db");
        q.open();
    }
    DataSet &ds = query ? static_cast<DataSet &>(q) : *m_t;
    TDataSource *src = query ? &qsrc : m_src.get();
    TTable sibling(QStringLiteral("Table_stud2"));
    sibling.setTableName(m_dir->path() + sch::StudentFile);
    sibling.open();

    TDBGrid g;
    g.setColumns(columns({{"学号", 30}, {"姓名", 70}}));
    g.setDataSource(src);
    g.setReadOnly(false);
    QAbstractItemModelTester tester(g.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    g.show();

    const std::map<QString, std::function<void()>> actions{
        {QStringLiteral("append"), [&] { ds.append(); }},
        {QStringLiteral("type"), [&] { ds.fieldByName(QStringLiteral("学号")).setAsString(QStringLiteral("S4")); }},
        {QStringLiteral("edit"), [&] { ds.edit(); }},
        {QStringLiteral("post"), [&] { ds.post(); }},
        {QStringLiteral("cancel"), [&] { ds.cancel(); }},
        {QStringLiteral("next"), [&] { ds.next(); }},
        {QStringLiteral("last"), [&] { ds.last(); }},
        {QStringLiteral("delete"), [&] { ds.del(); }},
        {QStringLiteral("refresh"), [&] { ds.refresh(); }},
        {QStringLiteral("rebind"), [&] { g.setDataSource(nullptr), g.setDataSource(src); }},
        {QStringLiteral("events"), [] { QCoreApplication::processEvents(); }},
        {QStringLiteral("read"), [&] {
             for (int r = 0; r < g.model()->rowCount(); ++r)
                 g.model()->index(r, 1).data(), ds.recordCount();
         }},
        {QStringLiteral("sibling+"), [&] {
             sibling.append();
             sibling.fieldByName(QStringLiteral("学号")).setAsString(QStringLiteral("S5"));
             sibling.post();
         }},
        {QStringLiteral("sibling-"), [&] { sibling.first(), sibling.del(); }},
    };
    for (const QString &step : steps.split(u' ')) {
        const auto action = actions.find(step);
        QVERIFY2(action != actions.end(), qPrintable(step));
        action->second();
        if (QTest::currentTestFailed())
            return;
    }
    QCoreApplication::processEvents();
    QStringList shown;
    for (int r = 0; r < g.model()->rowCount(); ++r)
        shown << g.model()->index(r, 0).data().toString();
    QTEST(shown.join(u','), "shown");
    QCOMPARE(g.model()->rowCount(), ds.recordCount());
}

// A read of a dataset another one on the same file wrote to sees the new
// records but signals nothing while the caller reads; the change is
// announced once control is back in the event loop.
void ControlsTest::readsCatchUpWithoutSignalling()
{
    TTable sibling(QStringLiteral("Table_stud2"));
    sibling.setTableName(m_dir->path() + sch::StudentFile);
    sibling.open();
    sibling.first();
    sibling.del();
    QSignalSpy changed(m_t.get(), &DataSet::dataSetChanged);
    QCOMPARE(m_t->recordCount(), 2);
    QCOMPARE(m_t->valueAt(0, 0).toString(), QStringLiteral("S2"));
    QCOMPARE(changed.size(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(changed.size(), 1);
    QCoreApplication::processEvents();
    QCOMPARE(changed.size(), 1);
}

// A text the field refuses, met where the toolkit called in (the focus
// leaving the box, the grid moving to another row), is reported in the
// standard error box once and thrown no further.
void ControlsTest::refusedTextIsReportedNotThrown_data()
{
    QTest::addColumn<bool>("byGrid");
    QTest::newRow("focus leaves the box") << false;
    QTest::newRow("grid moves to another row") << true;
}

void ControlsTest::refusedTextIsReportedNotThrown()
{
    QFETCH(bool, byGrid);
    fixture::Boxes boxes;
    QWidget w;
    TDBEdit *e = TDBEdit::bound(&w, m_src.get(), QStringLiteral("出生日期"), QRect(0, 0, 80, 21), false);
    auto *g = new TDBGrid(&w);
    g->setGeometry(0, 30, 200, 100);
    g->setDataSource(m_src.get());
    g->setColumns(columns({{"学号", 30}}));
    QVERIFY(fixture::showActive(&w));
    e->setFocus();
    QTest::keyClicks(e, QStringLiteral("20O3-x"));
    QCOMPARE(m_t->state(), DataSetState::Edit);
    try {
        if (byGrid)
            g->setCurrentIndex(g->model()->index(2, 0));
        else
            g->setFocus(Qt::TabFocusReason);
    } catch (const Error &err) {
        QFAIL(qPrintable(QStringLiteral("thrown: ") + err.text()));
    }
    QCOMPARE(boxes.shown.size(), 1);
    QCOMPARE(boxes.shown.first().icon, ui::Icon::Error);
    QCOMPARE(m_t->recNo(), 1);
    QCOMPARE(g->currentIndex().row(), 0);
}

QM_TEST_MAIN(ControlsTest)
#include "test_dbwidgets_controls.moc"
