// Picture title bar: where its buttons stand, the caption cut, which picture
// each button shows, what a release does, dragging, activation.

#include "SkinTestSupport.h"

#include "skin/Pictures.h"
#include "skin/SkinForm.h"
#include "skin/SkinTitleBar.h"

#include <QTest>

Q_DECLARE_METATYPE(SkinPictureState)
Q_DECLARE_METATYPE(TitleButtonType)

using Buttons = QList<TitleButtonType>;
using TB = TitleButtonType;

namespace {

const Buttons kOther{TB::ControlBox, TB::Close, TB::Min};

// A skinned window of the common kind: control box, close, minimise.
struct Window
{
    QWidget w;
    TSkinForm *frame;

    explicit Window(const QString &caption = QStringLiteral("学生信息管理"),
                    const Buttons &buttons = kOther, QSize size = {320, 200})
    {
        w.resize(size);
        frame = new TSkinForm(&w, caption, buttons);
    }
    TSkinTitleBar *bar() const { return frame->titleBar(); }
    QWindow *handle() { return w.windowHandle(); }
    // Window coordinates of a point given in title-bar coordinates.
    QPoint at(QPoint barPos) const { return bar()->mapTo(&w, barPos); }
    QPoint centreOf(int index) const
    {
        return at(TSkinTitleBar::buttonRects(bar()->width(), bar()->buttons()).at(index).center());
    }
};

} // namespace

class TestSkinTitleBar : public QObject
{
    Q_OBJECT
private slots:
    void buttonGeometry_data();
    void buttonGeometry();
    void picturesPaintedWhereButtonsAre();
    void captionCut_data();
    void captionCut();
    void captionCutBoundary();
    void pictureFollowsPointerAndPress();
    void releaseActions_data();
    void releaseActions();
    void doubleClick_data();
    void doubleClick();
    void dragMovesWindowUnlessMaximised();
    void captionGreysWhenInactive();
};

void TestSkinTitleBar::buttonGeometry_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<Buttons>("buttons");
    QTest::addColumn<QList<int>>("xs");
    QTest::addColumn<int>("captionX");
    QTest::addColumn<int>("captionLimit");

    QTest::newRow("login: control box, close")
        << 300 << Buttons{TB::ControlBox, TB::Close} << QList<int>{3, 281} << 25 << 281;
    QTest::newRow("main: control box, minimise")
        << 798 << Buttons{TB::ControlBox, TB::Min} << QList<int>{3, 779} << 25 << 779;
    QTest::newRow("other: control box, close, minimise")
        << 128 << kOther << QList<int>{3, 109, 91} << 25 << 91;
    QTest::newRow("no control box")
        << 200 << Buttons{TB::Close, TB::Min} << QList<int>{181, 163} << 3 << 163;
    QTest::newRow("control box listed last")
        << 200 << Buttons{TB::Close, TB::Min, TB::ControlBox} << QList<int>{181, 163, 3} << 25 << 163;
    QTest::newRow("no buttons") << 200 << Buttons{} << QList<int>{} << 3 << 199;
}

void TestSkinTitleBar::buttonGeometry()
{
    QFETCH(int, width);
    QFETCH(Buttons, buttons);
    QFETCH(QList<int>, xs);
    QFETCH(int, captionX);
    QFETCH(int, captionLimit);

    const QList<QRect> rects = TSkinTitleBar::buttonRects(width, buttons);
    QCOMPARE(rects.size(), xs.size());
    for (int i = 0; i < rects.size(); ++i)
        QCOMPARE(rects.at(i), QRect(xs.at(i), 4, 17, 17));
    QCOMPARE(TSkinTitleBar::captionX(buttons), captionX);
    QCOMPARE(TSkinTitleBar::captionLimit(width, buttons), captionLimit);
}

void TestSkinTitleBar::picturesPaintedWhereButtonsAre()
{
    Window f(QStringLiteral("学生"), kOther, {300, 120});
    QVERIFY(SkinTest::showAndActivate(f.w));
    QCOMPARE(f.bar()->geometry(), QRect(0, 0, 298, 23));

    const QImage shot = f.bar()->grab().toImage();
    const QList<QRect> rects = TSkinTitleBar::buttonRects(298, kOther);
    for (int i = 0; i < kOther.size(); ++i) {
        const QImage pic = SkinPictures::titleButton(kOther.at(i), SkinPictureState::Normal).toImage();
        QVERIFY2(SkinTest::sameArea(shot, rects.at(i), pic), qPrintable(QString::number(i)));
    }
    // The three section pictures: left piece at 0, right piece over the last
    // 48 pixels.
    const QImage left = SkinPictures::picture(QStringLiteral("PINSTRIPE_TITLE_LEFT")).toImage();
    const QImage right = SkinPictures::picture(QStringLiteral("PINSTRIPE_TITLE_RIGHT")).toImage();
    QVERIFY(SkinTest::sameArea(shot.copy(0, 0, 3, 23), QRect(0, 0, 3, 23), left.copy(0, 0, 3, 23)));
    QVERIFY(SkinTest::sameArea(shot, QRect(298 - 2, 0, 2, 23), right.copy(46, 0, 2, 23)));
}

