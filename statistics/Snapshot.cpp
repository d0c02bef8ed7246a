#include "statistics/Snapshot.h"

#include "db/Engine.h"
#include "db/open/OpenEngine.h"
#include "office/Schema.h"

#include <QHash>

#include <limits>

namespace stats {

namespace {

// A score field as a whole number; a text the field should not hold (a file
// filled by another tool) counts as not entered rather than as 0.
std::optional<int> scoreOf(const QVariant &v)
{
    if (v.isNull() || !v.isValid())
        return std::nullopt;
    bool ok = false;
    const qlonglong n = v.toString().trimmed().toLongLong(&ok);
    if (!ok || n < std::numeric_limits<int>::min() || n > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(n);
}

} // namespace

Snapshot readSnapshot(const QString &dataPath, const QString &className)
{
    using store::sql::quoteId;
    auto engine = store::openEngine(dataPath);
    auto students = engine->openFile(dataPath + store::schema::StudentFile);
    auto scores = engine->openFile(dataPath + store::schema::ScoreFile);

    auto st = [](const char16_t *f) { return QStringLiteral("st.") + quoteId(QString::fromUtf16(f)); };
    auto sc = [](const char16_t *f) { return QStringLiteral("sc.") + quoteId(QString::fromUtf16(f)); };
    // One statement over both tables: each engine reads it from one
    // snapshot (one read lock over both files, or one server snapshot).
    QString sql = QStringLiteral("SELECT st.rowid, %1, %2, %3, %4, %5, %6, sc.rowid, %7, %8, %9, %10 FROM %11 st LEFT JOIN %12 sc ON %13 = %14")
                      .arg(st(u"学号"), st(u"姓名"), st(u"性别"), st(u"班级"), st(u"专业"), st(u"系别"), sc(u"科目"),
                           sc(u"成绩"), sc(u"第一次补考成绩"))
                      .arg(sc(u"第二次补考成绩"), students->qualifiedTable(), scores->qualifiedTable(),
                           engine->noCase(sc(u"学号")), engine->noCase(st(u"学号")));
    if (!className.isEmpty())
        sql += QStringLiteral(" WHERE %1 = ?1").arg(st(u"班级"));
    sql += QStringLiteral(" ORDER BY st.rowid, %1").arg(sc(u"序号"));
    store::Statement q = engine->prepare(sql, store::schema::ScoreFile);
    if (!className.isEmpty())
        q.bind(1, className);

    Snapshot snap;
    QHash<QString, QString> courseNames; // one copy of each course's name
    qint64 lastRow = 0;
    bool any = false;
    while (q.step()) {
        const qint64 row = q.columnInt64(0);
        if (!any || row != lastRow) {
            Student s;
            s.id = row;
            s.number = q.column(1).toString();
            s.name = q.column(2).toString();
            s.sex = q.column(3).toString();
            s.className = q.column(4).toString();
            s.speciality = q.column(5).toString();
            s.department = q.column(6).toString();
            snap.students.push_back(std::move(s));
            lastRow = row;
            any = true;
        }
        // A student without score records comes with one row of empty fields.
        if (q.column(7).isNull())
            continue;
        ScoreRecord r;
        r.student = int(snap.students.size()) - 1;
        const QString name = q.column(8).toString();
        auto it = courseNames.constFind(name);
        if (it == courseNames.constEnd())
            it = courseNames.insert(name, name);
        r.course = it.value();
        r.score = scoreOf(q.column(9));
        r.firstMakeUp = scoreOf(q.column(10));
        r.secondMakeUp = scoreOf(q.column(11));
        snap.scores.push_back(std::move(r));
    }
    return snap;
}

namespace {

QStringList names(const QString &dataPath, const QString &file, const QString &field)
{
    auto engine = store::openEngine(dataPath);
    auto table = engine->openFile(dataPath + file);
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
