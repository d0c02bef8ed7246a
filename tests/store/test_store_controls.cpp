// Data-aware controls follow their data source and edit through it.
#include "store/DBControls.h"
#include "store/DBGrid.h"
#include "store/DBNavigator.h"
#include "store/Schema.h"
#include "tests/support/Fixture.h"

#include <QtTest>

using namespace store;
namespace sch = store::schema;

class ControlsTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void editBoxFollowsCursorAndTypingEdits();
    void readOnlyBoxAndNonAutoEditSourceDoNotEdit();
    void badTextStaysInBoxAndRecordPending();
    void comboShowsChoiceAndWritesIt();
    void gridFollowsAndMovesCursor();
    void editableGridKeys();
    void navigatorMovesAndDisables();
    void boundBoxShowsItsFieldReadOnly();
    void columnsAreTitledWithTheirFields();
    void countersShowZeroWhileClosed();

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

void ControlsTest::badTextStaysInBoxAndRecordPending()
{
    TDBEdit e;
    e.setDataSource(m_src.get());
    e.setDataField(QStringLiteral("出生日期"));
    e.show();
    QTest::keyClicks(&e, QStringLiteral("20O3-x"));
    QVERIFY_THROWS_EXCEPTION(Error, m_t->post());
    QCOMPARE(m_t->state(), DataSetState::Edit);
    QCOMPARE(e.text(), QStringLiteral("20O3-x"));
    e.clear();
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

void ControlsTest::editableGridKeys()
{
    fixture::Boxes boxes(ui::IdCancel);
    TDBGrid g;
    g.setDataSource(m_src.get());
    g.setColumns({{QStringLiteral("学号"), QStringLiteral("学号"), 30, true, {}}});
    g.show();
    QTest::keyClick(&g, Qt::Key_Insert);
    QCOMPARE(m_t->state(), DataSetState::Browse); // read-only grid
    g.setReadOnly(false);
    QTest::keyClick(&g, Qt::Key_Insert);
    QCOMPARE(m_t->state(), DataSetState::Insert);
    QCOMPARE(g.model()->rowCount(), 4);
    m_t->cancel();
    QTest::keyClick(&g, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Delete record?")});
    QCOMPARE(m_t->recordCount(), 3); // Cancel keeps it
    boxes.answer(ui::IdOk);
    QTest::keyClick(&g, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(m_t->recordCount(), 2);
    m_t->last();
    QTest::keyClick(&g, Qt::Key_Down); // past the last row: a new record
    QCOMPARE(m_t->state(), DataSetState::Insert);
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

QTEST_MAIN(ControlsTest)
#include "test_store_controls.moc"
