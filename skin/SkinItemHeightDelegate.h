#pragma once
// Item delegate of the old lists and grids: every row the same fixed height,
// whatever the face asks for, and its text drawn on one line inside the row,
// with the ink of every character whole, and cut at the row's right edge.

#include <QFont>
#include <QStyledItemDelegate>

class QTableView;

// The look of the old grids on any table view: every row and the title row
// rowHeight pixels whatever the face, one line per cell cut at its edge
// with no "…", whole rows selected one at a time, nothing edited in place.
void applyGridLook(QTableView *view, int rowHeight);

class TSkinItemHeightDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit TSkinItemHeightDelegate(int height, QObject *parent = nullptr)
        : QStyledItemDelegate(parent), m_height(height) {}

    void setHeight(int h) { m_height = h; }
    int height() const { return m_height; }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // How a row's text is drawn: the font asked for, made smaller only as
    // far as the ink of any character must be to fit rows of this height
    // (the old faces fitted; the Noto faces draw taller than their size),
    // and the baseline below the row's top that centres that ink.
    struct RowText {
        QFont font;
        int baseline = 0;
    };
    static RowText rowText(const QFont &font, int rowHeight);

    // Where the text starts inside its row.
    static constexpr int Indent = 2;

private:
    int m_height;
};
