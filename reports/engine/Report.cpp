#include "reports/engine/Report.h"

#include "reports/engine/ReportPreview.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QtDebug>

namespace report {

// ---------------------------------------------------------------- Element

Element &Element::setFont(const ReportFont &font)
{
    m_font = font;
    return *this;
}

Element &Element::setWidth(double mm)
{
    m_width = mm;
    return *this;
}

Element &Element::setCentred(bool centred)
{
    m_centred = centred;
    return *this;
}

// ------------------------------------------------------------------- Band

Band &Band::setFrame(FrameSides sides)
{
    m_frame = sides;
    return *this;
}

Band &Band::setHeight(double mm)
{
    m_height = mm;
    return *this;
}

Element &Band::add(std::unique_ptr<Element> e)
{
    m_elements.push_back(std::move(e));
    return *m_elements.back();
}

Element &Band::addText(double x, double y, const QString &text)
{
    auto e = std::unique_ptr<Element>(new Element(Element::Kind::Text, x, y));
    e->m_text = text;
    return add(std::move(e));
}

Element &Band::addText(double x, double y, const QString &text, const ReportFont &font)
{
    return addText(x, y, text).setFont(font);
}

Element &Band::addDataText(double x, double y, const QString &field, ReportData *data)
{
    auto e = std::unique_ptr<Element>(new Element(Element::Kind::DataText, x, y));
    e->m_text = field;
    e->m_data = data;
    return add(std::move(e));
}

Element &Band::addDate(double x, double y)
{
    return add(std::unique_ptr<Element>(new Element(Element::Kind::Date, x, y)));
}

Element &Band::addExpression(double x, double y, const QString &expression)
{
    auto e = std::unique_ptr<Element>(new Element(Element::Kind::Expression, x, y));
    e->m_text = expression;
    e->m_expression = Expression::parse(expression);
    return add(std::move(e));
}

Element &Band::addVerticalLine(double x, double boxWidth)
{
    auto e = std::unique_ptr<Element>(new Element(Element::Kind::VerticalLine, x, 0.0));
    e->m_width = boxWidth;
    return add(std::move(e));
}

// ----------------------------------------------------------------- Report

Report::Report() = default;
Report::~Report() = default;

static QString kindName(BandKind kind)
{
    switch (kind) {
    case BandKind::Title: return QStringLiteral("title");
    case BandKind::PageHeader: return QStringLiteral("page header");
    case BandKind::ColumnHeader: return QStringLiteral("column header");
    case BandKind::Detail: return QStringLiteral("detail");
    case BandKind::SubDetail: return QStringLiteral("sub-detail");
    case BandKind::Summary: return QStringLiteral("summary");
    case BandKind::PageFooter: return QStringLiteral("page footer");
    }
    return {};
}

Band &Report::addBand(BandKind kind, double heightMm)
{
    if (kind == BandKind::SubDetail)
        throw ReportError(QStringLiteral("A sub-detail band needs its dataset: use addSubDetail"));
    if (band(kind))
        throw ReportError(QStringLiteral("The report already has a %1 band").arg(kindName(kind)));
    m_bands.push_back(std::unique_ptr<Band>(new Band(kind, heightMm, nullptr)));
    return *m_bands.back();
}

Band &Report::addSubDetail(ReportData *data, double heightMm)
{
    m_bands.push_back(std::unique_ptr<Band>(new Band(BandKind::SubDetail, heightMm, data)));
    m_subDetails.push_back(m_bands.back().get());
    return *m_bands.back();
}

Band *Report::band(BandKind kind) const
{
    for (const auto &b : m_bands) {
        if (b->kind() == kind)
            return b.get();
    }
    return nullptr;
}

// --------------------------------------------------------------- Layouter

// Fills pages band by band. One instance per preparation, so a report can be
// prepared any number of times.
struct Layouter {
    Report &r;
    const Report::Progress &progress;
    ReportDocument doc;

    Band *title = nullptr;
    Band *pageHeader = nullptr;
    Band *columnHeader = nullptr;
    Band *detail = nullptr;
    Band *summary = nullptr;
    Band *pageFooter = nullptr;

    QString today;
    double left = 0;
    double top = 0;
    double footerTop = 0;   // bands of the body end here
    double y = 0;
    bool pageHasBody = false;
    bool blankData = false; // every data text prints nothing
    qint64 count = 0;           // master records placed so far
    bool recordPending = false; // the current master record is not yet counted
    int total = -1;
    bool stopped = false;

    Layouter(Report &report, const Report::Progress &p) : r(report), progress(p) {}

