// The preview window, met in the modal seam's script.
#include "ReportFixtures.h"

#include "ui/Ui.h"
#include "reports/engine/ReportFonts.h"
#include "reports/engine/ReportPreview.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QFileDialog>
#include <QImage>
#include <QPrintDialog>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <stdexcept>

using namespace report;
using fixtures::ListReport;

namespace {

// The preview is shown through the modal seam: the test looks at it there
// instead of a loop waiting for a user.
void onPreview(std::function<void(ReportPreview &)> look)
{
    ui::setModalScript([look = std::move(look)](QWidget *w) {
        auto *preview = qobject_cast<ReportPreview *>(w);
        QVERIFY2(preview, "the modal window is the preview");
        look(*preview);
    });
}

} // namespace

class TestReportPreview : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void scriptGetsThePreparedPages();
    void paging();
    void zoom();
    void pageIsDrawn();
    void returnsWhenTheWindowIsClosed();
    void busyCursorWhileThePagesAreFound();
    void secondPreviewOfTheSameReport();
    void printAndSaveThroughTheirDialogs_data();
    void printAndSaveThroughTheirDialogs();
    void unreadablePageIsReportedOnceAfterThePaint();
};

void TestReportPreview::initTestCase()
{
    installFontSubstitutions();
}

void TestReportPreview::cleanup()
{
    ui::setModalScript({});
    ui::setDialogScript({});
}

void TestReportPreview::scriptGetsThePreparedPages()
{
    ListReport f(60);
    int runs = 0;
    onPreview([&](ReportPreview &preview) {
        ++runs;
        QVERIFY(preview.isVisible());
        QCOMPARE(preview.windowTitle(), QStringLiteral("班级信息表"));
        QCOMPARE(preview.pageCount(), 3);
        QCOMPARE(preview.currentPage(), 1);
        QCOMPARE(preview.pages().page(2).texts(BandKind::Summary),
                 QStringList{QStringLiteral("共有 60 个班级")});
    });
    f.report.preview();
    QCOMPARE(runs, 1);

    // An empty report still previews its one page.
    ListReport empty(0);
    onPreview([&](ReportPreview &preview) {
        ++runs;
        QCOMPARE(preview.pageCount(), 1);
        QCOMPARE(preview.pages().page(0).texts(BandKind::Summary),
                 QStringList{QStringLiteral("共有 0 个班级")});
    });
    empty.report.preview();
    QCOMPARE(runs, 2);
}

void TestReportPreview::paging()
{
    ListReport f(60);
    ReportPreview preview(f.report.prepare());

    auto state = [&] {
        return QStringLiteral("%1 %2%3%4%5").arg(preview.currentPage())
                .arg(preview.firstAction()->isEnabled()).arg(preview.priorAction()->isEnabled())
                .arg(preview.nextAction()->isEnabled()).arg(preview.lastAction()->isEnabled());
    };
    QCOMPARE(state(), QStringLiteral("1 0011"));
    QCOMPARE(preview.statusText(), QStringLiteral("第 1 页 / 共 3 页"));
    preview.priorPage();
    QCOMPARE(state(), QStringLiteral("1 0011"));
    preview.nextPage();
    QCOMPARE(state(), QStringLiteral("2 1111"));
    QCOMPARE(preview.statusText(), QStringLiteral("第 2 页 / 共 3 页"));
    preview.lastPage();
    QCOMPARE(state(), QStringLiteral("3 1100"));
    preview.nextPage();
    QCOMPARE(state(), QStringLiteral("3 1100"));
    preview.firstPage();
    QCOMPARE(state(), QStringLiteral("1 0011"));

    // The toolbar's actions do the same.
    preview.lastAction()->trigger();
    QCOMPARE(preview.currentPage(), 3);
    preview.priorAction()->trigger();
    QCOMPARE(preview.currentPage(), 2);
}

void TestReportPreview::zoom()
{
    ListReport f(1);
    ReportPreview preview(f.report.prepare());
    preview.resize(800, 600);
    preview.show();
    QWidget *page = preview.pageWidget();

    preview.setZoom(1.0);
    const int actual = page->width();
    // A4 is 210 mm wide.
    QCOMPARE(actual, qRound(210 * page->logicalDpiX() / 25.4));
    preview.setZoom(2.0);
    QCOMPARE(page->width(), qRound(2 * 210 * page->logicalDpiX() / 25.4));

    preview.setZoom(1.0);
    preview.zoomIn();
    QCOMPARE(preview.zoom(), 1.25);
    preview.setZoom(0.25);
    preview.zoomOut();
    QCOMPARE(preview.zoom(), 0.25);

    preview.setZoomMode(ReportPreview::ZoomMode::PageWidth);
    QVERIFY(page->width() < preview.width());
    QVERIFY(page->width() > preview.width() * 3 / 4);
    preview.setZoomMode(ReportPreview::ZoomMode::WholePage);
    QVERIFY(page->height() < preview.height());
    // Fitting follows the window's size.
    const int before = page->height();
    preview.resize(800, 900);
    QVERIFY(page->height() > before);
}

