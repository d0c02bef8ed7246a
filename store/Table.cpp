#include "store/DataSet.h"

#include "store/Engine.h"

#include <QFileInfo>

#include <algorithm>

namespace store {

namespace {

// Orders keys the way SQLite orders them: NULL, numbers, text, blobs; text
// binary or with ASCII letters folded (NOCASE).
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
        x = x.toLower(); // ASCII only, like SQLite's NOCASE
        y = y.toLower();
    }
    const int c = x.compare(y);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

QString quoteId(const QString &name)
{
    QString q = name;
    q.replace(u'"', QLatin1String("\"\""));
    return u'"' + q + u'"';
}

} // namespace

TTable::TTable(const QString &name, QObject *parent) : DataSet(name, parent) {}

TTable::~TTable()
{
    if (m_file)
        m_file->detach(this);
}

void TTable::setTableName(const QString &path) { m_tableName = path; }

void TTable::setMasterSource(TDataSource *src, const QString &masterField)
{
    QObject::disconnect(m_masterConn1);
    QObject::disconnect(m_masterConn2);
    m_master = src;
    m_masterField = masterField;
    if (src) {
        m_masterConn1 = connect(src, &TDataSource::recordChanged, this, &TTable::masterMoved);
        m_masterConn2 = connect(src, &TDataSource::dataSetChanged, this, &TTable::masterMoved);
    }
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
    auto engine = Engine::forDirectory(dir);
    auto file = engine->openFile(fi.isAbsolute() ? m_tableName : dir + u'/' + m_tableName);

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
    m_list.clear();
    m_cache.clear();
    m_stale = false;
    m_linkLoaded = false;
}

int TTable::columnCount() const { return m_file ? int(m_file->columns().size()) : 0; }

void TTable::reloadList()
{
    m_list.clear();
    m_cache.clear();
    m_stale = false;
    const QString orderCol = m_orderField >= 0 ? quoteId(m_file->columns()[size_t(m_orderField)].name) : QStringLiteral("rowid");
    const QString collate = m_orderNoCase ? QStringLiteral(" COLLATE NOCASE") : QString();
    QString text = QStringLiteral("SELECT rowid, %1 FROM %2").arg(orderCol, m_file->qualifiedTable());
    QVariant link;
    if (m_master) {
        link = masterValue();
        m_linkValue = link;
        m_linkLoaded = true;
        if (link.isNull())
            return; // no master record: nothing belongs to it
        text += QStringLiteral(" WHERE %1 = ?1 COLLATE NOCASE").arg(quoteId(m_file->columns()[size_t(m_linkColumn)].name));
    }
    text += QStringLiteral(" ORDER BY %1%2, rowid").arg(orderCol, collate);
    sql::Stmt st = m_file->prepare(text);
    if (m_master)
        st.bind(1, link);
    while (st.step()) {
        Entry e;
        e.rowid = st.columnInt64(0);
        e.key = m_orderField >= 0 ? m_file->fromStorage(m_orderField, st.column(1)) : QVariant(qlonglong(e.rowid));
        m_list.push_back(std::move(e));
    }
}

void TTable::doReload() { reloadList(); }

void TTable::ensureFresh() const
{
    if (m_state == DataSetState::Inactive || !m_file)
        return;
    auto *self = const_cast<TTable *>(this);
    if (m_stale) {
        const qint64 current = m_bufferValid && m_state == DataSetState::Browse ? m_buffer.rowid : 0;
        self->reloadList();
        if (m_state == DataSetState::Browse)
            self->relocate(current);
        else if (m_state == DataSetState::Edit)
            self->m_row = locate(m_buffer.rowid);
        emit self->dataSetChanged();
        emit self->recordChanged();
    }
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
    emit dataSetChanged();
}

int TTable::doCount() const { return int(m_list.size()); }

DataSet::Row TTable::doFetch(int row) const
{
    const qint64 rowid = m_list[size_t(row)].rowid;
    if (m_cacheGeneration != m_file->generation()) {
        m_cache.clear();
        m_cacheGeneration = m_file->generation();
    }
    auto it = m_cache.find(rowid);
    if (it != m_cache.end())
        return it->second;
    Row r;
    r.rowid = rowid;
    r.readIn = m_file->engine().transaction();
    r.readAt = m_file->generation();
    r.values = m_file->fetch(rowid, &r.stamp);
    if (r.values.empty())
        r.values.assign(m_file->columns().size(), QVariant());
    if (m_cache.size() > 1024)
        m_cache.clear();
    m_cache.emplace(rowid, r);
    return r;
}

