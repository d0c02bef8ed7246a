#include "app/Windows.h"

#include "about/TForm17_About.h"
#include "ui/Guard.h"
#include "ui/Instances.h"
#include "login/TForm1_Denglu.h"
#include "login/TForm2_Main.h"
#include "login/TForm7_Login.h"
#include "maintenance/TForm23_Data.h"
#include "maintenance/TForm24_Import.h"
#include "maintenance/restore/TForm25_Restore.h"
#include "records/class/TForm11_Add_Class.h"
#include "records/class/TForm12_Class_Query.h"
#include "records/class/TForm4_Class.h"
#include "records/course/TForm13_Add_Object.h"
#include "records/course/TForm14_Object_Query.h"
#include "records/course/TForm5_Object.h"
#include "records/score/TForm15_Add_Scroce.h"
#include "records/score/TForm16_Scroce_Query.h"
#include "records/score/TForm6_Scorce.h"
#include "records/stat/TForm26_Stat.h"
#include "records/student/TForm10_Query_Stud.h"
#include "records/student/TForm3_stud.h"
#include "records/student/TForm9_Add_Stud.h"
#include "reports/TForm1.h"
#include "reports/TForm19.h"
#include "reports/TForm20_Out_Stud.h"
#include "reports/TForm21_Out_Class.h"
#include "reports/TForm22_Object_Out.h"
#include "office/DataModule.h"

#include <vector>

namespace program {

namespace {

template <typename T>
Step window(int row, const char *name, TForm *&instance, void (T::*handler)() = nullptr)
{
    return Step{row, name, &instance, [&instance, handler] {
                    auto *w = new T;
                    instance = w;
                    if (handler)
                        (w->*handler)();
                }};
}

} // namespace

const std::vector<Step> &creationOrder()
{
    static const std::vector<Step> steps = {
        window<TForm1_Denglu>(1, "Form1_Denglu", Form1_Denglu, &TForm1_Denglu::FormCreate),
        window<TForm19>(2, "Form19", Form19),
        window<TForm20_Out_Stud>(3, "Form20_Out_Stud", Form20_Out_Stud),
        window<TForm21_Out_Class>(4, "Form21_Out_Class", Form21_Out_Class),
        window<TForm22_Object_Out>(5, "Form22_Object_Out", Form22_Object_Out),
        window<TForm1>(6, "Form1", Form1),
        window<TForm2_Main>(7, "Form2_Main", Form2_Main),
        window<TForm3_stud>(8, "Form3_stud", Form3_stud),
        window<TForm4_Class>(9, "Form4_Class", Form4_Class),
        window<TForm5_Object>(10, "Form5_Object", Form5_Object),
        window<TForm6_Scorce>(11, "Form6_Scorce", Form6_Scorce),
        window<TForm7_Login>(12, "Form7_Login", Form7_Login),
        // The module's datasets exist (closed) from the start, so that the
        // windows above could tie their controls to its data sources; here
        // they are bound to the data directory and opened.
        Step{13, "DM1", nullptr, [] { DM1->DataModuleCreate(); }},
        window<TForm9_Add_Stud>(14, "Form9_Add_Stud", Form9_Add_Stud),
        window<TForm10_Query_Stud>(15, "Form10_Query_Stud", Form10_Query_Stud),
        window<TForm11_Add_Class>(16, "Form11_Add_Class", Form11_Add_Class),
        window<TForm12_Class_Query>(17, "Form12_Class_Query", Form12_Class_Query),
        window<TForm13_Add_Object>(18, "Form13_Add_Object", Form13_Add_Object),
        window<TForm14_Object_Query>(19, "Form14_Object_Query", Form14_Object_Query),
        window<TForm15_Add_Scroce>(20, "Form15_Add_Scroce", Form15_Add_Scroce),
        window<TForm16_Scroce_Query>(21, "Form16_Scroce_Query", Form16_Scroce_Query),
        window<TForm17_About>(22, "Form17_About", Form17_About),
        // Additions after the original windows.
        window<TForm26_Stat>(23, "Form26_Stat", Form26_Stat),
        window<TForm23_Data>(24, "Form23_Data", Form23_Data),
        window<TForm24_Import>(25, "Form24_Import", Form24_Import),
        window<TForm25_Restore>(26, "Form25_Restore", Form25_Restore),
    };
    return steps;
}

void createAll(const std::function<void(const Step &)> &after)
{
    if (!DM1)
        DM1 = new TDM1;
    for (const Step &s : creationOrder()) {
        ui::guarded(s.make);
        if (after)
            after(s);
    }
}

void destroyAll()
{
    const auto &steps = creationOrder();
    for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
        if (it->window) {
            delete *it->window;
            *it->window = nullptr;
        }
    }
    delete Form_Flash;
    Form_Flash = nullptr;
    delete DM1;
    DM1 = nullptr;
}

} // namespace program
