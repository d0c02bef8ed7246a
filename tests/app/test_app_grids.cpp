// Every grid of the program as its window shows it: rows, title row and
// columns keep their sizes whatever the face asks for, and a text longer
// than its column is drawn on one line and cut at the column's edge.
#include "ui/App.h"
#include "dbwidgets/DBGrid.h"
#include "office/Schema.h"
#include "tests/support/Fixture.h"
#include "tests/support/ProgramWindows.h"

#include <QHeaderView>
#include <QtTest>

namespace sch = store::schema;

namespace {

// Whether a pixel of a cell that is not selected carries ink.
bool ink(QRgb c) { return qGray(c) < 160; }

} // namespace

class GridsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void sizes_data();
    void sizes();
    void longTextIsCut_data();
    void longTextIsCut();

private:
    // The grid of a window whose visible columns carry these titles.
    static store::TDBGrid *grid(const QString &window, const QStringList &titles);

    std::unique_ptr<fixture::DataDir> m_dir;
    std::unique_ptr<fixture::ProgramWindows> m_program;
};

void GridsTest::initTestCase()
{
    m_dir = std::make_unique<fixture::DataDir>();
    // The rows that the cut texts are compared on come after the current
    // (selected) first row.
    const QDateTime born(QDate(1986, 3, 6), QTime(0, 0));
    m_dir->insert(sch::StudentFile, {QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("籍贯"),
                                     QStringLiteral("出生日期"), QStringLiteral("班级")},
                  {{QStringLiteral("S1"), QStringLiteral("刘静"), QStringLiteral("北京"), born, QStringLiteral("计算机01班")},
                   {QStringLiteral("S2"), QStringLiteral("周芳"), QStringLiteral("四川成都"), born, QStringLiteral("计算机01班")},
                   {QStringLiteral("S3"), QStringLiteral("赵洋"), QStringLiteral("四川绵阳"), born, QStringLiteral("计算机02班")}});
    m_dir->addClass(QStringLiteral("B00"), QStringLiteral("电子01班"));
    m_dir->addClass(QStringLiteral("B01"), QStringLiteral("计算机01班"));
    m_dir->addClass(QStringLiteral("B02"), QStringLiteral("计算机02班"));
    m_dir->addCourse(QStringLiteral("K001"), QStringLiteral("高等数学"));
    m_dir->addPlan(1, QStringLiteral("K001"), QStringLiteral("64"), 4);
    m_dir->addScore(1, QStringLiteral("S1"), QStringLiteral("高等数学"), 66);
    m_dir->addAccount(QStringLiteral("admin"), QByteArrayLiteral("daimn"), QStringLiteral("1"));
    m_program = std::make_unique<fixture::ProgramWindows>(m_dir->path());
}

void GridsTest::cleanupTestCase()
{
    m_program.reset();
    m_dir.reset();
}

store::TDBGrid *GridsTest::grid(const QString &window, const QStringList &titles)
{
    TForm *w = fixture::ProgramWindows::named(window);
    if (!w)
        return nullptr;
    w->show();
    if (!QTest::qWaitForWindowExposed(w))
        return nullptr;
    for (store::TDBGrid *g : w->findChildren<store::TDBGrid *>()) {
        QStringList shown;
        for (int c = 0; c < g->model()->columnCount(); ++c) {
            if (!g->isColumnHidden(c))
                shown << g->model()->headerData(c, Qt::Horizontal).toString();
        }
        if (shown == titles)
            return g;
    }
    return nullptr;
}