int TTable::locate(qint64 rowid) const
{
    for (size_t i = 0; i < m_list.size(); ++i) {
        if (m_list[i].rowid == rowid)
            return int(i);
    }
    return -1;
}

int TTable::compareEntries(const Entry &a, const Entry &b) const
{
    const int c = compareKeys(a.key, b.key, m_orderNoCase);
    if (c)
        return c;
    return a.rowid < b.rowid ? -1 : (a.rowid > b.rowid ? 1 : 0);
}

QVariant TTable::orderKeyOf(const Row &row) const
{
    if (m_orderField < 0)
        return QVariant(qlonglong(row.rowid));
    return row.values[size_t(m_orderField)];
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

// Puts the entry where its key belongs; a change that keeps the order (the
// usual case, renumbering included) costs two comparisons.
void TTable::placeEntry(int oldPos, const Entry &e)
{
    if (oldPos >= 0) {
        const bool afterPrev = oldPos == 0 || compareEntries(m_list[size_t(oldPos - 1)], e) < 0;
        const bool beforeNext = oldPos + 1 >= int(m_list.size()) || compareEntries(e, m_list[size_t(oldPos + 1)]) < 0;
        if (afterPrev && beforeNext) {
            m_list[size_t(oldPos)] = e;
            m_row = oldPos;
            return;
        }
        m_list.erase(m_list.begin() + oldPos);
    }
    auto it = std::lower_bound(m_list.begin(), m_list.end(), e,
                               [this](const Entry &a, const Entry &b) { return compareEntries(a, b) < 0; });
    m_row = int(it - m_list.begin());
    m_list.insert(it, e);
}

void TTable::prepareNewRecord()
{
    // A new record of a detail belongs to the master's current record.
    if (m_master && m_linkColumn >= 0) {
        const QVariant link = masterValue();
        if (!link.isNull())
            m_buffer.values[size_t(m_linkColumn)] = link;
    }
}

void TTable::doPost(Row &row, bool inserting)
{
    ensureFresh();
    if (inserting) {
        const qint64 rowid = m_file->insert(row.values);
        Row stored;
        stored.rowid = rowid;
        stored.values = m_file->fetch(rowid);
        m_file->changedBy(this);
        if (belongsHere(stored))
            placeEntry(-1, Entry{rowid, orderKeyOf(stored)});
        else
            m_row = std::min(m_row, int(m_list.size()) - 1);
        return;
    }
    if (row.dirty.size() == row.values.size() && std::find(row.dirty.begin(), row.dirty.end(), true) != row.dirty.end())
        m_file->update(row.rowid, row.values, row.dirty, row.stamp, m_file->unchangedSince(row.readIn, row.readAt));
    m_file->changedBy(this);
    const int pos = m_row;
    if (!belongsHere(row)) {
        if (pos >= 0 && pos < int(m_list.size()))
            m_list.erase(m_list.begin() + pos);
        m_row = std::min(pos, int(m_list.size()) - 1);
        return;
    }
    placeEntry(pos, Entry{row.rowid, orderKeyOf(row)});
}

void TTable::doDelete(int row)
{
    const qint64 rowid = m_list[size_t(row)].rowid;
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
    m_list.erase(m_list.begin() + row);
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
    ensureFresh();
    const int pk = m_file->primaryColumn();
    if (pk < 0)
        throw Error(qualified(QStringLiteral("表没有主索引")));
    sql::Stmt st = m_file->prepare(QStringLiteral("SELECT rowid FROM %1 WHERE %2 = ?1")
                                       .arg(m_file->qualifiedTable(), quoteId(m_file->columns()[size_t(pk)].name)));
    st.bind(1, v);
    if (!st.step())
        return false;
    const int row = locate(st.columnInt64(0));
    if (row < 0)
        return false;
    setCurrentRow(row, false, false);
    return true;
}

} // namespace store
