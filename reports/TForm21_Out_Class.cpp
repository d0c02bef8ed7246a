#include "reports/TForm21_Out_Class.h"

#include "reports/LayoutFonts.h"
#include "data/DataSet.h"
#include "data/Table.h"
#include "data/DataSource.h"

using namespace report;
using layout::BandHeight;

TForm21_Out_Class::TForm21_Out_Class(QWidget *parent) : TForm(parent)
{
    setObjectName(QStringLiteral("Form21_Out_Class"));

    // As laid out: the alias and the file's stored name, closed. The chooser
    // points both at the data directory before anything opens.
    Table_Out_Class = new store::TTable(QStringLiteral("Table_Out_Class"), this);
    Table_Out_Class->setDatabaseName(QStringLiteral("Quillmere"));
    Table_Out_Class->setTableName(QStringLiteral("班级信息.DB"));
    DS_Out_Class = new store::TDataSource(QStringLiteral("DS_Out_Class"), Table_Out_Class, this);
    ClassData.setDataSet(Table_Out_Class);

    // The wide right margin leaves a narrow ruled table at the left of the page.
    Report1.setTitle(QStringLiteral("班级信息表"));
    Report1.setMaster(&ClassData);
    Report1.setMargins(QMarginsF(10.0, 10.0, 100.0, 10.0));
    Report1.setDefaultFont(layout::arial());

    Band &title = Report1.addBand(BandKind::Title, BandHeight);
    title.addText(32.8, 3.2, QStringLiteral("班级信息表"), layout::song(14, true));
    title.addDate(78.3, 3.2);

    Band &header = Report1.addBand(BandKind::ColumnHeader, BandHeight).setFrame(FrameAll);
    header.addText(5.3, 3.2, QStringLiteral("班级号"));
    header.addText(27.5, 3.2, QStringLiteral("班级名称"));
    header.addVerticalLine(23.4);

    Band &detail = Report1.addBand(BandKind::Detail, BandHeight).setFrame(FrameAll);
    detail.addDataText(5.3, 2.1, QStringLiteral("班号"));
    detail.addDataText(27.5, 2.1, QStringLiteral("班级名称"));
    detail.addVerticalLine(23.4);

    Report1.addBand(BandKind::Summary, BandHeight)
            .setFrame(FrameAll)
            .addExpression(4.2, 3.2, QStringLiteral("'共有 '+COUNT+' 个班级'"))
            .setFont(layout::song(10));
    Report1.addBand(BandKind::PageFooter, BandHeight)
            .addExpression(36.0, 3.2, QStringLiteral("'第 '+PAGENUMBER+' 页'"));
}

TForm21_Out_Class::~TForm21_Out_Class() = default;
