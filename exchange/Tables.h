// The tables that go in and out of spreadsheets, by their own names, and
// what each one's import needs: the fields a file may fill, those it must
// have, the fields that identify a record, and the records it refers to.
// Accounts are never imported or exported.
#pragma once

#include "exchange/Write.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace exchange {

struct Reference {
    QString field;      // a field of this table ...
    QString file;       // ... whose value must be held by this table file ...
    QString target;     // ... in this field
    QString reason;     // what is said when it is not
};

struct TableDef {
    QString name;          // the table's own name, as on the command line
    QString file;          // its table file
    QStringList fields;    // the fields a file may fill, in table order
    QStringList required;  // fields that must have a column and a value
    QStringList key;       // the fields that identify a record
    QString numbered;      // new records get count + 1 here in file order (empty: none)
    std::vector<Reference> references;
    // The field whose columns a wide score sheet names by course (empty: none).
    QString wideValue;
    QStringList exported() const; // the columns of an export: the number first, then fields
};

// 学生信息表, 学生成绩表, 班级信息, 课程信息, 课程教学计划表.
const std::vector<TableDef> &tableDefs();
// The table by name (with or without the .DB ending); nullptr when unknown.
const TableDef *findTable(const QString &name);
// "未知的表 '<name>', 可用的表: ..." for a name that is none of them.
QString unknownTableText(const QString &name);

// The stored records of a table, in the order its windows show them, read
// as they are written out. Throws an Error when the table cannot be opened.
std::unique_ptr<TableSource> storedTable(const QString &dataDir, const TableDef &def);

} // namespace exchange
