#include "db/server/BatchInsert.h"

namespace store::pg {

BatchInsert::BatchInsert(Connection &c, const QString &table, const QString &columns, int width,
                         std::function<void(qint64)> stored)
    : m_c(c), m_table(table), m_columns(columns), m_width(std::max(width, 1)), m_batch(std::max(30000 / m_width, 1)),
      m_stored(std::move(stored))
{
}

void BatchInsert::add(const std::function<QVariant(int)> &value)
{
    QStringList marks;
    for (int col = 0; col < m_width; ++col) {
        m_params.push_back(value(col));
        marks << QStringLiteral("?%1").arg(m_params.size());
    }
    m_groups << u'(' + marks.join(u',') + u')';
    if (m_groups.size() >= m_batch)
        finish();
}

void BatchInsert::finish()
{
    if (m_groups.isEmpty())
        return;
    std::vector<int> map;
    m_c.exec(translate(QStringLiteral("INSERT INTO %1(%2) VALUES %3").arg(m_table, m_columns, m_groups.join(u',')), &map),
             m_params);
    m_done += m_groups.size();
    m_groups.clear();
    m_params.clear();
    if (m_stored)
        m_stored(m_done);
}

} // namespace store::pg
