// A banded report: bands of fixed height filled from a master dataset (and
// sub-detail datasets), laid out on pages, previewed and printed.
//
// A layout is built once, in code:
//
//     report::Report r;
//     r.setMaster(&data);
//     r.setMargins(QMarginsF(10, 10, 10, 10));          // left, top, right, bottom (mm)
//     auto &title = r.addBand(report::BandKind::Title, 10.6);
//     title.addText(32.8, 3.2, "班级信息表", {"宋体", 14, true});
//     auto &detail = r.addBand(report::BandKind::Detail, 10.6);
//     detail.setFrame(report::FrameAll);
//     detail.addDataText(5.3, 2.1, "班号");
//     r.preview();
#pragma once

#include "reports/engine/Expression.h"
#include "reports/engine/ReportData.h"
#include "reports/engine/ReportDocument.h"

#include <QDate>
#include <QFlags>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QWidget;

namespace report {

enum FrameSide {
    FrameNone = 0x0,
    FrameTop = 0x1,
    FrameBottom = 0x2,
    FrameLeft = 0x4,
    FrameRight = 0x8,
    FrameAll = 0xf,
};
Q_DECLARE_FLAGS(FrameSides, FrameSide)

class Band;
class Report;

// "title", "page header" ...: how messages name a kind of band.
QString bandKindName(BandKind kind);

// One thing printed in a band, placed in millimetres from the band's
// top-left corner. The setters return the element for chaining.
class Element {
public:
    enum class Kind { Text, DataText, Date, Expression, VerticalLine };

    // The font of a text-like element; without one it uses the report's
    // default font.
    Element &setFont(const ReportFont &font);
    // Width of the element's box; matters only to a centred text and to a
    // vertical line, which runs down the box's centre.
    Element &setWidth(double mm);
    // Centres the text in its box (x to x + width) instead of starting it at x.
    Element &setCentred(bool centred = true);

    Kind kind() const { return m_kind; }
    double x() const { return m_x; }
    double y() const { return m_y; }
    double width() const { return m_width; }
    bool centred() const { return m_centred; }
    // The fixed text, the field name or the expression's source.
    QString text() const { return m_text; }
    std::optional<ReportFont> font() const { return m_font; }

private:
    friend class Band;
    friend class Report;
    friend struct Layouter;
    Element(Kind kind, double x, double y) : m_kind(kind), m_x(x), m_y(y) {}

    Kind m_kind;
    double m_x;
    double m_y;
    double m_width = 0.0;
    bool m_centred = false;
    std::optional<ReportFont> m_font;
    QString m_text;
    ReportData *m_data = nullptr;     // data text: its dataset, null = the band's
    Expression m_expression;
};

class Band {
public:
    BandKind kind() const { return m_kind; }
    double height() const { return m_height; }
    FrameSides frame() const { return m_frame; }
    // A sub-detail's own dataset; null for the other bands, whose data texts
    // read the master.
    ReportData *data() const { return m_data; }

    Band &setFrame(FrameSides sides);
    Band &setHeight(double mm);

    Element &addText(double x, double y, const QString &text);
    Element &addText(double x, double y, const QString &text, const ReportFont &font);
    // A field of the current record of `data`, or of the band's dataset
    // (the sub-detail's own, otherwise the master) when data is null.
    Element &addDataText(double x, double y, const QString &field, ReportData *data = nullptr);
    // Today's date in the short date format.
    Element &addDate(double x, double y);
    // Throws ReportError when the expression is malformed.
    Element &addExpression(double x, double y, const QString &expression);
    // A thin line at x over the whole band height; with a box width, down the
    // middle of the box.
    Element &addVerticalLine(double x, double boxWidth = 0.0);

    const std::vector<std::unique_ptr<Element>> &elements() const { return m_elements; }

private:
    friend class Report;
    friend struct Layouter;
    Band(BandKind kind, double height, ReportData *data)
        : m_kind(kind), m_height(height), m_data(data) {}
    Element &add(std::unique_ptr<Element> e);

