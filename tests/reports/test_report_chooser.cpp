// The report chooser: its window, the binding of the five report datasets on
// every showing, what a failed open leaves behind, and the previews its
// buttons open, one at a time.
//
// Mouse input goes through the window system, so that a window blocked by
// a modal one does not get it.
#define QTEST_QPA_MOUSE_HANDLING

#include "ReportHolders.h"

#include "data/ActionHooks.h"
#include "ui/App.h"
#include "core/Dates.h"
#include "ui/Ui.h"
#include "reports/engine/ReportPreview.h"
#include "skin/SkinButton.h"
#include "skin/SkinForm.h"
#include "data/DataSet.h"
#include "office/Schema.h"
#include "tests/support/Fixture.h"
#include "data/Table.h"

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

using namespace report;
using holders::rows;
namespace sch = store::schema;

namespace {

QList<store::TTable *> tables(const holders::Reports &r)
{
    QList<store::TTable *> out;
    for (const TForm19::ReportTable &t : r.chooser->reportTables())
        out << t.table;
    return out;
}

// "1" for each open report dataset, "0" for a closed one, in binding order.
QString openFlags(const holders::Reports &r)
{
    QString out;
    for (store::TTable *t : tables(r))
        out += t->active() ? u'1' : u'0';
    return out;
}

ReportPreview *previewOf(const QString &title)
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        auto *p = qobject_cast<ReportPreview *>(w);
        if (p && p->isVisible() && p->windowTitle() == title)
            return p;
    }
    return nullptr;
}

// Runs `step` from the event loop once the preview titled `title` shows.
void whenPreviewShows(QWidget *chooser, const QString &title, std::function<void(ReportPreview *)> step, int tries = 0)
{
    QTimer::singleShot(tries ? 5 : 0, chooser, [=] {
        if (ReportPreview *p = previewOf(title))
            step(p);
        else if (tries < 2000)
            whenPreviewShows(chooser, title, step, tries + 1);
        else
            QFAIL(qPrintable(title + QStringLiteral(": no preview")));
    });
}

void click(QWidget *w)
{
    QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
}

} // namespace

class TestReportChooser : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void windowAsLaidOut();
    void pictureLeavesItsWhiteOut();
    void bindsOnEveryShowing();
    void failedOpen_data();
    void failedOpen();
    void buttonsPreviewTheirReport_data();
    void buttonsPreviewTheirReport();
    void previewIsModalOverTheChooser();
    void closingTheChooserClosesItsPreview();
};

void TestReportChooser::cleanup()
{
    ui::setModalScript({});
}

void TestReportChooser::windowAsLaidOut()
{
    fixture::DataDir dir;
    holders::Reports r(dir.path());
    TForm19 *w = r.chooser;
    QCOMPARE(w->size(), QSize(284, 192));
    QCOMPARE(w->pos(), QPoint(283, 159));
    QCOMPARE(w->From_Out->caption(), QStringLiteral("数据报表输出"));
    QCOMPARE(w->windowTitle(), QStringLiteral("数据报表输出"));

    const struct {
        TSkinButton *button;
        const char16_t *caption;
        int top;
    } buttons[] = {
        {w->Button_Stud, u"学生信息输出 &S", 44},
        {w->Button_Class, u"班级信息输出 &C", 82},
        {w->Button_Object, u"课程信息输出 &O", 120},
        {w->Button_Scroce, u"学生成绩信息输出 &S", 158},
    };
    for (const auto &b : buttons) {
        QCOMPARE(b.button->caption(), QString::fromUtf16(b.caption));
        QCOMPARE(b.button->geometry(), QRect(24, b.top, 120, 23));
        QCOMPARE(b.button->font().pixelSize(), 12);
        QVERIFY(!b.button->tabStop());
    }
    QCOMPARE(w->Image1->geometry(), QRect(204, 112, 123, 111));
    QCOMPARE(w->Image1->pixmap().size(), QSize(123, 111));
    // The holders are never shown and draw no frame of their own.
    for (TForm *h : std::initializer_list<TForm *>{r.stud, r.cls, r.course, r.score})
        QVERIFY(h->findChildren<TSkinForm *>().isEmpty());
}