void TestReportPreview::pageIsDrawn()
{
    ListReport f(3);
    ReportPreview preview(f.report.prepare());
    preview.setZoom(1.0);
    const QImage image = preview.pageWidget()->grab().toImage();
    const double pxPerMm = preview.pageWidget()->logicalDpiY() / 25.4;

    auto darkInRow = [&](double yMm, double fromMm, double toMm) {
        int dark = 0;
        const int y = int(yMm * pxPerMm);
        for (int x = int(fromMm * pxPerMm); x < int(toMm * pxPerMm); ++x)
            dark += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
        return dark;
    };
    // The column header's top frame runs from 10 to 110 mm at y 20.6 mm;
    // above the title there is nothing.
    const double frameY = 20.6;
    int best = 0;
    for (double dy : {-0.2, 0.0, 0.2})
        best = std::max(best, darkInRow(frameY + dy, 10, 110));
    QVERIFY2(best > int(90 * pxPerMm), qPrintable(QString::number(best)));
    QCOMPARE(darkInRow(5, 0, 210), 0);
    // The title's text is drawn in its band.
    int ink = 0;
    for (double y = 12; y < 20; y += 0.25)
        ink += darkInRow(y, 42, 70);
    QVERIFY(ink > 0);
}

void TestReportPreview::returnsWhenTheWindowIsClosed()
{
    ListReport f(5);
    bool closedOne = false;
    QTimer closer;
    closer.setInterval(10);
    connect(&closer, &QTimer::timeout, this, [&] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *preview = qobject_cast<ReportPreview *>(w); preview && preview->isVisible()) {
                closedOne = true;
                closer.stop();
                preview->close();
            }
        }
    });
    closer.start();
    f.report.preview();
    QVERIFY(closedOne);
}

namespace {

// Notes the application's cursor each time the report starts reading it.
class CursorWatch : public MemoryReportData {
public:
    using MemoryReportData::MemoryReportData;
    mutable QList<int> shapes;   // -1: no busy or other cursor set
    void first() override
    {
        const QCursor *c = QGuiApplication::overrideCursor();
        shapes << (c ? int(c->shape()) : -1);
        MemoryReportData::first();
    }
};

} // namespace

void TestReportPreview::busyCursorWhileThePagesAreFound()
{
    ListReport f(60);
    CursorWatch data{QStringList{QStringLiteral("no"), QStringLiteral("name")}};
    for (int i = 1; i <= 60; ++i)
        data.addRecord({QString::number(i), QStringLiteral("班级%1").arg(i)});
    f.report.setMaster(&data);
    int inWindow = 0;
    onPreview([&](ReportPreview &preview) {
        const QCursor *c = QGuiApplication::overrideCursor();
        inWindow = c ? int(c->shape()) : -1;
        // Showing the last page lays it out, without the busy cursor.
        preview.lastPage();
        (void)preview.pageWidget()->grab();
    });
    f.report.preview();
    QVERIFY(data.shapes.size() >= 2);
    QCOMPARE(data.shapes.first(), int(Qt::WaitCursor));
    QCOMPARE(data.shapes.last(), -1);
    QCOMPARE(inWindow, -1);
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

void TestReportPreview::secondPreviewOfTheSameReport()
{
    // Its pages are read from the datasets while it is open: a second
    // preview of the same report brings the first to the front instead.
    ListReport f(60);
    ListReport other(5);
    QStringList seen;
    onPreview([&](ReportPreview &preview) {
        seen << QString::number(preview.pageCount());
        if (seen.size() == 1) {
            f.report.preview();
            other.report.preview();
        }
    });
    f.report.preview();
    QCOMPARE(seen, (QStringList{"3", "1"}));
    // Closed, it previews again.
    f.report.preview();
    QCOMPARE(seen, (QStringList{"3", "1", "3"}));
}

// The toolbar's print and save buttons, clicked: each runs its dialog
// through the seam (so a test answers it as the user would), writes where
// the dialog was told, and reports a failure in a box of its own.
void TestReportPreview::printAndSaveThroughTheirDialogs_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("dialogTitle");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QString>("file");    // below the test's directory
    QTest::addColumn<bool>("written");
    QTest::addColumn<QString>("box");     // "%1": the file's path; "" none

    const QString print = QStringLiteral("打印..."), save = QStringLiteral("保存为 PDF...");
    QTest::newRow("print") << print << "打印" << true << "printed.pdf" << true << "";
    QTest::newRow("print cancelled") << print << "打印" << false << "printed.pdf" << false << "";
    QTest::newRow("printer fails") << print << "打印" << true << "missing/printed.pdf" << false << "打印失败。";
    QTest::newRow("save") << save << "保存为 PDF" << true << "saved.pdf" << true << "";
    QTest::newRow("save cancelled") << save << "保存为 PDF" << false << "saved.pdf" << false << "";
    QTest::newRow("file cannot be written") << save << "保存为 PDF" << true << "missing/saved.pdf" << false
                                            << "无法写入 PDF 文件 '%1'";
}

