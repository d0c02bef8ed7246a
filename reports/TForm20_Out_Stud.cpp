#include "reports/TForm20_Out_Stud.h"

#include "reports/LayoutFonts.h"
#include "data/DataSet.h"
#include "data/Table.h"
#include "data/DataSource.h"

using namespace report;
using layout::BandHeight;

namespace {

struct Column {
    double x;
    const char16_t *field;   // heads its column under its own name
};

// Where each column's text begins, from the band's left edge (mm).
constexpr Column Columns[] = {
    {3.2, u"学号"},     {19.1, u"姓名"},     {39.2, u"性别"},  {54.0, u"籍贯"},  {72.0, u"民族"},
    {94.2, u"出生日期"}, {115.4, u"入学日期"}, {137.6, u"班级"}, {159.8, u"专业"}, {174.6, u"系别"},
};

// The rules between the columns; with the band frames they rule the table.
constexpr double Rules[] = {16.5, 36.6, 50.4, 69.5, 91.7, 113.9, 135.1, 156.2, 172.1};

// The student number is centred on this x rather than starting at its column.
constexpr double StudNoCentre = 7.5;

} // namespace

TForm20_Out_Stud::TForm20_Out_Stud(QWidget *parent) : TForm(parent)
{
    setObjectName(QStringLiteral("Form20_Out_Stud"));

    // As laid out: the alias and the file's stored name, closed. The chooser
    // points both at the data directory before anything opens.
    Table_Stud_Out = new store::TTable(QStringLiteral("Table_Stud_Out"), this);
    Table_Stud_Out->setDatabaseName(QStringLiteral("Quillmere"));
    Table_Stud_Out->setTableName(QStringLiteral("学生信息表.DB"));
    DS_Stud_Out = new store::TDataSource(QStringLiteral("DS_Stud_Out"), Table_Stud_Out, this);
    StudData.setDataSet(Table_Stud_Out);

    Report1.setTitle(QStringLiteral("学生信息表"));
    Report1.setMaster(&StudData);
    Report1.setMargins(QMarginsF(8.0, 10.0, 8.0, 10.0));
    Report1.setDefaultFont(layout::arial());

    Band &title = Report1.addBand(BandKind::Title, BandHeight);
    title.addText(83.6, 2.1, QStringLiteral("学生信息表"), layout::song(15, true));
    title.addDate(163.0, 3.2);

    Band &header = Report1.addBand(BandKind::ColumnHeader, BandHeight).setFrame(FrameAll);
    Band &detail = Report1.addBand(BandKind::Detail, BandHeight).setFrame(FrameLeft | FrameRight | FrameBottom);
    for (const Column &c : Columns) {
        const QString field = QString::fromUtf16(c.field);
        header.addText(c.x, 3.2, field);
        Element &value = detail.addDataText(c.x, 3.2, field);
        if (&c == &Columns[0])
            value.setWidth(2.0 * (StudNoCentre - c.x)).setCentred();
    }
    for (double x : Rules) {
        header.addVerticalLine(x);
        detail.addVerticalLine(x);
    }

    Report1.addBand(BandKind::Summary, BandHeight)
            .addExpression(2.1, 3.2, QStringLiteral("'共有 '+COUNT+'  个学生'"))
            .setFont(layout::song(11));
    Report1.addBand(BandKind::PageFooter, BandHeight)
            .addExpression(84.7, 3.2, QStringLiteral("'第 '+PAGENUMBER+' 页'"))
            .setFont(layout::song(11));
}

TForm20_Out_Stud::~TForm20_Out_Stud() = default;
