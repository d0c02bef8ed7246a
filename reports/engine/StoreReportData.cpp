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
        const QDateTime dt = f->asDateTime();
        if (dt.isValid())
            return dt;
        // A date kept as text: take the usual forms, else print it as it is.
        const QString text = f->asString();
        for (const char *format : {"yyyy-MM-dd hh:mm:ss", "yyyy-MM-dd"}) {
            const QDateTime parsed = QDateTime::fromString(text, QLatin1String(format));
            if (parsed.isValid())
                return parsed;
        }
        return text;
    }
    return f->asString();
}

} // namespace report
