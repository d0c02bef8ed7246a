#include "reports/engine/ReportPreview.h"

#include "ui/BusyCursor.h"
#include "ui/Guard.h"
#include "ui/Ui.h"

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>

#include <array>
#include <cmath>
#include <exception>

namespace report {

// One page, drawn at the preview's zoom.
class PreviewPage : public QWidget {
public:
    explicit PreviewPage(const PageSource &pages, QWidget *parent = nullptr)
        : QWidget(parent), m_pages(pages)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    // Size of the page at 100 %, in this widget's pixels.
    QSizeF naturalSize() const
    {
        const QSizeF paper = m_pages.pageSetup().paperMm;
        return QSizeF(paper.width() * logicalDpiX() / 25.4, paper.height() * logicalDpiY() / 25.4);
    }

    void setView(int index, double zoom)
    {
        m_index = index;
        m_zoom = zoom;
        m_failed = false;
        const QSizeF s = naturalSize() * zoom;
        setFixedSize(std::max(1, int(std::lround(s.width()))), std::max(1, int(std::lround(s.height()))));
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        if (m_failed)
            return;
        p.setRenderHint(QPainter::TextAntialiasing);
        p.scale(m_zoom, m_zoom);
        try {
            renderPage(p, m_pages, m_index, LineStyle::Screen);
        } catch (const std::exception &) {
            // A page whose records cannot be read now (a server gone away)
            // stays blank until the user turns to another page or zoom, and
            // the error is reported once, after the paint rather than from
            // inside it.
            m_failed = true;
            QTimer::singleShot(0, this, [error = std::current_exception()] {
                try {
                    std::rethrow_exception(error);
                } catch (const std::exception &e) {
                    ui::showError(e);
                }
            });
        }
    }

private:
    const PageSource &m_pages;
    int m_index = 0;
    double m_zoom = 1.0;
    bool m_failed = false;
};

namespace {

constexpr std::array<double, 9> zoomSteps{0.25, 0.5, 0.75, 1.0, 1.25, 1.5, 2.0, 3.0, 4.0};
constexpr int pageGap = 16;   // grey border around the page, pixels

} // namespace

ReportPreview::ReportPreview(ReportDocument doc, QWidget *parent)
    : ReportPreview(std::make_unique<DocumentPages>(std::move(doc)), parent)
{
}

ReportPreview::ReportPreview(std::unique_ptr<PageSource> pages, QWidget *parent)
    : QMainWindow(parent), m_pages(std::move(pages))
{
    setWindowFlag(Qt::Window);
    const QString title = m_pages->title();
    setWindowTitle(title.isEmpty() ? QStringLiteral("打印预览") : title);

    m_page = new PreviewPage(*m_pages);
    m_scroll = new QScrollArea(this);
    m_scroll->setWidget(m_page);
    m_scroll->setAlignment(Qt::AlignCenter);
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_scroll->setWidgetResizable(false);
    setCentralWidget(m_scroll);

    QToolBar *bar = addToolBar(QStringLiteral("预览"));
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    QStyle *st = style();
    m_first = bar->addAction(st->standardIcon(QStyle::SP_MediaSkipBackward), QStringLiteral("首页"),
                             this, &ReportPreview::firstPage);
    m_prior = bar->addAction(st->standardIcon(QStyle::SP_MediaSeekBackward), QStringLiteral("上一页"),
                             this, &ReportPreview::priorPage);
    m_next = bar->addAction(st->standardIcon(QStyle::SP_MediaSeekForward), QStringLiteral("下一页"),
                            this, &ReportPreview::nextPage);
    m_last = bar->addAction(st->standardIcon(QStyle::SP_MediaSkipForward), QStringLiteral("末页"),
                            this, &ReportPreview::lastPage);
    m_first->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Home));
    m_prior->setShortcut(QKeySequence(Qt::Key_PageUp));
    m_next->setShortcut(QKeySequence(Qt::Key_PageDown));
    m_last->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_End));
    bar->addSeparator();

    m_zoomOut = bar->addAction(QStringLiteral("缩小"), this, &ReportPreview::zoomOut);
    m_zoomOut->setShortcut(QKeySequence::ZoomOut);
    m_zoomBox = new QComboBox(bar);
    m_zoomBox->addItem(QStringLiteral("整页"));
    m_zoomBox->addItem(QStringLiteral("页宽"));
    for (double z : zoomSteps)
        m_zoomBox->addItem(QStringLiteral("%1%").arg(int(std::lround(z * 100))), z);
    bar->addWidget(m_zoomBox);
    ui::connectGuarded(m_zoomBox, &QComboBox::activated, this, [this](int i) {
        if (i == 0)
            setZoomMode(ZoomMode::WholePage);
        else if (i == 1)
            setZoomMode(ZoomMode::PageWidth);
        else
            setZoom(m_zoomBox->itemData(i).toDouble());
    });
    m_zoomIn = bar->addAction(QStringLiteral("放大"), this, &ReportPreview::zoomIn);
    m_zoomIn->setShortcut(QKeySequence::ZoomIn);
    bar->addSeparator();

    // Both lay out every page again, reading the datasets: a failure ends
    // in the standard error box.
    QAction *printAct = bar->addAction(QStringLiteral("打印..."));
    ui::connectGuarded(printAct, &QAction::triggered, this, &ReportPreview::printWithDialog);
    printAct->setShortcut(QKeySequence::Print);
    printAct->setEnabled(pageCount() > 0);
    QAction *saveAct = bar->addAction(QStringLiteral("保存为 PDF..."));
    ui::connectGuarded(saveAct, &QAction::triggered, this, &ReportPreview::saveWithDialog);
    saveAct->setEnabled(pageCount() > 0);
    bar->addSeparator();
    QAction *closeAct = bar->addAction(QStringLiteral("关闭"), this, &QWidget::close);
    closeAct->setShortcut(QKeySequence(Qt::Key_Escape));

    m_status = new QLabel(this);
    statusBar()->addWidget(m_status);

    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect avail = screen->availableGeometry();
        resize(avail.width() * 4 / 5, avail.height() * 4 / 5);
    }

    m_current = pageCount() > 0 ? 1 : 0;
    applyZoom();
}

