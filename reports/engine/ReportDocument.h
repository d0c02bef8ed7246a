// The prepared report: every page as a list of drawn items in millimetres
// from the paper's top-left corner, and the ways to draw them on a painter,
// into a PDF file or on a printer.
#pragma once

#include <QMarginsF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

class QPainter;
class QPrinter;

namespace report {

struct ReportFont {
    QString family = QStringLiteral("Arial");
    double pointSize = 10.0;
    bool bold = false;
    friend bool operator==(const ReportFont &, const ReportFont &) = default;
};

enum class BandKind : quint8 {
    Title,
    PageHeader,
    ColumnHeader,
    Detail,
    SubDetail,
    Summary,
    PageFooter,
};

struct PageSetup {
    QSizeF paperMm{210.0, 297.0};   // A4 portrait
    QMarginsF marginsMm{10.0, 10.0, 10.0, 10.0};
    double contentWidth() const { return paperMm.width() - marginsMm.left() - marginsMm.right(); }
};

struct PageItem {
    // Bands are white like the paper, so nothing is painted for their
    // background: painting it would cover the frame line of the band above.
    enum Kind : quint8 {
        Frame,  // a side of a band's frame: from (x, y) by (w, h), one of them 0
        Rule,   // a vertical line element, likewise
        Text,   // text whose box starts at (x, y), w wide; neither cut nor wrapped
    };
    Kind kind = Text;
    BandKind band = BandKind::Detail;
    bool centred = false;   // Text: centred in its box instead of starting at x
    qint16 font = -1;       // Text: index into ReportDocument::fonts
    double x = 0, y = 0, w = 0, h = 0;
    QString text;
};

// Where a band landed on a page.
struct PlacedBand {
    BandKind kind;
    double top;
    double height;
};

struct ReportPage {
    int number = 1;
    std::vector<PlacedBand> bands;
    std::vector<PageItem> items;

    // Texts in the order they are drawn, optionally of one kind of band.
    QStringList texts() const;
    QStringList texts(BandKind band) const;
    // The first text item with exactly this text, or null.
    const PageItem *findText(const QString &text) const;
    int bandCount(BandKind kind) const;
};

struct ReportDocument {
    QString title;
    PageSetup page;
    std::vector<ReportFont> fonts;
    std::vector<ReportPage> pages;
    bool cancelled = false;   // preparation was stopped before the end

    int pageCount() const { return int(pages.size()); }
};

// A laid-out report as output takes it: page by page, a page laid out when it
// is asked for if need be, so that a long report need not be held whole.
class PageSource {
public:
    virtual ~PageSource() = default;
    virtual QString title() const = 0;
    virtual const PageSetup &pageSetup() const = 0;
    // The fonts that the pages' text items index.
    virtual const std::vector<ReportFont> &fonts() const = 0;
    virtual int pageCount() const = 0;
    // A page by its 0-based index; valid until the next call.
    virtual const ReportPage &page(int index) const = 0;
};

// The pages of a ReportDocument, which it holds or only refers to.
class DocumentPages final : public PageSource {
public:
    explicit DocumentPages(const ReportDocument &doc) : m_doc(&doc) {}
    explicit DocumentPages(ReportDocument &&doc) : m_owned(std::move(doc)), m_doc(&m_owned) {}
    DocumentPages(const DocumentPages &) = delete;
    DocumentPages &operator=(const DocumentPages &) = delete;

    QString title() const override { return m_doc->title; }
    const PageSetup &pageSetup() const override { return m_doc->page; }
    const std::vector<ReportFont> &fonts() const override { return m_doc->fonts; }
    int pageCount() const override { return m_doc->pageCount(); }
    const ReportPage &page(int index) const override { return m_doc->pages.at(size_t(index)); }

private:
    ReportDocument m_owned;
    const ReportDocument *m_doc;
};

// Screen output draws lines one device pixel wide whatever the zoom; paper
// gets a thin line of fixed width.
enum class LineStyle { Paper, Screen };

// Draws one page (0-based index) with the painter's device resolution; a
// scale already set on the painter zooms the page.
void renderPage(QPainter &painter, const PageSource &pages, int index,
                LineStyle lines = LineStyle::Paper);
void renderPage(QPainter &painter, const ReportDocument &doc, int index,
                LineStyle lines = LineStyle::Paper);

// Writes every page into a PDF file with its fonts embedded. On failure
// returns false and sets *error.
bool writePdf(const PageSource &pages, const QString &path, QString *error = nullptr);
bool writePdf(const ReportDocument &doc, const QString &path, QString *error = nullptr);

// Prints on a set-up printer: its page range (all pages, a range or the
// current page, counted from 1), and the copies when the printer does not
// make them itself, collated or not. Returns false when nothing could be
// printed (the printer failed or the range holds no page).
bool printDocument(const PageSource &pages, QPrinter &printer, int currentPage = 1);
bool printDocument(const ReportDocument &doc, QPrinter &printer, int currentPage = 1);

// A printer set up for the document: paper size, whole-page coordinates,
// one copy, all pages, automatic bin, no duplex.
void setUpPrinter(QPrinter &printer, const PageSource &pages);
void setUpPrinter(QPrinter &printer, const ReportDocument &doc);

} // namespace report
