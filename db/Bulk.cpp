// Set-based statements that leave a table file exactly as a record-by-record
// walk would: deleting the records of one number and renumbering 1 ... n;
// and appending many records at once.
#include "db/Engine.h"
#include "db/StoredTable.h"

namespace store {

using sql::quoteId;

namespace {

// The walk compares the field's text: a record without a value reads as an
// empty text. Otherwise an exact (binary) match, narrowed first through a
// case-folding index on the column when there is one.
QString exactMatch(const Engine &engine, const QString &column, const QString &text)
{
    if (text.isEmpty())
        return QStringLiteral("(%1 IS NULL OR %1 = '')").arg(column);
    return QStringLiteral("%1 = %2 AND %3 = ?1").arg(engine.noCase(column), engine.noCase(QStringLiteral("?1")), column);
}

} // namespace

qint64 StoredTable::deleteExactly(int column, const QString &text, int keyColumn, qint64 *firstKey)
{
    m_engine->lockTable(*this, false);
    beforeWrite(-1);
    const QString where = exactMatch(*m_engine, quoteId(m_columns[size_t(column)].name), text);
    Statement probe = prepare(QStringLiteral("SELECT min(%1), max(rowid) FROM %2 WHERE %3")
                                  .arg(quoteId(m_columns[size_t(keyColumn)].name), qualifiedTable(), where));
    if (!text.isEmpty())
        probe.bind(1, text);
    probe.step();
    const bool any = !probe.column(1).isNull();
    *firstKey = any ? probe.columnInt64(0) : 0;
    const qint64 lastRowid = any ? probe.columnInt64(1) : 0;
    probe.reset();
    if (!any)
        return 0;
    Statement del = prepare(QStringLiteral("DELETE FROM %1 WHERE %2").arg(qualifiedTable(), where));
    if (!text.isEmpty())
        del.bind(1, text);
    del.step();
    const qint64 removed = del.changes();
    // As with single deletions, the ids of the records gone are not given
    // out again.
    m_engine->raiseHighWater(*this, lastRowid);
    changedInBulk(removed);
    ++m_generation;
    return removed;
}

bool StoredTable::numberedOneToN(int column)
{
    // Where a column may hold values of other types, they must be integers too.
    // Read under the lock that keeps new numbers from being handed out.
    m_engine->lockTable(*this, false);
    const QString name = quoteId(m_columns[size_t(column)].name);
    const QString kinds = m_engine->typedColumns() ? QStringLiteral("'integer', 'integer'")
                                                   : QStringLiteral("typeof(min(%1)), typeof(max(%1))").arg(name);
    Statement st = prepare(QStringLiteral("SELECT min(%1), max(%1), %3 FROM %2").arg(name, qualifiedTable(), kinds));
    if (!st.step())
        return false;
    const qint64 n = rowCount();
    if (n == 0)
        return true;
    // Distinct (the column is the primary key) integers from 1 to n, n of
    // them: exactly 1 ... n.
    return st.column(2).toString() == QLatin1String("integer") && st.column(3).toString() == QLatin1String("integer")
        && st.columnInt64(0) == 1 && st.columnInt64(1) == n;
}

void StoredTable::renumberFrom(int column, qint64 from)
{
    m_engine->lockTable(*this, false);
    beforeWrite(-1);
    const QString key = quoteId(m_columns[size_t(column)].name);
    const QString range = from > 1 ? QStringLiteral(" WHERE %1 >= ?1").arg(key) : QString();
    // One statement; the numbers are handed out in key order, each one at
    // most the number it replaces, so no step meets a number still in use.
    Statement st = prepare(QStringLiteral("UPDATE %1 SET %2 = r.n FROM (SELECT rowid AS id, ?2 + row_number() OVER "
                                          "(ORDER BY %2, rowid) AS n FROM %1%3) AS r "
                                          "WHERE %1.rowid = r.id AND %4")
                               .arg(qualifiedTable(), key, range, m_engine->differ(qualifiedTable() + u'.' + key, QStringLiteral("r.n"))));
    if (from > 1)
        st.bindInt64(1, from);
    st.bindInt64(2, std::max<qint64>(from, 1) - 1);
    st.step();
    ++m_generation;
}

qint64 StoredTable::beginAppend()
{
    m_engine->lockTable(*this, false);
    beforeWrite(-1);
    m_appending.clear();
    m_maxRowid.reset();
    m_maxRowid.step();
    const qint64 first = std::max(m_maxRowid.columnInt64(0), m_engine->highWater(*this)) + 1;
    m_maxRowid.reset();
    return first;
}

Statement StoredTable::appendStatement(size_t rows)
{
    QStringList cols, tuples;
    for (const ColumnInfo &c : m_columns)
        cols << quoteId(c.name);
    const size_t width = m_columns.size() + 1;
    for (size_t r = 0; r < rows; ++r) {
        QStringList params;
        for (size_t i = 0; i < width; ++i)
            params << QStringLiteral("?%1").arg(r * width + i + 1);
        tuples << u'(' + params.join(u',') + u')';
    }
    return prepare(QStringLiteral("INSERT INTO %1(%2,rowid) VALUES %3")
                       .arg(qualifiedTable(), cols.join(u','), tuples.join(u',')));
}

void StoredTable::append(qint64 rowid, const std::vector<QVariant> &values)
{
    m_appending.emplace_back(rowid, values);
    if (m_appending.size() >= AppendBatch)
        flushAppend();
}

void StoredTable::flushAppend()
{
    if (m_appending.empty())
        return;
    m_engine->lockTable(*this, false);
    Statement once;
    if (m_appending.size() == AppendBatch && !m_appendBatch.valid())
        m_appendBatch = appendStatement(AppendBatch);
    if (m_appending.size() != AppendBatch)
        once = appendStatement(m_appending.size());
    Statement &st = m_appending.size() == AppendBatch ? m_appendBatch : once;
    st.reset();
    const size_t width = m_columns.size() + 1;
    for (size_t r = 0; r < m_appending.size(); ++r) {
        const auto &[rowid, values] = m_appending[r];
        for (size_t i = 0; i < values.size(); ++i)
            st.bind(int(r * width + i + 1), values[i]);
        st.bindInt64(int(r * width + width), rowid);
    }
    st.step();
    st.reset();
    if (m_rowCount >= 0)
        m_rowCount += qint64(m_appending.size());
    m_appending.clear();
}

void StoredTable::endAppend(qint64 lastRowid)
{
    flushAppend();
    m_engine->raiseHighWater(*this, lastRowid);
    ++m_generation;
}

} // namespace store
