#include "store/Schema.h"

#include "store/DataSet.h"
#include "store/Sqlite.h"

#include <QDir>
#include <QFileInfo>

namespace store::schema {

QStringList fileNames()
{
    return {StudentFile, ClassFile, CourseFile, PlanFile, ScoreFile, AccountFile};
}

namespace {

// Tables whose "序号" (or "Id") the system never writes get it filled with
// the record's own row number, like an auto-increment field.
QString autoNumber(const QString &table, const QString &field)
{
    return QStringLiteral("CREATE TRIGGER \"%1_auto\" AFTER INSERT ON \"%1\" WHEN NEW.\"%2\" IS NULL "
                          "BEGIN UPDATE \"%1\" SET \"%2\" = NEW.rowid WHERE rowid = NEW.rowid; END")
        .arg(table, field);
}

} // namespace

QStringList createStatements(const QString &fileName)
{
    const QString t = QFileInfo(fileName).completeBaseName();
    if (fileName == StudentFile)
        return {QStringLiteral("CREATE TABLE \"%1\"(\"学号\" VARCHAR(50), \"姓名\" VARCHAR(50), \"性别\" VARCHAR(50), "
                               "\"籍贯\" VARCHAR(50), \"民族\" VARCHAR(50), \"出生日期\" DATETIME, \"入学日期\" DATETIME, "
                               "\"班级\" VARCHAR(50), \"专业\" VARCHAR(50), \"系别\" VARCHAR(50), \"序号\" INTEGER)").arg(t),
                autoNumber(t, QStringLiteral("序号"))};
    if (fileName == ClassFile)
        return {QStringLiteral("CREATE TABLE \"%1\"(\"班号\" VARCHAR(50), \"班级名称\" VARCHAR(50), \"序号\" INTEGER)").arg(t),
                autoNumber(t, QStringLiteral("序号"))};
    if (fileName == CourseFile)
        return {QStringLiteral("CREATE TABLE \"%1\"(\"课程号\" VARCHAR(50), \"课程名称\" VARCHAR(50), \"序号\" INTEGER)").arg(t),
                autoNumber(t, QStringLiteral("序号"))};
    // "INT PRIMARY KEY" (not INTEGER) keeps "序号" apart from the row id, so a
    // renumbering rewrites the key without moving the record.
    if (fileName == PlanFile)
        return {QStringLiteral("CREATE TABLE \"%1\"(\"序号\" INT PRIMARY KEY NOT NULL, \"课程号\" VARCHAR(50), "
                               "\"总学时\" VARCHAR(50), \"讲课学时\" VARCHAR(50), \"实验学时\" VARCHAR(50), "
                               "\"上机学时\" VARCHAR(50), \"学分\" INTEGER, \"开课学期\" VARCHAR(50))").arg(t),
                QStringLiteral("CREATE INDEX \"index_ClassNo\" ON \"%1\"(\"课程号\" COLLATE NOCASE)").arg(t)};
    if (fileName == ScoreFile)
        return {QStringLiteral("CREATE TABLE \"%1\"(\"序号\" INT PRIMARY KEY NOT NULL, \"学号\" VARCHAR(50), "
                               "\"科目\" VARCHAR(50), \"成绩\" INTEGER, \"第一次补考成绩\" INTEGER, "
                               "\"第二次补考成绩\" INTEGER)").arg(t),
                QStringLiteral("CREATE INDEX \"index_StudNo\" ON \"%1\"(\"学号\" COLLATE NOCASE)").arg(t)};
    if (fileName == AccountFile)
        return {QStringLiteral("CREATE TABLE \"%1\"(\"用户名\" VARCHAR(50), \"口令\" BLOB, \"权限\" VARCHAR(50), \"Id\" INTEGER)").arg(t),
                autoNumber(t, QStringLiteral("Id"))};
    throw Error(QStringLiteral("未知的表文件 '%1'").arg(fileName));
}

void createTableFile(const QString &dir, const QString &fileName)
{
    const QString path = QDir(dir).filePath(fileName);
    if (QFileInfo::exists(path))
        throw Error(QStringLiteral("表文件 '%1' 已经存在").arg(QDir::toNativeSeparators(path)));
    sql::Db db;
    db.open(path, true);
    db.exec(QStringLiteral("PRAGMA journal_mode=DELETE"));
    db.exec(QStringLiteral("BEGIN"));
    for (const QString &s : createStatements(fileName))
        db.exec(s);
    db.exec(QStringLiteral("COMMIT"));
}

void createDataDirectory(const QString &dir)
{
    if (!QDir().mkpath(dir))
        throw Error(QStringLiteral("无法创建目录 '%1'").arg(QDir::toNativeSeparators(dir)));
    for (const QString &f : fileNames()) {
        if (QFileInfo::exists(QDir(dir).filePath(f)))
            throw Error(QStringLiteral("表文件 '%1' 已经存在").arg(QDir::toNativeSeparators(QDir(dir).filePath(f))));
    }
    for (const QString &f : fileNames())
        createTableFile(dir, f);
}

} // namespace store::schema
