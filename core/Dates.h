// The program's one short date form, for the boxes, grids, pickers and
// reports alike and for what a clerk types: the desktop's own, as the old
// program took it from the system. A desktop that names no language (the C
// or POSIX locale) gets the form the windows were drawn with, 2003-04-23.
#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

namespace dates {

// A QDate format: the default locale's short date ("yyyy/M/d" on a Chinese
// desktop) with a four-digit year, or "yyyy-MM-dd".
QString shortDateFormat();

// A date in that form; a date-time followed by its time (" hh:mm:ss") unless
// it is midnight. An invalid one gives "".
QString text(const QDate &date);
QString text(const QDateTime &dateTime);

// A date as typed: its three numbers in the order of the short date form, or
// a four-digit year first (the stored form, 2003-04-23), separated by "-",
// "/" or "."; optionally followed by a time "h:m" or "h:m:s". Nothing when
// the text is no such date.
std::optional<QDateTime> parse(const QString &text);

} // namespace dates