void TestSkinTitleBar::captionCut_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("windowWidth");
    QTest::addColumn<QString>("shown");

    const QString longCn = QStringLiteral("学生信息管理系统主窗口");
    QTest::newRow("chinese, narrow") << longCn << 130 << QStringLiteral("学...");
    QTest::newRow("chinese, wide") << longCn << 600 << longCn;
    QTest::newRow("short chinese, narrow") << QStringLiteral("登录") << 130 << QStringLiteral("登录");
    QTest::newRow("ascii, narrow")
        << QStringLiteral("Quillmere student records") << 130 << QStringLiteral("Qu...");
    // One byte of ASCII and the lead byte of a Chinese character: the half
    // character is not drawn.
    QTest::newRow("ascii then chinese, narrow")
        << QStringLiteral("A学生信息管理系统主窗口") << 130 << QStringLiteral("A...");
}

void TestSkinTitleBar::captionCut()
{
    QFETCH(QString, caption);
    QFETCH(int, windowWidth);
    QFETCH(QString, shown);

    Window f(caption, kOther, {windowWidth, 100});
    QVERIFY(SkinTest::showAndActivate(f.w));
    QCOMPARE(f.bar()->width(), windowWidth - 2);
    QCOMPARE(f.bar()->displayedCaption(), shown);
    QCOMPARE(f.w.windowTitle(), caption);
}

void TestSkinTitleBar::captionCutBoundary()
{
    // The caption is cut only when wider than the space from its start to
    // the leftmost right-side button, not when it just fits.
    const QString caption = QStringLiteral("课程信息管理");
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    const int textWidth = QFontMetrics(font).horizontalAdvance(caption);
    // Space = width - 1 - 36 - 25 with control box, close and minimise.
    const int fits = textWidth + 62;
    QCOMPARE(TSkinTitleBar::fitCaption(caption, font, fits, kOther), caption);
    QCOMPARE(TSkinTitleBar::fitCaption(caption, font, fits - 1, kOther), QStringLiteral("课..."));
}

void TestSkinTitleBar::pictureFollowsPointerAndPress()
{
    Window f;
    QVERIFY(SkinTest::showAndActivate(f.w));
    TSkinTitleBar *bar = f.bar();
    const int close = 1, min = 2;
    auto states = [bar] {
        return QList<SkinPictureState>{bar->buttonState(0), bar->buttonState(1), bar->buttonState(2)};
    };
    using S = SkinPictureState;

    QTest::mouseMove(f.handle(), f.centreOf(close));
    QCOMPARE(bar->hoveredButton(), close);
    QCOMPARE(states(), (QList<S>{S::Normal, S::MouseOn, S::Normal}));
    const QRect closeRect = TSkinTitleBar::buttonRects(bar->width(), kOther).at(close);
    QVERIFY(SkinTest::sameArea(bar->grab().toImage(), closeRect,
                               SkinPictures::titleButton(TB::Close, S::MouseOn).toImage()));

    QTest::mousePress(f.handle(), Qt::LeftButton, {}, f.centreOf(close));
    QVERIFY(bar->isPressed());
    QCOMPARE(states(), (QList<S>{S::Normal, S::MouseDown, S::Normal}));
    QVERIFY(SkinTest::sameArea(bar->grab().toImage(), closeRect,
                               SkinPictures::titleButton(TB::Close, S::MouseDown).toImage()));

    // Still held, over the minimise button: that one shows pressed.
    QTest::mouseMove(f.handle(), f.centreOf(min));
    QCOMPARE(states(), (QList<S>{S::Normal, S::Normal, S::MouseDown}));

    // Held, off every button.
    QTest::mouseMove(f.handle(), f.at({60, 11}));
    QCOMPARE(states(), (QList<S>{S::Normal, S::Normal, S::Normal}));
    QTest::mouseRelease(f.handle(), Qt::LeftButton, {}, f.at({60, 11}));
    QVERIFY(!bar->isPressed());
    QVERIFY(f.w.isVisible());

    // Leaving the bar clears the pointer mark.
    QTest::mouseMove(f.handle(), f.centreOf(min));
    QCOMPARE(bar->hoveredButton(), min);
    QTest::mouseMove(f.handle(), {150, 120});
    QCOMPARE(bar->hoveredButton(), -1);
}

void TestSkinTitleBar::releaseActions_data()
{
    QTest::addColumn<int>("pressOn");      // button index, -1: the caption
    QTest::addColumn<int>("releaseOn");
    QTest::addColumn<QString>("outcome");  // nothing, closed, minimised

    // kOther: 0 control box, 1 close, 2 minimise.
    QTest::newRow("close clicked") << 1 << 1 << "closed";
    QTest::newRow("minimise clicked") << 2 << 2 << "minimised";
    QTest::newRow("close pressed, released on the bar") << 1 << -1 << "nothing";
    QTest::newRow("close pressed, released over minimise") << 1 << 2 << "minimised";
    QTest::newRow("minimise pressed, released over close") << 2 << 1 << "closed";
    QTest::newRow("control box without menu") << 0 << 0 << "nothing";
    // Pressing the caption starts a move of the window; its release is the
    // move's, not a button's.
    QTest::newRow("caption pressed, released over close") << -1 << 1 << "nothing";
}

