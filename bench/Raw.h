// Working copies of the generated data for the figures, and raw access to
// them for the baselines: the SQLite files the way the table engine holds
// them, or the copy's own database on the office server.
#pragma once

#include <QString>
#include <QVariant>

#include <memory>
#include <vector>

namespace bench {

// Where the figures run: empty for the embedded files, else the libpq
// connection string of a server on which each copy gets a database.
void setServer(const QString &conninfo);
const QString &server();

struct Copy {
    QString dir;      // the data path the windows open, with a trailing separator
    QString conninfo; // the copy's database, empty on the embedded files
};

// A fresh copy of the six table files of `from` in a new directory under
// `parent`, with a trailing separator.
QString copyFiles(const QString &from, const QString &parent, const QString &name);
// The same, and on a server moved into a new database of its own.
Copy makeCopy(const QString &from, const QString &parent, const QString &name);
// The record layer works on the copy from now on.
void use(const Copy &copy);
// Drops the databases the copies made on the server.
void dropServerCopies();

using Row = std::vector<QVariant>;

class Raw {
public:
    // A connection the way the table engine holds one: on the files, the
    // student table as main and the score table attached as "s", rollback
    // journal, full sync.
    static std::unique_ptr<Raw> open(const Copy &copy);
    virtual ~Raw() = default;

    // Statements use ?N parameters and the names below.
    virtual std::vector<Row> rows(const QString &sql, const QVariantList &params = {}) = 0;
    virtual void exec(const QString &sql, const QVariantList &params = {}) = 0;
    // One statement, prepared once, run for each list of parameters.
    virtual void execEach(const QString &sql, const std::vector<QVariantList> &params) = 0;
    qint64 scalar(const QString &sql, const QVariantList &params = {});

    virtual QString scores() const = 0;
    virtual QString students() const = 0;
    // A table by its file's base name, for reading it whole.
    virtual QString table(const QString &name) const = 0;
    // The student number as its index orders it (ASCII letter case folded),
    // and compared with param through that index.
    virtual QString numberKey() const = 0;
    virtual QString numberNoCase(const QString &param) const = 0;
};

// Every record of a table with its row id, for telling whether two ways of
// doing the same change left the same records behind.
QByteArray tableDigest(const Copy &copy, const QString &fileName);
// Warns on stderr when the program's copy and the baseline's differ.
void checkSameTables(const char *figureName, const Copy &program, const Copy &baseline, const QStringList &files);

} // namespace bench
