#include "skin/SkinFormBorder.h"

#include "skin/SkinTheme.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

using namespace SkinTheme;

// One strip of the border. It paints itself in the border colour and, on a
// sizeable window, turns presses into a resize of the edges under them.
class TSkinBorderStrip : public QWidget
{
public:
    TSkinBorderStrip(TSkinFormBorder *owner, QWidget *window)
        : QWidget(window), m_owner(owner)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMouseTracking(true);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter(this).fillRect(rect(), BorderColor);
    }

    Qt::Edges edgesHere(const QPoint &local) const
    {
        QWidget *win = m_owner->m_window;
        if (!m_owner->m_sizeable || win->isMaximized())
            return {};
        return TSkinFormBorder::edgesAt(mapTo(win, local), win->size());
    }

    void mouseMoveEvent(QMouseEvent *e) override
    {
        if (m_resizing) {
            resizeTo(e->globalPosition().toPoint());
            return;
        }
        setCursor(cursorFor(edgesHere(e->position().toPoint())));
    }

    void mousePressEvent(QMouseEvent *e) override
    {
        if (e->button() != Qt::LeftButton)
            return;
        const Qt::Edges edges = edgesHere(e->position().toPoint());
        if (!edges)
            return;
        QWidget *win = m_owner->m_window;
        QWindow *handle = win->windowHandle();
        if (handle && handle->startSystemResize(edges))
            return;
        m_resizing = true;
        m_edges = edges;
        m_pressGlobal = e->globalPosition().toPoint();
        m_startGeometry = win->geometry();
    }

    void mouseReleaseEvent(QMouseEvent *e) override
    {
        // The last move has already sized the window.
        if (e->button() == Qt::LeftButton)
            m_resizing = false;
    }

private:
    static Qt::CursorShape cursorFor(Qt::Edges edges)
    {
        const bool l = edges & Qt::LeftEdge, r = edges & Qt::RightEdge;
        const bool t = edges & Qt::TopEdge, b = edges & Qt::BottomEdge;
        if ((l && t) || (r && b))
            return Qt::SizeFDiagCursor;
        if ((r && t) || (l && b))
            return Qt::SizeBDiagCursor;
        if (l || r)
            return Qt::SizeHorCursor;
        if (t || b)
            return Qt::SizeVerCursor;
        return Qt::ArrowCursor;
    }

    // Where the platform cannot resize the window itself.
    void resizeTo(const QPoint &global)
    {
        QWidget *win = m_owner->m_window;
        const QPoint d = global - m_pressGlobal;
        QRect g = m_startGeometry;
        const QSize minS = win->minimumSize(), maxS = win->maximumSize();
        auto clampW = [&](int w) { return qBound(minS.width(), w, maxS.width()); };
        auto clampH = [&](int h) { return qBound(minS.height(), h, maxS.height()); };
        if (m_edges & Qt::LeftEdge)
            g.setLeft(g.right() + 1 - clampW(g.width() - d.x()));
        if (m_edges & Qt::RightEdge)
            g.setWidth(clampW(g.width() + d.x()));
        if (m_edges & Qt::TopEdge)
            g.setTop(g.bottom() + 1 - clampH(g.height() - d.y()));
        if (m_edges & Qt::BottomEdge)
            g.setHeight(clampH(g.height() + d.y()));
        win->setGeometry(g);
    }

    TSkinFormBorder *m_owner;
    bool m_resizing = false;
    Qt::Edges m_edges;
    QPoint m_pressGlobal;
    QRect m_startGeometry;
};

TSkinFormBorder::TSkinFormBorder(QWidget *window, QObject *owner)
    : QObject(owner), m_window(window)
{
    for (int i = 0; i < 3; ++i)
        m_strips.append(new TSkinBorderStrip(this, window));
    layout();
}

TSkinFormBorder::~TSkinFormBorder()
{
    for (const QPointer<TSkinBorderStrip> &s : std::as_const(m_strips))
        delete s.data();
}

void TSkinFormBorder::layout()
{
    const int w = m_window->width(), h = m_window->height(), b = BorderWidth;
    if (!m_strips[0] || !m_strips[1] || !m_strips[2])
        return;
    m_strips[0]->setGeometry(0, 0, b, h);           // left
    m_strips[1]->setGeometry(0, h - b, w, b);       // bottom
    m_strips[2]->setGeometry(w - b, 0, b, h);       // right
}

void TSkinFormBorder::lower()
{
    for (const QPointer<TSkinBorderStrip> &s : std::as_const(m_strips))
        if (s)
            s->lower();
}

QList<QWidget *> TSkinFormBorder::strips() const
{
    QList<QWidget *> list;
    for (const QPointer<TSkinBorderStrip> &s : m_strips)
        if (s)
            list.append(s.data());
    return list;
}

Qt::Edges TSkinFormBorder::edgesAt(const QPoint &pos, const QSize &windowSize)
{
    // Two edges at once make a corner, which thereby wins over either edge.
    Qt::Edges edges;
    if (pos.x() < ResizeZone)
        edges |= Qt::LeftEdge;
    else if (pos.x() >= windowSize.width() - ResizeZone)
        edges |= Qt::RightEdge;
    if (pos.y() < ResizeZone)
        edges |= Qt::TopEdge;
    else if (pos.y() >= windowSize.height() - ResizeZone)
        edges |= Qt::BottomEdge;
    return edges;
}
