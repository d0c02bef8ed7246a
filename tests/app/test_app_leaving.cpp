// Leaving a box: which focus moves run a box's leaving handler, in either
// sense of leaving, and what becomes of an error the handler raises.
#include "core/Error.h"
#include "ui/FocusLeave.h"
#include "tests/support/Fixture.h"

#include <QLineEdit>
#include <QVBoxLayout>
#include <QtTest>

class LeavingTest : public QObject {
    Q_OBJECT
private slots:
    void moves_data();
    void moves();
    void handlerErrorIsReportedAndTheFocusMovesOn();
};

namespace {

enum Move { Tab, ClickIntoOther, OtherWindowActivated, FocusCleared };

// A window with the box and one other box after it.
struct Window {
    QWidget w;
    QLineEdit *box = new QLineEdit(&w);
    QLineEdit *other = new QLineEdit(&w);
    Window()
    {
        auto *layout = new QVBoxLayout(&w);
        layout->addWidget(box);
        layout->addWidget(other);
    }
};

} // namespace

void LeavingTest::moves_data()
{
    QTest::addColumn<int>("move");
    QTest::addColumn<int>("leaving");
    QTest::addColumn<int>("calls");
    const int movedOn = int(ui::Leaving::MovedOn), toWindow = int(ui::Leaving::ToItsWindow);
    QTest::newRow("tab, moved on") << int(Tab) << movedOn << 1;
    QTest::newRow("tab, to its window") << int(Tab) << toWindow << 1;
    QTest::newRow("click into the other box, moved on") << int(ClickIntoOther) << movedOn << 1;
    QTest::newRow("click into the other box, to its window") << int(ClickIntoOther) << toWindow << 1;
    QTest::newRow("another window, moved on") << int(OtherWindowActivated) << movedOn << 0;
    QTest::newRow("another window, to its window") << int(OtherWindowActivated) << toWindow << 0;
    // No control has the focus afterwards: the window kept it, nothing else.
    QTest::newRow("focus cleared, moved on") << int(FocusCleared) << movedOn << 1;
    QTest::newRow("focus cleared, to its window") << int(FocusCleared) << toWindow << 0;
}

void LeavingTest::moves()
{
    QFETCH(int, move);
    QFETCH(int, leaving);
    QFETCH(int, calls);
    Window win;
    int left = 0;
    ui::onLeaving(win.box, ui::Leaving(leaving), [&] { ++left; });
    QVERIFY(fixture::showActive(&win.w));
    win.box->setFocus(Qt::OtherFocusReason);
    QVERIFY(win.box->hasFocus());
    QWidget elsewhere;
    switch (Move(move)) {
    case Tab:
        QTest::keyClick(win.box, Qt::Key_Tab);
        QVERIFY(win.other->hasFocus());
        break;
    case ClickIntoOther:
        QTest::mouseClick(win.other, Qt::LeftButton);
        QVERIFY(win.other->hasFocus());
        break;
    case OtherWindowActivated:
        QVERIFY(fixture::showActive(&elsewhere));
        break;
    case FocusCleared:
        win.box->clearFocus();
        break;
    }
    QVERIFY(!win.box->hasFocus());
    QCOMPARE(left, calls);
}

void LeavingTest::handlerErrorIsReportedAndTheFocusMovesOn()
{
    fixture::Boxes boxes;
    Window win;
    ui::onLeaving(win.box, ui::Leaving::MovedOn,
                  [] { throw store::Error(QStringLiteral("Table_stud: 无法在关闭的数据集上执行该操作")); });
    QVERIFY(fixture::showActive(&win.w));
    win.box->setFocus();
    QTest::keyClick(win.box, Qt::Key_Tab);
    QVERIFY(win.other->hasFocus());
    QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Table_stud: 无法在关闭的数据集上执行该操作.")});
    QCOMPARE(boxes.shown[0].icon, ui::Icon::Error);
}

QTEST_MAIN(LeavingTest)
#include "test_app_leaving.moc"
