#pragma once
// List box without a frame of its own: a 2-pixel margin around the list
// holding the same two rings as TSkinEdit; rows 13 pixels high.

#include "skin/SkinTheme.h"

#include <QListWidget>

class TSkinItemHeightDelegate;

class TSkinListBox : public QListWidget
{
    Q_OBJECT
public:
    explicit TSkinListBox(QWidget *parent = nullptr);

    void setBorderColor(const QColor &c) { m_borderColor = c; update(); }
    QColor borderColor() const { return m_borderColor; }
    void setItemHeight(int h);
    int itemHeight() const;

protected:
    bool event(QEvent *e) override;

private:
    QColor m_borderColor = SkinTheme::BorderColor;
    TSkinItemHeightDelegate *m_delegate;
};
