#include "store/Convert.h"

#include "store/DataSet.h"

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
    static const QRegularExpression re(QStringLiteral(
        "^\\s*(\\d{4})[-/.](\\d{1,2})[-/.](\\d{1,2})(?:[ T]+(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?)?\\s*$"));
    const auto m = re.match(text);
    if (m.hasMatch()) {
        const QDate d(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        QTime t(0, 0);
        if (!m.captured(4).isEmpty())
            t = QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).isEmpty() ? 0 : m.captured(6).toInt());
        if (d.isValid() && t.isValid())
            return QDateTime(d, t);
    }
    throw Error(QStringLiteral("'%1' 不是一个有效的日期").arg(text));
}

} // namespace store
