#include "records/stat/TForm26_Stat.h"

#include "records/stat/BandChart.h"
#include "records/stat/StatModels.h"

#include "core/Globals.h"
#include "reports/ScoreCards.h"
#include "skin/SkinButton.h"
#include "skin/SkinComboBox.h"
#include "skin/SkinForm.h"
#include "skin/SkinItemHeightDelegate.h"
#include "statistics/Settings.h"
#include "statistics/Snapshot.h"
#include "ui/BusyCursor.h"
#include "ui/Guard.h"
#include "ui/Ui.h"
#include "dbwidgets/GridExport.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QSpinBox>
#include <QTableView>

namespace {

const QString AllClasses = QStringLiteral("全部班级");
const QString AllCourses = QStringLiteral("全部课程");
constexpr int RowHeight = 18;

// Looks like the program's other grids.
QTableView *grid(QWidget *parent, const char *name, QAbstractTableModel *model)
{
    auto *g = new QTableView(parent);
    g->setObjectName(QString::fromLatin1(name));
    g->setModel(model);
    applyGridLook(g, RowHeight);
    g->horizontalHeader()->setDefaultSectionSize(60);
    return g;
}

QSpinBox *markBox(QWidget *parent, const char *name, int x, int y)
{
    auto *box = new QSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(0, 100);
    box->setGeometry(x, y, 52, 21);
    return box;
}

} // namespace

TForm26_Stat::TForm26_Stat(QWidget *parent)
    : TForm(parent), m_statModel(new CourseStatModel(this)), m_rankModel(new RankModel(this)),
      m_cards(std::make_unique<report::ScoreCards>())
{
    const QString caption = QStringLiteral("学生成绩统计");
    const QFont font = design(QStringLiteral("Form26_Stat"), caption, QSize(760, 600));
    centreOnScreen();
    skinForm1 = new TSkinForm(this, caption,
                              {TitleButtonType::ControlBox, TitleButtonType::Close, TitleButtonType::Min});

    Label_Class = addNamedLabel("Label_Class", QStringLiteral("班级"), 10, 38);
    ComboBox_Class = new TSkinComboBox(this);
    ComboBox_Class->setObjectName(QStringLiteral("ComboBox_Class"));
    ComboBox_Class->setGeometry(42, 34, 140, 21);
    Label_Course = addNamedLabel("Label_Course", QStringLiteral("课程"), 194, 38);
    ComboBox_Course = new TSkinComboBox(this);
    ComboBox_Course->setObjectName(QStringLiteral("ComboBox_Course"));
    ComboBox_Course->setGeometry(226, 34, 140, 21);
    Label_Pass = addNamedLabel("Label_Pass", QStringLiteral("及格分数线"), 380, 38);
    SpinEdit_Pass = markBox(this, "SpinEdit_Pass", 446, 34);
    Label_Excellent = addNamedLabel("Label_Excellent", QStringLiteral("优秀分数线"), 508, 38);
    SpinEdit_Excellent = markBox(this, "SpinEdit_Excellent", 574, 34);
    Button_Stat = new TSkinButton(QStringLiteral("统计 &T"), this);
    Button_Stat->setObjectName(QStringLiteral("Button_Stat"));
    Button_Stat->setFont(font);
    Button_Stat->setGeometry(640, 32, 110, 25);

    CheckBox_RankIncomplete = new QCheckBox(QStringLiteral("缺考或缺科的学生也按已有成绩的总分排名"), this);
    CheckBox_RankIncomplete->setObjectName(QStringLiteral("CheckBox_RankIncomplete"));
    CheckBox_RankIncomplete->setGeometry(10, 62, 400, 20);

    Label_Rule = addNamedLabel("Label_Rule",
                               QStringLiteral("计分规则: 取成绩; 成绩不及格时取成绩和两次补考成绩中最高的一个。"
                                              "一条成绩记录三项都没有成绩即为缺考, 单独计数, 不算 0 分, 不计入平均分。"),
                               10, 86);
    Label_Rule->setWordWrap(true);
    Label_Rule->setFixedWidth(740);
    Label_Rule->adjustSize();

    Grid_Stat = grid(this, "Grid_Stat", m_statModel);
    store::addExportMenu(Grid_Stat, QStringLiteral("成绩统计"));
    Grid_Stat->setGeometry(10, 122, 500, 150);
    Grid_Stat->setColumnWidth(0, 80);
    Chart_Bands = new BandChart(this);
    Chart_Bands->setObjectName(QStringLiteral("Chart_Bands"));
    Chart_Bands->setGeometry(520, 122, 230, 150);

    Grid_Rank = grid(this, "Grid_Rank", m_rankModel);
    store::addExportMenu(Grid_Rank, QStringLiteral("成绩排名"));
    Grid_Rank->setGeometry(10, 282, 740, 276);

    ComboBox_Cards = new TSkinComboBox(this);
    ComboBox_Cards->setObjectName(QStringLiteral("ComboBox_Cards"));
    ComboBox_Cards->addItems({QStringLiteral("所选学生的成绩单"), QStringLiteral("本班全部学生的成绩单"),
                              QStringLiteral("全校学生的成绩单")});
    ComboBox_Cards->setGeometry(10, 568, 170, 21);
    Button_Cards = new TSkinButton(QStringLiteral("打印成绩单 &P"), this);
    Button_Cards->setObjectName(QStringLiteral("Button_Cards"));
    Button_Cards->setFont(font);
    Button_Cards->setGeometry(190, 566, 120, 25);

    ui::connectGuarded(Button_Stat, &TSkinButton::clicked, this, &TForm26_Stat::Button_StatClick);
    ui::connectGuarded(Button_Cards, &TSkinButton::clicked, this, &TForm26_Stat::Button_CardsClick);
    connect(Grid_Stat->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { showChartOf(current.row()); });
}