ReportPreview::~ReportPreview() = default;

QWidget *ReportPreview::pageWidget() const
{
    return m_page;
}

QString ReportPreview::statusText() const
{
    return QStringLiteral("第 %1 页 / 共 %2 页").arg(m_current).arg(pageCount());
}

void ReportPreview::showPage(int number)
{
    if (pageCount() == 0)
        return;
    m_current = std::clamp(number, 1, pageCount());
    m_page->setView(m_current - 1, m_zoom);
    m_scroll->verticalScrollBar()->setValue(0);
    updateControls();
}

void ReportPreview::firstPage() { showPage(1); }
void ReportPreview::priorPage() { showPage(m_current - 1); }
void ReportPreview::nextPage() { showPage(m_current + 1); }
void ReportPreview::lastPage() { showPage(pageCount()); }

void ReportPreview::setZoom(double factor)
{
    m_mode = ZoomMode::Percent;
    m_percentZoom = std::clamp(factor, zoomSteps.front(), zoomSteps.back());
    applyZoom();
}

void ReportPreview::setZoomMode(ZoomMode mode)
{
    m_mode = mode;
    applyZoom();
}

void ReportPreview::zoomIn()
{
    for (double z : zoomSteps) {
        if (z > m_zoom + 1e-9) {
            setZoom(z);
            return;
        }
    }
    setZoom(zoomSteps.back());
}

void ReportPreview::zoomOut()
{
    for (auto it = zoomSteps.rbegin(); it != zoomSteps.rend(); ++it) {
        if (*it < m_zoom - 1e-9) {
            setZoom(*it);
            return;
        }
    }
    setZoom(zoomSteps.front());
}

void ReportPreview::applyZoom()
{
    const QSizeF natural = m_page->naturalSize();
    const QSize view = m_scroll->viewport()->size() - QSize(2 * pageGap, 2 * pageGap);
    switch (m_mode) {
    case ZoomMode::Percent:
        m_zoom = m_percentZoom;
        break;
    case ZoomMode::PageWidth:
        m_zoom = view.width() / natural.width();
        break;
    case ZoomMode::WholePage:
        m_zoom = std::min(view.width() / natural.width(), view.height() / natural.height());
        break;
    }
    m_zoom = std::max(m_zoom, 0.05);
    m_page->setView(std::max(0, m_current - 1), m_zoom);
    updateControls();
}

void ReportPreview::updateControls()
{
    const int n = pageCount();
    m_first->setEnabled(m_current > 1);
    m_prior->setEnabled(m_current > 1);
    m_next->setEnabled(m_current < n);
    m_last->setEnabled(m_current < n);
    m_zoomIn->setEnabled(m_zoom < zoomSteps.back() - 1e-9);
    m_zoomOut->setEnabled(m_zoom > zoomSteps.front() + 1e-9);
    m_status->setText(statusText());

    int index = 0;
    if (m_mode == ZoomMode::PageWidth) {
        index = 1;
    } else if (m_mode == ZoomMode::Percent) {
        // A zoom between the steps leaves the box without a selection.
        index = m_zoomBox->findData(m_zoom);
    }
    m_zoomBox->setCurrentIndex(index);
}

bool ReportPreview::print(QPrinter &printer)
{
    // Every page is laid out afresh on its way to the printer.
    ui::BusyCursor busy;
    return printDocument(*m_pages, printer, std::max(1, m_current));
}

bool ReportPreview::savePdf(const QString &path, QString *error)
{
    ui::BusyCursor busy;
    return writePdf(*m_pages, path, error);
}

void ReportPreview::printWithDialog()
{
    if (pageCount() == 0)
        return;
    QPrinter printer(QPrinter::HighResolution);
    setUpPrinter(printer, *m_pages);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("打印"));
    dialog.setOptions(QAbstractPrintDialog::PrintPageRange | QAbstractPrintDialog::PrintCurrentPage
                      | QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintCollateCopies
                      | QAbstractPrintDialog::PrintShowPageSize);
    dialog.setMinMax(1, pageCount());
    if (ui::execDialog(&dialog) != QDialog::Accepted)
        return;
    if (!print(printer))
        ui::messageBox(QStringLiteral("打印失败。"), windowTitle(), ui::Icon::Warning, ui::Buttons::Ok, this);
}

void ReportPreview::saveWithDialog()
{
    if (pageCount() == 0)
        return;
    const QString title = m_pages->title();
    QFileDialog dialog(this, QStringLiteral("保存为 PDF"), QString(), QStringLiteral("PDF 文件 (*.pdf)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    dialog.selectFile((title.isEmpty() ? QStringLiteral("报表") : title) + QStringLiteral(".pdf"));
    if (ui::execDialog(&dialog) != QDialog::Accepted)
        return;
    const QString path = dialog.selectedFiles().value(0);
    if (path.isEmpty())
        return;
    QString error;
    if (!savePdf(path, &error))
        ui::messageBox(error, windowTitle(), ui::Icon::Warning, ui::Buttons::Ok, this);
}

void ReportPreview::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (m_mode != ZoomMode::Percent)
        applyZoom();
}

} // namespace report
