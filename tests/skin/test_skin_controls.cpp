// Edit box, list box, drop-down list and group box: the painted rings, the
// drop-down button and arrow, the group box's broken outline.

#include "SkinTestSupport.h"

#include "skin/Pictures.h"
#include "skin/SkinComboBox.h"
#include "skin/SkinEdit.h"
#include "skin/SkinForm.h"
#include "skin/SkinGroupBox.h"
#include "skin/SkinItemHeightDelegate.h"
#include "skin/SkinListBox.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QPainter>
#include <QScrollBar>
#include <QTest>

using TB = TitleButtonType;

namespace {

const QColor kBorder(127, 127, 127);
const QColor kGrey(128, 128, 128);
const QColor kWhite(255, 255, 255);

// Where the rings must be: the outermost pixel ring in the border colour,
// the next one in the box's own colour.
QString ringFault(const QImage &img, const QColor &inner)
{
    const int w = img.width(), h = img.height();
    for (int x = 0; x < w; ++x)
        for (int y = 0; y < h; ++y) {
            const int depth = qMin(qMin(x, y), qMin(w - 1 - x, h - 1 - y));
            if (depth > 1)
                continue;
            const QColor want = depth == 0 ? kBorder : inner;
            if (img.pixelColor(x, y) != want)
                return QStringLiteral("(%1,%2) is %3").arg(x).arg(y).arg(img.pixelColor(x, y).name());
        }
    return {};
}

struct SkinnedWindow
{
    QWidget w;
    SkinnedWindow()
    {
        w.resize(360, 240);
        new TSkinForm(&w, QStringLiteral("测试"), {TB::ControlBox, TB::Close, TB::Min});
    }
};

} // namespace

class TestSkinControls : public QObject
{
    Q_OBJECT
private slots:
    void editRings();
    void listRingsAndRows();
    void listItemsWholeInTheirRows_data();
    void listItemsWholeInTheirRows();
    void comboButtonAndArrow_data();
    void comboButtonAndArrow();
    void groupBoxOutline_data();
    void groupBoxOutline();
    void groupBoxChildrenArea();
};

void TestSkinControls::editRings()
{
    SkinnedWindow f;
    auto *edit = new TSkinEdit(&f.w);
    edit->setGeometry(20, 40, 120, 21);
    edit->setText(QStringLiteral("20010101"));
    auto *readOnly = new TSkinEdit(&f.w);
    readOnly->setGeometry(20, 70, 120, 21);
    readOnly->setReadOnly(true);
    readOnly->setText(QStringLiteral("只读"));
    auto *password = new TSkinEdit(&f.w);
    password->setGeometry(20, 100, 120, 21);
    password->setPasswordChar(QLatin1Char('*'));
    password->setText(QStringLiteral("ab12"));
    QVERIFY(SkinTest::showAndActivate(f.w));
    edit->setFocus();

    QCOMPARE(password->displayText(), QStringLiteral("****"));
    QCOMPARE(password->text(), QStringLiteral("ab12"));

    for (TSkinEdit *e : {edit, readOnly, password}) {
        const QImage img = e->grab().toImage();
        const QString fault = ringFault(img, e->palette().color(e->backgroundRole()));
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
        // The text itself is drawn inside the rings.
        bool dark = false;
        for (int y = 2; y < img.height() - 2 && !dark; ++y)
            for (int x = 2; x < img.width() - 2 && !dark; ++x)
                dark = img.pixelColor(x, y).lightness() < 100;
        QVERIFY(dark);
    }

    password->setPasswordChar(QChar());
    QCOMPARE(password->displayText(), QStringLiteral("ab12"));
}

void TestSkinControls::listRingsAndRows()
{
    SkinnedWindow f;
    auto *list = new TSkinListBox(&f.w);
    list->setGeometry(20, 40, 150, 100);
    for (int i = 0; i < 20; ++i)
        list->addItem(QStringLiteral("班级 %1").arg(i));
    QVERIFY(SkinTest::showAndActivate(f.w));

    // The list sits 2 pixels in on every side (the scroll bar inside that).
    QCOMPARE(list->viewport()->geometry().topLeft(), QPoint(2, 2));
    QCOMPARE(list->viewport()->geometry().bottom(), 100 - 3);
    QVERIFY(list->verticalScrollBar()->geometry().right() <= 150 - 3);
    QCOMPARE(list->visualItemRect(list->item(0)).height(), 13);
    QCOMPARE(list->visualItemRect(list->item(3)).top(), 3 * 13);

    const QImage img = list->grab().toImage();
    const QString fault = ringFault(img, list->viewport()->palette().color(list->viewport()->backgroundRole()));
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
}

