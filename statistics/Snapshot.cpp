#include "statistics/Snapshot.h"
#include "db/StoredTable.h"

#include "core/Error.h"

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
// Folded in place, in the engines' UTF-8, where a letter is one byte.
void foldAscii(QByteArray &number)
{
    for (char &c : number) {
        if (c >= 'A' && c <= 'Z')
            c = char(c + ('a' - 'A'));
    }
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
    // The files give the two runs in the order written; the server may mix
    // them, and is told.
    if (engine->typedColumns())
        sql += QStringLiteral(" ORDER BY 1");
    store::Statement q = engine->prepare(sql, store::schema::ScoreFile);
    if (!className.isEmpty())
        q.bind(1, className);

    Snapshot snap;
    std::vector<ScoreRecord> records; // in the order read
    // Each record once per student of its number (numbers are not unique),
    // to be put in the students' order, then the score table's.
    struct Key {
        int student;
        qint64 seq, rowid;
        size_t record;
    };
    std::vector<Key> keys;
    std::vector<int> uses; // how many keys name each record
    QHash<QByteArray, QString> courseNames; // one copy of each course's name
    QByteArray lastCourse("");              // records come in runs of one course
    QString lastCourseName;                 // (none: an empty name)
    QHash<QByteArray, int> firstOf;         // a folded number's first student
    std::vector<int> nextOf;                // the next student of the same number
    QByteArray key;                         // one buffer for every lookup
    bool linked = false;
    // Once the students are in: in the table's stored order, and found by
    // their folded numbers.
    const auto link = [&] {
        std::stable_sort(snap.students.begin(), snap.students.end(),
                         [](const Student &a, const Student &b) { return a.id < b.id; });
        nextOf.assign(snap.students.size(), -1);
        firstOf.reserve(qsizetype(snap.students.size()));
        for (int i = int(snap.students.size()) - 1; i >= 0; --i) {
            QByteArray folded = snap.students[size_t(i)].number.toUtf8();
            foldAscii(folded);
            auto it = firstOf.find(folded);
            if (it != firstOf.end()) {
                nextOf[size_t(i)] = it.value();
                it.value() = i;
            } else {
                firstOf.insert(folded, i);
            }
        }
        linked = true;
    };
    if (className.isEmpty()) {
        const size_t expected = size_t(std::max<qint64>(scores->rowCount(), 0));
        records.reserve(expected);
        uses.reserve(expected);
        keys.reserve(expected);
    }
    while (q.step()) {
        if (q.columnInt64(0) == 0) {
            if (linked)
                throw store::Error(QStringLiteral("成绩统计读到的记录次序不对,请重新统计"));
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
        if (!linked)
            link();
        ScoreRecord r;
        const QByteArrayView course = q.columnUtf8(3);
        if (course != lastCourse) {
            lastCourse = course.toByteArray();
            auto it = courseNames.constFind(lastCourse);
            if (it == courseNames.constEnd())
                it = courseNames.insert(lastCourse, QString::fromUtf8(lastCourse));
            lastCourseName = it.value();
        }
        r.course = lastCourseName;
        r.score = scoreOf(q.column(9));
        r.firstMakeUp = scoreOf(q.column(10));
        r.secondMakeUp = scoreOf(q.column(11));
        const size_t index = records.size();
        records.push_back(std::move(r));
        uses.push_back(0);
        const QByteArrayView number = q.columnUtf8(2);
        key.truncate(0);
        key.append(number.data(), number.size());
        foldAscii(key);
        const qint64 seq = q.column(8).isNull() ? 0 : q.columnInt64(8), rowid = q.columnInt64(1);
        const auto it = firstOf.constFind(key);
        for (int st = it == firstOf.constEnd() ? -1 : it.value(); st >= 0; st = nextOf[size_t(st)]) {
            keys.push_back({st, seq, rowid, index});
            ++uses[index];
        }
    }
    if (!linked)
        link();
    std::sort(keys.begin(), keys.end(), [](const Key &a, const Key &b) {
        if (a.student != b.student)
            return a.student < b.student;
        return a.seq != b.seq ? a.seq < b.seq : a.rowid < b.rowid;
    });
    snap.scores.reserve(keys.size());
    for (const Key &k : keys) {
        // A record of one student (nearly all) is moved, not copied.
        ScoreRecord &r = records[k.record];
        snap.scores.push_back(--uses[k.record] == 0 ? std::move(r) : r);
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
