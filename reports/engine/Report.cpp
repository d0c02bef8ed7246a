#include "reports/engine/Report.h"

#include "ui/BusyCursor.h"
#include "ui/Ui.h"
#include "reports/engine/Layouter.h"
#include "reports/engine/ReportPreview.h"

#include <QElapsedTimer>
#include <QScopeGuard>

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

QString bandKindName(BandKind kind)
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
        throw ReportError(QStringLiteral("The report already has a %1 band").arg(bandKindName(kind)));
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

ReportDocument Report::prepare(const Progress &progress)
{
    return Layouter(*this).layAll(progress);
}

void Report::preview(QWidget *parent)
{
    if (m_openPreview) {
        m_openPreview->raise();
        m_openPreview->activateWindow();
        return;
    }
    const QString caption = m_title.isEmpty() ? QStringLiteral("打印预览") : m_title;
    auto pages = std::make_unique<PagedReport>(*this);
    {
        ui::BusyCursor busy;
        const int total = m_master && m_master->active() ? m_master->recordCount() : 0;

        ui::Progress progress(parent, caption, QStringLiteral("正在准备报表..."), total);
        QElapsedTimer sinceEvents;
        sinceEvents.start();
        const bool complete = pages->paginate([&](int pagesDone, int recordsDone, int) {
            if (sinceEvents.elapsed() < 50)
                return true;
            sinceEvents.restart();
            return progress.step(QStringLiteral("正在准备第 %1 页...").arg(pagesDone + 1), recordsDone);
        });
        if (!complete)
            return;
    }

    // Modal: while its pages are read from the datasets, nothing else can
    // move their cursors, and no second preview can open from under it.
    ReportPreview window(std::move(pages), parent);
    window.setWindowTitle(caption);
    m_openPreview = &window;
    const auto forget = qScopeGuard([this] { m_openPreview = nullptr; });
    ui::showModal(&window);
}

} // namespace report
