// Text conversions with the record layer's error texts.
#pragma once

#include <QDateTime>
#include <QString>

namespace store {

// Decimal, signed 32-bit; otherwise "'<text>' 不是一个有效的整形值".
qint32 strToInt(const QString &text);
// A date as dates::parse() reads it (the short date form, or the stored
// "yyyy-M-d"), optionally with a time; otherwise "'<text>' 不是一个有效的日期".
QDateTime strToDateTime(const QString &text);

} // namespace store