void TestReportChooser::pictureLeavesItsWhiteOut()
{
    fixture::DataDir dir;
    holders::Reports r(dir.path());
    TForm19 *w = r.chooser;
    const QImage picture(QStringLiteral(":/assets/printer.png"));
    QVERIFY(!picture.isNull());
    const QPoint origin = w->Image1->pos();

    // A white corner of the picture and a grey point of the printer's body,
    // both inside the window.
    const QPoint white(2, 2);
    const QPoint body(20, 62);
    QCOMPARE(picture.pixelColor(white), QColor(Qt::white));
    QVERIFY(picture.pixelColor(body) != QColor(Qt::white));

    const QImage with = w->grab().toImage();
    w->Image1->hide();
    const QImage without = w->grab().toImage();
    // Where the picture is white the face shows through; the printer covers it.
    QCOMPARE(with.pixelColor(origin + white), without.pixelColor(origin + white));
    QCOMPARE(with.pixelColor(origin + body), picture.pixelColor(body));
    QVERIFY(without.pixelColor(origin + body) != picture.pixelColor(body));
}

void TestReportChooser::bindsOnEveryShowing()
{
    fixture::DataDir dir;
    dir.addStudent(QStringLiteral("s1"), QStringLiteral("甲"));
    dir.addStudent(QStringLiteral("s2"), QStringLiteral("乙"));
    dir.addScore(1, QStringLiteral("s2"), QStringLiteral("语文"), 80);
    dir.addScore(2, QStringLiteral("S1"), QStringLiteral("数学"), 90);
    dir.addClass(QStringLiteral("c1"), QStringLiteral("一班"));
    dir.addCourse(QStringLiteral("k1"), QStringLiteral("数学"));
    holders::Reports r(dir.path());

    // Closed and on the alias until the first showing.
    for (store::TTable *t : tables(r)) {
        QVERIFY(!t->active());
        QCOMPARE(t->databaseName(), QStringLiteral("Quillmere"));
    }
    r.show();
    QCOMPARE(openFlags(r), QStringLiteral("11111"));
    const QStringList names = {dir.path() + QStringLiteral("学生信息表.db"), dir.path() + QStringLiteral("班级信息.db"),
                               QStringLiteral("课程信息.db"), dir.path() + QStringLiteral("学生信息表.db"),
                               dir.path() + QStringLiteral("学生成绩表.db")};
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(tables(r)[i]->databaseName(), dir.path());
        QCOMPARE(tables(r)[i]->tableName(), names[i]);
    }
    // The course table opened by its bare lower-case name; the file is
    // named in upper case.
    QVERIFY(QFile::exists(dir.file(QStringLiteral("课程信息.DB"))));
    QCOMPARE(r.course->Table_object_Out->recordCount(), 1);
    // The scores opened as the detail of the first student.
    QCOMPARE(r.score->Table2->recordCount(), 1);
    QCOMPARE(r.score->Table2->fieldByName(QStringLiteral("科目")).asString(), QStringLiteral("数学"));

    // Between two showings the tables change behind the chooser's back; the
    // next showing reads them afresh.
    r.chooser->hide();
    dir.addStudent(QStringLiteral("s3"), QStringLiteral("丙"));
    dir.exec(sch::StudentFile, QStringLiteral("DELETE FROM $T WHERE 学号 = 's1'"));
    dir.addScore(3, QStringLiteral("s3"), QStringLiteral("英语"), 70);
    r.show();
    QCOMPARE(r.stud->Report1.prepare().pages[0].texts(BandKind::Summary), QStringList{QStringLiteral("共有 2  个学生")});
    const QStringList scoreRows = rows(r.score->Report1.prepare());
    QCOMPARE(scoreRows.mid(2, 4), (QStringList{QStringLiteral("D:乙|科目|成绩|第一次补考成绩|第二次补考成绩"),
                                               QStringLiteral("S:语文|80"),
                                               QStringLiteral("D:丙|科目|成绩|第一次补考成绩|第二次补考成绩"),
                                               QStringLiteral("S:英语|70")}));
}

