// Themed window frame: where it stands, what it paints, resizing through the
// border strips, and the rule that keeps the main window maximised.

#include "SkinTestSupport.h"

#include "skin/SkinEdit.h"
#include "skin/SkinForm.h"
#include "skin/SkinTitleBar.h"

#include <QResizeEvent>
#include <QScreen>
#include <QWindow>
#include <QTest>

using TB = TitleButtonType;
Q_DECLARE_METATYPE(TSkinForm::MaximisedRuleStep)

class TestSkinForm : public QObject
{
    Q_OBJECT
private slots:
    void standsOnWindow_data();
    void standsOnWindow();
    void staysBehindControls();
    void paintsBorderAndFace();
    void captionIsWindowTitle();
    void resizeZones_data();
    void resizeZones();
    void maximisedRuleSteps_data();
    void maximisedRuleSteps();
    void maximisedWindow();
};

void TestSkinForm::standsOnWindow_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QSize>("resizedTo");
    QTest::newRow("typical") << QSize(400, 300) << QSize(500, 360);
    QTest::newRow("smallest") << QSize(130, 50) << QSize(131, 51);
    QTest::newRow("below the minimum") << QSize(100, 30) << QSize(90, 20);
}

void TestSkinForm::standsOnWindow()
{
    QFETCH(QSize, size);
    QFETCH(QSize, resizedTo);

    QWidget w;
    w.resize(size);
    TSkinForm frame(&w, QStringLiteral("班级"), {TB::ControlBox, TB::Close, TB::Min});
    QVERIFY(SkinTest::showAndActivate(w));

    QVERIFY(w.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(w.minimumSize(), QSize(130, 50));
    QCOMPARE(w.maximumSize(), w.screen()->availableGeometry().size());

    for (QSize s : {size, resizedTo}) {
        w.resize(s);
        const QSize now = w.size();   // held to the minimum
        QVERIFY(now.width() >= 130 && now.height() >= 50);
        QTRY_COMPARE(frame.geometry(), QRect(1, 0, now.width() - 2, now.height() - 1));
        QCOMPARE(frame.titleBar()->geometry(), QRect(0, 0, now.width() - 2, 23));
    }
}

void TestSkinForm::staysBehindControls()
{
    QWidget w;
    w.resize(300, 200);
    // One control made before the frame, one after: both stay in front.
    auto *early = new TSkinEdit(&w);
    early->setGeometry(10, 40, 100, 21);
    TSkinForm frame(&w, QStringLiteral("班级"), {TB::Close});
    auto *late = new TSkinEdit(&w);
    late->setGeometry(10, 80, 100, 21);
    QVERIFY(SkinTest::showAndActivate(w));
    w.resize(320, 220);

    QCOMPARE(w.childAt(20, 50), early);
    QCOMPARE(w.childAt(20, 90), late);
    QCOMPARE(w.childAt(200, 150), &frame);
}

void TestSkinForm::paintsBorderAndFace()
{
    QWidget w;
    w.resize(200, 120);
    TSkinForm frame(&w, QStringLiteral("班级"), {TB::Close});
    QVERIFY(SkinTest::showAndActivate(w));
    const QImage img = w.grab().toImage();
    const QColor border(127, 127, 127);

    for (int y = 0; y < 120; ++y) {
        QCOMPARE(img.pixelColor(0, y), border);
        QCOMPARE(img.pixelColor(199, y), border);
    }
    for (int x = 0; x < 200; ++x)
        QCOMPARE(img.pixelColor(x, 119), border);
    // Nothing of the border along the top: the title bar reaches the top row.
    QVERIFY(img.pixelColor(100, 0) != border);

    // The face below the bar: rows repeat every 4 pixels.
    const QColor rows[4] = {QColor(255, 255, 255), QColor(239, 239, 239),
                            QColor(232, 232, 232), QColor(239, 239, 239)};
    for (int y = 23; y < 119; ++y)
        for (int x : {1, 57, 198})
            QCOMPARE(img.pixelColor(x, y), rows[y % 4]);
}

void TestSkinForm::captionIsWindowTitle()
{
    QWidget w;
    w.setWindowTitle(QStringLiteral("旧标题"));
    TSkinForm frame(&w, QStringLiteral("学生信息管理"), {TB::Close});
    QCOMPARE(w.windowTitle(), QStringLiteral("学生信息管理"));
    QCOMPARE(frame.titleBar()->caption(), QStringLiteral("学生信息管理"));

    frame.setCaption(QStringLiteral("课程信息管理"));
    QCOMPARE(w.windowTitle(), QStringLiteral("课程信息管理"));
    QCOMPARE(frame.caption(), QStringLiteral("课程信息管理"));
    QCOMPARE(frame.titleBar()->caption(), QStringLiteral("课程信息管理"));
}

void TestSkinForm::resizeZones_data()
{
    QTest::addColumn<bool>("sizeable");
    QTest::addColumn<QPoint>("press");     // window coordinates, 300 x 200
    QTest::addColumn<QPoint>("drag");
    QTest::addColumn<QRect>("change");     // dx, dy, dw, dh

    // Drags stay inside the window, where the test's pointer can go.
    QTest::newRow("right border") << true << QPoint(299, 100) << QPoint(-30, 7) << QRect(0, 0, -30, 0);
    QTest::newRow("left border") << true << QPoint(0, 100) << QPoint(20, 7) << QRect(20, 0, -20, 0);
    QTest::newRow("bottom border") << true << QPoint(150, 199) << QPoint(9, -25) << QRect(0, 0, 0, -25);
    QTest::newRow("bottom border near the right: corner")
        << true << QPoint(296, 199) << QPoint(-10, -20) << QRect(0, 0, -10, -20);
    QTest::newRow("right border near the top: corner")
        << true << QPoint(299, 3) << QPoint(-10, 20) << QRect(0, 20, -10, -20);
    QTest::newRow("left border near the bottom: corner")
        << true << QPoint(0, 196) << QPoint(10, -20) << QRect(10, 0, -10, -20);
    QTest::newRow("held to the minimum width")
        << true << QPoint(299, 100) << QPoint(-250, 0) << QRect(0, 0, 130 - 300, 0);
    QTest::newRow("not sizeable") << false << QPoint(299, 100) << QPoint(-30, 7) << QRect();
    // A press just inside the border lands on the frame, which does not size.
    QTest::newRow("inside the border") << true << QPoint(297, 100) << QPoint(-30, 7) << QRect();
}

void TestSkinForm::resizeZones()
{
    QFETCH(bool, sizeable);
    QFETCH(QPoint, press);
    QFETCH(QPoint, drag);
    QFETCH(QRect, change);

    QWidget w;
    w.setGeometry(200, 150, 300, 200);
    TSkinForm frame(&w, QStringLiteral("账户管理"), {TB::ControlBox, TB::Close, TB::Min});
    frame.setSizeable(sizeable);
    QVERIFY(SkinTest::showAndActivate(w));
    const QRect before = w.geometry();

    QTest::mousePress(w.windowHandle(), Qt::LeftButton, {}, press);
    QTest::mouseMove(w.windowHandle(), press + drag);
    QTest::mouseRelease(w.windowHandle(), Qt::LeftButton, {}, press + drag - (w.pos() - before.topLeft()));

    const QRect expected(before.x() + change.x(), before.y() + change.y(),
                         before.width() + change.width(), before.height() + change.height());
    QTRY_COMPARE(w.geometry(), expected);
    if (sizeable && !change.isNull())
        QCOMPARE(frame.geometry(), QRect(1, 0, w.width() - 2, w.height() - 1));
}

void TestSkinForm::maximisedRuleSteps_data()
{
    using Step = TSkinForm::MaximisedRuleStep;
    QTest::addColumn<QList<bool>>("maximised");
    QTest::addColumn<QList<QRect>>("geometry");
    QTest::addColumn<QList<Step>>("steps");

    const QRect wa(0, 0, 800, 760);
    const QRect screen(0, 0, 800, 800);
    QTest::newRow("maximised inside the work area")
        << QList<bool>{true, true, true, true} << QList<QRect>{wa, wa, wa, wa}
        << QList<Step>{Step::Counted, Step::Counted, Step::Counted, Step::Counted};
    QTest::newRow("over the taskbar: put back from the third change")
        << QList<bool>{true, true, true, true} << QList<QRect>{screen, screen, screen, screen}
        << QList<Step>{Step::Counted, Step::Counted, Step::Cover, Step::Cover};
    QTest::newRow("restored at once")
        << QList<bool>{false} << QList<QRect>{QRect(10, 10, 300, 200)} << QList<Step>{Step::Restore};
    QTest::newRow("restored after being counted")
        << QList<bool>{true, true, false} << QList<QRect>{screen, screen, screen}
        << QList<Step>{Step::Counted, Step::Counted, Step::Restore};
}

void TestSkinForm::maximisedRuleSteps()
{
    using Step = TSkinForm::MaximisedRuleStep;
    QFETCH(QList<bool>, maximised);
    QFETCH(QList<QRect>, geometry);
    QFETCH(QList<Step>, steps);

    TSkinForm::resetMaximisedRuleCount();
    const QRect wa(0, 0, 800, 760);
    for (int i = 0; i < steps.size(); ++i)
        QCOMPARE(TSkinForm::maximisedRuleStep(maximised.at(i), geometry.at(i), wa), steps.at(i));
}

void TestSkinForm::maximisedWindow()
{
    // The main window: maximised when its frame is made.
    QWidget w;
    const QRect bounds(60, 50, 400, 300);
    w.setGeometry(bounds);
    w.setWindowState(Qt::WindowMaximized);
    TSkinForm frame(&w, QStringLiteral("主窗口"), {TB::ControlBox, TB::Min}, QColor(219, 219, 219));
    frame.setSizeable(true);
    QVERIFY(SkinTest::showAndActivate(w));
    QTRY_VERIFY(w.isMaximized());
    const QRect maximised = w.geometry();
    QVERIFY(maximised.width() > bounds.width());
    QVERIFY(frame.workArea().contains(maximised));

    // Its borders do not resize it while maximised.
    const QPoint right(maximised.width() - 1, 100);
    QTest::mousePress(w.windowHandle(), Qt::LeftButton, {}, right);
    QTest::mouseMove(w.windowHandle(), right - QPoint(40, 0));
    QTest::mouseRelease(w.windowHandle(), Qt::LeftButton, {}, right - QPoint(40, 0));
    QCOMPARE(w.geometry(), maximised);

    // Size changes while it stays maximised are counted and leave it alone.
    TSkinForm::resetMaximisedRuleCount();
    for (int i = 1; i <= 3; ++i) {
        QResizeEvent again(w.size(), w.size());
        QApplication::sendEvent(&w, &again);
        QCOMPARE(TSkinForm::maximisedRuleCount(), i);
        QCOMPARE(w.geometry(), maximised);
    }

    // Restored, it gets back the bounds it had when made, and the rule ends.
    w.showNormal();
    QTRY_COMPARE(w.geometry(), bounds);
    const int counted = TSkinForm::maximisedRuleCount();
    w.resize(320, 240);
    QTRY_COMPARE(w.size(), QSize(320, 240));
    QCOMPARE(TSkinForm::maximisedRuleCount(), counted);
}

QTEST_MAIN(TestSkinForm)
#include "test_skin_form.moc"
