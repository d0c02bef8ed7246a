// A data directory with the three course windows on it, as the program
// creates them; rows of the plan table as "序号:课程号" for short comparisons.
#pragma once

#include "core/Globals.h"
#include "db/Engines.h"
#include "ui/Instances.h"
#include "records/course/TForm13_Add_Object.h"
#include "records/course/TForm14_Object_Query.h"
#include "records/course/TForm5_Object.h"
#include "office/DataModule.h"
#include "db/Engine.h"
#include "office/Schema.h"
#include "tests/support/Fixture.h"
#include "tests/support/RecordWindows.h"

#include <QStringList>

struct CourseWorld : fixture::RecordWindows<TForm5_Object, TForm13_Add_Object, TForm14_Object_Query> {
    fixture::DataDir dir;


    // Seeds given as "课程号" lists and "序号:课程号[:总学时[:学分]]" rows.
    void seed(const QStringList &courses, const QStringList &plans = {})
    {
        for (const QString &no : courses)
            dir.addCourse(no, QStringLiteral("课程") + no);
        for (const QString &p : plans) {
            const QStringList f = p.split(u':');
            dir.addPlan(f[0].toInt(), f[1], f.value(2), f.size() > 3 ? QVariant(f[3].toInt()) : QVariant());
        }
    }

    void open() { RecordWindows::open(dir); }

    ~CourseWorld()
    {
        close();
        UserRight = 0;
    }

    QStringList plans()
    {
        store::commitAll();
        QStringList out;
        for (const auto &r : dir.rows(store::schema::PlanFile, QStringLiteral("SELECT 序号, 课程号 FROM $T ORDER BY 序号")))
            out << r[0].toString() + u':' + r[1].toString();
        return out;
    }

    QStringList courses()
    {
        store::commitAll();
        QStringList out;
        for (const auto &r : dir.rows(store::schema::CourseFile, QStringLiteral("SELECT 课程号 FROM $T ORDER BY rowid")))
            out << r[0].toString();
        return out;
    }
};
