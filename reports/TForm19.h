// The report chooser: binds the report holders' datasets to the data
// directory every time it is shown, and previews one report per button.
#pragma once

#include "ui/Form.h"
#include "data/Table.h"

#include <QLabel>

class TSkinForm;
class TSkinButton;

namespace report {
class Report;
}
namespace store {
class TTable;
}

class TForm19 : public TForm {
    Q_OBJECT
public:
    explicit TForm19(QWidget *parent = nullptr);

    // Closes the five report datasets, points them at DataPath and opens them
    // again, so that each report shows the records as they are now. An error
    // ends the binding at that step; the datasets before it are open.
    void FormShow() override;

    // Each previews one report, modally, and returns when its preview
    // window closes.
    void Button_StudClick();
    void Button_ClassClick();
    void Button_ObjectClick();
    void Button_ScroceClick();

    // The five report datasets in binding order, with the table name each is
    // given; those of a holder that does not exist are left out.
    struct ReportTable {
        store::TTable *table;
        QString tableName;
    };
    QList<ReportTable> reportTables() const;

    TSkinForm *From_Out;
    TSkinButton *Button_Stud, *Button_Class, *Button_Object, *Button_Scroce;
    QLabel *Image1;

protected:
    void hideEvent(QHideEvent *e) override;

private:
    void previewReport(report::Report &report);
};
