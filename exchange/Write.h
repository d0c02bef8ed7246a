// Writing rows out to a spreadsheet: .xlsx through libxlsxwriter in its
// constant-memory mode (rows go to disk as they are written), .csv as UTF-8
// with a byte order mark or as GB18030. Whatever is exported, a grid or a
// whole table, comes as a TableSource read a row at a time.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <vector>

namespace exchange {

enum class Kind { Text, Integer, Date };

struct Column {
    QString title;
    Kind kind = Kind::Text;
};

// Rows to export: the columns, then each row's values in column order (a
// QString, an integer, a QDate or QDateTime, or nothing).
class TableSource {
public:
    virtual ~TableSource() = default;
    virtual std::vector<Column> columns() const = 0;
    // Fills values with the next row; false after the last one.
    virtual bool next(std::vector<QVariant> &values) = 0;
    // How many rows to expect, for a progress bar; -1 when not known.
    virtual qint64 size() const { return -1; }
};

struct WriteOptions {
    QString encoding; // .csv: empty or UTF-8 (with a byte order mark), or GB18030
    // Called now and then with the rows written; false stops the export
    // (the file is removed).
    std::function<bool(qint64)> progress;
};

// One sheet of an .xlsx file holds this many rows below its header; the
// next sheet continues.
constexpr qint64 RowsPerSheet = 1048575;

// Writes the source to file, as .xlsx when its name ends so, else as .csv.
// Returns the rows written; throws an Error in the user's words when the
// file cannot be written (nothing is left of it then).
qint64 exportTable(TableSource &source, const QString &file, const WriteOptions &options = {});

// The text a .csv holds for a text value: one that a spreadsheet would take
// for a formula (=, +, -, @, after any apostrophes) gets an apostrophe
// before it; csvUnprotect undoes exactly that on import.
QString csvProtect(const QString &text);
QString csvUnprotect(const QString &text);

} // namespace exchange
