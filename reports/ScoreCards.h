// The report cards (成绩单): one page per student with the student's
// fields, every score record of the student with its make-ups, the score
// that counts and the class rank of each course, and the student's total,
// average and rank on the total. Built from a snapshot of the records and
// the figures worked out from it, so that every card of one printing shows
// the records of one moment.
#pragma once

#include "reports/engine/Report.h"
#include "statistics/Statistics.h"

#include <memory>

namespace report {

class ScoreCards {
public:
    ScoreCards();
    ~ScoreCards();
    ScoreCards(const ScoreCards &) = delete;
    ScoreCards &operator=(const ScoreCards &) = delete;

    // The cards of the snapshot's students, or of the one at index `only`
    // (an index into snapshot.students). The report reads its own copy.
    void setCards(const stats::Snapshot &snapshot, const stats::Figures &figures, const stats::Marks &marks,
                  int only = -1);
    int cardCount() const;

    Report Report1;

private:
    struct Data;
    std::unique_ptr<Data> d;
};

// The text of the rank on the total as a card and the statistics window
// show it: the rank, "缺科不排名" for a student missing a course whom the
// option leaves out, empty for a student with no score that counts.
QString totalRankText(const stats::StudentFigures &s);
// An average or a rate as the window and the cards print it.
QString twoDecimals(double value);

} // namespace report
