// Holds the course list report and the course table it reads. Never shown:
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

class TForm22_Object_Out : public TForm {
    Q_OBJECT
public:
    explicit TForm22_Object_Out(QWidget *parent = nullptr);
    ~TForm22_Object_Out() override;

    store::TTable *Table_object_Out;
    store::TDataSource *DS_object_Out;

    report::StoreReportData ObjectData;
    report::Report Report1;
};
