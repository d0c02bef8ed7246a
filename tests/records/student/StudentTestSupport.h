// The student windows on a data module over a temporary data directory,
// created in the program's order: the management window before the module
// opens its datasets, the dialogs after.
#pragma once

#include "ui/App.h"
#include "core/Globals.h"
#include "ui/Instances.h"
#include "records/student/TForm10_Query_Stud.h"
#include "records/student/TForm3_stud.h"
#include "records/student/TForm9_Add_Stud.h"
#include "office/DataModule.h"
#include "db/Engine.h"
#include "office/Schema.h"
#include "tests/support/Fixture.h"
#include "tests/support/RecordWindows.h"
#include "data/Table.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>

namespace sch = store::schema;

struct StudentWindows : fixture::RecordWindows<TForm3_stud, TForm9_Add_Stud, TForm10_Query_Stud> {
    explicit StudentWindows(fixture::DataDir &dir)
    {
        initAssets();
        UserRight = 1;
        open(dir);
        stud = manage;
    }
    ~StudentWindows()
    {
        close();
        UserRight = 0;
    }

    // The management window, by the name these tests know it.
    TForm3_stud *stud;
};

using fixture::showActive;

// Types text key by key, as the user does; Chinese characters too, which
// QTest's own key clicks take only in ASCII.
inline void typeKeys(QWidget *w, const QString &text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
        QApplication::sendEvent(w, &release);
    }
}

// Moves the shared student cursor to the student with this number.
inline bool gotoStudent(const QString &number)
{
    store::TTable &t = *DM1->Table_stud;
    for (t.first(); !t.eof(); t.next()) {
        if (t.fieldByName(QStringLiteral("学号")).asString() == number)
            return true;
    }
    return false;
}
