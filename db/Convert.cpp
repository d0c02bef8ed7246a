#include "db/Convert.h"

#include "core/Dates.h"
#include "core/Error.h"

#include <QRegularExpression>

namespace store {

qint32 strToInt(const QString &text)
{
    static const QRegularExpression re(QStringLiteral("^\\s*[+-]?[0-9]+\\s*$"));
    bool ok = false;
    qint32 v = 0;
    if (re.match(text).hasMatch()) {
        const qlonglong wide = text.trimmed().toLongLong(&ok);
        ok = ok && wide >= INT32_MIN && wide <= INT32_MAX;
        v = qint32(wide);
    }
    if (!ok)
        throw Error(QStringLiteral("'%1' 不是一个有效的整形值").arg(text));
    return v;
}

QDateTime strToDateTime(const QString &text)
{
    if (const std::optional<QDateTime> dt = dates::parse(text))
        return *dt;
    throw Error(QStringLiteral("'%1' 不是一个有效的日期").arg(text));
}

} // namespace store
