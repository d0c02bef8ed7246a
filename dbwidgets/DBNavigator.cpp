#include "dbwidgets/DBNavigator.h"

#include "dbwidgets/DeleteRecord.h"
#include "ui/Guard.h"
#include "ui/Ui.h"
#include "dbwidgets/DBControls.h"
#include "data/DataSource.h"

#include <QGuiApplication>

namespace store {

namespace {

const char *const glyphs[10] = {"|◀", "◀", "▶", "▶|", "+", "−", "▲", "✓", "✕", "↻"};
const char *const defaultHints[10] = {"第一条记录", "上一条记录", "下一条记录", "最后一条记录", "插入记录",
                                      "删除记录", "编辑记录", "提交修改", "取消修改", "刷新数据"};

} // namespace

TDBNavigator::TDBNavigator(QWidget *parent) : QWidget(parent)
{
    for (int i = 0; i < 10; ++i) {
        auto *b = new QToolButton(this);
        b->setText(QString::fromUtf8(glyphs[i]));
        b->setToolTip(QString::fromUtf8(defaultHints[i]));
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRaise(false);
        const auto which = NavButton(i);
        ui::connectGuarded(b, &QToolButton::clicked, this, [this, which] { click(which); });
        m_buttons[i] = b;
    }
    setVisibleButtons({NavButton::First, NavButton::Prior, NavButton::Next, NavButton::Last});
}

void TDBNavigator::setDataSource(TDataSource *src)
{
    if (m_src)
        disconnect(m_src, nullptr, this, nullptr);
    m_src = src;
    if (src) {
        connect(src, &TDataSource::recordChanged, this, &TDBNavigator::updateButtons);
        connect(src, &TDataSource::dataSetChanged, this, &TDBNavigator::updateButtons);
        connect(src, &TDataSource::stateChanged, this, &TDBNavigator::updateButtons);
    }
    updateButtons();
}

void TDBNavigator::setVisibleButtons(const QList<NavButton> &buttons)
{
    m_visible = buttons;
    for (int i = 0; i < 10; ++i)
        m_buttons[i]->setVisible(buttons.contains(NavButton(i)));
    layoutButtons();
    updateButtons();
}

void TDBNavigator::setHints(const QStringList &hints)
{
    for (int i = 0; i < hints.size() && i < m_visible.size(); ++i)
        m_buttons[int(m_visible[i])]->setToolTip(hints[i]);
}

QToolButton *TDBNavigator::button(NavButton b) const { return m_buttons[int(b)]; }

void TDBNavigator::resizeEvent(QResizeEvent *) { layoutButtons(); }

void TDBNavigator::layoutButtons()
{
    if (m_visible.isEmpty())
        return;
    const int n = int(m_visible.size());
    const int w = width() / n;
    for (int i = 0; i < n; ++i) {
        const int x = i * w;
        const int bw = i == n - 1 ? width() - x : w;
        m_buttons[int(m_visible[i])]->setGeometry(x, 0, bw, height());
    }
}

void TDBNavigator::updateButtons()
{
    DataSet *ds = m_src ? m_src->dataSet() : nullptr;
    const bool active = ds && ds->active();
    bool atFirst = true, atLast = true, editing = false, canModify = false;
    int n = 0;
    // Called when the dataset announces a change: a count that cannot be
    // read now is reported later, and the buttons show what is known.
    if (active && ui::quietly([&] { n = ds->recordCount(); })) {
        const int row = ds->currentRow();
        atFirst = n == 0 || row <= 0;
        atLast = n == 0 || row >= n - 1;
        editing = ds->state() == DataSetState::Edit || ds->state() == DataSetState::Insert;
        canModify = acceptsChanges(ds);
    }
    m_buttons[int(NavButton::First)]->setEnabled(active && !atFirst);
    m_buttons[int(NavButton::Prior)]->setEnabled(active && !atFirst);
    m_buttons[int(NavButton::Next)]->setEnabled(active && !atLast);
    m_buttons[int(NavButton::Last)]->setEnabled(active && !atLast);
    m_buttons[int(NavButton::Insert)]->setEnabled(active && canModify);
    m_buttons[int(NavButton::Delete)]->setEnabled(active && canModify && n > 0);
    m_buttons[int(NavButton::Edit)]->setEnabled(active && canModify && !editing);
    m_buttons[int(NavButton::Post)]->setEnabled(active && editing);
    m_buttons[int(NavButton::Cancel)]->setEnabled(active && editing);
    m_buttons[int(NavButton::Refresh)]->setEnabled(active && canModify); // a query result is read-only
}

void TDBNavigator::click(NavButton b)
{
    DataSet *ds = m_src ? m_src->dataSet() : nullptr;
    if (!ds)
        return;
    switch (b) {
    case NavButton::First: ds->first(); break;
    case NavButton::Prior: ds->prior(); break;
    case NavButton::Next: ds->next(); break;
    case NavButton::Last: ds->last(); break;
    case NavButton::Insert: ds->append(); break;
    case NavButton::Delete:
        deleteRecordIfConfirmed(ds, this);
        break;
    case NavButton::Edit: ds->edit(); break;
    case NavButton::Post: ds->post(); break;
    case NavButton::Cancel: ds->cancel(); break;
    case NavButton::Refresh: ds->refresh(); break;
    }
    updateButtons();
}

} // namespace store
