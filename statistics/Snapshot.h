// The students and their score records as stored at one moment: read by one
// statement, so that a clerk adding scores meanwhile is seen wholly or not
// at all, on either engine.
#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace stats {

struct Student {
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

} // namespace stats
