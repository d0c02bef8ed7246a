#include "reports/ScoreCards.h"

#include "reports/LayoutFonts.h"

namespace report {

using layout::BandHeight;

namespace {

// Records in groups, one group per student: a sub-detail follows the
// master's current card by its position, not by a key lookup over every
// record, so that the cards of the whole school cost no more per card than
// those of one class.
class Rows : public ReportData {
public:
    Rows(const QStringList &fields, const int *card) : m_card(card)
    {
        for (int i = 0; i < fields.size(); ++i)
            m_index.insert(fields.at(i), i);
    }
    void reset(size_t groups)
    {
        m_groups.assign(groups, {});
        m_pos = 0;
    }
    void add(size_t group, QVariantList values) { m_groups[group].push_back(std::move(values)); }
    size_t groups() const { return m_groups.size(); }

    bool active() const override { return true; }
    void first() override { m_pos = 0; }
    void next() override
    {
        if (!eof())
            ++m_pos;
    }
    bool eof() const override { return m_pos >= recordCount(); }
    void skip(int records) override { m_pos = std::min(m_pos + std::max(records, 0), recordCount()); }
    int recordCount() const override
    {
        const std::vector<QVariantList> *g = group();
        return g ? int(g->size()) : 0;
    }
    int fieldIndex(const QString &field) const override { return m_index.value(field, -1); }
    QVariant valueAt(int field) const override
    {
        if (eof())
            return {};
        const QVariantList &row = (*group())[size_t(m_pos)];
        return field >= 0 && field < row.size() ? row.at(field) : QVariant();
    }

    // The master moves the shared card position.
    int *position() { return &m_pos; }

private:
    // The master's records, or a sub-detail's records of the master's card.
    const std::vector<QVariantList> *group() const
    {
        const size_t g = m_card ? size_t(*m_card) : 0;
        return g < m_groups.size() ? &m_groups[g] : nullptr;
    }

