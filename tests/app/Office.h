// The record windows a clerk works with, on one data module over a data
// directory, made in the program's order, and the steps of a clerk's work
// done through their real buttons.
#pragma once

#include "core/Globals.h"
#include "ui/Instances.h"
#include "login/TForm7_Login.h"
#include "records/course/TForm13_Add_Object.h"
#include "records/course/TForm5_Object.h"
#include "records/score/TForm15_Add_Scroce.h"
#include "records/score/TForm6_Scorce.h"
#include "records/student/TForm3_stud.h"
#include "records/student/TForm9_Add_Stud.h"
#include "skin/SkinButton.h"
#include "skin/SkinComboBox.h"
#include "skin/SkinEdit.h"
#include "dbwidgets/DBControls.h"
#include "office/DataModule.h"
#include "db/Engine.h"
#include "office/Schema.h"
#include "tests/support/Fixture.h"
#include "tests/support/ProgramWindows.h"
#include "data/Table.h"

#include <QTest>

namespace office {

namespace sch = store::schema;

struct Office {
    explicit Office(const QString &dataPath) : windows(dataPath)
    {
        UserRight = 1;
        stud = fixture::ProgramWindows::window<TForm3_stud>();
        course = fixture::ProgramWindows::window<TForm5_Object>();
        score = fixture::ProgramWindows::window<TForm6_Scorce>();
        accounts = fixture::ProgramWindows::window<TForm7_Login>();
        addStud = fixture::ProgramWindows::window<TForm9_Add_Stud>();
        addCourse = fixture::ProgramWindows::window<TForm13_Add_Object>();
        addScore = fixture::ProgramWindows::window<TForm15_Add_Scroce>();
    }
    ~Office() { UserRight = 0; }
    Office(const Office &) = delete;
    Office &operator=(const Office &) = delete;

    static void click(QWidget *button) { fixture::click(button); }

    // Makes the student with this number the current one, as a click in the
    // grid would.
    bool pickStudent(const QString &no)
    {
        store::TTable &t = *DM1->Table_stud;
        for (t.first(); !t.eof(); t.next()) {
            if (t.fieldByName(QStringLiteral("学号")).asString() == no)
                return true;
        }
        return false;
    }

    // 学生注册 from the student window: fills the dialog and presses 添加.
    void registerStudent(const QString &no, const QString &name)
    {
        fixture::Modal modal([&](QWidget *) {
            addStud->Edit_New_StudNo->setText(no);
            addStud->Edit_New_Stud_Name->setText(name);
            click(addStud->Button_OK);
        });
        click(stud->Button_Add);
    }

    // 删除学生 on the current student, answering the warning with Yes.
    void deleteCurrentStudent() { click(stud->Button_Del); }

    // 修改学生, the name typed over, then 提交修改.
    void startRename(const QString &name)
    {
        click(stud->Button_XiouGai);
        stud->Edit_Name->selectAll();
        QTest::keyClicks(stud->Edit_Name, name);
    }
    void submitStudent() { click(stud->Button_Stud_Post); }

    // 增加成绩信息 for the current student.
    void addScoreFor(const QString &subject, const QString &value)
    {
        fixture::Modal modal([&](QWidget *) {
            addScore->ComboBox_Kecheng_New->setCurrentIndex(addScore->ComboBox_Kecheng_New->findText(subject));
            addScore->Edit_New_Scroce->setText(value);
            click(addScore->Button_OK);
        });
        click(score->Button_Add);
    }

    // 删除成绩 on the current student's current score.
    void deleteCurrentScore() { click(score->Button_Del); }

    // 删除课程 on the current course.
    void deleteCurrentCourse() { click(course->Button_Del); }

    fixture::ProgramWindows windows;
    TForm3_stud *stud = nullptr;
    TForm5_Object *course = nullptr;
    TForm6_Scorce *score = nullptr;
    TForm7_Login *accounts = nullptr;
    TForm9_Add_Stud *addStud = nullptr;
    TForm13_Add_Object *addCourse = nullptr;
    TForm15_Add_Scroce *addScore = nullptr;
};

} // namespace office
