#include "store/DataSet.h"

namespace store {

TDataSource::TDataSource(const QString &name, DataSet *ds, QObject *parent) : QObject(parent)
{
    setObjectName(name);
    setDataSet(ds);
}

void TDataSource::setDataSet(DataSet *ds)
{
    QObject::disconnect(m_c1);
    QObject::disconnect(m_c2);
    QObject::disconnect(m_c3);
    m_ds = ds;
    if (ds) {
        m_c1 = connect(ds, &DataSet::recordChanged, this, &TDataSource::recordChanged);
        m_c2 = connect(ds, &DataSet::dataSetChanged, this, &TDataSource::dataSetChanged);
        m_c3 = connect(ds, &DataSet::stateChanged, this, &TDataSource::stateChanged);
    }
    emit dataSetChanged();
    emit recordChanged();
}

} // namespace store
