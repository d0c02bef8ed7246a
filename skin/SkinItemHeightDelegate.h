#pragma once
// Item delegate giving every row of a list the same fixed height.

#include <QStyledItemDelegate>

class TSkinItemHeightDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit TSkinItemHeightDelegate(int height, QObject *parent = nullptr)
        : QStyledItemDelegate(parent), m_height(height) {}

    void setHeight(int h) { m_height = h; }
    int height() const { return m_height; }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        s.setHeight(m_height);
        return s;
    }

private:
    int m_height;
};
