#include "data/Recheck.h"

#include "db/Engine.h"
#include "data/Table.h"
#include "db/StoredTable.h"

namespace store {

QString changedMeanwhileText() { return QStringLiteral("该记录已被其他用户修改或删除,修改没有保存!"); }

ShownRecord::ShownRecord(TTable &table, const QStringList &fields) : m_table(&table), m_fields(fields)
{
    if (!table.active() || table.isEmpty())
        return;
    m_rowid = table.currentRecordId();
    if (m_rowid == 0)
        return;
    // As stored, not as typed into a record being edited.
    StoredTable &file = *table.file();
    const std::vector<QVariant> stored = file.fetch(m_rowid);
    for (const QString &f : fields) {
        const int column = file.columnIndex(f);
        m_values << (column >= 0 && size_t(column) < stored.size() ? DataSet::displayText(stored[size_t(column)]) : QString());
    }
}

QString ShownRecord::value(const QString &field) const
{
    const int i = int(m_fields.indexOf(field));
    return i >= 0 && i < m_values.size() ? m_values[i] : QString();
}

void ShownRecord::requireStill() const
{
    if (!m_table || !m_table->active())
        throw Conflict(changedMeanwhileText());
    if (m_rowid == 0) {
        // Nothing was shown: what acts on "no record" (an empty table's
        // refusal) goes on only while there still is none.
        if (m_table->currentRecordId() != 0)
            throw Conflict(changedMeanwhileText());
        return;
    }
    StoredTable &file = *m_table->file();
    file.engine().beginWrite();
    // Read afresh under the lock, not from what the views keep.
    const std::vector<QVariant> stored = file.fetch(m_rowid);
    bool same = !stored.empty() && m_table->currentRecordId() == m_rowid && m_values.size() == m_fields.size();
    for (int i = 0; same && i < m_fields.size(); ++i) {
        const int column = file.columnIndex(m_fields[i]);
        same = column >= 0 && DataSet::displayText(stored[size_t(column)]) == m_values[i];
    }
    if (!same) {
        file.invalidateAll();
        throw Conflict(changedMeanwhileText());
    }
}

void requireStored(TTable &table, const QString &field, const QString &value)
{
    if (!table.active())
        throw Error(table.name() + QStringLiteral(": 无法在关闭的数据集上执行该操作"));
    StoredTable &file = *table.file();
    const int column = file.columnIndex(field);
    if (column < 0)
        throw Error(table.name() + QStringLiteral(": 找不到字段 '%1'").arg(field));
    file.engine().beginWrite();
    Statement st = file.prepare(QStringLiteral("SELECT 1 FROM %1 WHERE %2 = ?1 LIMIT 1")
                                    .arg(file.qualifiedTable(), sql::quoteId(file.columns()[size_t(column)].name)));
    st.bind(1, value);
    const bool found = st.step();
    st.reset();
    if (!found) {
        file.invalidateAll();
        throw Conflict(changedMeanwhileText());
    }
}

} // namespace store