// Where an image painted on a clear ground carries ink.
QRect inkBox(const QImage &img)
{
    QRect box;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            if (qAlpha(img.pixel(x, y)) != 0)
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

// The items keep their 13 pixels whatever the face, and every character is
// drawn whole inside its item: in the face's own size where its ink fits,
// smaller where it does not.
void TestSkinControls::listItemsWholeInTheirRows_data()
{
    QTest::addColumn<QString>("face");
    QTest::addColumn<int>("pixels");
    QTest::addColumn<bool>("ownSize"); // the face's ink fits 13 pixels as it is

    QTest::newRow("Noto Serif 13") << "Noto Serif CJK SC" << 13 << false;
    QTest::newRow("Noto Sans 13") << "Noto Sans CJK SC" << 13 << false;
    QTest::newRow("Noto Serif 12") << "Noto Serif CJK SC" << 12 << false;
    QTest::newRow("an old face, UMing 12") << "AR PL UMing CN" << 12 << true;
}

void TestSkinControls::listItemsWholeInTheirRows()
{
    QFETCH(QString, face);
    QFETCH(int, pixels);
    QFETCH(bool, ownSize);
    if (!QFontDatabase::hasFamily(face))
        QSKIP(qPrintable(face + QStringLiteral(" is not installed")));
    QFont font(face);
    font.setPixelSize(pixels);

    SkinnedWindow f;
    auto *list = new TSkinListBox(&f.w);
    list->setFont(font);
    list->setGeometry(20, 40, 200, 100);
    const QStringList texts{QStringLiteral("计算机01班"), QStringLiteral("C语言程序设计"),
                            QStringLiteral("English(gjpqy)[|]_"), QStringLiteral("《马克思主义哲学》，。")};
    list->addItems(texts);
    QVERIFY(SkinTest::showAndActivate(f.w));

    const QFont drawnIn = TSkinItemHeightDelegate::rowText(list->font(), 13).font;
    for (int i = 0; i < texts.size(); ++i) {
        const QModelIndex index = list->model()->index(i, 0);
        QCOMPARE(list->visualRect(index).height(), 13);

        // The item painted in the middle of a taller clear picture: any ink
        // that left its 13 rows would show above or below them.
        QStyleOptionViewItem option;
        option.initFrom(list->viewport());
        option.state = QStyle::State_Enabled | QStyle::State_Active; // neither selected nor focused
        option.widget = list;
        option.font = list->font();
        option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
        option.rect = QRect(0, 13, 200, 13);
        QImage drawn(200, 39, QImage::Format_ARGB32_Premultiplied);
        drawn.fill(Qt::transparent);
        {
            QPainter p(&drawn);
            list->itemDelegate()->paint(&p, option, index);
        }
        const QRect ink = inkBox(drawn);
        QVERIFY2(ink.top() >= 13 && ink.bottom() <= 25,
                 qPrintable(QStringLiteral("%1: ink in rows %2..%3 of 13..25").arg(texts[i]).arg(ink.top()).arg(ink.bottom())));

        // Nothing of the glyphs is missing: the same text drawn freely in
        // that face has the same ink.
        QImage free(400, 60, QImage::Format_ARGB32_Premultiplied);
        free.fill(Qt::transparent);
        {
            QPainter p(&free);
            p.setFont(drawnIn);
            p.drawText(QPoint(2, 40), texts[i]);
        }
        QCOMPARE(ink.size(), inkBox(free).size());
        QVERIFY2(ink.height() >= 10, qPrintable(texts[i])); // still to be read
    }
    QCOMPARE(QFontInfo(drawnIn).pixelSize() == pixels, ownSize);
}

void TestSkinControls::comboButtonAndArrow_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("enabled, 20 high") << QSize(150, 20) << true;
    QTest::newRow("enabled, odd height") << QSize(121, 21) << true;
    QTest::newRow("disabled") << QSize(150, 20) << false;
}

