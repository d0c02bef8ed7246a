// Feeds a report from a dataset of the record layer.
#pragma once

#include "reports/engine/ReportData.h"

namespace store {
class DataSet;
}

namespace report {

// Reads the dataset's own cursor: a detail table moved by its master follows
// by itself. The dataset is not owned and may be closed; a closed one prints
// as empty.
class StoreReportData : public ReportData {
public:
    explicit StoreReportData(store::DataSet *dataSet = nullptr) : m_ds(dataSet) {}
    void setDataSet(store::DataSet *dataSet) { m_ds = dataSet; }
    store::DataSet *dataSet() const { return m_ds; }

    bool active() const override;
    void first() override;
    void next() override;
    bool eof() const override;
    // Moves the cursor straight there: only the record landed on is read.
    void skip(int records) override;
    int recordCount() const override;
    int fieldIndex(const QString &field) const override;
    // Date-time fields come back as QDateTime so that the report prints them
    // in its short date format; everything else as the field's display text.
    QVariant valueAt(int field) const override;

private:
    store::DataSet *m_ds;
};

} // namespace report