void TestReportChooser::failedOpen_data()
{
    QTest::addColumn<QString>("missing");
    QTest::addColumn<QString>("open");          // the five datasets in binding order
    QTest::addColumn<QStringList>("summaries");  // student, class and course lists
    QTest::addColumn<QStringList>("scoreRows");  // the score report's bands

    const QString captions = QStringLiteral("|科目|成绩|第一次补考成绩|第二次补考成绩");
    const QString head = QStringLiteral("H:学生成绩信息表|") + dates::text(holders::Today);
    const QString columns = QStringLiteral("C:姓名|成绩情况");
    // A report whose dataset did not open prints as if its table were empty.
    QTest::newRow("score table") << sch::ScoreFile << "11110"
            << QStringList{"共有 2  个学生", "共有 1 个班级", "共有 1 门课程"}
            << QStringList{head, columns, "D:甲" + captions, "S:", "D:乙" + captions, "S:", "F:第 1 页"};
    QTest::newRow("class table") << sch::ClassFile << "10000"
            << QStringList{"共有 2  个学生", "共有 0 个班级", "共有 0 门课程"}
            << QStringList{head, columns, "D:" + captions.mid(1), "S:", "F:第 1 页"};
    QTest::newRow("student table") << sch::StudentFile << "00000"
            << QStringList{"共有 0  个学生", "共有 0 个班级", "共有 0 门课程"}
            << QStringList{head, columns, "D:" + captions.mid(1), "S:", "F:第 1 页"};
}

void TestReportChooser::failedOpen()
{
    QFETCH(QString, missing);
    QFETCH(QString, open);
    QFETCH(QStringList, summaries);
    QFETCH(QStringList, scoreRows);

    fixture::DataDir dir;
    dir.addStudent(QStringLiteral("s1"), QStringLiteral("甲"));
    dir.addStudent(QStringLiteral("s2"), QStringLiteral("乙"));
    dir.addScore(1, QStringLiteral("s1"), QStringLiteral("数学"), 90);
    dir.addClass(QStringLiteral("c1"), QStringLiteral("一班"));
    dir.addCourse(QStringLiteral("k1"), QStringLiteral("数学"));
    QVERIFY(QFile::remove(dir.file(missing)));

    fixture::Boxes boxes;
    holders::Reports r(dir.path());
    r.show();
    // One standard error box, and the chooser opens all the same.
    QCOMPARE(boxes.shown.size(), 1);
    QCOMPARE(boxes.shown[0].title, QStringLiteral("Quillmere"));
    QCOMPARE(boxes.shown[0].icon, ui::Icon::Error);
    QVERIFY(!boxes.shown[0].text.isEmpty());
    QVERIFY(r.chooser->isVisible());
    QCOMPARE(openFlags(r), open);

    QStringList got;
    for (Report *report : r.all().mid(0, 3)) {
        const ReportDocument doc = report->prepare();
        QCOMPARE(doc.pageCount(), 1);
        got << doc.pages[0].texts(BandKind::Summary);
    }
    QCOMPARE(got, summaries);
    QCOMPARE(rows(r.score->Report1.prepare()), scoreRows);
}

void TestReportChooser::buttonsPreviewTheirReport_data()
{
    QTest::addColumn<QString>("press");   // a button's name, or "Alt+S"
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("firstText");

    QTest::newRow("student list") << "Button_Stud" << "学生信息表" << "学生信息表";
    QTest::newRow("class list") << "Button_Class" << "班级信息表" << "班级信息表";
    QTest::newRow("course list") << "Button_Object" << "课程信息" << "课程信息";
    QTest::newRow("score report") << "Button_Scroce" << "学生成绩信息表" << "学生成绩信息表";
    // Both the student list and the score report carry S; the student list
    // comes first.
    QTest::newRow("Alt+S") << "Alt+S" << "学生信息表" << "学生信息表";
}