void TestSkinControls::comboButtonAndArrow()
{
    QFETCH(QSize, size);
    QFETCH(bool, enabled);

    SkinnedWindow f;
    auto *combo = new TSkinComboBox(&f.w);
    combo->setGeometry(QRect(QPoint(20, 40), size));
    combo->addItems({QStringLiteral("数学"), QStringLiteral("语文")});
    combo->setEnabled(enabled);
    QVERIFY(SkinTest::showAndActivate(f.w));
    QVERIFY(!combo->isEditable());

    const QImage img = combo->grab().toImage();
    const int w = size.width(), h = size.height();
    const int ax = w - 14, ay = h / 2 - 1;
    QCOMPARE(TSkinComboBox::arrowOrigin(size), QPoint(ax, ay));

    // The arrow: rows of 7, 5, 3 and 1 pixels.
    const QColor arrow = enabled ? kBorder : kGrey;
    for (int k = 0; k <= 3; ++k) {
        for (int x = ax + k; x <= ax + 6 - k; ++x)
            QCOMPARE(img.pixelColor(x, ay + k), arrow);
        // Right beside each row: the picture, or, disabled, the white copy
        // drawn one pixel right and down (which starts a row lower).
        const QColor beside = img.pixelColor(ax + 7 - k, ay + k);
        QCOMPARE(beside == kWhite, !enabled && k >= 1);
    }
    if (!enabled)
        QCOMPARE(img.pixelColor(ax + 4, ay + 4), kWhite);

    // The drop-down picture at (w - 18, 2), away from the arrow and the
    // inner ring (which crosses its last row on a 20-high box).
    const QImage pic = SkinPictures::picture(QStringLiteral("PINSTRIPE_COMBOBOX_BUTTON")).toImage();
    QCOMPARE(pic.size(), QSize(16, 17));
    for (int y = 0; y < 17 && 2 + y < h - 2; ++y)
        for (int x = 0; x < 16; ++x) {
            const QPoint at(w - 18 + x, 2 + y);
            if (QRect(ax, ay, 8, 5).contains(at))
                continue;
            QCOMPARE(img.pixelColor(at), pic.pixelColor(x, y));
        }

    const QString fault = ringFault(img, combo->palette().color(QPalette::Base));
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
}

void TestSkinControls::groupBoxOutline_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("caption") << QStringLiteral("学生信息") << true;
    QTest::newRow("no caption") << QString() << true;
    QTest::newRow("disabled") << QStringLiteral("学生信息") << false;
}

void TestSkinControls::groupBoxOutline()
{
    QFETCH(QString, caption);
    QFETCH(bool, enabled);

    SkinnedWindow f;
    auto *g = new TSkinGroupBox(caption, &f.w);
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(12);
    g->setFont(font);
    g->setGeometry(20, 40, 200, 120);
    g->setEnabled(enabled);
    QVERIFY(SkinTest::showAndActivate(f.w));

    const int lineY = QFontInfo(font).pixelSize() / 2 + 1;
    QCOMPARE(g->lineY(), lineY);
    const int capW = QFontMetrics(font).horizontalAdvance(caption);
    const QImage shot = f.w.grab().toImage();
    const QImage img = shot.copy(g->geometry());
    const int W = 200, H = 120;

    // The window's face, which shows through wherever nothing is drawn.
    auto face = [&](int x, int y) { return shot.pixelColor(g->x() + x, g->y() + y); };
    const QColor rows[4] = {kWhite, QColor(239, 239, 239), QColor(232, 232, 232), QColor(239, 239, 239)};
    QCOMPARE(face(100, 60), rows[(g->y() + 60) % 4]);

    int captionPixels = 0, greyCaption = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const bool onLine = (y == H - 1) || ((x == 0 || x == W - 1) && y >= lineY)
                || (y == lineY && (x <= 2 || x >= capW + 7));
            const QColor c = img.pixelColor(x, y);
            if (onLine) {
                QVERIFY2(c == kBorder, qPrintable(QStringLiteral("line at %1,%2").arg(x).arg(y)));
                continue;
            }
            QVERIFY2(c != kBorder, qPrintable(QStringLiteral("stray line at %1,%2").arg(x).arg(y)));
            if (c == rows[(g->y() + y) % 4])
                continue;
            // Anything else is the caption, at (5, 0), in black or grey.
            QVERIFY2(x >= 5 && x < 5 + capW && y < QFontMetrics(font).height(),
                     qPrintable(QStringLiteral("unexpected pixel at %1,%2").arg(x).arg(y)));
            ++captionPixels;
            greyCaption += c == kGrey;
            if (enabled)
                QCOMPARE(c, QColor(Qt::black));
        }
    QCOMPARE(captionPixels > 0, !caption.isEmpty());
    if (!enabled)
        QCOMPARE(greyCaption, captionPixels);
}

void TestSkinControls::groupBoxChildrenArea()
{
    QWidget parent;
    auto *g = new TSkinGroupBox(QStringLiteral("课程"), &parent);
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(12);
    g->setFont(font);
    g->setGeometry(0, 0, 200, 100);
    const int fh = QFontInfo(font).pixelSize();
    QCOMPARE(g->contentsRect(), QRect(3, fh, 200 - 3 - 2, 100 - fh - 2));

    font.setPixelSize(16);
    g->setFont(font);
    const int fh2 = QFontInfo(font).pixelSize();
    QVERIFY(fh2 != fh);
    QCOMPARE(g->contentsRect(), QRect(3, fh2, 195, 100 - fh2 - 2));
}

QTEST_MAIN(TestSkinControls)
#include "test_skin_controls.moc"
