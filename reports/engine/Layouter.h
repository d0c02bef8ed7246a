// Fills pages band by band: all pages at once, or first only where each page
// begins and later any one page on its own, so that a preview of a long
// report need not keep every laid-out page.
#pragma once

#include "reports/engine/Report.h"

#include <deque>
#include <unordered_map>
#include <vector>

namespace report {

// Where a page's body begins in the report's stream of bands: enough to lay
// that page out again without laying out the pages before it.
struct PageStart {
    int record = 0;              // master record, from 0; past the last: the summary
    int stage = 0;               // 0: the record's detail band; s + 1: its sub-detail s
    int subRecord = 0;           // record of that sub-detail's dataset, from 0
    qint64 count = 0;            // master records counted before the page
    bool recordPending = false;  // the record is not counted yet
};

// One instance per preparation, so that a report can be prepared any number
// of times. Moves the datasets' cursors.
struct Layouter {
    explicit Layouter(Report &report);

    // Every page in one walk.
    ReportDocument layAll(const Report::Progress &progress);
    // Walks the report once without laying anything out, noting where each
    // page begins; a list without sub-details is not even read. Returns
    // false when the progress function stopped it.
    bool paginate(const Report::Progress &progress);
    // One page of those found by paginate(), laid out from where it begins.
    ReportPage layPage(int index);

    int pageCount() const { return int(m_starts.size()); }
    // Every font the report's elements use; ReportPage items index it.
    const std::vector<ReportFont> &fonts() const { return m_fonts; }

private:
    enum class Mode { AllPages, Measure, OnePage };
    // What an element needs while pages are filled, worked out once.
    struct Resolved {
        int font = -1;
        ReportData *data = nullptr;   // data text: the dataset it reads
        int field = -1;               // and the field's index there
    };

    void resolve();
    int fontIndex(const ReportFont &f);
    void run(Mode mode, const Report::Progress *progress, int firstPage, const PageStart &from);
    void walk(const PageStart &from);
    void printSub(size_t sub, int fromRecord);
    void place(const Band &b);
    void startPage();
    void finishPage(bool last);
    void emitBand(const Band &b, double bandTop);

    Report &r;
    Band *m_title, *m_pageHeader, *m_columnHeader, *m_detail, *m_summary, *m_pageFooter;
    std::vector<ReportFont> m_fonts;
    std::unordered_map<const Band *, std::vector<Resolved>> m_resolved;
    QString m_today;
    double m_left = 0;
    double m_top = 0;
    double m_footerTop = 0;          // bands of the body end here
    std::vector<PageStart> m_starts; // found by paginate()
    int m_records = 0;               // master records walked by paginate()

    // State of one run.
    Mode m_mode = Mode::AllPages;
    const Report::Progress *m_progress = nullptr;
    std::vector<ReportPage> m_pages;
    int m_pageNumber = 0;
    PageStart m_at;                  // the band being placed
    double m_y = 0;
    bool m_pageHasBody = false;
    bool m_blankMaster = false;      // no master record: one group with empty fields
    bool m_walkMaster = true;        // the master's cursor follows the walk
    bool m_blankData = false;        // every data text prints nothing
    qint64 m_count = 0;              // master records placed so far
    bool m_recordPending = false;    // the current master record is not yet counted
    int m_total = -1;
    bool m_stopped = false;
    bool m_cancelled = false;
};

// The pages of a report for its preview: where each page begins is found
// once, and a page is laid out when it is shown or printed. Only the last
// few pages laid out are kept, so a report of any length costs little
// memory. The report and its datasets must stay as they are meanwhile.
class PagedReport final : public PageSource {
public:
    explicit PagedReport(Report &report) : m_report(report), m_layouter(report) {}

    // Finds the page breaks; false when the progress function stopped it.
    bool paginate(const Report::Progress &progress)
    {
        m_recent.clear();
        return m_layouter.paginate(progress);
    }

    QString title() const override { return m_report.title(); }
    const PageSetup &pageSetup() const override { return m_report.pageSetup(); }
    const std::vector<ReportFont> &fonts() const override { return m_layouter.fonts(); }
    int pageCount() const override { return m_layouter.pageCount(); }
    const ReportPage &page(int index) const override;

private:
    Report &m_report;
    mutable Layouter m_layouter;
    mutable std::deque<ReportPage> m_recent;   // the last used first
};

} // namespace report
