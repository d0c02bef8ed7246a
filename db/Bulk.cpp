// Set-based statements that leave a table file exactly as a record-by-record
// walk would: deleting the records of one number and renumbering 1 ... n.
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
    m_engine->beginWrite();
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
    m_engine->beginWrite();
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

} // namespace store
