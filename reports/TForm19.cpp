#include "reports/TForm19.h"

#include "ui/ButtonColumn.h"
#include "core/Globals.h"
#include "ui/Instances.h"
#include "reports/TForm1.h"
#include "reports/TForm20_Out_Stud.h"
#include "reports/TForm21_Out_Class.h"
#include "reports/TForm22_Object_Out.h"
#include "ui/BusyCursor.h"
#include "reports/engine/ReportPreview.h"
#include "skin/SkinButton.h"
#include "skin/SkinForm.h"
#include "data/DataSet.h"

#include <QBitmap>
#include <QHideEvent>

namespace {

template <typename Holder>
Holder *holder(TForm *instance)
{
    return static_cast<Holder *>(instance);
}

} // namespace

TForm19::TForm19(QWidget *parent) : TForm(parent)
{
    const QString caption = QStringLiteral("数据报表输出");
    design(QStringLiteral("Form19"), caption, QSize(284, 192));
    move(283, 159);

    From_Out = new TSkinForm(this, caption, {TitleButtonType::ControlBox, TitleButtonType::Close, TitleButtonType::Min});

    QFont buttonFont(QStringLiteral("宋体"));
    buttonFont.setPixelSize(12);
    // Created in this order on purpose: Alt+S reaches the student list, the
    // first of the two buttons that carry the letter S.
    const ButtonRow<TForm19> rows[] = {
        {&Button_Stud, "Button_Stud", "学生信息输出 &S", 44, &TForm19::Button_StudClick},
        {&Button_Class, "Button_Class", "班级信息输出 &C", 82, &TForm19::Button_ClassClick},
        {&Button_Object, "Button_Object", "课程信息输出 &O", 120, &TForm19::Button_ObjectClick},
        {&Button_Scroce, "Button_Scroce", "学生成绩信息输出 &S", 158, &TForm19::Button_ScroceClick},
    };
    addButtonColumn(this, {24, 120, 23, buttonFont}, rows);

    // A printer on white; the white is left out so that the face shows
    // through. The picture runs past the window's right and bottom edges.
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    QPixmap printer(QStringLiteral(":/assets/printer.png"));
    if (!printer.isNull())
        printer.setMask(printer.createMaskFromColor(Qt::white, Qt::MaskInColor));
    Image1->setPixmap(printer);
    Image1->setGeometry(204, 112, 123, 111);
}

QList<TForm19::ReportTable> TForm19::reportTables() const
{
    QList<ReportTable> out;
    if (auto *h = holder<TForm20_Out_Stud>(Form20_Out_Stud))
        out.append({h->Table_Stud_Out, DataPath + QStringLiteral("学生信息表.db")});
    if (auto *h = holder<TForm21_Out_Class>(Form21_Out_Class))
        out.append({h->Table_Out_Class, DataPath + QStringLiteral("班级信息.db")});
    // The bare file name: it is found in the database directory.
    if (auto *h = holder<TForm22_Object_Out>(Form22_Object_Out))
        out.append({h->Table_object_Out, QStringLiteral("课程信息.db")});
    // The student table before its scores, so that the scores open as a
    // detail that already follows the first student.
    if (auto *h = holder<TForm1>(Form1)) {
        out.append({h->Table1, DataPath + QStringLiteral("学生信息表.db")});
        out.append({h->Table2, DataPath + QStringLiteral("学生成绩表.db")});
    }
    return out;
}

void TForm19::FormShow()
{
    // A failed open ends the binding and is reported; the datasets it left
    // closed print as empty tables (headers, one empty ruled row, a count of
    // 0; a student without readable scores gets one empty score row), so
    // every report still previews instead of failing on each band.
    // Opening reads every table's record list: at a district's size that
    // takes long enough to want the busy cursor.
    ui::BusyCursor busy;
    const QList<ReportTable> tables = reportTables();
    for (const ReportTable &t : tables)
        t.table->close();
    for (const ReportTable &t : tables)
        t.table->setDatabaseName(DataPath);
    for (const ReportTable &t : tables)
        t.table->setTableName(t.tableName);
    for (const ReportTable &t : tables)
        t.table->open();
}

void TForm19::previewReport(report::Report &report)
{
    // The preview belongs to the chooser and is modal over it: one report at
    // a time, and each button returns when its own preview closes.
    report.preview(this);
    // Back to the chooser, so that its accelerators work again at once.
    if (isVisible())
        activateWindow();
}

void TForm19::Button_StudClick()
{
    if (auto *h = holder<TForm20_Out_Stud>(Form20_Out_Stud))
        previewReport(h->Report1);
}

void TForm19::Button_ClassClick()
{
    if (auto *h = holder<TForm21_Out_Class>(Form21_Out_Class))
        previewReport(h->Report1);
}

void TForm19::Button_ObjectClick()
{
    if (auto *h = holder<TForm22_Object_Out>(Form22_Object_Out))
        previewReport(h->Report1);
}

void TForm19::Button_ScroceClick()
{
    if (auto *h = holder<TForm1>(Form1))
        previewReport(h->Report1);
}

void TForm19::hideEvent(QHideEvent *e)
{
    TForm::hideEvent(e);
    // A preview belongs to the chooser and hides with it; a hidden preview
    // could no longer be closed, and the button handler waiting for it would
    // never return. Closing the chooser closes its previews instead.
    if (e->spontaneous())
        return;
    for (auto *preview : findChildren<report::ReportPreview *>(Qt::FindDirectChildrenOnly))
        preview->close();
}