void TestSkinTitleBar::releaseActions()
{
    QFETCH(int, pressOn);
    QFETCH(int, releaseOn);
    QFETCH(QString, outcome);

    Window f;
    QVERIFY(SkinTest::showAndActivate(f.w));
    const QPoint caption = f.at({60, 11});
    const QPoint press = pressOn < 0 ? caption : f.centreOf(pressOn);
    QTest::mouseMove(f.handle(), press);
    QTest::mousePress(f.handle(), Qt::LeftButton, {}, press);
    // Where the window moved with the pointer, find the release point anew.
    const QPoint release = releaseOn < 0 ? f.at({60, 11}) : f.centreOf(releaseOn);
    QTest::mouseMove(f.handle(), release);
    QTest::mouseRelease(f.handle(), Qt::LeftButton, {}, release);

    QCOMPARE(!f.w.isVisible(), outcome == "closed");
    QCOMPARE(f.w.isMinimized(), outcome == "minimised");
    QVERIFY(!f.bar()->isPressed());
}

void TestSkinTitleBar::doubleClick_data()
{
    QTest::addColumn<Buttons>("buttons");
    QTest::addColumn<bool>("maximises");

    QTest::newRow("no maximise button") << kOther << false;
    QTest::newRow("with a maximise button")
        << Buttons{TB::ControlBox, TB::Close, TB::Max} << true;
}

void TestSkinTitleBar::doubleClick()
{
    QFETCH(Buttons, buttons);
    QFETCH(bool, maximises);

    Window f(QStringLiteral("学生"), buttons);
    QVERIFY(SkinTest::showAndActivate(f.w));
    const QRect before = f.w.geometry();
    QTest::mouseDClick(f.handle(), Qt::LeftButton, {}, f.at({60, 11}));
    QCOMPARE(f.w.isMaximized(), maximises);
    if (!maximises)
        QCOMPARE(f.w.geometry(), before);
    else
        QTRY_COMPARE(f.w.geometry(), f.frame->workArea());
}

void TestSkinTitleBar::dragMovesWindowUnlessMaximised()
{
    Window f;
    f.w.move(100, 80);
    QVERIFY(SkinTest::showAndActivate(f.w));
    const QPoint start = f.w.pos();

    QTest::mousePress(f.handle(), Qt::LeftButton, {}, f.at({60, 10}));
    QTest::mouseMove(f.handle(), f.at({90, 30}));
    QTest::mouseRelease(f.handle(), Qt::LeftButton, {}, f.at({60, 10}));
    QCOMPARE(f.w.pos(), start + QPoint(30, 20));
    QVERIFY(!f.bar()->isPressed());

    f.w.showMaximized();
    QTRY_VERIFY(f.w.isMaximized());
    QTRY_COMPARE(f.w.pos(), f.frame->workArea().topLeft());
    const QPoint maxPos = f.w.pos();
    QTest::mousePress(f.handle(), Qt::LeftButton, {}, f.at({60, 10}));
    QTest::mouseMove(f.handle(), f.at({90, 30}));
    QTest::mouseRelease(f.handle(), Qt::LeftButton, {}, f.at({90, 30}));
    QCOMPARE(f.w.pos(), maxPos);
    QVERIFY(f.w.isMaximized());
}

void TestSkinTitleBar::captionGreysWhenInactive()
{
    Window a(QStringLiteral("学生信息"));
    Window b(QStringLiteral("班级信息"));
    b.w.move(400, 300);
    QVERIFY(SkinTest::showAndActivate(a.w));
    QVERIFY(a.bar()->isActive());

    auto captionHas = [](TSkinTitleBar *bar, QColor c) {
        const QImage img = bar->grab().toImage();
        for (int y = 0; y < img.height(); ++y)
            for (int x = 25; x < 100; ++x)
                if (img.pixelColor(x, y) == c)
                    return true;
        return false;
    };
    QCOMPARE(a.bar()->captionColor(), QColor(Qt::black));
    QVERIFY(captionHas(a.bar(), Qt::black));

    QVERIFY(SkinTest::showAndActivate(b.w));
    QTRY_VERIFY(!a.bar()->isActive());
    QVERIFY(b.bar()->isActive());
    QCOMPARE(a.bar()->captionColor(), TSkinTitleBar::inactiveCaptionColor());
    QVERIFY(!captionHas(a.bar(), Qt::black));

    QVERIFY(SkinTest::showAndActivate(a.w));
    QTRY_VERIFY(a.bar()->isActive());
    QVERIFY(!b.bar()->isActive());
}

QTEST_MAIN(TestSkinTitleBar)
#include "test_skin_titlebar.moc"
