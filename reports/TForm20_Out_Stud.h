// Holds the student list report and the student table it reads. Never
// shown: the chooser binds and opens the table and previews the report.
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

class TForm20_Out_Stud : public TForm {
    Q_OBJECT
public:
    explicit TForm20_Out_Stud(QWidget *parent = nullptr);
    ~TForm20_Out_Stud() override;

    store::TTable *Table_Stud_Out;
    store::TDataSource *DS_Stud_Out;

    report::StoreReportData StudData;
    report::Report Report1;
};
