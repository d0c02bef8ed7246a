// Navigator bar: buttons that move the cursor of a data source (and, with all
// ten buttons, insert, delete, edit, post, cancel and refresh).
#pragma once

#include "data/DataSet.h"
#include "data/DataSource.h"

#include <QPointer>
#include <QToolButton>
#include <QWidget>

namespace store {

enum class NavButton { First, Prior, Next, Last, Insert, Delete, Edit, Post, Cancel, Refresh };

class TDBNavigator : public QWidget {
    Q_OBJECT
public:
    // Default: first, prior, next, last.
    explicit TDBNavigator(QWidget *parent = nullptr);
    void setDataSource(TDataSource *src);
    void setVisibleButtons(const QList<NavButton> &buttons);
    void setHints(const QStringList &hints); // tooltips, in button order
    QToolButton *button(NavButton b) const;
    void click(NavButton b);

protected:
    void resizeEvent(QResizeEvent *e) override;

private:
    void updateButtons();
    void layoutButtons();
    QPointer<TDataSource> m_src;
    QList<NavButton> m_visible;
    QToolButton *m_buttons[10] = {};
};

} // namespace store
