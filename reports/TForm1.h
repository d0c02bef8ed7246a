// Holds the student score report: the student table as master and the score
// table as its detail, each student followed by that student's scores. Never
// shown: the chooser binds and opens both tables and previews the report.
#pragma once

#include "ui/Form.h"
#include "reports/engine/Report.h"
#include "reports/data/StoreReportData.h"
#include "data/Table.h"
#include "data/DataSource.h"

namespace store {
class TTable;
class TDataSource;
}

class TForm1 : public TForm {
    Q_OBJECT
public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    store::TTable *Table1;
    store::TDataSource *DataSource1;
    // Follows DataSource1 through the score table's index_StudNo.
    store::TTable *Table2;

    report::StoreReportData StudData;
    report::StoreReportData ScoreData;
    report::Report Report1;
};
