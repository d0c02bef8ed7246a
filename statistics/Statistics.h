// The figures a head teacher is asked for at the end of a term, worked out
// from a snapshot of the records:
//
// - The score that counts for a record is its score; where that failed (or
//   was not entered), the best of the score and its make-up scores that
//   were entered. A record with no score at all is absent: counted apart,
//   never as 0, never in an average.
// - A student with several records of one course counts once, with the
//   best score that counts among them.
// - Ranks are within the student's class; equal values share a rank and the
//   next rank skips (1, 1, 3). A course's rank goes to the students who have
//   a score that counts in it; the rank on the total goes to the students
//   with a score that counts in every course their class has records of,
//   and to the others too when the option says so.
#pragma once

#include "statistics/Snapshot.h"

#include <QStringList>

#include <array>

namespace stats {

struct Marks {
    int pass = 60;
    int excellent = 85;
    // Whether a student missing a course is ranked on the total of the
    // courses the student has.
    bool rankIncomplete = false;
};

// The score that counts for one record; empty when the record is absent.
std::optional<int> countedScore(std::optional<int> score, std::optional<int> firstMakeUp,
                                std::optional<int> secondMakeUp, int passMark);

// The spread of scores: <60, 60–69, 70–79, 80–89, 90–100 (a score over 100
// goes with the last).
inline constexpr int BandCount = 5;
int bandOf(int score);
QString bandName(int band);

struct CourseFigures {
    QString course;
    int sat = 0;    // students with a score that counts
    int absent = 0; // students whose records of the course hold no score
    double average = 0;
    int highest = 0, lowest = 0;
    int passed = 0, excellent = 0;
    std::array<int, BandCount> bands{};
    // Parts of those who sat it, from 0 to 1; 0 when nobody sat it.
    double passRate() const { return sat ? double(passed) / sat : 0.0; }
    double excellentRate() const { return sat ? double(excellent) / sat : 0.0; }
};

struct StudentFigures {
    int student = 0;                           // index into Snapshot::students
    std::vector<std::optional<int>> counted;   // per course of Figures::courses
    std::vector<bool> absent;                  // has records of the course, none with a score
    std::vector<int> courseRank;               // in the class; 0: none
    int total = 0;
    int coursesCounted = 0;
    bool complete = true;                      // a score that counts in each of the class's courses
    int rank = 0;                              // on the total, in the class; 0: none
    double average() const { return coursesCounted ? double(total) / coursesCounted : 0.0; }
};

struct Figures {
    QStringList courses;                    // every course with records, in order of first appearance
    std::vector<CourseFigures> perCourse;   // in the order of courses
    std::vector<StudentFigures> students;   // in the order of the snapshot's students
    int courseIndex(const QString &course) const { return int(courses.indexOf(course)); }
};

Figures compute(const Snapshot &snapshot, const Marks &marks);

// Competition ranks of values, highest first: {90, 95, 90, 80} gives
// {2, 1, 2, 4}.
std::vector<int> competitionRanks(const std::vector<int> &values);

} // namespace stats
