#include "reports/data/StoreReportData.h"

#include "db/Convert.h"
#include "data/DataSet.h"

#include <QDateTime>

namespace report {

bool StoreReportData::active() const
{
    return m_ds && m_ds->active();
}

void StoreReportData::first()
{
    m_ds->first();
}

void StoreReportData::next()
{
    m_ds->next();
}

bool StoreReportData::eof() const
{
    return m_ds->eof();
}

int StoreReportData::recordCount() const
{
    return m_ds->recordCount();
}

void StoreReportData::skip(int records)
{
    if (records > 0)
        m_ds->moveBy(records);
}

int StoreReportData::fieldIndex(const QString &field) const
{
    const store::TField *f = m_ds ? m_ds->findField(field) : nullptr;
    return f ? f->index() : -1;
}

// The field comes resolved once per report; each cell then reads its value
// once, rather than once for the null test and again for each conversion.
QVariant StoreReportData::valueAt(int field) const
{
    if (field < 0 || field >= m_ds->fieldCount())
        return {};
    const store::TField &f = m_ds->fields(field);
    const QVariant v = f.value();
    if (v.isNull() || !v.isValid())
        return {};
    const QString text = store::DataSet::displayText(v);
    if (f.dataType() == store::FieldType::DateTime) {
        // A stored text that is no date prints as it is rather than failing
        // the whole report.
        try {
            const QDateTime dt = v.typeId() == QMetaType::QDateTime ? v.toDateTime() : store::strToDateTime(text);
            if (dt.isValid())
                return dt;
        } catch (const store::Error &) {
        }
    }
    return text;
}

} // namespace report
