// Reading a spreadsheet's rows: .csv/.txt in whatever encoding and separator
// an office's programs wrote it, and the sheets of an .xlsx file. Both are
// read as they go, a row at a time, so a file of any size takes little memory.
#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <vector>

namespace exchange {

// One cell as the file holds it: a QString (text), a double (an .xlsx
// number) or a QDate (an .xlsx number shown as a date); invalid when empty.
using Cell = QVariant;

struct Row {
    int number = 0; // the file's own row number, the header's being 1
    std::vector<Cell> cells;
    bool blank() const;
};

// The encodings a text file may be read in, by their names in the window and
// on the command line.
namespace encoding {
inline const QString Utf8 = QStringLiteral("UTF-8");
inline const QString Gb18030 = QStringLiteral("GB18030");
inline const QString Utf16Le = QStringLiteral("UTF-16LE");
inline const QString Utf16Be = QStringLiteral("UTF-16BE");
} // namespace encoding

struct ReadOptions {
    QString encoding;  // empty: a byte order mark decides, then strict UTF-8, else GB18030
    QChar separator;   // null: the header line's most frequent of comma, semicolon, tab
    QString sheet;     // .xlsx: the sheet by name; empty: the first one
};

class RowReader {
public:
    virtual ~RowReader() = default;
    // The next row, blank ones included; false at the end of the file.
    // Throws an Error for a file that turns out to be unreadable.
    virtual bool next(Row &row) = 0;
    // What was found or chosen, for the window to show and change.
    QString encoding;
    QChar separator;
    QStringList sheets;
    QString sheet;
};

// Opens the file after its ending (.xlsx, else text); throws an Error with a
// message in the user's words when it cannot be read.
std::unique_ptr<RowReader> openRows(const QString &path, const ReadOptions &options = {});

// The encoding a text file's bytes call for: BOM, strict UTF-8, else GB18030.
QString detectEncoding(const QString &path);

} // namespace exchange
