#include "data/RowWindow.h"

#include "db/Engine.h"
#include "db/StoredTable.h"

#include <algorithm>

namespace store {

using sql::quoteId;

int compareKeys(const QVariant &a, const QVariant &b, bool noCase)
{
    auto rank = [](const QVariant &v) {
        if (!v.isValid() || v.isNull())
            return 0;
        switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::Double:
            return 1;
        case QMetaType::QByteArray:
            return 3;
        default:
            return 2;
        }
    };
    const int ra = rank(a), rb = rank(b);
    if (ra != rb)
        return ra < rb ? -1 : 1;
    if (ra == 0)
        return 0;
    if (ra == 1) {
        const qlonglong x = a.toLongLong(), y = b.toLongLong();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    QByteArray x = ra == 3 ? a.toByteArray() : a.toString().toUtf8();
    QByteArray y = ra == 3 ? b.toByteArray() : b.toString().toUtf8();
    if (noCase) {
        x = x.toLower(); // ASCII only, like the engines' case-blind order
        y = y.toLower();
    }
    const int c = x.compare(y);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

namespace {

void bindAll(Statement &st, const QVariant &filterValue, const OrderEntry &anchor)
{
    st.bindIfUsed(1, filterValue);
    st.bindIfUsed(2, anchor.key);
    st.bindIfUsed(3, QVariant(anchor.rowid));
}

} // namespace

void RowWindow::bind(StoredTable *file, int orderColumn, bool noCase, const QString &filter, const QVariant &filterValue)
{
    m_file = file;
    m_order = orderColumn;
    m_noCase = noCase;
    m_filter = filter;
    m_filterValue = filterValue;
    forget();
}

void RowWindow::unbind()
{
    m_file = nullptr;
    forget();
}

void RowWindow::forget()
{
    m_count = -1;
    m_start = 0;
    m_entries.clear();
}

QString RowWindow::keyName() const
{
    return m_order >= 0 ? quoteId(m_file->columns()[size_t(m_order)].name) : QStringLiteral("rowid");
}

QString RowWindow::orderExpr() const { return m_noCase ? m_file->engine().noCase(keyName()) : keyName(); }

QString RowWindow::nullsFirst(bool descending) const
{
    // A row id is never missing: its order is its index's, as declared.
    return m_order >= 0 ? m_file->engine().nullsFirst(descending) : QString();
}

QString RowWindow::anchorKey() const
{
    return m_noCase ? m_file->engine().noCase(QStringLiteral("?2")) : QStringLiteral("?2");
}

bool RowWindow::keyNullable() const { return m_order >= 0 && !m_file->columns()[size_t(m_order)].notNull; }

int RowWindow::compare(const OrderEntry &a, const OrderEntry &b) const
{
    if (m_order >= 0) {
        const int c = compareKeys(a.key, b.key, m_noCase);
        if (c)
            return c;
    }
    return a.rowid < b.rowid ? -1 : (a.rowid > b.rowid ? 1 : 0);
}

std::vector<OrderEntry> RowWindow::read(const QString &where, const OrderEntry &anchor, Dir dir, int limit, int offset)
{
    QStringList conditions;
    if (!m_filter.isEmpty())
        conditions << m_filter;
    if (!where.isEmpty())
        conditions << where;
    const QString desc = dir == Dir::Backward ? QStringLiteral(" DESC") : QString();
    // Where a statement is a round trip, the records come along: showing
    // them then costs no statement each.
    const bool ahead = m_file->readsAhead();
    QString text = QStringLiteral("SELECT rowid, %1%2 FROM %3")
                       .arg(keyName(), ahead ? u',' + m_file->recordColumns() : QString(), m_file->qualifiedTable());
    if (!conditions.isEmpty())
        text += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    text += QStringLiteral(" ORDER BY %1%2%4, rowid%2 LIMIT %3")
                .arg(orderExpr(), desc)
                .arg(limit)
                .arg(nullsFirst(dir == Dir::Backward));
    if (offset > 0)
        text += QStringLiteral(" OFFSET %1").arg(offset);
    Statement st = m_file->prepare(text);
    bindAll(st, m_filterValue, anchor);
    std::vector<OrderEntry> out;
    while (st.step()) {
        OrderEntry e;
        e.rowid = st.columnInt64(0);
        if (m_order >= 0)
            e.key = m_file->fromStorage(m_order, st.column(1));
        if (ahead)
            m_file->keepAhead(e.rowid, st, 2);
        out.push_back(std::move(e));
    }
    return out;
}

qint64 RowWindow::countWhere(const QString &where, const OrderEntry &anchor)
{
    QStringList conditions;
    if (!m_filter.isEmpty())
        conditions << m_filter;
    if (!where.isEmpty())
        conditions << where;
    QString text = QStringLiteral("SELECT count(*) FROM %1").arg(m_file->qualifiedTable());
    if (!conditions.isEmpty())
        text += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    Statement st = m_file->prepare(text);
    bindAll(st, m_filterValue, anchor);
    return st.step() ? st.columnInt64(0) : 0;
}

// NULL keys come first. Each condition is kept to one index range: a NULL
// group is read by a separate statement rather than by an OR that would
// make the engine scan.
std::vector<OrderEntry> RowWindow::after(const OrderEntry &e, int limit)
{
    if (m_order < 0)
        return read(QStringLiteral("rowid > ?3"), e, Dir::Forward, limit);
    if (e.key.isNull()) {
        std::vector<OrderEntry> out = read(keyName() + QStringLiteral(" IS NULL AND rowid > ?3"), e, Dir::Forward, limit);
        if (int(out.size()) < limit) {
            std::vector<OrderEntry> more = read(keyName() + QStringLiteral(" IS NOT NULL"), e, Dir::Forward, limit - int(out.size()));
            out.insert(out.end(), more.begin(), more.end());
        }
        return out;
    }
    return read(QStringLiteral("(%1, rowid) > (%2, ?3)").arg(orderExpr(), anchorKey()), e, Dir::Forward, limit);
}

std::vector<OrderEntry> RowWindow::before(const OrderEntry &e, int limit)
{
    if (m_order < 0)
        return read(QStringLiteral("rowid < ?3"), e, Dir::Backward, limit);
    if (e.key.isNull())
        return read(keyName() + QStringLiteral(" IS NULL AND rowid < ?3"), e, Dir::Backward, limit);
    std::vector<OrderEntry> out = read(QStringLiteral("(%1, rowid) < (%2, ?3)").arg(orderExpr(), anchorKey()), e, Dir::Backward, limit);
    if (int(out.size()) < limit && keyNullable()) {
        std::vector<OrderEntry> more = read(keyName() + QStringLiteral(" IS NULL"), e, Dir::Backward, limit - int(out.size()));
        out.insert(out.end(), more.begin(), more.end());
    }
    return out;
}

std::vector<qint64> RowWindow::rowids()
{
    std::vector<qint64> out;
    if (!m_file)
        return out;
    out.reserve(size_t(count()));
    QString text = QStringLiteral("SELECT rowid FROM %1").arg(m_file->qualifiedTable());
    if (!m_filter.isEmpty())
        text += QStringLiteral(" WHERE ") + m_filter;
    text += QStringLiteral(" ORDER BY %1%2, rowid").arg(orderExpr(), nullsFirst(false));
    Statement st = m_file->prepare(text);
    st.bindIfUsed(1, m_filterValue);
    while (st.step())
        out.push_back(st.columnInt64(0));
    return out;
}

int RowWindow::count()
{
    if (!m_file)
        return 0;
    if (m_count < 0 && !m_filter.isEmpty()) {
        // A search usually finds a few records: reading the first chunk
        // counts them too, in the same pass over the table.
        m_entries = read(QString(), OrderEntry(), Dir::Forward, Chunk);
        m_start = 0;
        if (int(m_entries.size()) < Chunk)
            m_count = int(m_entries.size());
    }
    if (m_count < 0)
        m_count = int(m_filter.isEmpty() ? m_file->rowCount() : countWhere(QString(), OrderEntry()));
    return m_count;
}

void RowWindow::extendForward()
{
    std::vector<OrderEntry> more = after(m_entries.back(), Chunk);
    m_entries.insert(m_entries.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
    if (int(m_entries.size()) > Capacity) {
        const int drop = int(m_entries.size()) - Capacity;
        m_entries.erase(m_entries.begin(), m_entries.begin() + drop);
        m_start += drop;
    }
}

void RowWindow::extendBackward()
{
    std::vector<OrderEntry> more = before(m_entries.front(), std::min(Chunk, m_start));
    std::reverse(more.begin(), more.end());
    m_start -= int(more.size());
    m_entries.insert(m_entries.begin(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
    if (int(m_entries.size()) > Capacity)
        m_entries.resize(size_t(Capacity));
}

void RowWindow::loadAround(int pos)
{
    const int n = count();
    if (pos >= n - Chunk) {
        // The end, read backwards: Ctrl+End costs no walk over the table.
        m_entries = read(QString(), OrderEntry(), Dir::Backward, Chunk);
        std::reverse(m_entries.begin(), m_entries.end());
        m_start = n - int(m_entries.size());
        return;
    }
    m_start = std::max(0, pos - Chunk / 2);
    m_entries = read(QString(), OrderEntry(), Dir::Forward, Chunk, m_start);
}

const OrderEntry &RowWindow::at(int pos)
{
    static const OrderEntry none;
    if (!m_file || pos < 0 || pos >= count())
        return none;
    if (!inWindow(pos)) {
        const int end = m_start + int(m_entries.size());
        if (!m_entries.empty() && pos >= end && pos < end + Chunk)
            extendForward();
        else if (!m_entries.empty() && pos < m_start && pos >= m_start - Chunk)
            extendBackward();
        if (!inWindow(pos))
            loadAround(pos);
    }
    return inWindow(pos) ? m_entries[size_t(pos - m_start)] : none;
}

int RowWindow::positionOf(qint64 rowid)
{
    if (!m_file || rowid == 0)
        return -1;
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].rowid == rowid)
            return m_start + int(i);
    }
    OrderEntry e;
    e.rowid = rowid;
    if (m_order >= 0) {
        std::vector<OrderEntry> self = read(QStringLiteral("rowid = ?3"), e, Dir::Forward, 1);
        if (self.empty())
            return -1;
        e.key = self.front().key;
    } else if (countWhere(QStringLiteral("rowid = ?3"), e) == 0) {
        return -1;
    }
    // Counting the entries before it is done by the engine over the index.
    if (m_order < 0)
        return int(countWhere(QStringLiteral("rowid < ?3"), e));
    if (e.key.isNull())
        return int(countWhere(keyName() + QStringLiteral(" IS NULL AND rowid < ?3"), e));
    qint64 n = countWhere(QStringLiteral("(%1, rowid) < (%2, ?3)").arg(orderExpr(), anchorKey()), e);
    if (keyNullable())
        n += countWhere(keyName() + QStringLiteral(" IS NULL"), e);
    return int(n);
}

void RowWindow::erased(int pos)
{
    if (m_count > 0)
        --m_count;
    if (inWindow(pos))
        m_entries.erase(m_entries.begin() + (pos - m_start));
    else if (pos < m_start)
        --m_start;
}

int RowWindow::rekeyed(int pos, const OrderEntry &e)
{
    if (inWindow(pos)) {
        const OrderEntry old = m_entries[size_t(pos - m_start)];
        // The neighbours as they were ordered before the change; one outside
        // the window is the entry next to the old key in the index.
        auto neighbour = [&](int at, bool forward) -> std::vector<OrderEntry> {
            if (inWindow(at))
                return {m_entries[size_t(at - m_start)]};
            std::vector<OrderEntry> found = forward ? after(old, 2) : before(old, 2);
            std::erase_if(found, [&](const OrderEntry &x) { return x.rowid == old.rowid; });
            found.resize(std::min<size_t>(found.size(), 1));
            return found;
        };
        const std::vector<OrderEntry> prev = pos > 0 ? neighbour(pos - 1, false) : std::vector<OrderEntry>{};
        const std::vector<OrderEntry> next = neighbour(pos + 1, true);
        if ((prev.empty() || compare(prev.front(), e) < 0) && (next.empty() || compare(e, next.front()) < 0)) {
            m_entries[size_t(pos - m_start)] = e;
            return pos;
        }
    }
    m_start = 0;
    m_entries.clear();
    return positionOf(e.rowid);
}

int RowWindow::inserted(const OrderEntry &e)
{
    if (m_count >= 0)
        ++m_count;
    m_start = 0;
    m_entries.clear();
    // A new record usually goes last (the next sequence number, a new row
    // id): then no counting is needed.
    const std::vector<OrderEntry> last = read(QString(), OrderEntry(), Dir::Backward, 1);
    if (!last.empty() && last.front().rowid == e.rowid)
        return count() - 1;
    return positionOf(e.rowid);
}

} // namespace store
