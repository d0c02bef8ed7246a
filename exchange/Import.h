// Importing a spreadsheet into a table: every row is checked before
// anything is written (new, updated, unchanged or refused, with the reason),
// and only a file with nothing refused is written, as one transaction under
// the write lock. Nothing is ever deleted by an import.
#pragma once

#include "exchange/Read.h"
#include "exchange/Tables.h"

#include <functional>
#include <vector>

namespace exchange {

struct Refusal {
    int row = 0;    // the file's row number (the header is row 1)
    QString field;
    QString reason;
};

struct ImportOptions {
    ReadOptions read;
    bool update = false; // records already held are updated (otherwise refused)
    bool dryRun = false; // check only; nothing is written and no lock is taken
    // Called now and then with the rows read; false cancels (nothing written).
    std::function<bool(int)> progress;
};

struct ImportOutcome {
    qint64 added = 0, updated = 0, unchanged = 0;
    std::vector<Refusal> refused;
    QStringList mapping; // "header -> field" for each column used
    QStringList ignored; // the headers of the columns not imported
    QString encoding;    // what the text file was read as
    QChar separator;
    bool written = false;
    bool cancelled = false;
    // "新增 N 条, 更新 N 条, 未变 N 条, 拒绝 N 行"
    QString summary() const;
    // "第N行 字段: 原因", one per refused row.
    QStringList refusalLines() const;
};

// Runs once before an import writes anything, with the data directory (the
// backup taken before an import is connected here); empty: nothing to do.
// Not called for a dry run or a file with refused rows.
extern std::function<void(const QString &dataDir)> beforeImport;

// Checks the file against the table and, unless dryRun or something is
// refused, writes it within the running transaction (the caller commits:
// the tool at once, the program when the action ends). Throws an Error for
// a file that cannot be read and for a failure of the engine.
ImportOutcome importTable(const QString &dataDir, const TableDef &def, const QString &file,
                          const ImportOptions &options);

} // namespace exchange
