#include "db/StoredTable.h"
#include "db/Engine.h"

#include "db/Codepage.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QMetaObject>

#include <algorithm>

namespace store {

using sql::quoteId;


StoredTable::StoredTable(std::shared_ptr<Engine> engine, const QString &path, const QString &schema)
    : m_engine(std::move(engine)), m_location(path), m_schema(schema), m_alive(std::make_shared<bool>(true))
{
    readSchema();
}

StoredTable::~StoredTable() { *m_alive = false; }

void StoredTable::readSchema()
{
    TableShape shape = m_engine->describe(m_schema, m_location);
    m_table = shape.table;
    m_columns = std::move(shape.columns);
    m_indexes = std::move(shape.indexes);
    m_pk = shape.pk;

    QStringList cols, params;
    for (size_t i = 0; i < m_columns.size(); ++i) {
        cols << quoteId(m_columns[i].name);
        params << QStringLiteral("?%1").arg(i + 1);
    }
    m_recordColumns = cols.join(u',');
    m_fetch = prepare(QStringLiteral("SELECT %1 FROM %2 WHERE rowid=?1").arg(cols.join(u','), qualifiedTable()));
    m_insert = prepare(QStringLiteral("INSERT INTO %1(%2,rowid) VALUES(%3,?%4)")
                           .arg(qualifiedTable(), cols.join(u','), params.join(u','))
                           .arg(m_columns.size() + 1));
    m_maxRowid = prepare(QStringLiteral("SELECT coalesce(max(rowid), 0) FROM %1").arg(qualifiedTable()));
    m_delete = prepare(QStringLiteral("DELETE FROM %1 WHERE rowid=?1").arg(qualifiedTable()));
}

Statement StoredTable::prepare(const QString &sqlText) { return m_engine->prepare(sqlText, m_location); }

int StoredTable::columnIndex(const QString &name) const
{
    for (size_t i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].name == name)
            return int(i);
    }
    return -1;
}

const IndexInfo *StoredTable::findIndex(const QString &name) const
{
    for (const IndexInfo &i : m_indexes) {
        if (i.name.compare(name, Qt::CaseInsensitive) == 0)
            return &i;
    }
    return nullptr;
}

QString StoredTable::qualifiedTable() const { return m_schema + u'.' + quoteId(m_table); }

QVariant StoredTable::fromStorage(int column, const QVariant &v) const
{
    if (v.isNull() || !v.isValid())
        return QVariant();
    switch (m_columns[size_t(column)].type) {
    case FieldType::Integer:
        return QVariant(qint32(v.toLongLong()));
    case FieldType::DateTime: {
        const QString s = v.toString();
        QDateTime dt = QDateTime::fromString(s, Qt::ISODate);
        if (!dt.isValid())
            dt = QDateTime(QDate::fromString(s, Qt::ISODate), QTime(0, 0));
        return dt.isValid() ? QVariant(dt) : QVariant();
    }
    case FieldType::Bytes:
        return v.typeId() == QMetaType::QByteArray ? v : QVariant(cp936::encode(v.toString()));
    case FieldType::Text:
        return v.typeId() == QMetaType::QString ? v : QVariant(v.toString());
    default:
        return v;
    }
}

bool StoredTable::readsAhead() const { return m_engine->readsAhead() && !m_engine->inTransaction(); }

void StoredTable::keepAhead(qint64 rowid, const Statement &st, int first)
{
    if (m_aheadGeneration != m_generation || m_ahead.size() >= AheadCapacity) {
        m_ahead.clear();
        m_aheadGeneration = m_generation;
    }
    // Kept as stored: most of a chunk is never shown, and converting (dates
    // above all) costs more than reading.
    Ahead &a = m_ahead[rowid];
    a.stored.clear();
    a.stored.reserve(m_columns.size());
    for (int i = 0; i < int(m_columns.size()); ++i)
        a.stored.push_back(st.column(first + i));
    a.stamp = st.rowStamp(first, int(m_columns.size()));
}

std::vector<QVariant> StoredTable::fetch(qint64 rowid, quint64 *stamp)
{
    // Inside an action a record is read afresh, under the write lock, so that
    // what the action changes is what is stored.
    if (!m_ahead.empty()) {
        if (m_aheadGeneration != m_generation) {
            m_ahead.clear();
        } else if (!m_engine->inTransaction()) {
            const auto it = m_ahead.find(rowid);
            if (it != m_ahead.end()) {
                if (stamp)
                    *stamp = it->second.stamp;
                std::vector<QVariant> values;
                values.reserve(m_columns.size());
                for (int i = 0; i < int(m_columns.size()); ++i)
                    values.push_back(fromStorage(i, it->second.stored[size_t(i)]));
                return values;
            }
        }
    }
    m_fetch.reset();
    m_fetch.bindInt64(1, rowid);
    std::vector<QVariant> values;
    if (m_fetch.step()) {
        values.reserve(m_columns.size());
        for (int i = 0; i < int(m_columns.size()); ++i)
            values.push_back(fromStorage(i, m_fetch.column(i)));
        if (stamp)
            *stamp = m_fetch.rowStamp(0, int(m_columns.size()));
    }
    m_fetch.reset();
    return values;
}

void StoredTable::verify(qint64 rowid, quint64 stamp)
{
    m_fetch.reset();
    m_fetch.bindInt64(1, rowid);
    const bool found = m_fetch.step();
    const quint64 now = found ? m_fetch.rowStamp(0, int(m_columns.size())) : 0;
    m_fetch.reset();
    if (!found || now != stamp) {
        invalidateAll();
        throw Conflict(QStringLiteral("该记录已被其他用户修改或删除,修改没有保存!"));
    }
}

