#pragma once
// Drop-down list (not editable). The system's combo box, then the rightmost
// 18 pixels covered by the theme's glossy button picture with a grey arrow,
// then the same two rings as TSkinEdit. Popup rows are 13 pixels high.

#include "skin/SkinTheme.h"

#include <QComboBox>
#include <QPolygon>

class TSkinItemHeightDelegate;

class TSkinComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit TSkinComboBox(QWidget *parent = nullptr);

    void setBorderColor(const QColor &c) { m_borderColor = c; update(); }
    QColor borderColor() const { return m_borderColor; }
    void setArrowColor(const QColor &c) { m_arrowColor = c; update(); }
    QColor arrowColor() const { return m_arrowColor; }
    void setItemHeight(int h);
    int itemHeight() const;

    // The arrow's top-left corner for a box of `size`: (w - 14, h / 2 - 1).
    static QPoint arrowOrigin(const QSize &size);

protected:
    void paintEvent(QPaintEvent *e) override;

private:
    QColor m_borderColor = SkinTheme::BorderColor;
    QColor m_arrowColor = SkinTheme::BorderColor;
    TSkinItemHeightDelegate *m_delegate;
};
