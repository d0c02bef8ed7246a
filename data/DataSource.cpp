#include "data/DataSource.h"
#include "data/DataSet.h"
#include "data/Table.h"

#include <algorithm>

namespace store {

TDataSource::TDataSource(const QString &name, DataSet *ds, QObject *parent) : QObject(parent)
{
    setObjectName(name);
    setDataSet(ds);
}

TDataSource::~TDataSource()
{
    if (m_ds)
        std::erase(m_ds->m_sources, this);
}

void TDataSource::setDataSet(DataSet *ds)
{
    QObject::disconnect(m_c1);
    QObject::disconnect(m_c2);
    QObject::disconnect(m_c3);
    if (m_ds)
        std::erase(m_ds->m_sources, this);
    m_ds = ds;
    if (ds) {
        ds->m_sources.push_back(this);
        m_c1 = connect(ds, &DataSet::recordChanged, this, &TDataSource::recordChanged);
        m_c2 = connect(ds, &DataSet::dataSetChanged, this, &TDataSource::dataSetChanged);
        m_c3 = connect(ds, &DataSet::stateChanged, this, &TDataSource::stateChanged);
    }
    for (const QPointer<TTable> &detail : std::vector<QPointer<TTable>>(m_details)) {
        if (detail)
            detail->masterMoved();
    }
    emit dataSetChanged();
    emit recordChanged();
}

void TDataSource::addDetail(TTable *t)
{
    if (std::find(m_details.begin(), m_details.end(), t) == m_details.end())
        m_details.emplace_back(t);
}

void TDataSource::removeDetail(TTable *t)
{
    std::erase_if(m_details, [t](const QPointer<TTable> &d) { return !d || d == t; });
}

void TDataSource::addEditor(PendingEdit *e)
{
    if (std::find(m_editors.begin(), m_editors.end(), e) == m_editors.end())
        m_editors.push_back(e);
}

void TDataSource::removeEditor(PendingEdit *e) { std::erase(m_editors, e); }

} // namespace store