    int fontIndex(const ReportFont &f)
    {
        for (size_t i = 0; i < doc.fonts.size(); ++i) {
            if (doc.fonts[i] == f)
                return int(i);
        }
        doc.fonts.push_back(f);
        return int(doc.fonts.size()) - 1;
    }

    void resolve()
    {
        for (const auto &b : r.m_bands) {
            ReportData *bandData = b->kind() == BandKind::SubDetail ? b->data() : r.m_master;
            for (const auto &e : b->m_elements) {
                e->m_fontIndex = fontIndex(e->m_font.value_or(r.m_defaultFont));
                if (e->m_kind != Element::Kind::DataText)
                    continue;
                // A misspelt field would print nothing at all; say so once.
                const ReportData *d = e->m_data ? e->m_data : bandData;
                if (d && d->active() && !d->hasField(e->m_text))
                    qWarning("report \"%s\": the %s band reads the unknown field \"%s\"",
                             qPrintable(r.m_title), qPrintable(kindName(b->kind())),
                             qPrintable(e->m_text));
            }
        }
    }

    void emitBand(const Band &b, double bandTop, ReportData *bandData)
    {
        ReportPage &page = doc.pages.back();
        page.bands.push_back({b.kind(), bandTop, b.height()});
        const double width = r.bandWidth();
        for (const auto &ep : b.m_elements) {
            const Element &e = *ep;
            QString text;
            switch (e.m_kind) {
            case Element::Kind::Text:
                text = e.m_text;
                break;
            case Element::Kind::DataText: {
                ReportData *d = e.m_data ? e.m_data : bandData;
                if (blankData || !d || !d->active() || d->eof())
                    continue;
                text = displayText(d->value(e.m_text));
                break;
            }
            case Element::Kind::Date:
                text = today;
                break;
            case Element::Kind::Expression:
                text = e.m_expression.evaluate({count, page.number});
                break;
            case Element::Kind::VerticalLine: {
                PageItem line;
                line.kind = PageItem::Rule;
                line.band = b.kind();
                line.x = left + e.m_x + e.m_width / 2.0;
                line.y = bandTop;
                line.h = b.height();
                page.items.push_back(std::move(line));
                continue;
            }
            }
            if (text.isEmpty())
                continue;
            PageItem item;
            item.kind = PageItem::Text;
            item.band = b.kind();
            item.centred = e.m_centred;
            item.font = qint16(e.m_fontIndex);
            item.x = left + e.m_x;
            item.y = bandTop + e.m_y;
            item.w = e.m_width;
            item.text = std::move(text);
            page.items.push_back(std::move(item));
        }

        auto frameLine = [&](double x, double yy, double w, double h) {
            PageItem line;
            line.kind = PageItem::Frame;
            line.band = b.kind();
            line.x = x;
            line.y = yy;
            line.w = w;
            line.h = h;
            page.items.push_back(std::move(line));
        };
        const FrameSides f = b.frame();
        if (f & FrameTop)
            frameLine(left, bandTop, width, 0);
        if (f & FrameBottom)
            frameLine(left, bandTop + b.height(), width, 0);
        if (f & FrameLeft)
            frameLine(left, bandTop, 0, b.height());
        if (f & FrameRight)
            frameLine(left + width, bandTop, 0, b.height());
    }

    void startPage()
    {
        ReportPage page;
        page.number = int(doc.pages.size()) + 1;
        doc.pages.push_back(std::move(page));
        y = top;
        pageHasBody = false;
        const bool firstPage = doc.pages.size() == 1;
        // Headers go on however little room there is: they start the page.
        auto header = [&](Band *b) {
            emitBand(*b, y, r.m_master);
            y += b->height();
        };
        if (pageHeader && (!firstPage || r.m_headerOnFirst))
            header(pageHeader);
        if (title && firstPage)
            header(title);
        if (columnHeader)
            header(columnHeader);
    }

    void finishPage(bool last)
    {
        if (pageFooter && (!last || r.m_footerOnLast))
            emitBand(*pageFooter, footerTop, r.m_master);
        if (progress && !progress(doc.pageCount(), int(count), total))
            stopped = true;
    }

    // Places a body band below the previous one, on a new page when it does
    // not fit above the footer. A band that does not fit even on an empty
    // page goes on all the same, so that the report always ends.
    void place(const Band &b, ReportData *bandData)
    {
        // Heights are sums of decimal millimetres; a band that fits exactly
        // must not be pushed over by rounding.
        constexpr double tolerance = 1e-6;
        if (stopped)
            return;
        if (pageHasBody && y + b.height() > footerTop + tolerance) {
            finishPage(false);
            if (stopped)
                return;
            startPage();
        }
        // A record counts from its first band on, so that a footer closing
        // the page before it does not count it yet.
        if (recordPending) {
            ++count;
            recordPending = false;
        }
        emitBand(b, y, bandData);
        y += b.height();
        pageHasBody = true;
    }

