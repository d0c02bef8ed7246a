#include "statistics/Snapshot.h"
#include "db/StoredTable.h"

#include "db/Engine.h"
#include "db/open/OpenEngine.h"
#include "office/Schema.h"

#include <QHash>

#include <algorithm>
#include <limits>

namespace stats {

namespace {

// A score field as a whole number; a text the field should not hold (a file
// filled by another tool) counts as not entered rather than as 0.
std::optional<int> scoreOf(const QVariant &v)
{
    if (v.isNull() || !v.isValid())
        return std::nullopt;
    if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int) {
        const qlonglong n = v.toLongLong();
        if (n < std::numeric_limits<int>::min() || n > std::numeric_limits<int>::max())
            return std::nullopt;
        return int(n);
    }
    bool ok = false;
    const qlonglong n = v.toString().trimmed().toLongLong(&ok);
    if (!ok || n < std::numeric_limits<int>::min() || n > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(n);
}

// The student number as the score table's index compares it: ASCII letters
// folded, nothing else (the embedded NOCASE, the server's lower() in "C").
// A number without capitals (most are digits) is shared, not copied.
QString foldAscii(const QString &text)
{
    const auto upper = [](QChar c) { return c.unicode() >= u'A' && c.unicode() <= u'Z'; };
    if (std::none_of(text.begin(), text.end(), upper))
        return text;
    QString out = text;
    for (QChar &c : out) {
        if (upper(c))
            c = QChar(c.unicode() + (u'a' - u'A'));
    }
    return out;
}

} // namespace

Snapshot readSnapshot(const QString &dataPath, const QString &className)
{
    using store::sql::quoteId;
    auto engine = store::openEngine(dataPath);
    auto students = engine->openTable(dataPath + store::schema::StudentFile);
    auto scores = engine->openTable(dataPath + store::schema::ScoreFile);

    auto f = [](const char16_t *name) { return quoteId(QString::fromUtf16(name)); };
    const QString number = f(u"学号"), inClass = QStringLiteral(" WHERE %1 = ?1").arg(f(u"班级"));
    // One statement over both tables, so that each engine reads both from
    // one snapshot (one read lock over both files, or one server snapshot).
    // The students and the score records come as two runs of rows, each
    // read straight through (the whole school) or through the number index
    // (a class), and are matched here: far fewer steps than one index
    // lookup per student.
    QString sql = QStringLiteral("SELECT 0, rowid, %1, %2, %3, %4, %5, %6, NULL, NULL, NULL, NULL FROM %7")
                      .arg(number, f(u"姓名"), f(u"性别"), f(u"班级"), f(u"专业"), f(u"系别"), students->qualifiedTable());
    if (!className.isEmpty())
        sql += inClass;
    sql += QStringLiteral(" UNION ALL SELECT 1, rowid, %1, %2, NULL, NULL, NULL, NULL, %3, %4, %5, %6 FROM %7")
               .arg(number, f(u"科目"), f(u"序号"), f(u"成绩"), f(u"第一次补考成绩"), f(u"第二次补考成绩"),
                    scores->qualifiedTable());
    if (!className.isEmpty())
        sql += QStringLiteral(" WHERE %1 IN (SELECT %2 FROM %3%4)")
                   .arg(engine->noCase(number), engine->noCase(number), students->qualifiedTable(), inClass);
    store::Statement q = engine->prepare(sql, store::schema::ScoreFile);
    if (!className.isEmpty())
        q.bind(1, className);

    Snapshot snap;
    std::vector<ScoreRecord> records; // in the order read; student: unknown yet
    std::vector<QString> numbers;     // each record's student number
    std::vector<std::pair<qint64, qint64>> order; // each record's number and row id
    QHash<QString, QString> courseNames; // one copy of each course's name
    QString lastCourse;                  // records come in runs of one course
    if (className.isEmpty()) {
        const size_t expected = size_t(std::max<qint64>(scores->rowCount(), 0));
        records.reserve(expected);
        numbers.reserve(expected);
        order.reserve(expected);
    }
    while (q.step()) {
        if (q.columnInt64(0) == 0) {
            Student s;
            s.id = q.columnInt64(1);
            s.number = q.column(2).toString();
            s.name = q.column(3).toString();
            s.sex = q.column(4).toString();
            s.className = q.column(5).toString();
            s.speciality = q.column(6).toString();
            s.department = q.column(7).toString();
            snap.students.push_back(std::move(s));
            continue;
        }
        ScoreRecord r;
        const QString name = q.column(3).toString();
        if (name != lastCourse) {
            auto it = courseNames.constFind(name);
            if (it == courseNames.constEnd())
                it = courseNames.insert(name, name);
            lastCourse = it.value();
        }
        r.course = lastCourse;
        r.score = scoreOf(q.column(9));
        r.firstMakeUp = scoreOf(q.column(10));
        r.secondMakeUp = scoreOf(q.column(11));
        records.push_back(std::move(r));
        numbers.push_back(q.column(2).toString());
        order.emplace_back(q.column(8).isNull() ? 0 : q.columnInt64(8), q.columnInt64(1));
    }

    // Students in the table's stored order; each score record goes with
    // every student of its number (numbers are not unique), in the score
    // table's order. Only small keys are sorted, once.
    std::stable_sort(snap.students.begin(), snap.students.end(),
                     [](const Student &a, const Student &b) { return a.id < b.id; });
    QHash<QString, int> firstOf;            // a number's first student
    std::vector<int> nextOf(snap.students.size(), -1); // the next student of the same number
    firstOf.reserve(qsizetype(snap.students.size()));
    for (int i = int(snap.students.size()) - 1; i >= 0; --i) {
        const QString key = foldAscii(snap.students[size_t(i)].number);
        auto it = firstOf.find(key);
        if (it != firstOf.end()) {
            nextOf[size_t(i)] = it.value();
            it.value() = i;
        } else {
            firstOf.insert(key, i);
        }
    }
    struct Key {
        int student;
        qint64 seq, rowid;
        size_t record;
    };
    std::vector<Key> keys;
    keys.reserve(records.size());
    for (size_t r = 0; r < records.size(); ++r) {
        const auto it = firstOf.constFind(foldAscii(numbers[r]));
        for (int s = it == firstOf.constEnd() ? -1 : it.value(); s >= 0; s = nextOf[size_t(s)])
            keys.push_back({s, order[r].first, order[r].second, r});
    }
    std::sort(keys.begin(), keys.end(), [](const Key &a, const Key &b) {
        if (a.student != b.student)
            return a.student < b.student;
        return a.seq != b.seq ? a.seq < b.seq : a.rowid < b.rowid;
    });
    snap.scores.reserve(keys.size());
    for (const Key &k : keys) {
        snap.scores.push_back(records[k.record]);
        snap.scores.back().student = k.student;
    }
    return snap;
}

namespace {

QStringList names(const QString &dataPath, const QString &file, const QString &field)
{
    auto engine = store::openEngine(dataPath);
    auto table = engine->openTable(dataPath + file);
    store::Statement q = engine->prepare(
        QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(store::sql::quoteId(field), table->qualifiedTable()), file);
    QStringList out;
    while (q.step()) {
        const QString name = q.column(0).toString();
        if (!name.isEmpty() && !out.contains(name))
            out << name;
    }
    return out;
}

} // namespace

QStringList classNames(const QString &dataPath)
{
    return names(dataPath, store::schema::ClassFile, QStringLiteral("班级名称"));
}

QStringList courseNames(const QString &dataPath)
{
    return names(dataPath, store::schema::CourseFile, QStringLiteral("课程名称"));
}

} // namespace stats
