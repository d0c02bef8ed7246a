#include "records/stat/BandChart.h"

#include "skin/SkinTheme.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>

BandChart::BandChart(QWidget *parent) : QWidget(parent) {}

void BandChart::setCourse(const QString &course, const std::array<int, stats::BandCount> &bands)
{
    m_course = course;
    m_bands = bands;
    update();
}

void BandChart::clear() { setCourse(QString(), {}); }

void BandChart::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QRect all = rect();
    // The face of the themed frame: fine horizontal stripes.
    for (int y = 0; y < all.height(); ++y)
        p.fillRect(0, y, all.width(), 1, (y % 2) ? SkinTheme::FrameColor : QColor(252, 252, 252));
    p.setPen(SkinTheme::BorderColor);
    p.drawRect(all.adjusted(0, 0, -1, -1));

    const QFontMetrics fm(font());
    p.setPen(Qt::black);
    const QString caption = m_course.isEmpty() ? QStringLiteral("分数段分布") : QStringLiteral("%1 分数段分布").arg(m_course);
    p.drawText(QRect(0, 4, all.width(), fm.height()), Qt::AlignHCenter, caption);

    const int left = 8, right = all.width() - 8;
    const int top = 8 + 2 * fm.height(), base = all.height() - 8 - fm.height();
    p.setPen(SkinTheme::BorderColor);
    p.drawLine(left, base, right, base);
    if (m_course.isEmpty() || base <= top)
        return;

    const int most = std::max(1, *std::max_element(m_bands.begin(), m_bands.end()));
    const double slot = double(right - left) / stats::BandCount;
    for (int b = 0; b < stats::BandCount; ++b) {
        const int x0 = left + int(slot * b + slot * 0.2);
        const int w = std::max(2, int(slot * 0.6));
        const int h = int(double(base - top) * m_bands[size_t(b)] / most);
        const QRect bar(x0, base - h, w, h);
        if (h > 0) {
            QLinearGradient g(bar.topLeft(), bar.topRight());
            g.setColorAt(0.0, QColor(252, 252, 252));
            g.setColorAt(0.5, SkinTheme::MainFrameColor);
            g.setColorAt(1.0, SkinTheme::BorderColor);
            p.fillRect(bar, g);
            p.setPen(SkinTheme::BorderColor);
            p.drawRect(bar.adjusted(0, 0, -1, 0));
        }
        p.setPen(Qt::black);
        const QRect slotRect(left + int(slot * b), 0, int(slot), 0);
        p.drawText(QRect(slotRect.x(), base - h - fm.height() - 1, slotRect.width(), fm.height()), Qt::AlignHCenter,
                   QString::number(m_bands[size_t(b)]));
        p.drawText(QRect(slotRect.x(), base + 2, slotRect.width(), fm.height()), Qt::AlignHCenter,
                   stats::bandName(b));
    }
}
