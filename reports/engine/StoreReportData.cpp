#include "reports/engine/StoreReportData.h"

#include "store/DataSet.h"

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

QVariant StoreReportData::valueAt(int field) const
{
    if (field < 0 || field >= m_ds->fieldCount())
        return {};
    store::TField *f = &m_ds->fields(field);
    if (f->isNull())
        return {};
    if (f->dataType() == store::FieldType::DateTime) {
        // A stored text that is no date prints as it is rather than failing
        // the whole report.
        try {
            const QDateTime dt = f->asDateTime();
            if (dt.isValid())
                return dt;
        } catch (const store::Error &) {
        }
    }
    return f->asString();
}

} // namespace report