TForm26_Stat::~TForm26_Stat() = default;

QAbstractTableModel *TForm26_Stat::statisticsModel() const { return m_statModel; }

QAbstractTableModel *TForm26_Stat::ranksModel() const { return m_rankModel; }

void TForm26_Stat::FormShow()
{
    // The lists and the remembered marks are read afresh at every showing;
    // the choices stay where they were when they still exist.
    const QString cls = ComboBox_Class->currentText(), course = ComboBox_Course->currentText();
    ComboBox_Class->clear();
    ComboBox_Course->clear();
    ComboBox_Class->addItem(AllClasses);
    ComboBox_Course->addItem(AllCourses);
    ComboBox_Class->addItems(stats::classNames(DataPath));
    ComboBox_Course->addItems(stats::courseNames(DataPath));
    ComboBox_Class->setCurrentIndex(std::max(0, ComboBox_Class->findText(cls)));
    ComboBox_Course->setCurrentIndex(std::max(0, ComboBox_Course->findText(course)));
    const stats::Marks marks = stats::loadMarks();
    SpinEdit_Pass->setValue(marks.pass);
    SpinEdit_Excellent->setValue(marks.excellent);
    CheckBox_RankIncomplete->setChecked(marks.rankIncomplete);
}

QString TForm26_Stat::chosenClass() const
{
    return ComboBox_Class->currentIndex() > 0 ? ComboBox_Class->currentText() : QString();
}

QString TForm26_Stat::chosenCourse() const
{
    return ComboBox_Course->currentIndex() > 0 ? ComboBox_Course->currentText() : QString();
}

bool TForm26_Stat::readMarks(stats::Marks *marks)
{
    marks->pass = SpinEdit_Pass->value();
    marks->excellent = SpinEdit_Excellent->value();
    marks->rankIncomplete = CheckBox_RankIncomplete->isChecked();
    if (marks->excellent < marks->pass) {
        ui::messageBox(QStringLiteral("优秀分数线不能低于及格分数线!"), QStringLiteral("提示"), ui::Icon::Information);
        return false;
    }
    // Remembered as soon as they are used; a directory that cannot be
    // written keeps them for this run.
    stats::saveMarks(*marks);
    return true;
}

void TForm26_Stat::Button_StatClick()
{
    stats::Marks marks;
    if (!readMarks(&marks))
        return;
    ui::BusyCursor busy;
    stats::Snapshot snapshot = stats::readSnapshot(DataPath, chosenClass());
    stats::Figures figures = stats::compute(snapshot, marks);
    m_statModel->setFigures(figures, chosenCourse());
    m_rankModel->setFigures(std::move(snapshot), std::move(figures), chosenCourse());
    // Sized to the headers and the first rows shown, as far as the view
    // samples them: cheap for the whole school too.
    Grid_Stat->resizeColumnsToContents();
    Grid_Rank->resizeColumnsToContents();
    if (m_statModel->rowCount() > 0)
        Grid_Stat->selectRow(0);
    showChartOf(0);
}

void TForm26_Stat::showChartOf(int row)
{
    const stats::CourseFigures *c = m_statModel->course(row);
    if (c)
        Chart_Bands->setCourse(c->course, c->bands);
    else
        Chart_Bands->clear();
}

void TForm26_Stat::Button_CardsClick()
{
    stats::Marks marks;
    if (!readMarks(&marks))
        return;
    const int choice = ComboBox_Cards->currentIndex();
    QString cls;
    qint64 only = 0;
    if (choice == 0) {
        const stats::Student *s = m_rankModel->student(Grid_Rank->currentIndex().row());
        if (!s) {
            ui::messageBox(QStringLiteral("请先统计, 并在名次表中选择一个学生!"), QStringLiteral("提示"),
                           ui::Icon::Information);
            return;
        }
        cls = s->className;
        only = s->id;
    } else if (choice == 1) {
        cls = chosenClass();
        if (cls.isEmpty()) {
            ui::messageBox(QStringLiteral("请先选择一个班级!"), QStringLiteral("提示"), ui::Icon::Information);
            return;
        }
    }
    report::ScoreCards &cards = *m_cards;
    {
        ui::BusyCursor busy;
        // The cards show the records as they are now, all of one moment; the
        // ranks are those of the student's class.
        const stats::Snapshot snapshot = stats::readSnapshot(DataPath, cls);
        int index = -1;
        if (choice == 0) {
            for (size_t i = 0; i < snapshot.students.size(); ++i) {
                if (snapshot.students[i].id == only)
                    index = int(i);
            }
        }
        if (choice == 0 && index < 0) {
            ui::messageBox(QStringLiteral("该学生已被其他用户修改或删除!"), QStringLiteral("提示"), ui::Icon::Information);
            return;
        }
        cards.setCards(snapshot, stats::compute(snapshot, marks), marks, index);
    }
    cards.Report1.preview(this);
}
