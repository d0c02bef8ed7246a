// Themed push button: pictures per state, the mouse and keyboard paths that
// click, the accelerator, and how the nine-slice keeps the pill's ends.

#include "SkinTestSupport.h"

#include "skin/SkinButton.h"
#include "skin/SkinEdit.h"
#include "skin/SkinForm.h"
#include "skin/SkinGroupBox.h"
#include "skin/SkinComboBox.h"

#include <QSignalSpy>
#include <QTest>

Q_DECLARE_METATYPE(SkinPictureState)

namespace {

// A skinned window with an edit box and two buttons, as the windows build it:
// frame first, then the controls in their order.
struct Window
{
    QWidget w;
    TSkinForm *frame;
    TSkinEdit *edit;
    TSkinButton *ok;
    TSkinButton *cancel;

    Window()
    {
        w.resize(320, 200);
        frame = new TSkinForm(&w, QStringLiteral("测试"),
                              {TitleButtonType::ControlBox, TitleButtonType::Close});
        edit = new TSkinEdit(&w);
        edit->setGeometry(20, 40, 120, 21);
        ok = new TSkinButton(QStringLiteral("确定  &O"), &w);
        ok->setGeometry(20, 120, 84, 23);
        cancel = new TSkinButton(QStringLiteral("取消  &C"), &w);
        cancel->setGeometry(120, 120, 84, 23);
    }
    QWindow *handle() { return w.windowHandle(); }
    QPoint at(QWidget *child, QPoint local) { return child->mapTo(&w, local); }
};

// Columns of a rendered button, as images one pixel wide.
QImage column(const QImage &img, int x) { return img.copy(x, 0, 1, img.height()); }

} // namespace

class TestSkinButton : public QObject
{
    Q_OBJECT
private slots:
    void pictureFollowsPointerAndPress();
    void mousePaths_data();
    void mousePaths();
    void pressLeavesFocusWhereItWas();
    void keysClickOnlyWhenFocused_data();
    void keysClickOnlyWhenFocused();
    void disabledIgnoresEverything();
    void disabledCaptionIsEmbossedGrey();
    void tabSkipsButtons();
    void acceleratorFirstInControlOrder_data();
    void acceleratorFirstInControlOrder();
    void acceleratorFinishesEditingBeforeClick();
    void acceleratorStaysInItsWindow();
    void nineSliceKeepsEnds_data();
    void nineSliceKeepsEnds();
};

void TestSkinButton::pictureFollowsPointerAndPress()
{
    Window f;
    QVERIFY(SkinTest::showAndActivate(f.w));
    QSignalSpy clicked(f.ok, &TSkinButton::clicked);

    QCOMPARE(f.ok->currentPicture(), SkinPictureState::Normal);
    QTest::mouseMove(f.handle(), f.at(f.ok, {40, 11}));
    QVERIFY(f.ok->isPointerOver());
    QCOMPARE(f.ok->currentPicture(), SkinPictureState::MouseOn);
    QCOMPARE(f.cancel->currentPicture(), SkinPictureState::Normal);

    QTest::mousePress(f.handle(), Qt::LeftButton, {}, f.at(f.ok, {40, 11}));
    QVERIFY(f.ok->isPressed());
    QCOMPARE(f.ok->currentPicture(), SkinPictureState::MouseDown);
    QCOMPARE(clicked.count(), 0);

    QTest::mouseRelease(f.handle(), Qt::LeftButton, {}, f.at(f.ok, {40, 11}));
    QCOMPARE(clicked.count(), 1);
    QVERIFY(!f.ok->isPressed());
    QCOMPARE(f.ok->currentPicture(), SkinPictureState::MouseOn);

    QTest::mouseMove(f.handle(), f.at(f.cancel, {40, 11}));
    QCOMPARE(f.ok->currentPicture(), SkinPictureState::Normal);
    QCOMPARE(f.cancel->currentPicture(), SkinPictureState::MouseOn);

    // The picture shown is the one painted: the blue mouse-on pill in the
    // middle of the hovered button, the white normal one on the other.
    const QColor hot = SkinTest::pixel(f.cancel, {20, 18});
    const QColor cold = SkinTest::pixel(f.ok, {20, 18});
    QVERIFY2(hot.blue() > hot.red() + 40, qPrintable(hot.name()));
    QVERIFY2(qAbs(cold.blue() - cold.red()) < 10, qPrintable(cold.name()));
}

