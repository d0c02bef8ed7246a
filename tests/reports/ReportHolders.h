// The chooser and the four report holders over a fixture data directory,
// made and released the way the program body does, and a compact view of a
// prepared report for comparisons.
#pragma once

#include "core/Globals.h"
#include "ui/Instances.h"
#include "reports/TForm1.h"
#include "reports/TForm19.h"
#include "reports/TForm20_Out_Stud.h"
#include "reports/TForm21_Out_Class.h"
#include "reports/TForm22_Object_Out.h"

#include <QDate>

namespace holders {

inline const QDate Today(2003, 4, 23);

struct Reports {
    TForm19 *chooser;
    TForm20_Out_Stud *stud;
    TForm21_Out_Class *cls;
    TForm22_Object_Out *course;
    TForm1 *score;

    explicit Reports(const QString &dataPath)
    {
        DataPath = dataPath;
        Form19 = chooser = new TForm19;
        Form20_Out_Stud = stud = new TForm20_Out_Stud;
        Form21_Out_Class = cls = new TForm21_Out_Class;
        Form22_Object_Out = course = new TForm22_Object_Out;
        Form1 = score = new TForm1;
        for (report::Report *r : all())
            r->setToday(Today);
    }
    ~Reports()
    {
        for (TForm **w : {&Form1, &Form22_Object_Out, &Form21_Out_Class, &Form20_Out_Stud, &Form19}) {
            delete *w;
            *w = nullptr;
        }
    }
    Reports(const Reports &) = delete;
    Reports &operator=(const Reports &) = delete;

    QList<report::Report *> all() const
    {
        return {&stud->Report1, &cls->Report1, &course->Report1, &score->Report1};
    }
    // Shows the chooser, which binds and opens the report datasets.
    void show() { chooser->show(); }
};

// One line per band as it was placed: its kind's letter, ':', and its texts
// joined by '|'. Pages are separated by "--".
inline QStringList rows(const report::ReportDocument &doc)
{
    using report::BandKind;
    auto letter = [](BandKind k) {
        switch (k) {
        case BandKind::Title: return QStringLiteral("T");
        case BandKind::PageHeader: return QStringLiteral("H");
        case BandKind::ColumnHeader: return QStringLiteral("C");
        case BandKind::Detail: return QStringLiteral("D");
        case BandKind::SubDetail: return QStringLiteral("S");
        case BandKind::Summary: return QStringLiteral("M");
        case BandKind::PageFooter: return QStringLiteral("F");
        }
        return QString();
    };
    QStringList out;
    for (const report::ReportPage &page : doc.pages) {
        if (!out.isEmpty())
            out << QStringLiteral("--");
        for (const report::PlacedBand &b : page.bands) {
            QStringList texts;
            for (const report::PageItem &it : page.items) {
                if (it.kind == report::PageItem::Text && it.band == b.kind && it.y >= b.top
                    && it.y < b.top + b.height)
                    texts << it.text;
            }
            out << letter(b.kind) + u':' + texts.join(u'|');
        }
    }
    return out;
}

} // namespace holders
