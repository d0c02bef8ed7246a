// The About window: its logo, and the contact line that hands a mail link to
// the desktop once per click while the rest of the face ignores the mouse.

// Mouse input goes through the window system, as a user's would: the label
// under the pointer receives the press, and a press grabs the mouse.
#define QTEST_QPA_MOUSE_HANDLING

#include "about/OpenUrl.h"
#include "about/TForm17_About.h"
#include "ui/App.h"
#include "ui/Jpeg.h"

#include <QtTest>

namespace {

struct Opened {
    QString url;
    QWidget *owner;
};

} // namespace

class AboutTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void logoIsOurPicture();
    void authorLineKeepsItsMargin();
    void contactLineOpensMailLinkOncePerClick();
    void otherPlacesDoNothing_data();
    void otherPlacesDoNothing();
    void dragOffOrOntoContactLineIsNoClick();

private:
    // A point of the window's face that lies on the given control.
    QPoint on(QWidget *control) const { return control->geometry().center(); }

    TForm17_About *m_w = nullptr;
    QList<Opened> m_opened;
};

void AboutTest::initTestCase()
{
    initAssets();
    // The faces the program draws its windows with.
    installFontSubstitutions();
}

void AboutTest::init()
{
    m_opened.clear();
    shell::setOpenUrlHook([this](const QString &url, QWidget *owner) { m_opened << Opened{url, owner}; });
    m_w = new TForm17_About;
    QCursor::setPos(0, 0);
    m_w->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_w));
}

void AboutTest::cleanup()
{
    delete m_w;
    m_w = nullptr;
    shell::setOpenUrlHook({});
}

void AboutTest::logoIsOurPicture()
{
    const QImage logo = loadJpeg(QStringLiteral(":/assets/about_logo.jpg"));
    QCOMPARE(logo.size(), QSize(378, 378));
    // White marks on black: dark corners, and some bright strokes.
    QVERIFY(qGray(logo.pixel(0, 0)) < 32);
    QVERIFY(qGray(logo.pixel(377, 377)) < 32);
    int bright = 0;
    for (int y = 0; y < logo.height(); ++y)
        for (int x = 0; x < logo.width(); ++x)
            bright += qGray(logo.pixel(x, y)) > 224;
    QVERIFY(bright > 1000);
    QVERIFY(bright < logo.width() * logo.height() / 4);

    // Scaled into the 81-pixel square of the window.
    const QPixmap shown = m_w->Image1->pixmap();
    QCOMPARE(shown.size(), QSize(81, 81));
    QCOMPARE(m_w->Image1->geometry(), QRect(8, 28, 81, 81));
}

// The author line ends whole, as far inside the window's right edge as the
// logo and the contact line stand inside its left one.
void AboutTest::authorLineKeepsItsMargin()
{
    const QImage shot = m_w->grab().toImage();
    const QRect line = m_w->Label2->geometry().intersected(m_w->rect());
    int right = -1;
    for (int y = line.top(); y <= line.bottom(); ++y) {
        for (int x = line.left(); x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            if (c.blue() - c.red() > 40) // the blue text on the grey face
                right = std::max(right, x);
        }
    }
    const QString text = m_w->Label2->text().trimmed();
    QVERIFY(right >= line.left() + QFontMetrics(m_w->Label2->font()).horizontalAdvance(text) - 3);
    QCOMPARE(m_w->Image1->x(), 8);
    QVERIFY2(right <= m_w->width() - 1 - 8, qPrintable(QStringLiteral("ends at %1 of %2").arg(right).arg(m_w->width())));
}

void AboutTest::contactLineOpensMailLinkOncePerClick()
{
    QCOMPARE(m_w->Label4->cursor().shape(), Qt::PointingHandCursor);
    // The address shown is the one written into the link, in lower case.
    const QString prefix = QStringLiteral("联系我：  ");
    QVERIFY(m_w->Label4->text().startsWith(prefix));
    const QString address = m_w->Label4->text().mid(prefix.size()).trimmed();
    QVERIFY(address.contains(u'@'));
    QVERIFY(address != address.toLower()); // so that the lowering shows

    QTest::mouseClick(m_w->windowHandle(), Qt::LeftButton, {}, on(m_w->Label4));
    QCOMPARE(m_opened.size(), 1);
    QCOMPARE(m_opened[0].url, QStringLiteral("mailto:") + address.toLower());
    QCOMPARE(m_opened[0].owner, m_w);
    QVERIFY(m_w->isVisible());

    // Each click asks anew.
    QTest::mouseClick(m_w->windowHandle(), Qt::LeftButton, {}, on(m_w->Label4));
    QCOMPARE(m_opened.size(), 2);
    QCOMPARE(m_opened[1].url, m_opened[0].url);

    // The trailing blanks belong to the line.
    const QRect r = m_w->Label4->geometry();
    QTest::mouseClick(m_w->windowHandle(), Qt::LeftButton, {}, QPoint(r.right() - 2, r.center().y()));
    QCOMPARE(m_opened.size(), 3);
}

void AboutTest::otherPlacesDoNothing_data()
{
    QTest::addColumn<QString>("control"); // empty: the bare face
    QTest::addColumn<QPoint>("point");

    QTest::newRow("date line beside the contact line") << "Label3" << QPoint();
    QTest::newRow("author line") << "Label2" << QPoint();
    QTest::newRow("program name") << "Label1" << QPoint();
    QTest::newRow("logo") << "Image1" << QPoint();
    QTest::newRow("face") << "" << QPoint(200, 130);
    QTest::newRow("just above the contact line") << "" << QPoint(20, 186);
}

void AboutTest::otherPlacesDoNothing()
{
    QFETCH(QString, control);
    QFETCH(QPoint, point);
    if (!control.isEmpty()) {
        auto *w = m_w->findChild<QWidget *>(control);
        QVERIFY(w);
        point = on(w);
    }
    QVERIFY(!m_w->Label4->geometry().contains(point));
    QTest::mouseClick(m_w->windowHandle(), Qt::LeftButton, {}, point);
    QCOMPARE(m_opened.size(), 0);
    QVERIFY(m_w->isVisible());
}

void AboutTest::dragOffOrOntoContactLineIsNoClick()
{
    QWindow *win = m_w->windowHandle();
    const QPoint inside = on(m_w->Label4);
    const QPoint outside(200, 130);

    QTest::mousePress(win, Qt::LeftButton, {}, inside);
    QTest::mouseMove(win, outside);
    QTest::mouseRelease(win, Qt::LeftButton, {}, outside);
    QCOMPARE(m_opened.size(), 0);

    QTest::mousePress(win, Qt::LeftButton, {}, outside);
    QTest::mouseMove(win, inside);
    QTest::mouseRelease(win, Qt::LeftButton, {}, inside);
    QCOMPARE(m_opened.size(), 0);

    // A right click is no click either.
    QTest::mouseClick(win, Qt::RightButton, {}, inside);
    QCOMPARE(m_opened.size(), 0);
}

QTEST_MAIN(AboutTest)
#include "test_about.moc"
