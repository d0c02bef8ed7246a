#pragma once
// Transparent group box: the window's face shows through, the caption sits at
// (5, 0) and the one-pixel outline's top line breaks behind it. Children go
// inside contentsRect(): 3 pixels from the left, below the caption, 2 pixels
// before the right and bottom edges.

#include "skin/SkinTheme.h"

#include <QList>
#include <QRect>
#include <QWidget>

class TSkinGroupBox : public QWidget
{
    Q_OBJECT
public:
    explicit TSkinGroupBox(QWidget *parent = nullptr);
    TSkinGroupBox(const QString &caption, QWidget *parent = nullptr);

    void setCaption(const QString &caption);
    QString caption() const { return m_caption; }
    void setBorderColor(const QColor &c) { m_borderColor = c; update(); }
    QColor borderColor() const { return m_borderColor; }

    // y of the top line: half the font's pixel height plus 1.
    int lineY() const;
    // The outline as one-pixel-thick rectangles for the current size, font
    // and caption.
    QList<QRect> outlineRects() const;
    // The same for any size, caption width and line y.
    static QList<QRect> outlineRects(const QSize &size, int captionWidth, int lineY);

protected:
    void paintEvent(QPaintEvent *) override;
    void changeEvent(QEvent *e) override;

private:
    void updateMargins();
    int fontPixelHeight() const;

    QString m_caption;
    QColor m_borderColor = SkinTheme::BorderColor;
};
