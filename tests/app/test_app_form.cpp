// The window base's shared set-up: name, title, size and font, the place in
// the middle of the screen, captions, counters and the 100 ms timer.
#include "ui/Form.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QtTest>

namespace {

// Opens the protected helpers to the test, as a window's constructor uses them.
class Window : public TForm {
public:
    using TForm::addLabel;
    using TForm::addNamedLabel;
    using TForm::addNumberLabel;
    using TForm::centreOnScreen;
    using TForm::design;
    using TForm::Sizing;
    using TForm::startTimer100;
};

} // namespace

class FormTest : public QObject {
    Q_OBJECT
private slots:
    void designNamesSizesAndSetsTheFont();
    void sizeableWindowKeepsItsSizeButMayChangeIt();
    void centredInTheWorkArea();
    void labelsAsWideAsTheirText();
    void numberLabelStartsAtZeroCentred();
    void timerRunsEvery100ms();
};

void FormTest::designNamesSizesAndSetsTheFont()
{
    Window w;
    const QFont f = w.design(QStringLiteral("Form4_Class"), QStringLiteral("班级信息管理"), QSize(465, 296));
    QCOMPARE(w.objectName(), QStringLiteral("Form4_Class"));
    QCOMPARE(w.windowTitle(), QStringLiteral("班级信息管理"));
    QCOMPARE(w.size(), QSize(465, 296));
    QCOMPARE(w.minimumSize(), QSize(465, 296));
    QCOMPARE(w.maximumSize(), QSize(465, 296));
    QCOMPARE(f.family(), QStringLiteral("宋体"));
    QCOMPARE(f.pixelSize(), 13);
    QCOMPARE(w.font().family(), QStringLiteral("宋体"));
    QCOMPARE(w.font().pixelSize(), 13);
}

void FormTest::sizeableWindowKeepsItsSizeButMayChangeIt()
{
    Window w;
    w.design(QStringLiteral("Form12_Class_Query"), QStringLiteral("查找班级"), QSize(338, 272), Window::Sizing::Sizeable);
    QCOMPARE(w.size(), QSize(338, 272));
    QVERIFY(w.minimumSize() != QSize(338, 272));
    w.resize(400, 300);
    QCOMPARE(w.size(), QSize(400, 300));
}

void FormTest::centredInTheWorkArea()
{
    QScreen *screen = QGuiApplication::primaryScreen();
    QVERIFY(screen);
    Window w;
    w.design(QStringLiteral("Form5_Object"), QStringLiteral("课程信息管理"), QSize(487, 413));
    w.centreOnScreen();
    QCOMPARE(w.pos(), screen->availableGeometry().center() - QRect(0, 0, 487, 413).center());
}

void FormTest::labelsAsWideAsTheirText()
{
    Window w;
    QWidget *group = new QWidget(&w);
    QLabel *a = w.addLabel(QStringLiteral("班号：     "), 194, 66);
    QCOMPARE(a->parentWidget(), &w);
    QCOMPARE(a->pos(), QPoint(194, 66));
    QCOMPARE(a->text(), QStringLiteral("班号：     "));
    // The trailing blanks widen it.
    QLabel *shorter = w.addLabel(QStringLiteral("班号："), 0, 0);
    QVERIFY(a->width() > shorter->width());
    QCOMPARE(a->size(), a->sizeHint());

    QLabel *b = w.addNamedLabel("Label4", QStringLiteral("科目平均分为：    "), 16, 20, group);
    QCOMPARE(b->parentWidget(), group);
    QCOMPARE(b->objectName(), QStringLiteral("Label4"));
    QCOMPARE(b->pos(), QPoint(16, 20));
    QCOMPARE(b->size(), b->sizeHint());
}

void FormTest::numberLabelStartsAtZeroCentred()
{
    Window w;
    QLabel *n = w.addNumberLabel(140, 37, 48);
    QCOMPARE(n->parentWidget(), &w);
    QCOMPARE(n->text(), QStringLiteral("0"));
    QCOMPARE(n->alignment(), Qt::AlignCenter);
    QCOMPARE(n->geometry(), QRect(140, 37, 48, 16));
    QCOMPARE(w.addNumberLabel(12, 184, 40, 17)->geometry(), QRect(12, 184, 40, 17));
}

void FormTest::timerRunsEvery100ms()
{
    Window w;
    int ticks = 0;
    QTimer *t = w.startTimer100([&ticks] { ++ticks; }, "Timer1");
    QCOMPARE(t->parent(), &w);
    QCOMPARE(t->objectName(), QStringLiteral("Timer1"));
    QCOMPARE(t->interval(), 100);
    QVERIFY(t->isActive());
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 2, 2000);
    QVERIFY(w.startTimer100([] {})->objectName().isEmpty());
}

QTEST_MAIN(FormTest)
#include "test_app_form.moc"
