// The students and their score records as stored at one moment: read by one
// statement, so that a clerk adding scores meanwhile is seen wholly or not
// at all, on either engine.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace stats {

struct Student {
    qint64 id = 0; // the record's row id: the same student when read again
    QString number, name, sex, className, speciality, department;
};

// One score record; a value that is not entered is empty.
struct ScoreRecord {
    int student = 0; // index into Snapshot::students
    QString course;
    std::optional<int> score, firstMakeUp, secondMakeUp;
};

struct Snapshot {
    std::vector<Student> students;  // in the student table's stored order
    std::vector<ScoreRecord> scores; // per student, in the score table's order
};

// The students of a class (every student when className is empty) with all
// their score records, linked by student number without regard to letter
// case as the score table's index links them. dataPath: the data directory
// (DataPath). Throws the record layer's Error when the tables cannot be read.
Snapshot readSnapshot(const QString &dataPath, const QString &className = QString());

// The class names of the class table and the course names of the course
// table, in stored order, each once, empty ones left out. Read by a
// statement of their own, so that the windows sharing those tables' cursors
// are not moved.
QStringList classNames(const QString &dataPath);
QStringList courseNames(const QString &dataPath);

} // namespace stats
