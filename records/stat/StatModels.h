// The statistics window's two tables as item models: the figures of each
// course, and the students with their scores, ranks and totals. Plain table
// models, so that whatever exports a grid can take them as they are.
#pragma once

#include "statistics/Statistics.h"

#include <QAbstractTableModel>

// One row per course shown: 课程, 人数, 缺考, 平均分, 最高分, 最低分,
// 及格人数, 及格率, 优秀人数, 优秀率, then a count per score band.
class CourseStatModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    void setFigures(const stats::Figures &figures, const QString &course);
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation o, int role = Qt::DisplayRole) const override;
    const stats::CourseFigures *course(int row) const;

private:
    std::vector<stats::CourseFigures> m_rows;
};

// One row per student, by class and rank on the total: 学号, 姓名, 班级, for
// each course shown its score that counts and the class rank, then 总分,
// 平均分, 总分名次.
class RankModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    void setFigures(stats::Snapshot snapshot, stats::Figures figures, const QString &course);
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation o, int role = Qt::DisplayRole) const override;
    // The student of a row: its record's id and class, for its report card.
    const stats::Student *student(int row) const;

private:
    // Texts are made when a cell is shown: the whole school has as many
    // rows as students.
    QStringList m_headers;
    stats::Snapshot m_snapshot;
    stats::Figures m_figures;
    std::vector<int> m_shownCourses;
    std::vector<int> m_order; // rows: indexes into the students
};

// An average and a rate as the window shows them: two decimals, a percent.
QString rateText(double rate);
