#include "reports/engine/Layouter.h"

#include "core/Dates.h"

#include <QtDebug>

namespace report {

Layouter::Layouter(Report &report)
    : r(report),
      m_title(report.band(BandKind::Title)),
      m_pageHeader(report.band(BandKind::PageHeader)),
      m_columnHeader(report.band(BandKind::ColumnHeader)),
      m_detail(report.band(BandKind::Detail)),
      m_summary(report.band(BandKind::Summary)),
      m_pageFooter(report.band(BandKind::PageFooter))
{
    m_today = dates::text(r.m_today.isValid() ? r.m_today : QDate::currentDate());
    m_left = r.m_page.marginsMm.left();
    m_top = r.m_page.marginsMm.top();
    const double bottom = r.m_page.paperMm.height() - r.m_page.marginsMm.bottom();
    m_footerTop = bottom - (m_pageFooter ? m_pageFooter->height() : 0.0);
    resolve();
}

int Layouter::fontIndex(const ReportFont &f)
{
    for (size_t i = 0; i < m_fonts.size(); ++i) {
        if (m_fonts[i] == f)
            return int(i);
    }
    m_fonts.push_back(f);
    return int(m_fonts.size()) - 1;
}

// Fonts and fields are looked up once here rather than for every cell.
void Layouter::resolve()
{
    for (const auto &b : r.m_bands) {
        ReportData *bandData = b->kind() == BandKind::SubDetail ? b->data() : r.m_master;
        std::vector<Resolved> &out = m_resolved[b.get()];
        for (const auto &e : b->m_elements) {
            Resolved res;
            res.font = fontIndex(e->m_font.value_or(r.m_defaultFont));
            if (e->m_kind == Element::Kind::DataText) {
                res.data = e->m_data ? e->m_data : bandData;
                if (res.data && res.data->active()) {
                    res.field = res.data->fieldIndex(e->m_text);
                    // A misspelt field would print nothing at all; say so once.
                    if (res.field < 0)
                        qWarning("report \"%s\": the %s band reads the unknown field \"%s\"",
                                 qPrintable(r.m_title), qPrintable(bandKindName(b->kind())),
                                 qPrintable(e->m_text));
                }
            }
            out.push_back(res);
        }
    }
}

void Layouter::emitBand(const Band &b, double bandTop)
{
    if (m_mode == Mode::Measure)
        return;
    ReportPage &page = m_pages.back();
    page.bands.push_back({b.kind(), bandTop, b.height()});
    const double width = r.bandWidth();
    const std::vector<Resolved> &resolved = m_resolved.at(&b);
    for (size_t i = 0; i < b.m_elements.size(); ++i) {
        const Element &e = *b.m_elements[i];
        const Resolved &res = resolved[i];
        QString text;
        switch (e.m_kind) {
        case Element::Kind::Text:
            text = e.m_text;
            break;
        case Element::Kind::DataText: {
            ReportData *d = res.data;
            if (m_blankData || !d || res.field < 0 || !d->active() || d->eof())
                continue;
            text = displayText(d->valueAt(res.field));
            break;
        }
        case Element::Kind::Date:
            text = m_today;
            break;
        case Element::Kind::Expression:
            text = e.m_expression.evaluate({m_count, page.number});
            break;
        case Element::Kind::VerticalLine: {
            PageItem line;
            line.kind = PageItem::Rule;
            line.band = b.kind();
            line.x = m_left + e.m_x + e.m_width / 2.0;
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
        item.font = qint16(res.font);
        item.x = m_left + e.m_x;
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
        frameLine(m_left, bandTop, width, 0);
    if (f & FrameBottom)
        frameLine(m_left, bandTop + b.height(), width, 0);
    if (f & FrameLeft)
        frameLine(m_left, bandTop, 0, b.height());
    if (f & FrameRight)
        frameLine(m_left + width, bandTop, 0, b.height());
}

void Layouter::startPage()
{
    ++m_pageNumber;
    if (m_mode == Mode::Measure) {
        m_starts.push_back({m_at.record, m_at.stage, m_at.subRecord, m_count, m_recordPending});
    } else {
        ReportPage page;
        page.number = m_pageNumber;
        m_pages.push_back(std::move(page));
    }
    m_y = m_top;
    m_pageHasBody = false;
    const bool firstPage = m_pageNumber == 1;
    // Headers go on however little room there is: they start the page.
    auto header = [&](Band *b) {
        emitBand(*b, m_y);
        m_y += b->height();
    };
    if (m_pageHeader && (!firstPage || r.m_headerOnFirst))
        header(m_pageHeader);
    if (m_title && firstPage)
        header(m_title);
    if (m_columnHeader)
        header(m_columnHeader);
}

void Layouter::finishPage(bool last)
{
    if (m_pageFooter && (!last || r.m_footerOnLast))
        emitBand(*m_pageFooter, m_footerTop);
    if (m_mode == Mode::OnePage) {
        m_stopped = true;   // the page asked for is done
        return;
    }
    if (m_progress && *m_progress && !(*m_progress)(m_pageNumber, int(m_count), m_total))
        m_stopped = m_cancelled = true;
}

// Places a body band below the previous one, on a new page when it does not
// fit above the footer. A band that does not fit even on an empty page goes
// on all the same, so that the report always ends.
void Layouter::place(const Band &b)
{
    // Heights are sums of decimal millimetres; a band that fits exactly must
    // not be pushed over by rounding.
    constexpr double tolerance = 1e-6;
    if (m_stopped)
        return;
    if (m_pageHasBody && m_y + b.height() > m_footerTop + tolerance) {
        finishPage(false);
        if (m_stopped)
            return;
        startPage();
    }
    // A record counts from its first band on, so that a footer closing the
    // page before it does not count it yet.
    if (m_recordPending) {
        ++m_count;
        m_recordPending = false;
    }
    emitBand(b, m_y);
    m_y += b.height();
    m_pageHasBody = true;
}

void Layouter::printSub(size_t sub, int fromRecord)
{
    const Band &band = *r.m_subDetails[sub];
    ReportData *d = band.data();
    m_at.stage = int(sub) + 1;
    m_at.subRecord = 0;
    bool hasRecords = false;
    if (!m_blankMaster && d && d->active()) {
        d->first();
        hasRecords = !d->eof();
    }
    if (!hasRecords) {
        // Once with empty fields: its dataset is empty or closed, or there
        // is no master record to follow.
        const bool saved = m_blankData;
        m_blankData = true;
        place(band);
        m_blankData = saved;
        return;
    }
    // Finding the page breaks needs only how many records there are.
    if (m_mode == Mode::Measure && d->recordCount() >= 0) {
        const int n = d->recordCount();
        for (int j = fromRecord; j < n && !m_stopped; ++j) {
            m_at.subRecord = j;
            place(band);
        }
        return;
    }
    if (fromRecord > 0)
        d->skip(fromRecord);
    for (int j = fromRecord; !d->eof() && !m_stopped; d->next(), ++j) {
        m_at.subRecord = j;
        place(band);
    }
}

// The stream of body bands from `from` on: per master record its detail
// band and sub-details, then the summary.
void Layouter::walk(const PageStart &from)
{
    ReportData *master = r.m_master;
    m_at = from;
    m_count = from.count;
    m_recordPending = from.recordPending;
    startPage();
    if (from.record > 0 && m_walkMaster && !m_blankMaster)
        master->skip(from.record);

    int i = from.record;
    for (; !m_stopped; ++i) {
        const bool more = m_blankMaster ? i < 1 : (m_walkMaster ? !master->eof() : i < m_records);
        if (!more)
            break;
        const bool resuming = i == from.record;
        const int stage = resuming ? from.stage : 0;
        m_at = {i, 0, 0, 0, false};
        m_blankData = m_blankMaster;
        if (stage == 0) {
            if (r.m_pagePerRecord && m_pageHasBody) {
                finishPage(false);
                if (m_stopped)
                    break;
                startPage();
            }
            m_recordPending = !m_blankMaster;
            if (m_detail)
                place(*m_detail);
        }
        for (size_t s = stage > 0 ? size_t(stage - 1) : 0; s < r.m_subDetails.size() && !m_stopped; ++s)
            printSub(s, resuming && int(s) + 1 == stage ? from.subRecord : 0);
        m_blankData = false;
        if (m_stopped)
            break;
        if (m_walkMaster && !m_blankMaster)
            master->next();
    }
    if (m_stopped)
        return;
    if (m_mode == Mode::Measure)
        m_records = i;
    m_at = {i, 0, 0, 0, false};
    if (m_summary)
        place(*m_summary);
    // A page laid out alone ends where the summary goes over to the next.
    if (!m_stopped)
        finishPage(true);
}

void Layouter::run(Mode mode, const Report::Progress *progress, int firstPage, const PageStart &from)
{
    m_mode = mode;
    m_progress = progress;
    m_pages.clear();
    m_pageNumber = firstPage;
    m_y = 0;
    m_pageHasBody = false;
    m_blankData = false;
    m_stopped = m_cancelled = false;
    if (mode == Mode::Measure)
        m_starts.clear();

    // A master that failed to open prints like an empty one: the report
    // still comes out with its headers, one empty row and a count of 0,
    // instead of an error for every band that reads it.
    ReportData *master = r.m_master;
    const bool open = master && master->active();
    if (open)
        master->first();
    m_total = open ? master->recordCount() : 0;
    m_blankMaster = !open || master->eof();
    if (m_blankMaster && !r.m_printIfEmpty)
        return;
    // Page breaks of a plain list follow from the number of records alone.
    m_walkMaster = mode != Mode::Measure || !r.m_subDetails.empty() || m_total < 0;
    if (mode == Mode::Measure)
        m_records = m_blankMaster ? 1 : m_total;
    walk(from);
}

ReportDocument Layouter::layAll(const Report::Progress &progress)
{
    run(Mode::AllPages, &progress, 0, PageStart());
    ReportDocument doc;
    doc.title = r.m_title;
    doc.page = r.m_page;
    doc.fonts = m_fonts;
    doc.pages = std::move(m_pages);
    doc.cancelled = m_cancelled;
    return doc;
}

bool Layouter::paginate(const Report::Progress &progress)
{
    run(Mode::Measure, &progress, 0, PageStart());
    if (m_cancelled)
        m_starts.clear();
    return !m_cancelled;
}

ReportPage Layouter::layPage(int index)
{
    if (index < 0 || index >= pageCount())
        return {};
    run(Mode::OnePage, nullptr, index, m_starts[size_t(index)]);
    if (m_pages.empty())
        return {};
    return std::move(m_pages.front());
}

const ReportPage &PagedReport::page(int index) const
{
    // Paging back and forth and printing the page shown find it here.
    constexpr size_t kept = 4;
    for (auto it = m_recent.begin(); it != m_recent.end(); ++it) {
        if (it->number == index + 1) {
            if (it != m_recent.begin()) {
                ReportPage hit = std::move(*it);
                m_recent.erase(it);
                m_recent.push_front(std::move(hit));
            }
            return m_recent.front();
        }
    }
    m_recent.push_front(m_layouter.layPage(index));
    if (m_recent.size() > kept)
        m_recent.pop_back();
    return m_recent.front();
}

} // namespace report
