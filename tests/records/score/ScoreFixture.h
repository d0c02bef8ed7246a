// The three score windows over a temporary data directory, created in the
// program's order: the management window before the data module opens its
// tables, the add and search windows after.
#pragma once

#include "core/Globals.h"
#include "db/Engines.h"
#include "ui/Instances.h"
#include "records/score/TForm15_Add_Scroce.h"
#include "records/score/TForm16_Scroce_Query.h"
#include "records/score/TForm6_Scorce.h"
#include "office/DataModule.h"
#include "db/Engine.h"
#include "office/Schema.h"
#include "tests/support/Fixture.h"
#include "tests/support/RecordWindows.h"

#include <QStringList>

struct ScoreWindows : fixture::RecordWindows<TForm6_Scorce, TForm15_Add_Scroce, TForm16_Scroce_Query> {
    fixture::DataDir dir;

    ~ScoreWindows() { close(); }

    // Seed `dir` first: the data module reads the tables here.
    void open() { RecordWindows::open(dir); }

    // Opens on three courses, two of them named alike, with the course
    // table's cursor left on the last: the windows must list every name and
    // start from the first course.
    void openWithThreeCourses()
    {
        dir.addCourse(QStringLiteral("C1"), QStringLiteral("语文"));
        dir.addCourse(QStringLiteral("C2"), QStringLiteral("数学"));
        dir.addCourse(QStringLiteral("C3"), QStringLiteral("语文"));
        open();
        DM1->Table_Object->last();
    }

    // Records in the score file once every write is committed.
    int storedCount()
    {
        store::commitAll();
        return dir.count(store::schema::ScoreFile);
    }

    // The score file as stored: "序号 学号 科目" per record, by number.
    QStringList storedScores()
    {
        store::commitAll();
        QStringList out;
        for (const QVariantList &r : dir.rows(store::schema::ScoreFile,
                                              QStringLiteral("SELECT 序号, 学号, 科目 FROM $T ORDER BY 序号")))
            out << QStringLiteral("%1 %2 %3").arg(r[0].toString(), r[1].toString(), r[2].toString());
        return out;
    }
};
