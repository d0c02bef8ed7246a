#include "reports/engine/ReportDocument.h"

#include "reports/engine/ReportFonts.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>

#include <memory>

namespace report {

QStringList ReportPage::texts() const
{
    QStringList out;
    for (const PageItem &it : items) {
        if (it.kind == PageItem::Text)
            out << it.text;
    }
    return out;
}

QStringList ReportPage::texts(BandKind band) const
{
    QStringList out;
    for (const PageItem &it : items) {
        if (it.kind == PageItem::Text && it.band == band)
            out << it.text;
    }
    return out;
}

const PageItem *ReportPage::findText(const QString &text) const
{
    for (const PageItem &it : items) {
        if (it.kind == PageItem::Text && it.text == text)
            return &it;
    }
    return nullptr;
}

int ReportPage::bandCount(BandKind kind) const
{
    int n = 0;
    for (const PlacedBand &b : bands)
        n += b.kind == kind ? 1 : 0;
    return n;
}

void renderPage(QPainter &painter, const PageSource &pages, int index, LineStyle lines)
{
    if (index < 0 || index >= pages.pageCount())
        return;
    const ReportPage &page = pages.page(index);
    const std::vector<ReportFont> &fonts = pages.fonts();
    const QPaintDevice *device = painter.device();
    const double sx = device->logicalDpiX() / 25.4;
    const double sy = device->logicalDpiY() / 25.4;

    painter.save();
    QPen pen(Qt::black);
    if (lines == LineStyle::Screen) {
        pen.setWidth(0);
        pen.setCosmetic(true);
    } else {
        pen.setWidthF(0.1 * sx);
    }
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);

    // Fonts and their metrics are made once per page, on first use.
    struct Face {
        QFont font;
        std::unique_ptr<QFontMetricsF> metrics;
    };
    std::vector<Face> faces(fonts.size());
    int current = -1;

    for (const PageItem &it : page.items) {
        switch (it.kind) {
        case PageItem::Frame:
        case PageItem::Rule:
            painter.drawLine(QPointF(it.x * sx, it.y * sy),
                             QPointF((it.x + it.w) * sx, (it.y + it.h) * sy));
            break;
        case PageItem::Text: {
            if (it.font < 0 || it.font >= int(faces.size()))
                break;
            Face &face = faces[size_t(it.font)];
            if (!face.metrics) {
                face.font = toQFont(fonts[size_t(it.font)]);
                face.metrics = std::make_unique<QFontMetricsF>(face.font, device);
            }
            if (current != it.font) {
                painter.setFont(face.font);
                current = it.font;
            }
            double left = it.x * sx;
            if (it.centred)
                left += (it.w * sx - face.metrics->horizontalAdvance(it.text)) / 2.0;
            // The box's top is the top of the text cell; no clipping, so a
            // long text runs on over rules and frames.
            painter.drawText(QPointF(left, it.y * sy + face.metrics->ascent()), it.text);
            break;
        }
        }
    }
    painter.restore();
}

namespace {

QPageLayout layoutFor(const PageSetup &page)
{
    const QPageSize size(page.paperMm, QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch);
    const QPageLayout::Orientation o = page.paperMm.width() > page.paperMm.height()
            ? QPageLayout::Landscape : QPageLayout::Portrait;
    return QPageLayout(size, o, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

} // namespace

bool writePdf(const PageSource &pages, const QString &path, QString *error)
{
    QPdfWriter writer(path);
    writer.setResolution(1200);
    writer.setPageLayout(layoutFor(pages.pageSetup()));
    writer.setTitle(pages.title());
    writer.setCreator(QStringLiteral("Quillmere"));
    QPainter painter;
    if (!painter.begin(&writer)) {
        if (error)
            *error = QStringLiteral("无法写入 PDF 文件 '%1'").arg(path);
        return false;
    }
    for (int i = 0; i < pages.pageCount(); ++i) {
        if (i > 0)
            writer.newPage();
        renderPage(painter, pages, i, LineStyle::Paper);
    }
    // A report without pages still gives a valid file with one blank page.
    if (!painter.end()) {
        if (error)
            *error = QStringLiteral("无法写完 PDF 文件 '%1'").arg(path);
        return false;
    }
    return true;
}

void setUpPrinter(QPrinter &printer, const PageSource &pages)
{
    printer.setFullPage(true);
    printer.setPageLayout(layoutFor(pages.pageSetup()));
    printer.setCopyCount(1);
    printer.setPrintRange(QPrinter::AllPages);
    printer.setFromTo(0, 0);
    printer.setPaperSource(QPrinter::Auto);
    printer.setDuplex(QPrinter::DuplexNone);
    printer.setDocName(pages.title());
    printer.setCreator(QStringLiteral("Quillmere"));
}

bool printDocument(const PageSource &pages, QPrinter &printer, int currentPage)
{
    int from = 1;
    int to = pages.pageCount();
    switch (printer.printRange()) {
    case QPrinter::PageRange:
        if (printer.fromPage() > 0)
            from = printer.fromPage();
        if (printer.toPage() > 0)
            to = std::min(to, printer.toPage());
        break;
    case QPrinter::CurrentPage:
        from = to = currentPage;
        break;
    case QPrinter::AllPages:
    case QPrinter::Selection:
        break;
    }
    if (from < 1 || from > to || to > pages.pageCount())
        return false;

    // A printer that makes the copies itself gets each page once.
    const int copies = printer.supportsMultipleCopies() ? 1 : std::max(1, printer.copyCount());
    std::vector<int> order;
    if (printer.collateCopies()) {
        for (int c = 0; c < copies; ++c)
            for (int p = from; p <= to; ++p)
                order.push_back(p - 1);
    } else {
        for (int p = from; p <= to; ++p)
            for (int c = 0; c < copies; ++c)
                order.push_back(p - 1);
    }

    printer.setFullPage(true);
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    bool firstSheet = true;
    for (int index : order) {
        if (!firstSheet && !printer.newPage())
            return false;
        firstSheet = false;
        renderPage(painter, pages, index, LineStyle::Paper);
    }
    return painter.end();
}

void renderPage(QPainter &painter, const ReportDocument &doc, int index, LineStyle lines)
{
    renderPage(painter, DocumentPages(doc), index, lines);
}

bool writePdf(const ReportDocument &doc, const QString &path, QString *error)
{
    return writePdf(DocumentPages(doc), path, error);
}

bool printDocument(const ReportDocument &doc, QPrinter &printer, int currentPage)
{
    return printDocument(DocumentPages(doc), printer, currentPage);
}

void setUpPrinter(QPrinter &printer, const ReportDocument &doc)
{
    setUpPrinter(printer, DocumentPages(doc));
}

} // namespace report
