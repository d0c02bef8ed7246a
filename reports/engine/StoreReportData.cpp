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

bool StoreReportData::hasField(const QString &field) const
{
    return m_ds && m_ds->findField(field) != nullptr;
}

QVariant StoreReportData::value(const QString &field) const
{
    store::TField *f = m_ds->findField(field);
    if (!f || f->isNull())
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