void TestSkinButton::mousePaths_data()
{
    QTest::addColumn<QList<QPoint>>("moves");     // button-local, while held
    QTest::addColumn<QPoint>("release");
    QTest::addColumn<int>("clicks");

    QTest::newRow("release over it") << QList<QPoint>{{50, 12}} << QPoint(50, 12) << 1;
    QTest::newRow("moved off, released off") << QList<QPoint>{{50, 60}} << QPoint(50, 60) << 0;
    QTest::newRow("moved off and back, released over it")
        << QList<QPoint>{{120, 12}, {50, 12}} << QPoint(50, 12) << 0;
    QTest::newRow("released over the other button")
        << QList<QPoint>{{150, 12}} << QPoint(150, 12) << 0;
}

void TestSkinButton::mousePaths()
{
    QFETCH(QList<QPoint>, moves);
    QFETCH(QPoint, release);
    QFETCH(int, clicks);

    Window f;
    QVERIFY(SkinTest::showAndActivate(f.w));
    QSignalSpy okClicked(f.ok, &TSkinButton::clicked);
    QSignalSpy cancelClicked(f.cancel, &TSkinButton::clicked);

    QTest::mouseMove(f.handle(), f.at(f.ok, {10, 12}));
    QTest::mousePress(f.handle(), Qt::LeftButton, {}, f.at(f.ok, {10, 12}));
    for (const QPoint &m : moves)
        QTest::mouseMove(f.handle(), f.at(f.ok, m));
    if (!f.ok->rect().contains(moves.constLast())) {
        QVERIFY(!f.ok->isPressed());
        QVERIFY(!f.ok->isPointerOver());
    }
    QTest::mouseRelease(f.handle(), Qt::LeftButton, {}, f.at(f.ok, release));

    QCOMPARE(okClicked.count(), clicks);
    QCOMPARE(cancelClicked.count(), 0);
    QVERIFY(!f.ok->isPressed());
}

void TestSkinButton::pressLeavesFocusWhereItWas()
{
    Window f;
    QVERIFY(SkinTest::showAndActivate(f.w));
    f.edit->setFocus();
    QVERIFY(f.edit->hasFocus());
    QSignalSpy clicked(f.ok, &TSkinButton::clicked);

    QTest::mouseClick(f.handle(), Qt::LeftButton, {}, f.at(f.ok, {40, 11}));
    QCOMPARE(clicked.count(), 1);
    QVERIFY(f.edit->hasFocus());
    QVERIFY(!f.ok->hasFocus());
}

void TestSkinButton::keysClickOnlyWhenFocused_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("focused");
    QTest::addColumn<int>("clicks");

    QTest::newRow("space, focused") << int(Qt::Key_Space) << true << 1;
    QTest::newRow("return, focused") << int(Qt::Key_Return) << true << 1;
    QTest::newRow("keypad enter, focused") << int(Qt::Key_Enter) << true << 1;
    QTest::newRow("space, not focused") << int(Qt::Key_Space) << false << 0;
    QTest::newRow("letter, focused") << int(Qt::Key_A) << true << 0;
}

void TestSkinButton::keysClickOnlyWhenFocused()
{
    QFETCH(int, key);
    QFETCH(bool, focused);
    QFETCH(int, clicks);

    Window f;
    QVERIFY(SkinTest::showAndActivate(f.w));
    if (focused) {
        f.ok->setFocus();
        QVERIFY(f.ok->hasFocus());
    } else {
        f.edit->setFocus();
    }
    QSignalSpy clicked(f.ok, &TSkinButton::clicked);
    const auto mods = key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier;

    // Sent to the button itself, as if it had the focus either way.
    QTest::keyPress(f.ok, Qt::Key(key), mods);
    QCOMPARE(f.ok->isPressed(), clicks > 0);
    QCOMPARE(clicked.count(), 0);
    QTest::keyRelease(f.ok, Qt::Key(key), mods);
    QCOMPARE(clicked.count(), clicks);
    QVERIFY(!f.ok->isPressed());
}

void TestSkinButton::disabledIgnoresEverything()
{
    Window f;
    QVERIFY(SkinTest::showAndActivate(f.w));
    f.ok->setEnabled(false);
    f.edit->setFocus();
    QSignalSpy clicked(f.ok, &TSkinButton::clicked);

    QTest::mouseMove(f.handle(), f.at(f.ok, {40, 11}));
    QCOMPARE(f.ok->currentPicture(), SkinPictureState::Normal);
    QTest::mousePress(f.handle(), Qt::LeftButton, {}, f.at(f.ok, {40, 11}));
    QCOMPARE(f.ok->currentPicture(), SkinPictureState::Normal);
    QTest::mouseRelease(f.handle(), Qt::LeftButton, {}, f.at(f.ok, {40, 11}));
    QTest::keyClick(f.edit, Qt::Key_O, Qt::AltModifier);
    QVERIFY(f.edit->hasFocus());
    f.ok->click();
    QCOMPARE(clicked.count(), 0);

    // Enabled again it works, so nothing above was lost by the test itself.
    f.ok->setEnabled(true);
    QTest::keyClick(f.edit, Qt::Key_O, Qt::AltModifier);
    QCOMPARE(clicked.count(), 1);
}

