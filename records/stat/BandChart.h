// A bar chart of how a course's scores spread over the bands, drawn in the
// themed frame's colours: a pinstriped face, grey bars with their counts.
#pragma once

#include "statistics/Statistics.h"

#include <QWidget>

class BandChart : public QWidget {
    Q_OBJECT
public:
    explicit BandChart(QWidget *parent = nullptr);
    // The counts per band and the course they are of; no course: empty.
    void setCourse(const QString &course, const std::array<int, stats::BandCount> &bands);
    void clear();
    const std::array<int, stats::BandCount> &bands() const { return m_bands; }
    QString course() const { return m_course; }

protected:
    void paintEvent(QPaintEvent *e) override;

private:
    QString m_course;
    std::array<int, stats::BandCount> m_bands{};
};