    const int *m_card;  // the master's position; null: this is the master
    QHash<QString, int> m_index;
    std::vector<std::vector<QVariantList>> m_groups;
    int m_pos = 0;
};

const QStringList StudentFields{QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("性别"),
                                QStringLiteral("班级"), QStringLiteral("专业"), QStringLiteral("系别")};
const QStringList ScoreFields{QStringLiteral("科目"), QStringLiteral("成绩"), QStringLiteral("第一次补考成绩"),
                              QStringLiteral("第二次补考成绩"), QStringLiteral("计分成绩"), QStringLiteral("班级名次")};
const QStringList TotalFields{QStringLiteral("总分"), QStringLiteral("平均分"), QStringLiteral("总分名次")};

// The columns of a card's score table: where each text starts, and the
// rules between them (mm from the band's left edge).
constexpr double ScoreX[] = {3.2, 48.2, 68.2, 103.2, 138.2, 163.2};
constexpr double ScoreRules[] = {45.0, 65.0, 100.0, 135.0, 160.0};

QVariant number(const std::optional<int> &v) { return v ? QVariant(*v) : QVariant(); }

} // namespace

QString twoDecimals(double value) { return QString::number(value, 'f', 2); }

QString totalRankText(const stats::StudentFigures &s)
{
    if (s.rank > 0)
        return QString::number(s.rank);
    if (s.coursesCounted > 0 && !s.complete)
        return QStringLiteral("缺科不排名");
    return QString();
}

struct ScoreCards::Data {
    Rows students{StudentFields, nullptr};
    Rows captions{ScoreFields, nullptr};
    Rows scores{ScoreFields, students.position()};
    Rows totals{TotalFields, students.position()};
};

ScoreCards::ScoreCards() : d(std::make_unique<Data>())
{
    d->students.reset(1);
    d->captions.reset(1);
    d->captions.add(0, QVariantList(ScoreFields.begin(), ScoreFields.end()));

    Report1.setTitle(QStringLiteral("学生成绩单"));
    Report1.setMaster(&d->students);
    Report1.setMargins(QMarginsF(10.0, 10.0, 10.0, 10.0));
    Report1.setDefaultFont(layout::arial());
    Report1.setNewPagePerRecord(true);

    Band &head = Report1.addBand(BandKind::PageHeader, BandHeight);
    head.addText(80.0, 3.2, QStringLiteral("学生成绩单"), layout::hei(14, true));
    head.addDate(157.7, 3.2);

    // The student: two rows of captions and values.
    Band &student = Report1.addBand(BandKind::Detail, 2 * BandHeight).setFrame(FrameAll);
    const struct {
        double x, y;
        const char16_t *field;
    } cells[] = {{3.2, 3.2, u"学号"}, {52.0, 3.2, u"姓名"}, {105.0, 3.2, u"性别"}, {135.0, 3.2, u"班级"},
                 {3.2, 13.8, u"专业"}, {52.0, 13.8, u"系别"}};
    for (const auto &c : cells) {
        const QString field = QString::fromUtf16(c.field);
        student.addText(c.x, c.y, field, layout::song(11, true));
        student.addDataText(c.x + 13.0, c.y, field).setFont(layout::song(11));
    }

    // The captions of the score table, once per card, then a row per record.
    Band &captions = Report1.addSubDetail(&d->captions, BandHeight).setFrame(FrameAll);
    Band &scores = Report1.addSubDetail(&d->scores, BandHeight).setFrame(FrameAll);
    for (int i = 0; i < ScoreFields.size(); ++i) {
        captions.addText(ScoreX[i], 3.2, ScoreFields.at(i), layout::song(11, true));
        scores.addDataText(ScoreX[i], 3.2, ScoreFields.at(i)).setFont(layout::song(11));
    }
    for (double x : ScoreRules) {
        captions.addVerticalLine(x);
        scores.addVerticalLine(x);
    }

    Band &totals = Report1.addSubDetail(&d->totals, BandHeight).setFrame(FrameAll);
    const struct {
        double x;
        const char16_t *caption;
    } totalCells[] = {{3.2, u"总分"}, {58.2, u"平均分"}, {108.2, u"总分名次"}};
    for (int i = 0; i < 3; ++i) {
        const QString caption = QString::fromUtf16(totalCells[i].caption);
        totals.addText(totalCells[i].x, 3.2, caption, layout::song(11, true));
        totals.addDataText(totalCells[i].x + 22.0, 3.2, TotalFields.at(i)).setFont(layout::song(11));
    }

    Report1.addBand(BandKind::PageFooter, BandHeight)
            .addExpression(85.7, 4.2, QStringLiteral("'第 '+PAGENUMBER+' 页'"));
}

ScoreCards::~ScoreCards() = default;

int ScoreCards::cardCount() const { return d->students.recordCount(); }

void ScoreCards::setCards(const stats::Snapshot &snapshot, const stats::Figures &figures, const stats::Marks &marks,
                          int only)
{
    std::vector<int> chosen;
    for (int i = 0; i < int(snapshot.students.size()); ++i) {
        if (only < 0 || i == only)
            chosen.push_back(i);
    }
    d->students.reset(1);
    d->scores.reset(chosen.size());
    d->totals.reset(chosen.size());
    std::vector<int> cardOf(snapshot.students.size(), -1);
    for (size_t card = 0; card < chosen.size(); ++card) {
        const int i = chosen[card];
        cardOf[size_t(i)] = int(card);
        const stats::Student &s = snapshot.students[size_t(i)];
        d->students.add(0, {s.number, s.name, s.sex, s.className, s.speciality, s.department});
        const stats::StudentFigures &f = figures.students[size_t(i)];
        d->totals.add(card, {f.coursesCounted ? QVariant(f.total) : QVariant(),
                             f.coursesCounted ? QVariant(twoDecimals(f.average())) : QVariant(), totalRankText(f)});
    }
    for (const stats::ScoreRecord &r : snapshot.scores) {
        const int card = cardOf[size_t(r.student)];
        if (card < 0)
            continue;
        const stats::StudentFigures &f = figures.students[size_t(r.student)];
        const int c = figures.courseIndex(r.course);
        const std::optional<int> counted = stats::countedScore(r.score, r.firstMakeUp, r.secondMakeUp, marks.pass);
        const int rank = c >= 0 ? f.courseRank[size_t(c)] : 0;
        d->scores.add(size_t(card), {r.course, number(r.score), number(r.firstMakeUp), number(r.secondMakeUp),
                                     counted ? QVariant(*counted) : QVariant(QStringLiteral("缺考")),
                                     rank > 0 ? QVariant(rank) : QVariant()});
    }
}

} // namespace report
