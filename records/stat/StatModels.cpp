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

void RankModel::setFigures(stats::Snapshot snapshot, stats::Figures figures, const QString &course)
{
    beginResetModel();
    m_snapshot = std::move(snapshot);
    m_figures = std::move(figures);
    m_headers = QStringList{QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("班级")};
    m_shownCourses.clear();
    for (int c = 0; c < m_figures.courses.size(); ++c) {
        if (course.isEmpty() || m_figures.courses.at(c) == course) {
            m_shownCourses.push_back(c);
            m_headers << m_figures.courses.at(c) << QStringLiteral("%1名次").arg(m_figures.courses.at(c));
        }
    }
    m_headers << QStringLiteral("总分") << QStringLiteral("平均分") << QStringLiteral("总分名次");

    // By class, in the order the classes first come, and within a class by
    // rank on the total; students without a rank after, in stored order.
    QHash<QString, int> classOrder;
    std::vector<int> classOf(m_snapshot.students.size());
    for (size_t i = 0; i < m_snapshot.students.size(); ++i) {
        auto it = classOrder.constFind(m_snapshot.students[i].className);
        if (it == classOrder.constEnd())
            it = classOrder.insert(m_snapshot.students[i].className, int(classOrder.size()));
        classOf[i] = it.value();
    }
    m_order.resize(m_figures.students.size());
    std::iota(m_order.begin(), m_order.end(), 0);
    std::stable_sort(m_order.begin(), m_order.end(), [&](int a, int b) {
        if (classOf[size_t(a)] != classOf[size_t(b)])
            return classOf[size_t(a)] < classOf[size_t(b)];
        const int ra = m_figures.students[size_t(a)].rank, rb = m_figures.students[size_t(b)].rank;
        return (ra ? ra : INT_MAX) < (rb ? rb : INT_MAX);
    });
    endResetModel();
}

int RankModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(m_order.size()); }

int RankModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(m_headers.size()); }

QVariant RankModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || index.row() < 0 || index.row() >= int(m_order.size()))
        return {};
    const int i = m_order[size_t(index.row())];
    const stats::Student &s = m_snapshot.students[size_t(i)];
    const stats::StudentFigures &f = m_figures.students[size_t(i)];
    int col = index.column();
    switch (col) {
    case 0: return s.number;
    case 1: return s.name;
    case 2: return s.className;
    }
    col -= 3;
    if (col < 2 * int(m_shownCourses.size())) {
        const size_t c = size_t(m_shownCourses[size_t(col / 2)]);
        if (col % 2)
            return f.courseRank[c] ? QString::number(f.courseRank[c]) : QString();
        return f.counted[c] ? QString::number(*f.counted[c]) : f.absent[c] ? QStringLiteral("缺考") : QString();
    }
    switch (col - 2 * int(m_shownCourses.size())) {
    case 0: return f.coursesCounted ? QString::number(f.total) : QString();
    case 1: return f.coursesCounted ? report::twoDecimals(f.average()) : QString();
    case 2: return report::totalRankText(f);
    }
    return {};
}

QVariant RankModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (o != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return m_headers.value(section);
}

const stats::Student *RankModel::student(int row) const
{
    return row >= 0 && row < int(m_order.size()) ? &m_snapshot.students[size_t(m_order[size_t(row)])] : nullptr;
}
