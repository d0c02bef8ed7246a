// A class of ten worked out by hand, and one student of another class: ties,
// an absent student, a failed score with a passing make-up, both make-ups
// failed, a pass on the second make-up, scores exactly at 60 and 85, a
// student missing a course, a course entered twice, and a score stored
// under the student number in other letter case.
#pragma once

#include "tests/support/Fixture.h"

namespace classOfTen {

inline const QString Class = QStringLiteral("一班");
inline const QString Other = QStringLiteral("二班");
inline const QString Maths = QStringLiteral("数学");
inline const QString Chinese = QStringLiteral("语文");

inline void fill(fixture::DataDir &dir)
{
    const QVariant none;
    for (int i = 1; i <= 10; ++i)
        dir.addStudent(QStringLiteral("S%1").arg(i, 2, 10, QChar(u'0')), QStringLiteral("学生%1").arg(i), Class);
    dir.addStudent(QStringLiteral("T01"), QStringLiteral("别班"), Other);
    int seq = 0;
    auto score = [&](const char *no, const QString &course, QVariant s, QVariant m1 = {}, QVariant m2 = {}) {
        dir.addScore(++seq, QString::fromLatin1(no), course, s, m1, m2);
    };
    score("S01", Maths, 95);
    score("S02", Maths, 95);
    score("S03", Maths, 85);
    score("S04", Maths, 60);
    score("S05", Maths, 45, 70);
    score("S06", Maths, 40, 50, 55);
    score("S07", Maths, none, none, none);
    score("S08", Maths, 59, none, 62);
    score("S09", Maths, 84);
    score("s10", Maths, 100);
    score("S01", Chinese, 80);
    score("S02", Chinese, 80);
    score("S03", Chinese, 90);
    score("S04", Chinese, 70);
    score("S05", Chinese, 60);
    score("S06", Chinese, 30);
    score("S07", Chinese, 88);
    score("S08", Chinese, 75);
    score("S09", Chinese, 86);
    score("S09", Chinese, 50);
    score("S10", Chinese, 70);
    score("T01", Maths, 50);
}

} // namespace classOfTen
