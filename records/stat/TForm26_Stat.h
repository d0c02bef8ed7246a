// Score statistics: for a class (or all) and a course (or all), the figures
// of each course, a bar chart of the score bands, and the students' scores,
// ranks and totals; the report cards of one student, the class or the
// school. The pass and excellent marks and the rank option are remembered.
#pragma once

#include "ui/Form.h"
#include "statistics/Statistics.h"

#include <QLabel>

class QAbstractTableModel;
class QCheckBox;
class QSpinBox;
class QTableView;
class TSkinForm;
class TSkinButton;
class TSkinComboBox;
class BandChart;
class CourseStatModel;
class RankModel;
namespace report {
class ScoreCards;
}

class TForm26_Stat : public TForm {
    Q_OBJECT
public:
    explicit TForm26_Stat(QWidget *parent = nullptr);
    ~TForm26_Stat() override;

    void FormShow() override;
    // Reads the chosen class's records in one snapshot and shows the figures.
    void Button_StatClick();
    // Previews the report cards chosen in ComboBox_Cards.
    void Button_CardsClick();

    // The tables' models, for exporting them like any other grid.
    QAbstractTableModel *statisticsModel() const;
    QAbstractTableModel *ranksModel() const;
    report::ScoreCards &scoreCards() const { return *m_cards; }

    TSkinForm *skinForm1;
    QLabel *Label_Class, *Label_Course, *Label_Pass, *Label_Excellent, *Label_Rule;
    TSkinComboBox *ComboBox_Class, *ComboBox_Course, *ComboBox_Cards;
    QSpinBox *SpinEdit_Pass, *SpinEdit_Excellent;
    QCheckBox *CheckBox_RankIncomplete;
    TSkinButton *Button_Stat, *Button_Cards;
    QTableView *Grid_Stat, *Grid_Rank;
    BandChart *Chart_Bands;

private:
    // The marks as typed; false (after saying why) when they make no sense.
    bool readMarks(stats::Marks *marks);
    QString chosenClass() const;
    QString chosenCourse() const;
    void showChartOf(int row);

    CourseStatModel *m_statModel;
    RankModel *m_rankModel;
    std::unique_ptr<report::ScoreCards> m_cards;
};
