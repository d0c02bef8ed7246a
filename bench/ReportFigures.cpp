#include "bench/Figures.h"

#include "core/Globals.h"
#include "ui/Instances.h"
#include "ui/Ui.h"
#include "reports/TForm19.h"
#include "reports/TForm20_Out_Stud.h"
#include "reports/engine/ReportPreview.h"
#include "office/DataModule.h"

#include <cstdio>

namespace bench {

void reportFigures(const QString &source, const QString &workRoot)
{
    // As in the program, the chooser is shown with the data module open.
    Module module(makeCopy(source, workRoot, QStringLiteral("reports")));
    DM1->DataModuleCreate();
    auto *holder = new TForm20_Out_Stud;
    Form20_Out_Stud = holder;
    auto *chooser = new TForm19;
    Form19 = chooser;

    // Every showing of the chooser binds and opens the report tables afresh.
    QElapsedTimer t;
    t.start();
    chooser->FormShow();
    figure("report_chooser_show", ms(t), "ms");

    // From the button to the preview window with its first page drawn.
    int pages = 0;
    double shown = 0;
    ui::setModalScript([&](QWidget *w) {
        auto &p = *qobject_cast<report::ReportPreview *>(w);
        (void)p.pageWidget()->grab();
        shown = ms(t);
        pages = p.pageCount();
    });
    const double before = rssMb();
    resetPeak();
    t.restart();
    chooser->Button_StudClick();
    const double growth = peakRssMb() - before;
    ui::setModalScript({});
    figure("report_student_list", shown, "ms");
    figure("report_rss_growth", growth, "MB");
    figure("report_student_list_pages", pages, "pages");
    if (pages == 0)
        std::fprintf(stderr, "quillmere-bench: the student list came out without pages\n");

    Form19 = nullptr;
    Form20_Out_Stud = nullptr;
    delete chooser;
    delete holder;
}

} // namespace bench
