#include "statistics/Statistics.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <numeric>

namespace stats {

std::optional<int> countedScore(std::optional<int> score, std::optional<int> firstMakeUp,
                                std::optional<int> secondMakeUp, int passMark)
{
    if (score && *score >= passMark)
        return score;
    std::optional<int> best = score;
    for (const auto &m : {firstMakeUp, secondMakeUp}) {
        if (m && (!best || *m > *best))
            best = m;
    }
    return best;
}

int bandOf(int score)
{
    if (score < 60)
        return 0;
    return std::min((score - 60) / 10 + 1, BandCount - 1);
}

QString bandName(int band)
{
    static const char16_t *const names[BandCount] = {u"<60", u"60–69", u"70–79", u"80–89", u"90–100"};
    return band >= 0 && band < BandCount ? QString::fromUtf16(names[band]) : QString();
}

std::vector<int> competitionRanks(const std::vector<int> &values)
{
    std::vector<int> order(values.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return values[size_t(a)] > values[size_t(b)]; });
    std::vector<int> ranks(values.size());
    for (size_t i = 0; i < order.size(); ++i) {
        const bool tied = i > 0 && values[size_t(order[i])] == values[size_t(order[i - 1])];
        ranks[size_t(order[i])] = tied ? ranks[size_t(order[i - 1])] : int(i) + 1;
    }
    return ranks;
}

namespace {

// Ranks the value of each listed student (an index into students) and
// stores it through store.
template <typename Value, typename Store>
void rankGroup(const std::vector<int> &members, Value value, Store store)
{
    std::vector<int> values;
    values.reserve(members.size());
    for (int m : members)
        values.push_back(value(m));
    const std::vector<int> ranks = competitionRanks(values);
    for (size_t i = 0; i < members.size(); ++i)
        store(members[i], ranks[i]);
}

} // namespace

Figures compute(const Snapshot &snapshot, const Marks &marks)
{
    Figures f;
    QHash<QString, int> courseIndex;
    for (const ScoreRecord &r : snapshot.scores) {
        if (!courseIndex.contains(r.course)) {
            courseIndex.insert(r.course, int(f.courses.size()));
            f.courses << r.course;
        }
    }
    const size_t nc = size_t(f.courses.size());

    f.students.resize(snapshot.students.size());
    std::vector<std::vector<bool>> hasRecord(snapshot.students.size(), std::vector<bool>(nc, false));
    for (size_t i = 0; i < f.students.size(); ++i) {
        StudentFigures &s = f.students[i];
        s.student = int(i);
        s.counted.assign(nc, std::nullopt);
        s.absent.assign(nc, false);
        s.courseRank.assign(nc, 0);
    }
    for (const ScoreRecord &r : snapshot.scores) {
        StudentFigures &s = f.students[size_t(r.student)];
        const size_t c = size_t(courseIndex.value(r.course));
        hasRecord[size_t(r.student)][c] = true;
        const std::optional<int> v = countedScore(r.score, r.firstMakeUp, r.secondMakeUp, marks.pass);
        if (v && (!s.counted[c] || *v > *s.counted[c]))
            s.counted[c] = v;
    }

    // The figures of each course over every student of the snapshot.
    f.perCourse.resize(nc);
    std::vector<long long> sums(nc, 0);
    for (size_t c = 0; c < nc; ++c)
        f.perCourse[c].course = f.courses.at(qsizetype(c));
    for (size_t i = 0; i < f.students.size(); ++i) {
        StudentFigures &s = f.students[i];
        for (size_t c = 0; c < nc; ++c) {
            CourseFigures &cf = f.perCourse[c];
            if (!s.counted[c]) {
                if (hasRecord[i][c]) {
                    s.absent[c] = true;
                    ++cf.absent;
                }
                continue;
            }
            const int v = *s.counted[c];
            cf.highest = cf.sat ? std::max(cf.highest, v) : v;
            cf.lowest = cf.sat ? std::min(cf.lowest, v) : v;
            ++cf.sat;
            sums[c] += v;
            if (v >= marks.pass)
                ++cf.passed;
            if (v >= marks.excellent)
                ++cf.excellent;
            ++cf.bands[size_t(bandOf(v))];
            s.total += v;
            ++s.coursesCounted;
        }
    }
    for (size_t c = 0; c < nc; ++c) {
        if (f.perCourse[c].sat)
            f.perCourse[c].average = double(sums[c]) / f.perCourse[c].sat;
    }

    // Ranks within each class, in the order the classes first appear.
    QHash<QString, int> classIndex;
    std::vector<std::vector<int>> classes;
    for (size_t i = 0; i < f.students.size(); ++i) {
        const QString &name = snapshot.students[i].className;
        auto it = classIndex.constFind(name);
        if (it == classIndex.constEnd()) {
            it = classIndex.insert(name, int(classes.size()));
            classes.emplace_back();
        }
        classes[size_t(it.value())].push_back(int(i));
    }
    for (const std::vector<int> &members : classes) {
        std::vector<bool> classCourse(nc, false);
        for (int m : members) {
            for (size_t c = 0; c < nc; ++c) {
                if (hasRecord[size_t(m)][c])
                    classCourse[c] = true;
            }
        }
        for (size_t c = 0; c < nc; ++c) {
            if (!classCourse[c])
                continue;
            std::vector<int> sat;
            for (int m : members) {
                if (f.students[size_t(m)].counted[c])
                    sat.push_back(m);
            }
            rankGroup(sat, [&](int m) { return *f.students[size_t(m)].counted[c]; },
                      [&](int m, int rank) { f.students[size_t(m)].courseRank[c] = rank; });
        }
        std::vector<int> ranked;
        for (int m : members) {
            StudentFigures &s = f.students[size_t(m)];
            for (size_t c = 0; c < nc; ++c) {
                if (classCourse[c] && !s.counted[c])
                    s.complete = false;
            }
            if (s.coursesCounted > 0 && (s.complete || marks.rankIncomplete))
                ranked.push_back(m);
        }
        rankGroup(ranked, [&](int m) { return f.students[size_t(m)].total; },
                  [&](int m, int rank) { f.students[size_t(m)].rank = rank; });
    }
    return f;
}

} // namespace stats