void TestReportPreview::printAndSaveThroughTheirDialogs()
{
    QFETCH(QString, button);
    QFETCH(QString, dialogTitle);
    QFETCH(bool, accept);
    QFETCH(QString, file);
    QFETCH(bool, written);
    QFETCH(QString, box);

    QTemporaryDir dir;
    const QString path = dir.filePath(file);
    ListReport f(60);
    QStringList dialogs, boxes;
    ui::setDialogScript([&](QDialog *d) {
        dialogs << d->windowTitle();
        if (auto *p = qobject_cast<QPrintDialog *>(d))
            p->printer()->setOutputFileName(path);
        else if (auto *fd = qobject_cast<QFileDialog *>(d))
            fd->selectFile(path);
        return accept ? int(QDialog::Accepted) : int(QDialog::Rejected);
    });
    ui::setMessageBoxScript([&](const ui::ShownBox &b) {
        boxes << b.text;
        return int(ui::IdOk);
    });
    auto noBoxes = qScopeGuard([] { ui::setMessageBoxScript({}); });
    onPreview([&](ReportPreview &preview) {
        QToolButton *clicked = nullptr;
        for (QToolButton *b : preview.findChildren<QToolButton *>()) {
            if (b->defaultAction() && b->defaultAction()->text() == button)
                clicked = b;
        }
        QVERIFY(clicked);
        QTest::mouseClick(clicked, Qt::LeftButton);
    });
    f.report.preview();

    QCOMPARE(dialogs, QStringList{dialogTitle});
    QCOMPARE(QFile::exists(path), written);
    if (written) {
        QFile pdf(path);
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QVERIFY(pdf.read(5) == "%PDF-");
    }
    QCOMPARE(boxes, box.isEmpty() ? QStringList() : QStringList{QString(box).replace(QStringLiteral("%1"), path)});
}

namespace {

// Records that cannot be read while `failing` is set, as those on a server
// that went away.
class Unreadable : public MemoryReportData {
public:
    using MemoryReportData::MemoryReportData;
    bool failing = false;
    QVariant valueAt(int field) const override
    {
        if (failing)
            throw std::runtime_error("无法读取记录");
        return MemoryReportData::valueAt(field);
    }
};

} // namespace

// A page that cannot be read leaves the paint blank and one box after it,
// not from inside it; painting it again (the box's own loop does) reports
// nothing more, and the next page the user turns to is read afresh.
void TestReportPreview::unreadablePageIsReportedOnceAfterThePaint()
{
    ListReport f(60);
    Unreadable data{QStringList{QStringLiteral("no"), QStringLiteral("name")}};
    for (int i = 1; i <= 60; ++i)
        data.addRecord({QString::number(i), QStringLiteral("班级%1").arg(i)});
    f.report.setMaster(&data);
    QStringList boxes;
    ui::setMessageBoxScript([&](const ui::ShownBox &b) {
        boxes << b.text;
        return int(ui::IdOk);
    });
    auto noBoxes = qScopeGuard([] { ui::setMessageBoxScript({}); });
    auto ink = [](const QImage &page) {
        int dark = 0;
        for (int y = 0; y < page.height(); y += 2)
            for (int x = 0; x < page.width(); x += 2)
                dark += qGray(page.pixel(x, y)) < 128 ? 1 : 0;
        return dark;
    };
    onPreview([&](ReportPreview &preview) {
        preview.setZoom(0.5);
        data.failing = true;
        preview.nextPage();
        QCOMPARE(ink(preview.pageWidget()->grab().toImage()), 0);
        QVERIFY(boxes.isEmpty());
        QTRY_COMPARE(boxes, QStringList{QStringLiteral("无法读取记录.")});
        (void)preview.pageWidget()->grab();
        QTest::qWait(20);
        QCOMPARE(boxes.size(), 1);

        data.failing = false;
        preview.nextPage();
        QVERIFY(ink(preview.pageWidget()->grab().toImage()) > 0);
        QTest::qWait(20);
        QCOMPARE(boxes.size(), 1);
    });
    f.report.preview();
}

QTEST_MAIN(TestReportPreview)
#include "test_report_preview.moc"