void TestReportChooser::buttonsPreviewTheirReport()
{
    QFETCH(QString, press);
    QFETCH(QString, title);
    QFETCH(QString, firstText);

    fixture::DataDir dir;
    dir.addStudent(QStringLiteral("s1"), QStringLiteral("甲"));
    holders::Reports r(dir.path());
    r.show();
    QVERIFY(QTest::qWaitForWindowExposed(r.chooser));

    QStringList previews;
    ui::setModalScript([&](QWidget *w) {
        auto &p = *qobject_cast<ReportPreview *>(w);
        previews << p.windowTitle();
        QCOMPARE(p.parentWidget(), r.chooser);
        QVERIFY(p.pageCount() >= 1);
        QCOMPARE(p.pages().page(0).texts().value(0), firstText);
    });
    if (press == QLatin1String("Alt+S"))
        QTest::keyClick(r.chooser, Qt::Key_S, Qt::AltModifier);
    else
        click(r.chooser->findChild<TSkinButton *>(press));
    QCOMPARE(previews, QStringList{title});
}

void TestReportChooser::previewIsModalOverTheChooser()
{
    // 30 students: the student list has two pages to go through.
    fixture::DataDir dir;
    for (int i = 1; i <= 30; ++i)
        dir.addStudent(QStringLiteral("s%1").arg(i), QStringLiteral("学生%1").arg(i));
    holders::Reports r(dir.path());
    TForm19 *w = r.chooser;
    w->setWindowModality(Qt::ApplicationModal);
    r.show();
    QVERIFY(QTest::qWaitForWindowExposed(w));

    QStringList steps;
    whenPreviewShows(w, QStringLiteral("学生信息表"), [&](ReportPreview *students) {
        // The preview takes the mouse although the chooser is modal.
        QToolButton *next = nullptr;
        for (QToolButton *b : students->findChildren<QToolButton *>()) {
            if (b->defaultAction() == students->nextAction())
                next = b;
        }
        QVERIFY(next);
        click(next);
        steps << QStringLiteral("student list page %1").arg(students->currentPage());

        // The chooser does not: a second report cannot open inside the
        // first one's wait and keep it from returning.
        click(w->Button_Class);
        QTest::qWait(50);
        steps << (previewOf(QStringLiteral("班级信息表")) ? QStringLiteral("class list shown")
                                                        : QStringLiteral("class list blocked"));
        students->close();
    });
    click(w->Button_Stud);
    steps << QStringLiteral("student list returned");

    // Once it is closed the chooser's buttons work again.
    whenPreviewShows(w, QStringLiteral("班级信息表"), [&](ReportPreview *classes) {
        steps << QStringLiteral("class list shown");
        classes->close();
    });
    click(w->Button_Class);
    steps << QStringLiteral("class list returned");
    QCOMPARE(steps, (QStringList{"student list page 2", "class list blocked", "student list returned",
                                 "class list shown", "class list returned"}));
    QVERIFY(w->findChildren<ReportPreview *>().isEmpty());
}

void TestReportChooser::closingTheChooserClosesItsPreview()
{
    fixture::DataDir dir;
    holders::Reports r(dir.path());
    TForm19 *w = r.chooser;
    r.show();
    QVERIFY(QTest::qWaitForWindowExposed(w));

    bool shown = false;
    bool leftWaiting = false;
    whenPreviewShows(w, QStringLiteral("课程信息"), [&](ReportPreview *preview) {
        shown = true;
        w->From_Out->runButtonAction(TitleButtonType::Close);
        // A preview still there now would keep the handler waiting for
        // ever, hidden with the chooser; close it to end the test.
        QTimer::singleShot(0, [&, p = QPointer<ReportPreview>(preview)] {
            if (p) {
                leftWaiting = true;
                p->close();
            }
        });
    });
    click(w->Button_Object);
    QVERIFY(shown);
    QVERIFY(!leftWaiting);
    QVERIFY(!w->isVisible());
    QVERIFY(w->findChildren<ReportPreview *>().isEmpty());
}

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    store::installActionHooks();
    ui::setApplicationTitle(QStringLiteral("Quillmere"));
    TestReportChooser test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_report_chooser.moc"
