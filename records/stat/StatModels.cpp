#include "records/stat/StatModels.h"

#include "reports/ScoreCards.h"

#include <QHash>

#include <algorithm>
#include <climits>
#include <numeric>

namespace {

const QStringList CourseHeaders{QStringLiteral("课程"),     QStringLiteral("人数"),     QStringLiteral("缺考"),
                                QStringLiteral("平均分"),   QStringLiteral("最高分"),   QStringLiteral("最低分"),
                                QStringLiteral("及格人数"), QStringLiteral("及格率"),   QStringLiteral("优秀人数"),
                                QStringLiteral("优秀率")};

} // namespace

QString rateText(double rate) { return QString::number(rate * 100.0, 'f', 2) + u'%'; }

void CourseStatModel::setFigures(const stats::Figures &figures, const QString &course)
{
    beginResetModel();
    m_rows.clear();
    for (const stats::CourseFigures &c : figures.perCourse) {
        if (course.isEmpty() || c.course == course)
            m_rows.push_back(c);
    }
    endResetModel();
}

int CourseStatModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(m_rows.size()); }

int CourseStatModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(CourseHeaders.size()) + stats::BandCount;
}

const stats::CourseFigures *CourseStatModel::course(int row) const
{
    return row >= 0 && row < int(m_rows.size()) ? &m_rows[size_t(row)] : nullptr;
}

QVariant CourseStatModel::data(const QModelIndex &index, int role) const
{
    const stats::CourseFigures *c = course(index.row());
    if (!c)
        return {};
    if (role == Qt::TextAlignmentRole)
        return index.column() == 0 ? QVariant() : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    // Nobody sat it: no average, no highest or lowest, no rates.
    const QVariant none = c->sat ? QVariant() : QVariant(QStringLiteral("—"));
    switch (index.column()) {
    case 0: return c->course;
    case 1: return c->sat;
    case 2: return c->absent;
    case 3: return c->sat ? QVariant(report::twoDecimals(c->average)) : none;
    case 4: return c->sat ? QVariant(c->highest) : none;
    case 5: return c->sat ? QVariant(c->lowest) : none;
    case 6: return c->passed;
    case 7: return c->sat ? QVariant(rateText(c->passRate())) : none;
    case 8: return c->excellent;
    case 9: return c->sat ? QVariant(rateText(c->excellentRate())) : none;
    default: {
        const int band = index.column() - int(CourseHeaders.size());
        return band < stats::BandCount ? QVariant(c->bands[size_t(band)]) : QVariant();
    }
    }
}

QVariant CourseStatModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (o != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    if (section < CourseHeaders.size())
        return CourseHeaders.at(section);
    return stats::bandName(section - int(CourseHeaders.size()));
}

void RankModel::setFigures(const stats::Snapshot &snapshot, const stats::Figures &figures, const QString &course)
{
    beginResetModel();
    m_headers = QStringList{QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("班级")};
    std::vector<int> shown;
    for (int c = 0; c < figures.courses.size(); ++c) {
        if (course.isEmpty() || figures.courses.at(c) == course) {
            shown.push_back(c);
            m_headers << figures.courses.at(c) << QStringLiteral("%1名次").arg(figures.courses.at(c));
        }
    }
    m_headers << QStringLiteral("总分") << QStringLiteral("平均分") << QStringLiteral("总分名次");

    // By class, in the order the classes first come, and within a class by
    // rank on the total; students without a rank after, in stored order.
    QHash<QString, int> classOrder;
    for (const stats::Student &s : snapshot.students) {
        if (!classOrder.contains(s.className))
            classOrder.insert(s.className, int(classOrder.size()));
    }
    std::vector<int> order(figures.students.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const int ca = classOrder.value(snapshot.students[size_t(a)].className);
        const int cb = classOrder.value(snapshot.students[size_t(b)].className);
        if (ca != cb)
            return ca < cb;
        const int ra = figures.students[size_t(a)].rank, rb = figures.students[size_t(b)].rank;
        return (ra ? ra : INT_MAX) < (rb ? rb : INT_MAX);
    });

    m_rows.clear();
    m_students.clear();
    for (int i : order) {
        const stats::Student &s = snapshot.students[size_t(i)];
        const stats::StudentFigures &f = figures.students[size_t(i)];
        QStringList row{s.number, s.name, s.className};
        for (int c : shown) {
            const auto &v = f.counted[size_t(c)];
            row << (v ? QString::number(*v) : f.absent[size_t(c)] ? QStringLiteral("缺考") : QString());
            row << (f.courseRank[size_t(c)] ? QString::number(f.courseRank[size_t(c)]) : QString());
        }
        row << (f.coursesCounted ? QString::number(f.total) : QString())
            << (f.coursesCounted ? report::twoDecimals(f.average()) : QString()) << report::totalRankText(f);
        m_rows.push_back(std::move(row));
        m_students.push_back(s);
    }
    endResetModel();
}

int RankModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(m_rows.size()); }

int RankModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(m_headers.size()); }

QVariant RankModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || index.row() < 0 || index.row() >= int(m_rows.size()))
        return {};
    return m_rows[size_t(index.row())].value(index.column());
}

QVariant RankModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (o != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return m_headers.value(section);
}

const stats::Student *RankModel::student(int row) const
{
    return row >= 0 && row < int(m_students.size()) ? &m_students[size_t(row)] : nullptr;
}
