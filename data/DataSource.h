#pragma once

#include "data/DataSet.h"
#include "data/PendingEdit.h"

#include <QObject>
#include <QPointer>

#include <vector>

namespace store {

class TTable;

// Connects data-aware controls to a dataset.
class TDataSource : public QObject {
    Q_OBJECT
public:
    explicit TDataSource(const QString &name, DataSet *ds = nullptr, QObject *parent = nullptr);
    ~TDataSource() override;
    DataSet *dataSet() const { return m_ds; }
    void setDataSet(DataSet *ds);
    // Tables that follow this source's current record, and controls with
    // typed text to write: the dataset calls them directly.
    void addDetail(TTable *t);
    void removeDetail(TTable *t);
    void addEditor(PendingEdit *e);
    void removeEditor(PendingEdit *e);
    bool autoEdit() const { return m_autoEdit; }
    void setAutoEdit(bool v) { m_autoEdit = v; }
    QString name() const { return objectName(); }

signals:
    void recordChanged();
    void dataSetChanged();
    void stateChanged();

private:
    friend class DataSet;
    QPointer<DataSet> m_ds;
    bool m_autoEdit = true;
    QMetaObject::Connection m_c1, m_c2, m_c3;
    std::vector<QPointer<TTable>> m_details;
    std::vector<PendingEdit *> m_editors;
};

} // namespace store
