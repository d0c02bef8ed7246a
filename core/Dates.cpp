#include "core/Dates.h"

#include <QLocale>
#include <QRegularExpression>

namespace dates {

namespace {

// A function rather than a constant: dates are asked for while other files'
// constants are made.
QString designed() { return QStringLiteral("yyyy-MM-dd"); }

// The form of a locale. Numeric short forms only: one that spells a month's
// name, or lacks a part, has no order a clerk could type digits in.
QString formatOf(const QLocale &locale)
{
    if (locale.language() == QLocale::C)
        return designed();
    QString f = locale.dateFormat(QLocale::ShortFormat);
    // Two digits would lose a date of birth's century.
    if (!f.contains(QLatin1String("yyyy")))
        f.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    if (f.contains(QLatin1String("MMM")) || f.contains(QLatin1String("ddd")) || !f.contains(u'y')
        || !f.contains(u'M') || !f.contains(u'd'))
        return designed();
    return f;
}

} // namespace

QString shortDateFormat()
{
    // Asked for every date shown: worked out again only when the default
    // locale changes.
    static QLocale cachedFor = QLocale::c();
    static QString cached = designed();
    const QLocale locale;
    if (locale != cachedFor) {
        cachedFor = locale;
        cached = formatOf(locale);
    }
    return cached;
}

QString text(const QDate &date) { return date.isValid() ? date.toString(shortDateFormat()) : QString(); }

QString text(const QDateTime &dateTime)
{
    if (!dateTime.isValid())
        return {};
    QString s = text(dateTime.date());
    if (dateTime.time() != QTime(0, 0))
        s += dateTime.time().toString(QStringLiteral(" hh:mm:ss"));
    return s;
}

std::optional<QDateTime> parse(const QString &input)
{
    static const QRegularExpression re(QStringLiteral(
        "^\\s*(\\d{1,4})\\s*[-/.]\\s*(\\d{1,4})\\s*[-/.]\\s*(\\d{1,4})\\.?"
        "(?:[ T]+(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?)?\\s*$"));
    const auto m = re.match(input);
    if (!m.hasMatch())
        return std::nullopt;
    const QString parts[3] = {m.captured(1), m.captured(2), m.captured(3)};
    // Where each of year, month and day stands: a four-digit year first is
    // the stored form; otherwise the short date form's order.
    int year = 0, month = 1, day = 2;
    if (parts[0].size() != 4) {
        const QString f = shortDateFormat();
        const qsizetype y = f.indexOf(u'y'), mo = f.indexOf(u'M'), d = f.indexOf(u'd');
        auto rank = [&](qsizetype self) { return int(y < self) + int(mo < self) + int(d < self); };
        year = rank(y);
        month = rank(mo);
        day = rank(d);
    }
    if (parts[year].size() != 4 || parts[month].size() > 2 || parts[day].size() > 2)
        return std::nullopt;
    const QDate d(parts[year].toInt(), parts[month].toInt(), parts[day].toInt());
    QTime t(0, 0);
    if (!m.captured(4).isEmpty())
        t = QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).isEmpty() ? 0 : m.captured(6).toInt());
    if (!d.isValid() || !t.isValid())
        return std::nullopt;
    return QDateTime(d, t);
}

} // namespace dates
