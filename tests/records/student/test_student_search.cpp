// The search dialog: every criterion with its SQL text, exact and containment
// searches, wildcards typed into the text, and what stays between searches.
#include "StudentTestSupport.h"

#include "skin/SkinComboBox.h"
#include "skin/SkinEdit.h"
#include "dbwidgets/DBControls.h"
#include "dbwidgets/DBGrid.h"
#include "data/Query.h"
#include "exchange/Read.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QtTest>

class StudentSearchTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void search_data();
    void search();
    void noCriterionKeepsLastResult();
    void reopeningKeepsCriterionTextAndResult();
    void statusLineOfClosedQuery();
    void exportGivesExactlyTheResult_data();
    void exportGivesExactlyTheResult();

private:
    static QStringList found();

    std::unique_ptr<fixture::DataDir> m_dir;
    std::unique_ptr<StudentWindows> m_w;
};

void StudentSearchTest::init()
{
    m_dir = std::make_unique<fixture::DataDir>();
    const QList<QStringList> rows{
        {"S1", "张三", "男", "北京", "汉族", "计算机一班", "软件工程", "计算机系"},
        {"S2", "李四", "女", "上海", "回族", "计算机二班", "网络工程", "计算机系"},
        {"S3", "张小三", "男", "北京市", "汉族", "数学一班", "应用数学", "数学系"},
        {"s1", "王五", "女", "广州", "壮族", "数学二班", "应用数学", "数学系"},
        {"", "赵六", "男", "天津", "满族", "物理一班", "物理", "物理系"},
    };
    for (const QStringList &r : rows) {
        QVariantList params;
        for (const QString &v : r)
            params << v;
        m_dir->exec(sch::StudentFile,
                    QStringLiteral("INSERT INTO $T(学号, 姓名, 性别, 籍贯, 民族, 班级, 专业, 系别) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)"),
                    params);
    }
    m_w = std::make_unique<StudentWindows>(*m_dir);
}

void StudentSearchTest::cleanup()
{
    m_w.reset();
    m_dir.reset();
}

// The numbers of the students in the query's result, in its order.
QStringList StudentSearchTest::found()
{
    QStringList numbers;
    store::TQuery &q = *DM1->Query_Stud;
    for (q.first(); !q.eof(); q.next())
        numbers << q.fieldByName(QStringLiteral("学号")).asString();
    q.first();
    return numbers;
}

void StudentSearchTest::search_data()
{
    QTest::addColumn<int>("criterion");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QStringList>("numbers");

    const QString by = QStringLiteral("select * from 学生信息表.db Where ");
    const QString number = by + QStringLiteral("学号=:XueHao");
    const QString name = by + QStringLiteral("姓名 like:Name");
    QTest::newRow("number, whole text") << 0 << "S1" << number << QStringList{"S1"};
    QTest::newRow("number not found") << 0 << "S9" << number << QStringList{};
    QTest::newRow("number, empty text") << 0 << "" << number << QStringList{""};
    QTest::newRow("number, no wildcard") << 0 << "S%" << number << QStringList{};
    QTest::newRow("name, part") << 1 << "三" << name << QStringList{"S1", "S3"};
    QTest::newRow("name, empty text finds all") << 1 << "" << name << QStringList{"S1", "S2", "S3", "s1", ""};
    QTest::newRow("name, % typed") << 1 << "张%三" << name << QStringList{"S1", "S3"};
    QTest::newRow("name, _ typed") << 1 << "张_三" << name << QStringList{"S3"};
    QTest::newRow("name, blanks kept") << 1 << " 三" << name << QStringList{};
    QTest::newRow("sex") << 2 << "女" << by + "性别 like:Sex" << QStringList{"S2", "s1"};
    QTest::newRow("native place") << 3 << "北京" << by + "籍贯 like:JiGuan" << QStringList{"S1", "S3"};
    QTest::newRow("ethnic group") << 4 << "回" << by + "民族 like:MinZu" << QStringList{"S2"};
    QTest::newRow("class") << 5 << "一班" << by + "班级 like:Class" << QStringList{"S1", "S3", ""};
    QTest::newRow("speciality") << 6 << "数学" << by + "专业 like:ZhuanYe" << QStringList{"S3", "s1"};
    QTest::newRow("department") << 7 << "计算机" << by + "系别 like:xibie" << QStringList{"S1", "S2"};
}

void StudentSearchTest::search()
{
    QFETCH(int, criterion);
    QFETCH(QString, text);
    QFETCH(QString, sql);
    QFETCH(QStringList, numbers);

    TForm10_Query_Stud *w = m_w->query;
    w->ComboBox_Query->setCurrentIndex(criterion);
    w->Edit_For_Query->setText(text);
    fixture::click(w->Button_Query);

    QCOMPARE(DM1->Query_Stud->sql(), QStringList{sql});
    QCOMPARE(DM1->Query_Stud->recNo(), numbers.isEmpty() ? 0 : 1);
    QCOMPARE(w->DBEdit1->text(), numbers.value(0));
    QCOMPARE(w->Grid_Query->model()->rowCount(), numbers.size());
    w->Timer1Timer();
    QCOMPARE(w->Label_QueryStud_Num->text(), QString::number(numbers.size()));
    QCOMPARE(w->Label_QueryStud_No->text(), numbers.isEmpty() ? QStringLiteral("0") : QStringLiteral("1"));
    QCOMPARE(found(), numbers);
}

