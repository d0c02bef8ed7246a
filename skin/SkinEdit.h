#pragma once
// Single-line edit box without a frame of its own: a 2-pixel inner margin and
// two one-pixel rings on its outer edge (grey outline, then a ring in the
// box's own colour).

#include "skin/SkinTheme.h"

#include <QLineEdit>

class TSkinEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TSkinEdit(QWidget *parent = nullptr);

    void setBorderColor(const QColor &c) { m_borderColor = c; update(); }
    QColor borderColor() const { return m_borderColor; }

protected:
    void paintEvent(QPaintEvent *e) override;

private:
    QColor m_borderColor = SkinTheme::BorderColor;
};
