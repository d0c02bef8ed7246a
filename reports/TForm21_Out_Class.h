// Holds the class list report and the class table it reads. Never shown:
// the chooser binds and opens the table and previews the report.
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

class TForm21_Out_Class : public TForm {
    Q_OBJECT
public:
    explicit TForm21_Out_Class(QWidget *parent = nullptr);
    ~TForm21_Out_Class() override;

    store::TTable *Table_Out_Class;
    store::TDataSource *DS_Out_Class;

    report::StoreReportData ClassData;
    report::Report Report1;
};