qint64 StoredTable::insert(const std::vector<QVariant> &values)
{
    m_engine->lockTable(*this, true);
    beforeWrite(0);
    // The file's header keeps the highest row id ever given out: after the
    // last records are deleted, their ids still are not handed out again.
    m_maxRowid.reset();
    m_maxRowid.step();
    const qint64 rowid = std::max(m_maxRowid.columnInt64(0), m_engine->highWater(*this)) + 1;
    m_maxRowid.reset();
    m_insert.reset();
    for (size_t i = 0; i < values.size(); ++i)
        m_insert.bind(int(i + 1), values[i]);
    m_insert.bindInt64(int(values.size() + 1), rowid);
    m_insert.step();
    m_insert.reset();
    if (m_rowCount >= 0)
        ++m_rowCount;
    m_engine->raiseHighWater(*this, rowid);
    return rowid;
}

bool StoredTable::unchangedSince(quint64 readIn, quint64 readAt) const
{
    return readIn != 0 && readIn == m_engine->transaction() && readAt == m_generation;
}

void StoredTable::update(qint64 rowid, const std::vector<QVariant> &values, const std::vector<bool> &dirty, quint64 stamp,
                       bool unchanged)
{
    auto it = m_updates.find(dirty);
    if (it == m_updates.end()) {
        QStringList sets;
        for (size_t i = 0; i < m_columns.size(); ++i) {
            if (dirty[i])
                sets << QStringLiteral("%1=?%2").arg(quoteId(m_columns[i].name)).arg(i + 1);
        }
        const QString text = QStringLiteral("UPDATE %1 SET %2 WHERE rowid=?%3")
                                 .arg(qualifiedTable(), sets.join(u','))
                                 .arg(m_columns.size() + 1);
        it = m_updates.emplace(dirty, prepare(text)).first;
    }
    Statement &st = it->second;
    m_engine->beginWrite();
    if (!unchanged)
        verify(rowid, stamp);
    beforeWrite(rowid);
    st.reset();
    for (size_t i = 0; i < values.size(); ++i) {
        if (dirty[i])
            st.bind(int(i + 1), values[i]);
    }
    st.bindInt64(int(m_columns.size() + 1), rowid);
    st.step();
    st.reset();
}

void StoredTable::remove(qint64 rowid, quint64 stamp, bool unchanged)
{
    // A deletion lowers the count that numbers new records.
    m_engine->lockTable(*this, false);
    if (!unchanged)
        verify(rowid, stamp);
    beforeWrite(rowid);
    m_delete.reset();
    m_delete.bindInt64(1, rowid);
    m_delete.step();
    const qint64 removed = m_delete.changes();
    m_delete.reset();
    if (m_rowCount >= 0)
        m_rowCount -= removed;
    // The last record's id would otherwise be given to the next new record.
    m_engine->raiseHighWater(*this, rowid);
}

void StoredTable::attach(TableObserver *view) { m_views.push_back(view); }

void StoredTable::detach(TableObserver *view) { std::erase(m_views, view); }

void StoredTable::attachSnapshot(TableObserver *snapshot)
{
    if (std::find(m_snapshots.begin(), m_snapshots.end(), snapshot) == m_snapshots.end())
        m_snapshots.push_back(snapshot);
}

void StoredTable::detachSnapshot(TableObserver *snapshot) { std::erase(m_snapshots, snapshot); }

void StoredTable::beforeWrite(qint64 rowid)
{
    m_ahead.clear();
    m_engine->writing(*this);
    for (TableObserver *s : m_snapshots)
        s->beforeWrite(rowid);
}

void StoredTable::changedBy(const TableObserver *writer)
{
    ++m_generation;
    bool any = false;
    for (TableObserver *v : m_views) {
        if (v != writer) {
            v->tableChanged();
            any = true;
        }
    }
    if (any)
        scheduleNotify();
}

qint64 StoredTable::rowCount()
{
    if (m_rowCount < 0) {
        m_rowCount = m_engine->countRecords(*this);
    }
    return m_rowCount;
}

void StoredTable::changedInBulk(qint64 removed)
{
    if (removed < 0)
        m_rowCount = -1;
    else if (m_rowCount >= 0)
        m_rowCount -= removed;
}

void StoredTable::invalidateAll()
{
    // Another program's commit or a rollback: nothing known holds.
    m_rowCount = -1;
    ++m_generation;
    for (TableObserver *v : m_views)
        v->tableChanged();
    scheduleNotify();
}

// The other datasets re-read once control is back in the event loop (or at
// once, when they are used before that), so a long run of writes through one
// dataset costs nothing in the others.
void StoredTable::scheduleNotify()
{
    if (m_notifyPending || !QCoreApplication::instance())
        return;
    m_notifyPending = true;
    std::weak_ptr<bool> alive = m_alive;
    QMetaObject::invokeMethod(QCoreApplication::instance(), [this, alive] {
        if (alive.expired())
            return;
        m_notifyPending = false;
        const std::vector<TableObserver *> views = m_views;
        for (TableObserver *v : views) {
            if (std::find(m_views.begin(), m_views.end(), v) != m_views.end())
                v->catchUp();
        }
    }, Qt::QueuedConnection);
}

} // namespace store
