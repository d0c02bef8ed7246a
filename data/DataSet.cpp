#include "data/DataSet.h"

#include "core/Action.h"
#include "core/Dates.h"

#include "db/Codepage.h"
#include "db/Convert.h"
#include "db/EngineObserver.h"
#include "data/Table.h"
#include "data/DataSource.h"


namespace store {

// ------------------------------------------------------------------ TField

bool TField::isNull() const
{
    const QVariant v = m_ds->fieldValue(m_index);
    return v.isNull() || !v.isValid();
}

QVariant TField::value() const { return m_ds->fieldValue(m_index); }

QString TField::asString() const { return DataSet::displayText(value()); }

qint32 TField::asInteger() const
{
    const QVariant v = value();
    if (v.isNull() || !v.isValid())
        return 0;
    if (m_type == FieldType::Integer)
        return v.toInt();
    return strToInt(DataSet::displayText(v));
}

QDateTime TField::asDateTime() const
{
    const QVariant v = value();
    if (v.isNull() || !v.isValid())
        return QDateTime();
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime();
    return strToDateTime(DataSet::displayText(v));
}

QByteArray TField::asBytes() const
{
    const QVariant v = value();
    if (v.isNull() || !v.isValid())
        return QByteArray();
    if (v.typeId() == QMetaType::QByteArray)
        return v.toByteArray();
    return cp936::encode(DataSet::displayText(v));
}

void TField::setAsString(const QString &text)
{
    switch (m_type) {
    case FieldType::Text:
        m_ds->setFieldValue(m_index, text.isEmpty() ? QVariant() : QVariant(cp936::cut(text, m_size)));
        break;
    case FieldType::Integer:
        m_ds->setFieldValue(m_index, text.isEmpty() ? QVariant() : QVariant(strToInt(text)));
        break;
    case FieldType::DateTime:
        m_ds->setFieldValue(m_index, text.trimmed().isEmpty() ? QVariant() : QVariant(strToDateTime(text)));
        break;
    case FieldType::Bytes:
        m_ds->setFieldValue(m_index, text.isEmpty() ? QVariant() : QVariant(cp936::encode(text)));
        break;
    case FieldType::Other:
        m_ds->setFieldValue(m_index, text.isEmpty() ? QVariant() : QVariant(text));
        break;
    }
}

void TField::setAsInteger(qint32 v)
{
    if (m_type == FieldType::Integer || m_type == FieldType::Other)
        m_ds->setFieldValue(m_index, QVariant(v));
    else
        setAsString(QString::number(v));
}

void TField::setAsDateTime(const QDateTime &v)
{
    if (m_type == FieldType::DateTime)
        m_ds->setFieldValue(m_index, v.isValid() ? QVariant(v) : QVariant());
    else
        setAsString(DataSet::displayText(QVariant(v)));
}

void TField::setAsBytes(const QByteArray &bytes)
{
    if (m_type == FieldType::Bytes)
        m_ds->setFieldValue(m_index, bytes.isEmpty() ? QVariant() : QVariant(bytes));
    else
        setAsString(cp936::decode(bytes));
}

void TField::clear() { m_ds->setFieldValue(m_index, QVariant()); }

// ----------------------------------------------------------------- DataSet

namespace {

// Before the engines undo an action's writes, the records it left being
// edited or inserted are dropped: the engines hear of datasets only through
// this observer, registered with the first dataset.
struct PendingDropper : EngineObserver {
    void rollingBack(unsigned long long action) override { DataSet::dropPendingOf(action); }
};

std::vector<DataSet *> &allDataSets()
{
    static std::vector<DataSet *> list = [] {
        static PendingDropper dropper;
        setEngineObserver(&dropper);
        return std::vector<DataSet *>();
    }();
    return list;
}

} // namespace

DataSet::DataSet(const QString &name, QObject *parent) : QObject(parent)
{
    setObjectName(name);
    allDataSets().push_back(this);
}

DataSet::~DataSet()
{
    std::erase(allDataSets(), this);
    for (TDataSource *src : std::vector<TDataSource *>(m_sources))
        src->setDataSet(nullptr);
}

void DataSet::dropPendingOf(unsigned long long action)
{
    const std::vector<DataSet *> list = allDataSets();
    for (DataSet *ds : list) {
        if ((ds->m_state == DataSetState::Edit || ds->m_state == DataSetState::Insert) && ds->m_pendingAction == action)
            ds->cancel();
    }
}

bool DataSet::observesWrites() const
{
    if (onNewRecord || beforePost)
        return true;
    for (const TDataSource *src : m_sources) {
        if (!src->m_editors.empty())
            return true;
    }
    return false;
}

void DataSet::followDetails()
{
    // Copies: a detail that follows may change what is registered.
    const std::vector<TDataSource *> sources = m_sources;
    for (TDataSource *src : sources) {
        const std::vector<QPointer<TTable>> details = src->m_details;
        for (const QPointer<TTable> &d : details) {
            if (d)
                d->masterMoved();
        }
    }
}

void DataSet::writePendingEdits()
{
    const std::vector<TDataSource *> sources = m_sources;
    for (TDataSource *src : sources) {
        const std::vector<PendingEdit *> editors = src->m_editors;
        for (PendingEdit *e : editors)
            e->writePending();
    }
}

void DataSet::announceRecord()
{
    followDetails();
    emit recordChanged();
}

void DataSet::announceSet()
{
    followDetails();
    emit dataSetChanged();
}

void DataSet::setDatabaseName(const QString &dir) { m_databaseName = dir; }

QString DataSet::qualified(const QString &text) const { return name() + QStringLiteral(": ") + text; }

void DataSet::requireActive() const
{
    if (m_state == DataSetState::Inactive)
        throw Error(qualified(QStringLiteral("无法在关闭的数据集上执行该操作")));
}

QString DataSet::displayText(const QVariant &v)
{
    if (!v.isValid() || v.isNull())
        return QString();
    switch (v.typeId()) {
    case QMetaType::QDateTime:
        return dates::text(v.toDateTime());
    case QMetaType::QByteArray:
        return cp936::decode(v.toByteArray());
    default:
        return v.toString();
    }
}

void DataSet::buildFields(const std::vector<FieldDef> &defs)
{
    m_defs = defs;
    m_fields.clear();
    for (size_t i = 0; i < defs.size(); ++i)
        m_fields.emplace_back(new TField(this, int(i), defs[i].name, defs[i].type, defs[i].size, defs[i].column));
}

bool DataSet::freshen()
{
    const bool changed = reread() || m_unannounced;
    m_unannounced = false;
    if (changed) {
        announceSet();
        announceRecord();
    }
    return changed;
}

void DataSet::ensureFresh() const
{
    if (!reread())
        return;
    m_unannounced = true;
    if (m_announceQueued)
        return;
    m_announceQueued = true;
    auto *self = const_cast<DataSet *>(this);
    QMetaObject::invokeMethod(self, [self] {
        self->m_announceQueued = false;
        self->freshen();
    }, Qt::QueuedConnection);
}

void DataSet::emitAll()
{
    announceSet();
    emit stateChanged();
    announceRecord();
}

void DataSet::open()
{
    if (active())
        return;
    doOpen();
    m_state = DataSetState::Browse;
    m_modified = false;
    const int n = doCount();
    m_row = n > 0 ? 0 : -1;
    m_bof = true;
    m_eof = n == 0;
    loadCurrent();
    emitAll();
}

void DataSet::close()
{
    if (!active())
        return;
    doClose();
    m_state = DataSetState::Inactive;
    m_modified = false;
    m_row = -1;
    m_eof = m_bof = true;
    m_bufferValid = false;
    m_buffer = Row();
    emitAll();
}

void DataSet::loadCurrent()
{
    if (m_row >= 0 && m_row < doCount()) {
        m_buffer = doFetch(m_row);
        m_bufferValid = true;
    } else {
        m_buffer = Row();
        m_bufferValid = false;
    }
}

void DataSet::checkBrowse()
{
    if (m_state == DataSetState::Edit || m_state == DataSetState::Insert) {
        writePendingEdits();
        if (m_modified)
            post();
        else
            cancel();
    }
}

void DataSet::setCurrentRow(int row, bool eofFlag, bool bofFlag)
{
    m_row = row;
    m_eof = eofFlag;
    m_bof = bofFlag;
    loadCurrent();
    announceRecord();
}

void DataSet::first()
{
    requireActive();
    checkBrowse();
    freshen();
    const int n = doCount();
    setCurrentRow(n > 0 ? 0 : -1, n == 0, true);
}

void DataSet::last()
{
    requireActive();
    checkBrowse();
    freshen();
    const int n = doCount();
    setCurrentRow(n - 1, true, n == 0);
}

void DataSet::next()
{
    requireActive();
    checkBrowse();
    freshen();
    const int n = doCount();
    if (m_row + 1 < n)
        setCurrentRow(m_row + 1, false, false);
    else
        setCurrentRow(n > 0 ? n - 1 : -1, true, n == 0);
}

void DataSet::prior()
{
    requireActive();
    checkBrowse();
    freshen();
    const int n = doCount();
    if (m_row > 0)
        setCurrentRow(m_row - 1, false, false);
    else
        setCurrentRow(n > 0 ? 0 : -1, n == 0, true);
}

void DataSet::moveBy(int distance)
{
    requireActive();
    checkBrowse();
    freshen();
    const int n = doCount();
    if (n == 0) {
        setCurrentRow(-1, true, true);
        return;
    }
    const int target = m_row + distance;
    if (target < 0)
        setCurrentRow(0, false, true);
    else if (target >= n)
        setCurrentRow(n - 1, true, false);
    else
        setCurrentRow(target, false, false);
}

void DataSet::setRecNo(int recNo)
{
    requireActive();
    checkBrowse();
    freshen();
    const int n = doCount();
    if (n == 0)
        return;
    const int row = std::clamp(recNo, 1, n) - 1;
    if (row != m_row || !m_bufferValid)
        setCurrentRow(row, false, false);
}

bool DataSet::eof() const
{
    if (m_state != DataSetState::Inactive)
        ensureFresh();
    return m_eof;
}

bool DataSet::bof() const { return m_bof; }

int DataSet::recNo() const
{
    requireActive();
    ensureFresh();
    if (m_state == DataSetState::Insert)
        return doCount() + 1;
    return m_row + 1;
}

int DataSet::recordCount() const
{
    requireActive();
    ensureFresh();
    return doCount();
}

int DataSet::currentRow() const
{
    if (m_state == DataSetState::Insert)
        return doCount();
    return m_row;
}

int DataSet::fieldCount() const { return int(m_fields.size()); }

TField &DataSet::fields(int index)
{
    requireActive();
    if (index < 0 || index >= int(m_fields.size()))
        throw Error(qualified(QStringLiteral("字段序号 %1 超出范围").arg(index)));
    return *m_fields[size_t(index)];
}

TField *DataSet::findField(const QString &name)
{
    for (auto &f : m_fields) {
        if (f->fieldName() == name)
            return f.get();
    }
    for (auto &f : m_fields) {
        if (f->fieldName().compare(name, Qt::CaseInsensitive) == 0)
            return f.get();
    }
    return nullptr;
}

TField &DataSet::fieldByName(const QString &name)
{
    requireActive();
    if (TField *f = findField(name))
        return *f;
    throw Error(qualified(QStringLiteral("找不到字段 '%1'").arg(name)));
}

QStringList DataSet::fieldNames() const
{
    QStringList names;
    for (const auto &f : m_fields)
        names << f->fieldName();
    return names;
}

QVariant DataSet::fieldValue(int fieldIndex) const
{
    requireActive();
    ensureFresh();
    if (!m_bufferValid)
        return QVariant();
    const int col = m_defs[size_t(fieldIndex)].column;
    if (col < 0 || col >= int(m_buffer.values.size()))
        return QVariant();
    return m_buffer.values[size_t(col)];
}

void DataSet::setFieldValue(int fieldIndex, const QVariant &v)
{
    requireActive();
    if (m_state != DataSetState::Edit && m_state != DataSetState::Insert)
        throw Error(qualified(QStringLiteral("数据集不在修改或插入模式")));
    const size_t col = size_t(m_defs[size_t(fieldIndex)].column);
    if (m_buffer.dirty.size() < m_buffer.values.size())
        m_buffer.dirty.resize(m_buffer.values.size(), false);
    m_buffer.values[col] = v;
    m_buffer.dirty[col] = true;
    m_modified = true;
    announceRecord();
}

TField &DataSet::fieldFor(int index) { return *m_fields[size_t(index)]; }

void DataSet::append()
{
    requireActive();
    if (!canModify())
        throw Error(qualified(QStringLiteral("无法修改只读数据集")));
    checkBrowse();
    freshen();
    m_buffer = Row();
    m_buffer.values.assign(columnCount(), QVariant());
    m_buffer.dirty.assign(columnCount(), false);
    m_bufferValid = true;
    m_state = DataSetState::Insert;
    m_pendingAction = action::current();
    prepareNewRecord();
    if (onNewRecord)
        onNewRecord(*this);
    m_modified = false; // defaults alone do not make a record worth writing
    emit stateChanged();
    announceSet();
    announceRecord();
}

void DataSet::edit()
{
    requireActive();
    if (m_state == DataSetState::Edit || m_state == DataSetState::Insert)
        return;
    if (!canModify())
        throw Error(qualified(QStringLiteral("无法修改只读数据集")));
    freshen();
    if (doCount() == 0) {
        append();
        return;
    }
    loadCurrent();
    m_buffer.dirty.assign(m_buffer.values.size(), false);
    m_state = DataSetState::Edit;
    m_pendingAction = action::current();
    m_modified = false;
    emit stateChanged();
}

void DataSet::post()
{
    requireActive();
    if (m_state != DataSetState::Edit && m_state != DataSetState::Insert)
        throw Error(qualified(QStringLiteral("数据集不在修改或插入模式")));
    writePendingEdits();
    if (beforePost)
        beforePost(*this);
    const bool inserting = m_state == DataSetState::Insert;
    try {
        doPost(m_buffer, inserting); // on failure the record stays pending
    } catch (const Conflict &) {
        // What was typed was typed over a record that is no longer stored as
        // it was shown: nothing of it is written, the record is shown anew.
        cancel();
        throw;
    }
    m_state = DataSetState::Browse;
    m_modified = false;
    const int n = doCount();
    if (m_row >= n)
        m_row = n - 1;
    m_eof = n == 0;
    if (inserting || m_row < 0 || rowidAt(m_row) != m_buffer.rowid) {
        loadCurrent(); // a new record may have been completed by the table
    } else {
        m_buffer.dirty.assign(m_buffer.values.size(), false);
        m_bufferValid = true;
    }
    emit stateChanged();
    if (inserting)
        announceSet();
    announceRecord();
}

void DataSet::cancel()
{
    if (m_state != DataSetState::Edit && m_state != DataSetState::Insert)
        return;
    const bool inserting = m_state == DataSetState::Insert;
    m_state = DataSetState::Browse;
    m_modified = false;
    loadCurrent();
    emit stateChanged();
    if (inserting)
        announceSet();
    announceRecord();
}

void DataSet::del()
{
    requireActive();
    if (m_state == DataSetState::Insert) {
        cancel();
        return;
    }
    if (!canModify())
        throw Error(qualified(QStringLiteral("无法修改只读数据集")));
    freshen();
    if (doCount() == 0 || m_row < 0)
        throw Error(qualified(QStringLiteral("无法在空数据集上执行该操作")));
    if (m_state == DataSetState::Edit)
        cancel();
    doDelete(m_row);
    const int n = doCount();
    m_row = std::min(m_row, n - 1);
    m_eof = n == 0;
    m_bof = n == 0 || m_row == 0;
    loadCurrent();
    announceSet();
    announceRecord();
}

void DataSet::refresh()
{
    requireActive();
    checkBrowse();
    const qint64 current = m_bufferValid ? m_buffer.rowid : 0;
    doReload();
    relocate(current);
    announceSet();
    announceRecord();
}

QVariant DataSet::valueAt(int row, int fieldIndex) const
{
    if (!active() || fieldIndex < 0 || fieldIndex >= int(m_defs.size()))
        return QVariant();
    ensureFresh();
    const int col = m_defs[size_t(fieldIndex)].column;
    const int n = doCount();
    const bool pending = (m_state == DataSetState::Insert && row == n) || (m_state == DataSetState::Edit && row == m_row);
    if (pending)
        return col < int(m_buffer.values.size()) ? m_buffer.values[size_t(col)] : QVariant();
    if (row < 0 || row >= n)
        return QVariant();
    const Row r = doFetch(row);
    return col < int(r.values.size()) ? r.values[size_t(col)] : QVariant();
}

QString DataSet::displayAt(int row, int fieldIndex) const { return displayText(valueAt(row, fieldIndex)); }

} // namespace store

namespace store {

void DataSet::relocate(qint64 rowid)
{
    const int n = doCount();
    int row = rowid ? rowOf(rowid) : -1;
    if (row < 0)
        row = std::min(std::max(m_row, 0), n - 1);
    m_row = n > 0 ? row : -1;
    m_eof = n == 0;
    m_bof = n == 0 || m_row == 0;
    loadCurrent();
}

int safeRecNo(const DataSet &ds) { return ds.active() ? ds.recNo() : 0; }

int safeCount(const DataSet &ds) { return ds.active() ? ds.recordCount() : 0; }

} // namespace store