void StudentSearchTest::noCriterionKeepsLastResult()
{
    TForm10_Query_Stud *w = m_w->query;
    QCOMPARE(w->ComboBox_Query->currentIndex(), -1);
    w->Edit_For_Query->setText(QStringLiteral("S1"));
    fixture::click(w->Button_Query);
    QCOMPARE(DM1->Query_Stud->sql(), QStringList{QStringLiteral("select * from 学生信息表.db")});
    QCOMPARE(found().size(), 5);

    w->ComboBox_Query->setCurrentIndex(0);
    fixture::click(w->Button_Query);
    w->ComboBox_Query->setCurrentIndex(-1);
    w->Edit_For_Query->setText(QStringLiteral("S2"));
    fixture::click(w->Button_Query);
    QCOMPARE(found(), QStringList{"S1"});
    QCOMPARE(DM1->Query_Stud->sql(), QStringList{QStringLiteral("select * from 学生信息表.db Where 学号=:XueHao")});
}

void StudentSearchTest::reopeningKeepsCriterionTextAndResult()
{
    TForm10_Query_Stud *w = m_w->query;
    UserRight = 2; // searching is open to every user
    int opened = 0;
    fixture::Boxes boxes;
    fixture::Modal modal([&](QWidget *shown) {
        QCOMPARE(shown, static_cast<QWidget *>(w));
        if (++opened == 1) {
            QCOMPARE(w->DBEdit1->text(), QStringLiteral("S1")); // every student before the first search
            w->ComboBox_Query->setCurrentIndex(1);
            w->Edit_For_Query->setText(QStringLiteral("张"));
            fixture::click(w->Button_Query);
            return;
        }
        QCOMPARE(w->ComboBox_Query->currentIndex(), 1);
        QCOMPARE(w->Edit_For_Query->text(), QStringLiteral("张"));
        QCOMPARE(found(), (QStringList{"S1", "S3"}));
    });
    fixture::click(m_w->stud->Button_Query);
    fixture::click(m_w->stud->Button_Query);
    QCOMPARE(opened, 2);
    QVERIFY(boxes.shown.isEmpty());
}

void StudentSearchTest::statusLineOfClosedQuery()
{
    TForm10_Query_Stud *w = m_w->query;
    w->Timer1Timer();
    QCOMPARE(w->Label_QueryStud_Num->text(), QStringLiteral("5"));
    // A search that failed leaves the query closed: nothing found, and no
    // error box ten times a second.
    DM1->Query_Stud->close();
    fixture::Boxes boxes;
    w->Timer1Timer();
    QCOMPARE(w->Label_QueryStud_No->text(), QStringLiteral("0"));
    QCOMPARE(w->Label_QueryStud_Num->text(), QStringLiteral("0"));
    QVERIFY(boxes.shown.isEmpty());
}

void StudentSearchTest::exportGivesExactlyTheResult_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("ending");
    QTest::newRow("xlsx") << QStringLiteral("导出到 Excel...") << QStringLiteral("xlsx");
    QTest::newRow("csv") << QStringLiteral("导出为 CSV...") << QStringLiteral("csv");
    QTest::newRow("csv gb18030") << QStringLiteral("导出为 CSV (GB18030)...") << QStringLiteral("csv");
}

// The grid's context menu writes every record of the search's result, in
// the grid's columns, and nothing else.
void StudentSearchTest::exportGivesExactlyTheResult()
{
    QFETCH(QString, item);
    QFETCH(QString, ending);
    TForm10_Query_Stud *w = m_w->query;
    w->ComboBox_Query->setCurrentIndex(1);
    w->Edit_For_Query->setText(QStringLiteral("三"));
    fixture::click(w->Button_Query);

    const QString file = m_dir->path() + QStringLiteral("result");
    ui::FileChoice asked;
    ui::setFileScript([&](const ui::FileChoice &c) {
        asked = c;
        return file;
    });
    auto unscript = qScopeGuard([] { ui::setFileScript(nullptr); });
    fixture::Boxes boxes;
    store::TDBGrid *grid = w->Grid_Query;
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(5, 5), grid->viewport()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(grid->viewport(), &menuEvent);
    QMenu *menu = grid->findChild<QMenu *>();
    QVERIFY(menu);
    QAction *action = nullptr;
    for (QAction *a : menu->actions()) {
        if (a->text() == item)
            action = a;
    }
    QVERIFY(action);
    action->trigger();
    QVERIFY(asked.save);
    QCOMPARE(boxes.texts(), QStringList{QStringLiteral("已导出 2 条记录到 %1.%2").arg(QDir::toNativeSeparators(file), ending)});

    auto rows = exchange::openRows(file + u'.' + ending);
    exchange::Row row;
    QVERIFY(rows->next(row));
    QStringList titles;
    for (const store::TColumn &c : grid->columns())
        titles << c.title;
    QStringList header;
    for (const exchange::Cell &c : row.cells)
        header << c.toString();
    QCOMPARE(header, titles);
    QStringList numbers;
    while (rows->next(row))
        numbers << row.cells.at(0).toString();
    QCOMPARE(numbers, found());
}

QM_APP_TEST_MAIN(StudentSearchTest)
#include "test_student_search.moc"