void TestSkinButton::disabledCaptionIsEmbossedGrey()
{
    QWidget w;
    w.resize(200, 60);
    auto *b = new TSkinButton(QStringLiteral("退出  &X"), &w);
    b->setGeometry(10, 10, 120, 23);
    QVERIFY(SkinTest::showAndActivate(w));

    auto count = [](const QImage &img, auto pred) {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                n += pred(img.pixelColor(x, y));
        return n;
    };
    auto isGrey = [](QColor c) { return c == QColor(128, 128, 128); };
    auto isDark = [](QColor c) { return c.red() < 60 && c.green() < 60 && c.blue() < 60; };

    const QImage enabled = b->grab().toImage();
    QVERIFY(count(enabled, isDark) > 10);
    QCOMPARE(count(enabled, isGrey), 0);

    b->setEnabled(false);
    const QImage disabled = b->grab().toImage();
    QCOMPARE(count(disabled, isDark), 0);
    const int grey = count(disabled, isGrey);
    QVERIFY(grey > 10);
    // The white copy one pixel right and down shows below-right of the grey
    // strokes: some grey pixel has a white one diagonally after it.
    bool embossed = false;
    for (int y = 0; y + 1 < disabled.height() && !embossed; ++y)
        for (int x = 0; x + 1 < disabled.width() && !embossed; ++x)
            embossed = isGrey(disabled.pixelColor(x, y))
                && disabled.pixelColor(x + 1, y + 1) == QColor(Qt::white);
    QVERIFY(embossed);
}

void TestSkinButton::tabSkipsButtons()
{
    QWidget w;
    w.resize(320, 200);
    new TSkinForm(&w, QStringLiteral("测试"), {TitleButtonType::Close});
    auto *e1 = new TSkinEdit(&w);
    auto *b1 = new TSkinButton(QStringLiteral("添加  &A"), &w);
    auto *e2 = new TSkinEdit(&w);
    auto *b2 = new TSkinButton(QStringLiteral("删除  &D"), &w);
    auto *combo = new TSkinComboBox(&w);
    e1->setGeometry(10, 30, 100, 21);
    b1->setGeometry(10, 60, 84, 23);
    e2->setGeometry(10, 90, 100, 21);
    b2->setGeometry(10, 120, 84, 23);
    combo->setGeometry(10, 150, 100, 20);
    QVERIFY(SkinTest::showAndActivate(w));
    e1->setFocus();

    QList<QWidget *> visited;
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.append(QApplication::focusWidget());
    }
    QCOMPARE(visited, (QList<QWidget *>{e2, combo, e1, e2, combo, e1}));
    Q_UNUSED(b1);
    Q_UNUSED(b2);
}

void TestSkinButton::acceleratorFirstInControlOrder_data()
{
    QTest::addColumn<bool>("firstEnabled");
    QTest::addColumn<bool>("firstVisible");
    QTest::addColumn<bool>("secondEnabled");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("mods");
    QTest::addColumn<int>("winner");   // 1, 2 or 0 for none

    const int alt = Qt::AltModifier;
    const int altShift = Qt::AltModifier | Qt::ShiftModifier;
    QTest::newRow("both enabled") << true << true << true << int(Qt::Key_S) << alt << 1;
    QTest::newRow("upper case") << true << true << true << int(Qt::Key_S) << altShift << 1;
    QTest::newRow("first disabled") << false << true << true << int(Qt::Key_S) << alt << 2;
    QTest::newRow("first hidden") << true << false << true << int(Qt::Key_S) << alt << 2;
    QTest::newRow("both disabled") << false << true << false << int(Qt::Key_S) << alt << 0;
    QTest::newRow("letter without Alt") << true << true << true << int(Qt::Key_S) << 0 << 0;
    QTest::newRow("Ctrl+Alt") << true << true << true << int(Qt::Key_S)
                               << int(Qt::AltModifier | Qt::ControlModifier) << 0;
    QTest::newRow("other letter") << true << true << true << int(Qt::Key_T) << alt << 0;
}

