#include "db/Statement.h"

namespace store::sql {

QString quoteId(const QString &name)
{
    QString q = name;
    q.replace(u'"', QLatin1String("\"\""));
    return u'"' + q + u'"';
}

} // namespace store::sql
