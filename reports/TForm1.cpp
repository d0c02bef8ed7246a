#include "reports/TForm1.h"

#include "reports/LayoutFonts.h"
#include "data/DataSet.h"
#include "data/Table.h"
#include "data/DataSource.h"

using namespace report;
using layout::BandHeight;

namespace {

// The student's row and the score rows below it share one grid.
constexpr double Rules[] = {35.7, 83.3, 105.6, 143.7};

} // namespace

TForm1::TForm1(QWidget *parent) : TForm(parent)
{
    setObjectName(QStringLiteral("Form1"));

    // As laid out: the alias and the files' stored names, closed. The chooser
    // points them at the data directory before anything opens.
    Table1 = new store::TTable(QStringLiteral("Table1"), this);
    Table1->setDatabaseName(QStringLiteral("Quillmere"));
    Table1->setTableName(QStringLiteral("学生信息表.DB"));
    DataSource1 = new store::TDataSource(QStringLiteral("DataSource1"), Table1, this);
    Table2 = new store::TTable(QStringLiteral("Table2"), this);
    Table2->setDatabaseName(QStringLiteral("Quillmere"));
    Table2->setTableName(QStringLiteral("学生成绩表.DB"));
    Table2->setIndexName(QStringLiteral("index_StudNo"));
    Table2->setMasterSource(DataSource1, QStringLiteral("学号"));
    StudData.setDataSet(Table1);
    ScoreData.setDataSet(Table2);

    Report1.setTitle(QStringLiteral("学生成绩信息表"));
    Report1.setMaster(&StudData);
    Report1.setMargins(QMarginsF(10.0, 10.0, 10.0, 10.0));
    Report1.setDefaultFont(layout::arial());

    // A page header rather than a title: the heading is on every page.
    Band &head = Report1.addBand(BandKind::PageHeader, BandHeight);
    head.addText(74.1, 3.2, QStringLiteral("学生成绩信息表"), layout::hei(14, true));
    head.addDate(157.7, 3.2);

    Band &columns = Report1.addBand(BandKind::ColumnHeader, BandHeight).setFrame(FrameAll);
    columns.addText(9.5, 3.2, QStringLiteral("姓名"), layout::hei(12));
    columns.addText(96.3, 3.2, QStringLiteral("成绩情况"), layout::hei(12));
    columns.addVerticalLine(35.7);

    // Each student opens with a row of the name and the captions of the
    // score columns; the score rows below leave the name column empty.
    Band &detail = Report1.addBand(BandKind::Detail, BandHeight).setFrame(FrameAll);
    detail.addDataText(9.5, 3.2, QStringLiteral("姓名")).setFont(layout::song(11));
    detail.addText(47.6, 3.2, QStringLiteral("科目"), layout::song(11));
    detail.addText(92.1, 3.2, QStringLiteral("成绩"), layout::song(11));
    detail.addText(110.1, 3.2, QStringLiteral("第一次补考成绩"));
    detail.addText(149.2, 3.2, QStringLiteral("第二次补考成绩"));

    Band &scores = Report1.addSubDetail(&ScoreData, BandHeight).setFrame(FrameAll);
    scores.addDataText(47.6, 3.2, QStringLiteral("科目")).setFont(layout::song(11));
    scores.addDataText(92.1, 3.2, QStringLiteral("成绩")).setFont(layout::song(11));
    scores.addDataText(110.1, 3.2, QStringLiteral("第一次补考成绩"));
    scores.addDataText(149.2, 3.2, QStringLiteral("第二次补考成绩"));

    for (double x : Rules) {
        detail.addVerticalLine(x);
        scores.addVerticalLine(x);
    }

    Report1.addBand(BandKind::PageFooter, BandHeight)
            .addExpression(85.7, 4.2, QStringLiteral("'第 '+PAGENUMBER+' 页'"));
}

TForm1::~TForm1() = default;