void TestSkinButton::acceleratorFirstInControlOrder()
{
    QFETCH(bool, firstEnabled);
    QFETCH(bool, firstVisible);
    QFETCH(bool, secondEnabled);
    QFETCH(int, key);
    QFETCH(int, mods);
    QFETCH(int, winner);

    // The report chooser's case: two buttons share S. The first sits inside a
    // group box made before the second, so control order is depth first.
    QWidget w;
    w.resize(360, 200);
    new TSkinForm(&w, QStringLiteral("报表"), {TitleButtonType::Close});
    auto *edit = new TSkinEdit(&w);
    edit->setGeometry(10, 30, 100, 21);
    auto *group = new TSkinGroupBox(QStringLiteral("输出"), &w);
    group->setGeometry(10, 60, 200, 60);
    auto *first = new TSkinButton(QStringLiteral("学生信息输出 &S"), group);
    first->setGeometry(5, 20, 120, 23);
    auto *second = new TSkinButton(QStringLiteral("学生成绩信息输出 &S"), &w);
    second->setGeometry(10, 140, 140, 23);
    first->setEnabled(firstEnabled);
    first->setVisible(firstVisible);
    second->setEnabled(secondEnabled);
    QVERIFY(SkinTest::showAndActivate(w));
    edit->setFocus();

    QSignalSpy firstClicked(first, &TSkinButton::clicked);
    QSignalSpy secondClicked(second, &TSkinButton::clicked);
    QTest::keyClick(edit, Qt::Key(key), Qt::KeyboardModifiers(mods));

    QCOMPARE(firstClicked.count(), winner == 1 ? 1 : 0);
    QCOMPARE(secondClicked.count(), winner == 2 ? 1 : 0);
    QWidget *expectedFocus = winner == 1 ? first : winner == 2 ? static_cast<QWidget *>(second) : edit;
    QCOMPARE(QApplication::focusWidget(), expectedFocus);
}

void TestSkinButton::acceleratorFinishesEditingBeforeClick()
{
    Window f;
    QVERIFY(SkinTest::showAndActivate(f.w));
    f.edit->setFocus();
    QTest::keyClicks(f.edit, QStringLiteral("20010101"));

    QStringList log;
    QObject::connect(f.edit, &QLineEdit::editingFinished, [&] {
        log << QStringLiteral("exit:") + f.edit->text();
    });
    QObject::connect(f.ok, &TSkinButton::clicked, [&] {
        log << QStringLiteral("click");
        // By now the button holds the focus and the edit box has let go.
        QVERIFY(f.ok->hasFocus());
        QVERIFY(!f.edit->hasFocus());
        QVERIFY(f.ok->isClicking());
    });

    QTest::keyClick(f.edit, Qt::Key_O, Qt::AltModifier);
    QCOMPARE(log, (QStringList{QStringLiteral("exit:20010101"), QStringLiteral("click")}));
    QVERIFY(!f.ok->isClicking());
    // The key was used up: the edit box did not receive it.
    QCOMPARE(f.edit->text(), QStringLiteral("20010101"));
}

void TestSkinButton::acceleratorStaysInItsWindow()
{
    Window a;
    Window b;
    QVERIFY(SkinTest::showAndActivate(a.w));
    QVERIFY(SkinTest::showAndActivate(b.w));
    b.edit->setFocus();
    QSignalSpy aClicked(a.ok, &TSkinButton::clicked);
    QSignalSpy bClicked(b.ok, &TSkinButton::clicked);

    QTest::keyClick(b.edit, Qt::Key_O, Qt::AltModifier);
    QCOMPARE(aClicked.count(), 0);
    QCOMPARE(bClicked.count(), 1);
}

void TestSkinButton::nineSliceKeepsEnds_data()
{
    QTest::addColumn<int>("width");
    QTest::newRow("narrow") << 60;
    QTest::newRow("natural") << 84;
    QTest::newRow("wide") << 150;
}

void TestSkinButton::nineSliceKeepsEnds()
{
    QFETCH(int, width);
    QWidget w;
    w.resize(300, 60);
    auto *ref = new TSkinButton(&w);
    ref->setGeometry(0, 0, 84, 23);
    auto *b = new TSkinButton(&w);
    b->setGeometry(0, 30, width, 25);
    QVERIFY(SkinTest::showAndActivate(w));
    QCOMPARE(b->height(), 23);
    QCOMPARE(ref->currentPicture(), SkinPictureState::Normal);

    const QImage r = ref->grab().toImage();
    const QImage img = b->grab().toImage();
    // The right end keeps the picture's right 42 columns whatever the width.
    for (int i = 0; i < 42; ++i)
        QVERIFY2(column(img, width - 42 + i) == column(r, 42 + i), qPrintable(QString::number(i)));
    // The left end keeps as much of the left 42 as the right end leaves.
    for (int x = 0; x < qMin(42, width - 42); ++x)
        QVERIFY2(column(img, x) == column(r, x), qPrintable(QString::number(x)));
    // Between the ends: column 42, stretched.
    for (int x = 42; x < width - 42; ++x)
        QVERIFY2(column(img, x) == column(r, 42), qPrintable(QString::number(x)));
}

QTEST_MAIN(TestSkinButton)
#include "test_skin_button.moc"
