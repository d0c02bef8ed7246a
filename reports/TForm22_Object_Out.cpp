#include "reports/TForm22_Object_Out.h"

#include "reports/LayoutFonts.h"
#include "data/DataSet.h"
#include "data/Table.h"
#include "data/DataSource.h"

using namespace report;
using layout::BandHeight;

TForm22_Object_Out::TForm22_Object_Out(QWidget *parent) : TForm(parent)
{
    setObjectName(QStringLiteral("Form22_Object_Out"));

    // As laid out: the alias and the file's stored name, closed. The chooser
    // points both at the data directory before anything opens.
    Table_object_Out = new store::TTable(QStringLiteral("Table_object_Out"), this);
    Table_object_Out->setDatabaseName(QStringLiteral("Quillmere"));
    Table_object_Out->setTableName(QStringLiteral("课程信息.DB"));
    DS_object_Out = new store::TDataSource(QStringLiteral("DS_object_Out"), Table_object_Out, this);
    ObjectData.setDataSet(Table_object_Out);

    // The wide right margin leaves a narrow ruled table at the left of the page.
    Report1.setTitle(QStringLiteral("课程信息"));
    Report1.setMaster(&ObjectData);
    Report1.setMargins(QMarginsF(10.0, 10.0, 120.0, 10.0));
    Report1.setDefaultFont(layout::arial());

    Band &title = Report1.addBand(BandKind::Title, BandHeight);
    title.addText(15.9, 3.2, QStringLiteral("课程信息"), layout::song(14, true));
    title.addDate(44.5, 3.2);

    Band &header = Report1.addBand(BandKind::ColumnHeader, BandHeight).setFrame(FrameAll);
    header.addText(5.3, 3.2, QStringLiteral("课程号"), layout::song(12));
    header.addText(32.8, 3.2, QStringLiteral("课程名称"), layout::song(12));
    header.addVerticalLine(24.6);

    Band &detail = Report1.addBand(BandKind::Detail, BandHeight).setFrame(FrameAll);
    detail.addDataText(5.3, 3.2, QStringLiteral("课程号")).setFont(layout::song(11));
    detail.addDataText(32.8, 3.2, QStringLiteral("课程名称")).setFont(layout::song(11));
    detail.addVerticalLine(24.6);

    // Unlike the class list, the summary has no frame.
    Report1.addBand(BandKind::Summary, BandHeight)
            .addExpression(4.2, 2.1, QStringLiteral("'共有 '+COUNT+' 门课程'"))
            .setFont(layout::song(12));
    Report1.addBand(BandKind::PageFooter, BandHeight)
            .addExpression(16.9, 3.2, QStringLiteral("'第 '+PAGENUMBER+' 页'"))
            .setFont(layout::song(12));
}

TForm22_Object_Out::~TForm22_Object_Out() = default;
