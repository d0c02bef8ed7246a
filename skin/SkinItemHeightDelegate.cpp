#include "skin/SkinItemHeightDelegate.h"

#include <QApplication>
#include <QFontInfo>
#include <QHash>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QTableView>

namespace {

// Characters whose ink reaches furthest up and down: full-height ideographs,
// the printable ASCII characters (capitals, descenders, brackets, the bar)
// and the full-width marks.
QString inkSample()
{
    QString s = QStringLiteral("国圆龍鬱靈（）【】《》「」，。：；“”");
    for (char16_t c = 0x21; c < 0x7f; ++c)
        s += QChar(c);
    return s;
}

struct InkRows {
    int top = 0;    // first row with ink, relative to the baseline row
    int bottom = 0; // last one
    int count() const { return bottom - top + 1; }
};

// The rows that the sample's ink covers, drawn as the rows draw it.
InkRows inkRows(const QFont &font)
{
    static const QString sample = inkSample();
    const QFontMetrics m(font);
    const int baseline = m.ascent() + 4;
    QImage img(m.horizontalAdvance(sample) + 8, m.height() + 8, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        p.setFont(font);
        p.setPen(Qt::black);
        p.drawText(QPoint(4, baseline), sample);
    }
    InkRows rows{0, -1};
    bool any = false;
    for (int y = 0; y < img.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            if (qAlpha(line[x]) != 0) {
                if (!any)
                    rows.top = y - baseline;
                rows.bottom = y - baseline;
                any = true;
                break;
            }
        }
    }
    return rows;
}

} // namespace

TSkinItemHeightDelegate::RowText TSkinItemHeightDelegate::rowText(const QFont &font, int rowHeight)
{
    // Measured once per font and height: drawing the sample takes longer
    // than drawing a row.
    static QHash<QString, RowText> known;
    const QString key = font.key() + QLatin1Char('/') + QString::number(rowHeight);
    if (const auto it = known.constFind(key); it != known.constEnd())
        return *it;
    RowText out{font, 0};
    for (int px = QFontInfo(font).pixelSize(); px > 0; --px) {
        // A size first as the desktop hints it, then unhinted: hinting
        // stretches outlines to whole pixels and can add a row of ink.
        for (const bool hinted : {true, false}) {
            QFont f = font;
            f.setPixelSize(px);
            if (!hinted)
                f.setHintingPreference(QFont::PreferNoHinting);
            const InkRows ink = inkRows(f);
            out = RowText{f, (rowHeight - ink.count()) / 2 - ink.top};
            if (ink.count() <= rowHeight) {
                known.insert(key, out);
                return out;
            }
        }
    }
    known.insert(key, out);
    return out;
}

QSize TSkinItemHeightDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QSize s = QStyledItemDelegate::sizeHint(option, index);
    s.setHeight(m_height);
    return s;
}

void TSkinItemHeightDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                    const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString text = opt.text;
    // The style draws the row's face (background, selection, focus), the
    // text is drawn here.
    opt.text.clear();
    const QWidget *widget = opt.widget;
    (widget ? widget->style() : QApplication::style())->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
    if (text.isEmpty())
        return;

    const QRect r = opt.rect;
    const RowText row = rowText(opt.font, r.height());
    const int width = QFontMetrics(row.font).horizontalAdvance(text);
    int x = r.left() + Indent;
    if (opt.displayAlignment & Qt::AlignRight)
        x = r.right() + 1 - Indent - width;
    else if (opt.displayAlignment & Qt::AlignHCenter)
        x = r.left() + (r.width() - width) / 2;
    const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (opt.state & QStyle::State_Active) ? QPalette::Normal
                                                                            : QPalette::Inactive;
    painter->save();
    // Cut at the right edge, character by character as it falls, without
    // "…"; the ink fits the row's height and needs no cut there.
    painter->setClipRect(QRect(r.left(), r.top() - r.height(), r.width(), 3 * r.height()), Qt::IntersectClip);
    painter->setFont(row.font);
    painter->setPen(opt.palette.color(group, opt.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                                : QPalette::Text));
    painter->drawText(QPoint(x, r.top() + row.baseline), text);
    painter->restore();
}

void applyGridLook(QTableView *view, int rowHeight)
{
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    // Rows, the title row and columns keep the sizes given, whatever the
    // face: Qt would raise them to what the font's metrics ask, and only a
    // lowered minimum lets a smaller size stand.
    view->verticalHeader()->setMinimumSectionSize(1);
    view->verticalHeader()->setDefaultSectionSize(rowHeight);
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setFixedWidth(12);
    view->horizontalHeader()->setMinimumSectionSize(1);
    view->horizontalHeader()->setFixedHeight(rowHeight);
    view->horizontalHeader()->setHighlightSections(false);
    // The old grids drew a text on one line and cut it at the column's edge,
    // with no "…".
    view->setWordWrap(false);
    view->setTextElideMode(Qt::ElideNone);
    view->setItemDelegate(new TSkinItemHeightDelegate(rowHeight, view));
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
}
