#include "bench/LoadCheck.h"

#include <QHash>
#include <QSet>

namespace bench::load {

namespace {

bool acknowledged(const Entry &e, const char *kind)
{
    return e.outcome == Outcome::Ok && e.kind == QLatin1String(kind) && !e.target.isEmpty();
}

// Numbers of 1..n (n the table's size) that no record holds: a gap or a
// number held twice leaves one out.
int numberingFaults(Raw &raw, const QString &table, QStringList &faults)
{
    const qint64 n = raw.scalar(QStringLiteral("SELECT count(*) FROM %1").arg(table));
    const qint64 held = raw.scalar(
        QStringLiteral("SELECT count(DISTINCT 序号) FROM %1 WHERE 序号 BETWEEN 1 AND ?1").arg(table), {n});
    if (held != n)
        faults << QStringLiteral("%1: %2 records, numbers 1..%2 held by only %3").arg(table).arg(n).arg(held);
    return int(n - held);
}

} // namespace

Check check(Raw &raw, const std::vector<Entry> &entries)
{
    Check c;
    c.numbering = numberingFaults(raw, raw.scores(), c.faults) +
                  numberingFaults(raw, raw.table(QStringLiteral("课程教学计划表")), c.faults);
    c.orphans = int(raw.scalar(QStringLiteral("SELECT count(*) FROM %1 AS s WHERE NOT EXISTS "
                                              "(SELECT 1 FROM %2 AS t WHERE t.学号 = s.学号)")
                                   .arg(raw.scores(), raw.students())));
    if (c.orphans > 0)
        c.faults << QStringLiteral("%1 scores of no student").arg(c.orphans);

    // Each student is written by one clerk only, so a clerk's own order of
    // its lines is the order its writes were stored in.
    QSet<QString> deletedStudents, deletedScores;
    for (const Entry &e : entries) {
        if (acknowledged(e, "delete_student"))
            deletedStudents << e.target;
        if (acknowledged(e, "delete_score") && !e.value.isEmpty())
            deletedScores << e.value;
    }
    QHash<QString, QString> changed;
    auto students = [&](const QString &where, const QVariantList &params) {
        return raw.scalar(QStringLiteral("SELECT count(*) FROM %1 WHERE %2").arg(raw.students(), where), params);
    };
    auto fault = [&](const QString &text) {
        ++c.missing;
        if (c.faults.size() < 50)
            c.faults << text;
    };
    // Each look: a count that must come out as expected.
    auto expect = [&](qint64 count, qint64 wanted, const QString &text) {
        ++c.checked;
        if (count != wanted)
            fault(text);
    };
    for (const Entry &e : entries) {
        const bool gone = deletedStudents.contains(e.target);
        if (acknowledged(e, "register") && !gone)
            expect(students(QStringLiteral("学号 = ?1"), {e.target}), 1,
                   QStringLiteral("registered student %1 missing").arg(e.target));
        if (acknowledged(e, "add_score") && !gone && !deletedScores.contains(e.value))
            expect(raw.scalar(QStringLiteral("SELECT count(*) FROM %1 WHERE 学号 = ?1 AND 第二次补考成绩 = ?2").arg(raw.scores()),
                              {e.target, e.value.toLongLong()}),
                   1, QStringLiteral("score %1 of %2 missing").arg(e.value, e.target));
        if (acknowledged(e, "change_student"))
            changed[e.target] = e.value;
        if (acknowledged(e, "delete_student"))
            expect(students(QStringLiteral("学号 = ?1"), {e.target}), 0,
                   QStringLiteral("deleted student %1 still there").arg(e.target));
        if (acknowledged(e, "delete_score") && !e.value.isEmpty())
            expect(raw.scalar(QStringLiteral("SELECT count(*) FROM %1 WHERE 第二次补考成绩 = ?1").arg(raw.scores()),
                              {e.value.toLongLong()}),
                   0, QStringLiteral("deleted score %1 still there").arg(e.value));
    }
    for (auto it = changed.cbegin(); it != changed.cend(); ++it) {
        if (!deletedStudents.contains(it.key()))
            expect(students(QStringLiteral("学号 = ?1 AND 籍贯 = ?2"), {it.key(), it.value()}), 1,
                   QStringLiteral("change of %1 to %2 missing").arg(it.key(), it.value()));
    }
    return c;
}

} // namespace bench::load
