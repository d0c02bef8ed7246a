#include "bench/LoadLog.h"

#include "db/EngineTexts.h"

#include <QStringList>

namespace bench::load {

namespace {

const char *const Names[] = {"ok", "refused_conflict", "refused_lock", "error"};

QString oneLine(QString text)
{
    text.replace(u'\t', u' ').replace(u'\n', u' ').replace(u'\r', u' ');
    return text;
}

} // namespace

QString outcomeName(Outcome o) { return QString::fromLatin1(Names[int(o)]); }

QString format(const Entry &e)
{
    return QStringList{QStringLiteral("LOAD"), e.kind, QString::number(e.ms, 'f', 3), outcomeName(e.outcome),
                       oneLine(e.target), oneLine(e.value), oneLine(e.text)}
        .join(u'\t');
}

std::optional<Entry> parse(int clerk, const QString &line)
{
    const QStringList f = line.split(u'\t');
    if (f.size() != 7 || f[0] != QLatin1String("LOAD"))
        return std::nullopt;
    Entry e;
    e.clerk = clerk;
    e.kind = f[1];
    e.ms = f[2].toDouble();
    e.outcome = Outcome::Error;
    for (int i = 0; i < int(std::size(Names)); ++i) {
        if (f[3] == QLatin1String(Names[i]))
            e.outcome = Outcome(i);
    }
    e.target = f[4];
    e.value = f[5];
    e.text = f[6];
    return e;
}

Outcome classify(const QString &boxText)
{
    // The lock (or a record another session holds) was not free in time.
    if (boxText.contains(QStringLiteral("请稍后再试")))
        return Outcome::RefusedLock;
    // The record changed or went under the clerk, or two clerks took the
    // same key at once.
    if (boxText.contains(QStringLiteral("其他用户")) || boxText.contains(store::texts::duplicateKey()))
        return Outcome::RefusedConflict;
    return Outcome::Error;
}

} // namespace bench::load
