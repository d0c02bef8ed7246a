#include "data/Table.h"
#include "data/DataSet.h"

#include "db/Engine.h"
#include "db/open/OpenEngine.h"
#include "data/DataSource.h"
#include "db/StoredTable.h"

#include <QFileInfo>

#include <algorithm>

namespace store {

using sql::quoteId;

TTable::TTable(const QString &name, QObject *parent) : DataSet(name, parent) {}

TTable::~TTable()
{
    if (m_master)
        m_master->removeDetail(this);
    if (m_file)
        m_file->detach(this);
}

void TTable::setTableName(const QString &path) { m_tableName = path; }

void TTable::setMasterSource(TDataSource *src, const QString &masterField)
{
    if (m_master)
        m_master->removeDetail(this);
    m_master = src;
    m_masterField = masterField;
    if (src)
        src->addDetail(this);
}

QVariant TTable::masterValue() const
{
    DataSet *m = m_master ? m_master->dataSet() : nullptr;
    if (!m || !m->active() || m->currentRow() < 0)
        return QVariant();
    TField *f = m->findField(m_masterField);
    if (!f)
        return QVariant();
    const QString v = f->asString();
    return v.isEmpty() ? QVariant() : QVariant(v);
}

void TTable::doOpen()
{
    if (m_tableName.isEmpty())
        throw Error(qualified(QStringLiteral("没有指定表名")));
    QFileInfo fi(m_tableName);
    QString dir = m_databaseName;
    if (fi.isAbsolute())
        dir = fi.absolutePath();
    if (dir.isEmpty())
        throw Error(qualified(QStringLiteral("没有指定数据库位置")));
    auto engine = openEngine(dir);
    auto file = engine->openTable(fi.isAbsolute() ? m_tableName : dir + u'/' + m_tableName);

    std::vector<FieldDef> defs;
    const auto &cols = file->columns();
    if (m_fixedFields.isEmpty()) {
        for (size_t i = 0; i < cols.size(); ++i)
            defs.push_back({cols[i].name, cols[i].type, cols[i].size, int(i)});
    } else {
        for (const QString &name : m_fixedFields) {
            const int c = file->columnIndex(name);
            if (c < 0)
                throw Error(qualified(QStringLiteral("找不到字段 '%1'").arg(name)));
            defs.push_back({cols[size_t(c)].name, cols[size_t(c)].type, cols[size_t(c)].size, c});
        }
    }

    m_orderField = -1;
    m_orderNoCase = false;
    if (!m_indexName.isEmpty() && m_indexName.compare(QLatin1String("primary"), Qt::CaseInsensitive) != 0) {
        const IndexInfo *ii = file->findIndex(m_indexName);
        if (!ii)
            throw Error(qualified(QStringLiteral("找不到索引 '%1'").arg(m_indexName)));
        m_orderField = ii->column;
        m_orderNoCase = ii->noCase;
    } else {
        m_orderField = file->primaryColumn();
    }
    m_linkColumn = -1;
    if (m_master) {
        m_linkColumn = m_orderField >= 0 && m_indexName.size() ? m_orderField : file->columnIndex(m_masterField);
        if (m_linkColumn < 0)
            throw Error(qualified(QStringLiteral("找不到字段 '%1'").arg(m_masterField)));
    }
    m_file = file;
    m_file->attach(this);
    buildFields(defs);
    reloadList();
}

void TTable::doClose()
{
    if (m_file)
        m_file->detach(this);
    m_file.reset();
    m_rows.unbind();
    m_cache.rows.clear();
    m_stale = false;
    m_linkLoaded = false;
}

int TTable::columnCount() const { return m_file ? int(m_file->columns().size()) : 0; }

void TTable::reloadList()
{
    m_cache.rows.clear();
    m_stale = false;
    if (!m_master) {
        m_rows.bind(m_file.get(), m_orderField, m_orderNoCase);
        return;
    }
    const QVariant link = masterValue();
    m_linkValue = link;
    m_linkLoaded = true;
    if (link.isNull()) {
        m_rows.unbind(); // no master record: nothing belongs to it
        return;
    }
    m_rows.bind(m_file.get(), m_orderField, m_orderNoCase,
                QStringLiteral("%1 = %2").arg(m_file->engine().noCase(quoteId(m_file->columns()[size_t(m_linkColumn)].name)),
                                              m_file->engine().noCase(QStringLiteral("?1"))),
                link);
}

void TTable::doReload() { reloadList(); }

bool TTable::reread() const
{
    if (m_state == DataSetState::Inactive || !m_file || !m_stale)
        return false;
    auto *self = const_cast<TTable *>(this);
    const qint64 current = m_bufferValid && m_state == DataSetState::Browse ? m_buffer.rowid : 0;
    self->reloadList();
    if (m_state == DataSetState::Browse)
        self->relocate(current);
    else if (m_state == DataSetState::Edit)
        self->m_row = m_rows.positionOf(m_buffer.rowid);
    return true;
}

void TTable::masterMoved()
{
    if (!active())
        return;
    const QVariant link = masterValue();
    if (m_linkLoaded && link == m_linkValue && !m_stale)
        return;
    checkBrowse();
    reloadList();
    const int n = doCount();
    setCurrentRow(n > 0 ? 0 : -1, n == 0, true);
    announceSet();
}

int TTable::doCount() const { return m_rows.count(); }

DataSet::Row DataSet::readThrough(StoredTable &file, RowCache &cache, qint64 rowid)
{
    if (cache.generation != file.generation()) {
        cache.rows.clear();
        cache.generation = file.generation();
    }
    auto it = cache.rows.find(rowid);
    if (it != cache.rows.end())
        return it->second;
    Row r;
    r.rowid = rowid;
    r.readIn = file.engine().transaction();
    r.readAt = file.generation();
    r.values = file.fetch(rowid, &r.stamp);
    if (r.values.empty())
        r.values.assign(file.columns().size(), QVariant());
    if (cache.rows.size() > 1024)
        cache.rows.clear();
    cache.rows.emplace(rowid, r);
    return r;
}

DataSet::Row TTable::doFetch(int row) const { return readThrough(*m_file, m_cache, m_rows.at(row).rowid); }

OrderEntry TTable::entryOf(const Row &row) const
{
    OrderEntry e;
    e.rowid = row.rowid;
    if (m_orderField >= 0)
        e.key = row.values[size_t(m_orderField)];
    return e;
}

bool TTable::belongsHere(const Row &row) const
{
    if (!m_master)
        return true;
    const QVariant v = row.values[size_t(m_linkColumn)];
    if (v.isNull() || m_linkValue.isNull())
        return false;
    return compareKeys(QVariant(DataSet::displayText(v)), m_linkValue, true) == 0;
}

void TTable::prepareNewRecord()
{
    // Inside an action that already writes, the new record's number (count
    // + 1) is read under the table's lock: another program's new record,
    // stored while this one waited for it, is counted.
    if (m_file && m_file->engine().inTransaction())
        m_file->engine().lockTable(*m_file, false);
    // A new record of a detail belongs to the master's current record.
    if (m_master && m_linkColumn >= 0) {
        const QVariant link = masterValue();
        if (!link.isNull())
            m_buffer.values[size_t(m_linkColumn)] = link;
    }
}

void TTable::doPost(Row &row, bool inserting)
{
    freshen();
    if (inserting) {
        const qint64 rowid = m_file->insert(row.values);
        Row stored;
        stored.rowid = rowid;
        stored.values = m_file->fetch(rowid);
        m_file->changedBy(this);
        if (belongsHere(stored))
            m_row = m_rows.inserted(entryOf(stored));
        else
            m_row = std::min(m_row, doCount() - 1);
        return;
    }
    if (row.dirty.size() == row.values.size() && std::find(row.dirty.begin(), row.dirty.end(), true) != row.dirty.end())
        m_file->update(row.rowid, row.values, row.dirty, row.stamp, m_file->unchangedSince(row.readIn, row.readAt));
    m_file->changedBy(this);
    const int pos = m_row;
    if (!belongsHere(row)) {
        if (pos >= 0 && pos < doCount())
            m_rows.erased(pos);
        m_row = std::min(pos, doCount() - 1);
        return;
    }
    // Renumbering changes the key of every record but keeps the order: the
    // window keeps its place then.
    const bool keyWritten = m_orderField >= 0 && size_t(m_orderField) < row.dirty.size() && row.dirty[size_t(m_orderField)];
    if (keyWritten && pos >= 0)
        m_row = m_rows.rekeyed(pos, entryOf(row));
}

void TTable::doDelete(int row)
{
    const qint64 rowid = m_rows.at(row).rowid;
    // The record is deleted as it was shown; one that changed meanwhile is not.
    quint64 stamp = 0;
    bool unchanged = false;
    if (m_bufferValid && m_buffer.rowid == rowid) {
        stamp = m_buffer.stamp;
        unchanged = m_file->unchangedSince(m_buffer.readIn, m_buffer.readAt);
    } else {
        m_file->fetch(rowid, &stamp);
    }
    m_file->remove(rowid, stamp, unchanged);
    m_rows.erased(row);
    m_file->changedBy(this);
}

QVariant TTable::storedValue(const QString &column) const
{
    requireActive();
    const int c = m_file->columnIndex(column);
    if (c < 0)
        throw Error(qualified(QStringLiteral("找不到字段 '%1'").arg(column)));
    return m_bufferValid && c < int(m_buffer.values.size()) ? m_buffer.values[size_t(c)] : QVariant();
}

void TTable::setStoredValue(const QString &column, const QVariant &value)
{
    requireActive();
    if (m_state != DataSetState::Edit && m_state != DataSetState::Insert)
        throw Error(qualified(QStringLiteral("数据集不在修改或插入模式")));
    const int c = m_file->columnIndex(column);
    if (c < 0)
        throw Error(qualified(QStringLiteral("找不到字段 '%1'").arg(column)));
    m_buffer.values[size_t(c)] = value;
    if (m_buffer.dirty.size() < m_buffer.values.size())
        m_buffer.dirty.resize(m_buffer.values.size(), false);
    m_buffer.dirty[size_t(c)] = true;
    m_modified = true;
}

bool TTable::findKey(const QVariant &v)
{
    requireActive();
    checkBrowse();
    freshen();
    const int pk = m_file->primaryColumn();
    if (pk < 0)
        throw Error(qualified(QStringLiteral("表没有主索引")));
    Statement st = m_file->prepare(QStringLiteral("SELECT rowid FROM %1 WHERE %2 = ?1")
                                       .arg(m_file->qualifiedTable(), quoteId(m_file->columns()[size_t(pk)].name)));
    st.bind(1, v);
    if (!st.step())
        return false;
    const int row = m_rows.positionOf(st.columnInt64(0));
    if (row < 0)
        return false;
    setCurrentRow(row, false, false);
    return true;
}

} // namespace store
