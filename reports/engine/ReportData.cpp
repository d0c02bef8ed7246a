#include "reports/engine/ReportData.h"

#include "core/Dates.h"

#include <QDateTime>

#include <algorithm>

namespace report {

QString displayText(const QVariant &value)
{
    if (value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::QDateTime:
        return dates::text(value.toDateTime());
    case QMetaType::QDate:
        return dates::text(value.toDate());
    case QMetaType::QTime:
        return value.toTime().toString(QStringLiteral("hh:mm:ss"));
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(value.toDouble(), 'g', 15);
    default:
        return value.toString();
    }
}

void ReportData::skip(int records)
{
    for (; records > 0 && !eof(); --records)
        next();
}

QVariant ReportData::value(const QString &field) const
{
    const int index = fieldIndex(field);
    return index >= 0 ? valueAt(index) : QVariant();
}

MemoryReportData::MemoryReportData(const QStringList &fields)
{
    setFields(fields);
}

void MemoryReportData::setFields(const QStringList &fields)
{
    m_fields = fields;
    m_index.clear();
    for (int i = 0; i < fields.size(); ++i)
        m_index.insert(fields.at(i), i);
    m_keyColumn = -1;
}

void MemoryReportData::addRecord(const QVariantList &values)
{
    m_rows.push_back(values);
    m_shown.push_back(int(m_rows.size()) - 1);
}

void MemoryReportData::clear()
{
    m_rows.clear();
    m_shown.clear();
    m_pos = 0;
}

void MemoryReportData::setMaster(const ReportData *master, const QString &masterField,
                                 const QString &keyField)
{
    m_master = master;
    m_masterField = masterField;
    m_keyColumn = m_index.value(keyField, -1);
}

void MemoryReportData::select()
{
    m_shown.clear();
    const bool follow = m_master && m_keyColumn >= 0;
    QString key;
    if (follow) {
        if (!m_master->active() || m_master->eof())
            return; // no master record, no details
        key = displayText(m_master->value(m_masterField));
    }
    for (int i = 0; i < int(m_rows.size()); ++i) {
        if (follow) {
            const QVariantList &row = m_rows[size_t(i)];
            const QString v = m_keyColumn < row.size() ? displayText(row.at(m_keyColumn)) : QString();
            if (v.compare(key, Qt::CaseInsensitive) != 0)
                continue;
        }
        m_shown.push_back(i);
    }
}

void MemoryReportData::first()
{
    select();
    m_pos = 0;
}

void MemoryReportData::next()
{
    if (m_pos < int(m_shown.size()))
        ++m_pos;
}

bool MemoryReportData::eof() const
{
    return m_pos >= int(m_shown.size());
}

int MemoryReportData::recordCount() const
{
    return int(m_shown.size());
}

void MemoryReportData::skip(int records)
{
    m_pos = std::min(m_pos + std::max(records, 0), int(m_shown.size()));
}

int MemoryReportData::fieldIndex(const QString &field) const
{
    return m_index.value(field, -1);
}

QVariant MemoryReportData::valueAt(int field) const
{
    if (eof())
        return {};
    const QVariantList &row = m_rows[size_t(m_shown[size_t(m_pos)])];
    return field >= 0 && field < row.size() ? row.at(field) : QVariant();
}

} // namespace report