    void printRecordGroup(bool blankMaster)
    {
        blankData = blankMaster;
        if (detail)
            place(*detail, r.m_master);
        for (Band *sub : r.m_subDetails) {
            ReportData *d = sub->data();
            bool hasRecords = false;
            if (!blankMaster && d && d->active()) {
                d->first();
                hasRecords = !d->eof();
            }
            if (!hasRecords) {
                // Once with empty fields: its dataset is empty or closed, or
                // there is no master record to follow.
                const bool saved = blankData;
                blankData = true;
                place(*sub, d);
                blankData = saved;
                continue;
            }
            for (; !d->eof() && !stopped; d->next())
                place(*sub, d);
        }
        blankData = false;
    }

    void run()
    {
        title = r.band(BandKind::Title);
        pageHeader = r.band(BandKind::PageHeader);
        columnHeader = r.band(BandKind::ColumnHeader);
        detail = r.band(BandKind::Detail);
        summary = r.band(BandKind::Summary);
        pageFooter = r.band(BandKind::PageFooter);

        doc.title = r.m_title;
        doc.page = r.m_page;
        today = (r.m_today.isValid() ? r.m_today : QDate::currentDate()).toString(shortDateFormat());
        left = r.m_page.marginsMm.left();
        top = r.m_page.marginsMm.top();
        const double bottom = r.m_page.paperMm.height() - r.m_page.marginsMm.bottom();
        footerTop = bottom - (pageFooter ? pageFooter->height() : 0.0);
        resolve();

        // A master that failed to open prints like an empty one: the report
        // still comes out with its headers, one empty row and a count of 0,
        // instead of an error for every band that reads it.
        ReportData *master = r.m_master;
        const bool open = master && master->active();
        if (open) {
            master->first();
            total = master->recordCount();
        } else {
            total = 0;
        }
        const bool empty = !open || master->eof();
        if (empty && !r.m_printIfEmpty)
            return;

        startPage();
        if (empty) {
            printRecordGroup(true);
        } else {
            for (; !master->eof() && !stopped; master->next()) {
                recordPending = true;
                printRecordGroup(false);
            }
        }
        if (stopped) {
            doc.cancelled = true;
            return;
        }
        if (summary)
            place(*summary, master);
        finishPage(true);
        doc.cancelled = stopped;
    }
};

ReportDocument Report::prepare(const Progress &progress)
{
    Layouter l(*this, progress);
    l.run();
    return std::move(l.doc);
}

void Report::preview(QWidget *parent)
{
    const QString caption = m_title.isEmpty() ? QStringLiteral("打印预览") : m_title;
    const int total = m_master && m_master->active() ? m_master->recordCount() : 0;

    // The progress dialog shows itself only when preparing takes a while; it
    // runs no loop of its own, the events are processed between pages.
    QProgressDialog progress(parent);
    progress.setWindowTitle(caption);
    progress.setLabelText(QStringLiteral("正在准备报表..."));
    progress.setCancelButtonText(QStringLiteral("取消"));
    progress.setRange(0, std::max(0, total));
    progress.setMinimumDuration(400);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setWindowModality(Qt::ApplicationModal);

    ReportDocument doc = prepare([&](int pagesDone, int recordsDone, int) {
        progress.setLabelText(QStringLiteral("正在准备第 %1 页...").arg(pagesDone + 1));
        if (total > 0)
            progress.setValue(std::min(recordsDone, total));
        // Keep windows painting. Until the dialog shows (and blocks the other
        // windows) the user's clicks wait, so that no button can start a
        // second report meanwhile.
        QCoreApplication::processEvents(progress.isVisible() ? QEventLoop::AllEvents
                                                             : QEventLoop::ExcludeUserInputEvents);
        return !progress.wasCanceled();
    });
    progress.close();
    if (doc.cancelled)
        return;

    ReportPreview window(std::move(doc), parent);
    window.setWindowTitle(caption);
    if (const auto &script = ReportPreview::previewScript()) {
        window.show();
        script(window);
        return;
    }
    QEventLoop loop;
    QObject::connect(&window, &ReportPreview::closed, &loop, &QEventLoop::quit);
    window.show();
    loop.exec();
}

} // namespace report
