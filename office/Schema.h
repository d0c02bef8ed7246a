// The six table files of a data directory: names, fields and indexes.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace store::schema {

inline const QString StudentFile = QStringLiteral("学生信息表.DB");
inline const QString ClassFile = QStringLiteral("班级信息.DB");
inline const QString CourseFile = QStringLiteral("课程信息.DB");
inline const QString PlanFile = QStringLiteral("课程教学计划表.DB");
inline const QString ScoreFile = QStringLiteral("学生成绩表.DB");
inline const QString AccountFile = QStringLiteral("系统帐户表.DB");

QStringList fileNames();
// The statements that create the one table of a file, with its indexes.
QStringList createStatements(const QString &fileName);
// The same table on a PostgreSQL server, with its numbering trigger and its
// entry in the catalogue of the tables' high-water marks and versions.
QStringList serverStatements(const QString &fileName);
QString serverCatalog();
// A table's fields in order, each with the type a table file declares for
// it ("VARCHAR(50)", "INTEGER", "DATETIME", "BLOB"), and the field filled
// with the record's row id when a record is stored without it (empty: none).
struct FieldShape {
    QString name, type;
};
std::vector<FieldShape> fieldShapes(const QString &fileName);
QString autoNumberField(const QString &fileName);

} // namespace store::schema