    BandKind m_kind;
    double m_height;
    FrameSides m_frame = FrameNone;
    ReportData *m_data;
    std::vector<std::unique_ptr<Element>> m_elements;
};

class Report {
public:
    // Called after each finished page while pages are prepared; returning
    // false stops the preparation.
    using Progress = std::function<bool(int pagesDone, int recordsDone, int recordsTotal)>;

    Report();
    ~Report();
    Report(const Report &) = delete;
    Report &operator=(const Report &) = delete;

    // The master dataset, not owned. A closed dataset (one that failed to
    // open) prints as an empty one, and so does none at all.
    void setMaster(ReportData *data) { m_master = data; }
    ReportData *master() const { return m_master; }

    // Caption of the preview window and title of the print job.
    void setTitle(const QString &title) { m_title = title; }
    QString title() const { return m_title; }

    // Paper in millimetres; A4 portrait unless set.
    void setPaperSize(const QSizeF &mm) { m_page.paperMm = mm; }
    // Margins in millimetres, in QMarginsF's order: left, top, right, bottom.
    void setMargins(const QMarginsF &mm) { m_page.marginsMm = mm; }
    const PageSetup &pageSetup() const { return m_page; }
    // Every band spans the width between the left and right margins.
    double bandWidth() const { return m_page.contentWidth(); }

    // Font of the elements that name none; "Arial" 10 point unless set.
    void setDefaultFont(const ReportFont &font) { m_defaultFont = font; }
    ReportFont defaultFont() const { return m_defaultFont; }

    // Options, all on unless set: the page header also on the first page,
    // the page footer also on the last page, and with an empty master one
    // page with a detail band with empty fields rather than no page at all.
    void setPageHeaderOnFirstPage(bool on) { m_headerOnFirst = on; }
    void setPageFooterOnLastPage(bool on) { m_footerOnLast = on; }
    void setPrintIfEmpty(bool on) { m_printIfEmpty = on; }
    // Off unless set: each master record after the first starts a new page
    // (a sheet per record, such as one per student).
    void setNewPagePerRecord(bool on) { m_pagePerRecord = on; }

    // The day that date elements print; today unless set.
    void setToday(const QDate &date) { m_today = date; }

    // Adds the band of a kind that exists once; throws ReportError for a
    // second one of the same kind and for SubDetail (use addSubDetail).
    Band &addBand(BandKind kind, double heightMm);
    // Sub-details print after each detail band, in the order they are added,
    // once per record of their dataset (once with empty fields when it has
    // none). The dataset must follow the master by itself.
    Band &addSubDetail(ReportData *data, double heightMm);
    Band *band(BandKind kind) const;
    const std::vector<Band *> &subDetails() const { return m_subDetails; }

    // Lays out every page. Moves the datasets' cursors.
    ReportDocument prepare(const Progress &progress = {});

    // Finds where every page begins, under the busy cursor and with a
    // progress window for a long report, then shows the preview window
    // modally (ui::showModal), which lays out each page when it is shown or
    // printed, and returns when the window is closed. Tests meet the window
    // in the modal script. While the report's preview is open, a second call
    // brings that window to the front and returns.
    void preview(QWidget *parent = nullptr);

private:
    friend struct Layouter;

    ReportData *m_master = nullptr;
    QString m_title;
    PageSetup m_page;
    ReportFont m_defaultFont;
    bool m_headerOnFirst = true;
    bool m_footerOnLast = true;
    bool m_printIfEmpty = true;
    bool m_pagePerRecord = false;
    QDate m_today;
    std::vector<std::unique_ptr<Band>> m_bands;
    std::vector<Band *> m_subDetails;
    // Pages are laid out from the datasets while the preview is open: a
    // second preview walking the same cursors meanwhile would upset it.
    QWidget *m_openPreview = nullptr;
};

} // namespace report

Q_DECLARE_OPERATORS_FOR_FLAGS(report::FrameSides)
