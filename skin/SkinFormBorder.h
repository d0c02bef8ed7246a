#pragma once
// The one-pixel border of a themed window: three strips (left, bottom, right)
// in the border colour on the window's own surface, behind its controls. On a
// sizeable window they are the grab zones for resizing: within 5 pixels of an
// edge the press resizes that edge, near two edges the corner.

#include <QList>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QWidget>

class TSkinBorderStrip;

class TSkinFormBorder : public QObject
{
    Q_OBJECT
public:
    // The strips are the window's children; the border object itself belongs
    // to `owner` (the frame) and takes the strips with it when it goes.
    TSkinFormBorder(QWidget *window, QObject *owner);
    ~TSkinFormBorder() override;

    void layout();           // after a size change of the window
    void lower();            // keep the strips behind every control
    void setSizeable(bool sizeable) { m_sizeable = sizeable; }
    bool isSizeable() const { return m_sizeable; }

    // The edges a press at `pos` (window coordinates) would resize, or none.
    static Qt::Edges edgesAt(const QPoint &pos, const QSize &windowSize);

    QList<QWidget *> strips() const;

private:
    friend class TSkinBorderStrip;
    QWidget *m_window;
    QList<QPointer<TSkinBorderStrip>> m_strips;
    bool m_sizeable = false;
};