void GridsTest::sizes_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QList<int>>("widths");

    const QStringList student{"学号", "姓名", "性别", "籍贯", "民族", "出生日期", "入学日期", "班级", "专业", "系别"};
    const QStringList scores{"学号", "科目", "成绩", "第一次补考成绩", "第二次补考成绩"};
    QTest::newRow("students") << "Form3_stud" << student << QList<int>{30, 70, 30, 50, 50, 60, 60, 80, 80, 80};
    QTest::newRow("student search") << "Form10_Query_Stud" << student
                                    << QList<int>{50, 60, 30, 50, 50, 60, 60, 80, 80, 80};
    QTest::newRow("classes") << "Form4_Class" << QStringList{"班号", "班级名称"} << QList<int>{30, 90};
    QTest::newRow("class search") << "Form12_Class_Query" << QStringList{"班号", "班级名称"} << QList<int>{30, 70};
    QTest::newRow("courses") << "Form5_Object" << QStringList{"课程号", "课程名称"} << QList<int>{50, 100};
    QTest::newRow("course search") << "Form14_Object_Query" << QStringList{"课程号", "课程名称"} << QList<int>{50, 100};
    QTest::newRow("scores: students") << "Form6_Scorce" << QStringList{"学号", "姓名", "班级", "专业"}
                                      << QList<int>{30, 80, 80, 70};
    QTest::newRow("scores: scores") << "Form6_Scorce" << scores << QList<int>{30, 100, 50, 91, 91};
    QTest::newRow("add score") << "Form15_Add_Scroce" << scores << QList<int>{30, 100, 50, 100, 100};
    QTest::newRow("score search: students") << "Form16_Scroce_Query" << student + QStringList{"序号"}
                                            << QList<int>{30, 60, 30, 50, 50, 60, 60, 80, 80, 80, 50};
    QTest::newRow("score search: scores") << "Form16_Scroce_Query" << scores << QList<int>{30, 100, 30, 90, 90};
    // Its titles are in a smaller face than its rows.
    QTest::newRow("accounts") << "Form7_Login" << QStringList{"用户名", "口令", "权限"} << QList<int>{60, 50, 30};
}

void GridsTest::sizes()
{
    QFETCH(QString, window);
    QFETCH(QStringList, titles);
    QFETCH(QList<int>, widths);

    store::TDBGrid *g = grid(window, titles);
    QVERIFY(g);
    QVERIFY(g->model()->rowCount() > 0);
    for (int r = 0; r < g->model()->rowCount(); ++r)
        QCOMPARE(g->rowHeight(r), 18);
    QCOMPARE(g->horizontalHeader()->height(), 18);
    // The rows start right below the title row.
    QCOMPARE(g->viewport()->geometry().top(), g->horizontalHeader()->geometry().bottom() + 1);
    QList<int> shown;
    for (int c = 0; c < g->model()->columnCount(); ++c) {
        if (!g->isColumnHidden(c))
            shown << g->columnWidth(c);
    }
    QCOMPARE(shown, widths);
}

void GridsTest::longTextIsCut_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("other"); // the same first characters, then others

    // Two names that a wrapped line showed alike, as "计算机".
    QTest::newRow("class names") << "Form12_Class_Query" << QStringList{"班号", "班级名称"} << "班级名称"
                                 << "计算机01班" << "计算机02班";
    // Wider than its column.
    QTest::newRow("native places") << "Form3_stud"
                                   << QStringList{"学号", "姓名", "性别", "籍贯", "民族", "出生日期", "入学日期",
                                                  "班级", "专业", "系别"}
                                   << "籍贯" << "四川成都" << "四川绵阳";
}

void GridsTest::longTextIsCut()
{
    QFETCH(QString, window);
    QFETCH(QStringList, titles);
    QFETCH(QString, column);
    QFETCH(QString, text);
    QFETCH(QString, other);

    store::TDBGrid *g = grid(window, titles);
    QVERIFY(g);
    const int col = int(titles.indexOf(column));
    auto rowOf = [&](const QString &t) {
        for (int r = 0; r < g->model()->rowCount(); ++r) {
            if (g->model()->index(r, col).data().toString() == t)
                return r;
        }
        return -1;
    };
    const int row = rowOf(text), otherRow = rowOf(other);
    QVERIFY(row > 0 && otherRow > 0);
    QVERIFY(g->currentIndex().row() != row && g->currentIndex().row() != otherRow);

    const QImage shot = g->viewport()->grab().toImage();
    const QRect cell = g->visualRect(g->model()->index(row, col));
    const QRect otherCell = g->visualRect(g->model()->index(otherRow, col));

    // One line, drawn as far as the text or the column reaches.
    int right = -1;
    for (int y = cell.top(); y <= cell.bottom(); ++y) {
        for (int x = cell.left(); x <= cell.right(); ++x) {
            if (ink(shot.pixel(x, y)))
                right = std::max(right, x);
        }
    }
    const int advance = QFontMetrics(g->font()).horizontalAdvance(text);
    const int reach = std::min(cell.left() + advance, cell.right());
    QVERIFY2(right >= reach - 4, qPrintable(QStringLiteral("ink ends at %1, the text reaches %2 of %3..%4")
                                                   .arg(right).arg(reach).arg(cell.left()).arg(cell.right())));
    // The characters that tell the two texts apart are on show.
    QVERIFY(shot.copy(cell) != shot.copy(otherCell));
}

QM_APP_TEST_MAIN(GridsTest)

#include "test_app_grids.moc"
