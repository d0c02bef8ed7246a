#include "office/Schema.h"

#include "core/Error.h"

#include <QFileInfo>

namespace store::schema {

QStringList fileNames()
{
    return {StudentFile, ClassFile, CourseFile, PlanFile, ScoreFile, AccountFile};
}

namespace {

enum class Kind { Text, Integer, DateTime, Bytes };

struct Field {
    const char16_t *name;
    Kind kind;
};

// One table file: its fields in order, the field that is its key (none:
// records in order of entry), its one secondary index (case-insensitive),
// and the field the system never writes, filled with the record's row id
// like an auto-increment field.
struct TableDef {
    QString file;
    std::vector<Field> fields;
    const char16_t *key = nullptr;
    const char16_t *index = nullptr, *indexField = nullptr;
    const char16_t *autoNumber = nullptr;
};

const std::vector<TableDef> &tables()
{
    using K = Kind;
    static const std::vector<TableDef> defs = {
        {StudentFile,
         {{u"学号", K::Text}, {u"姓名", K::Text}, {u"性别", K::Text}, {u"籍贯", K::Text}, {u"民族", K::Text},
          {u"出生日期", K::DateTime}, {u"入学日期", K::DateTime}, {u"班级", K::Text}, {u"专业", K::Text},
          {u"系别", K::Text}, {u"序号", K::Integer}},
         nullptr, nullptr, nullptr, u"序号"},
        {ClassFile, {{u"班号", K::Text}, {u"班级名称", K::Text}, {u"序号", K::Integer}}, nullptr, nullptr, nullptr, u"序号"},
        {CourseFile, {{u"课程号", K::Text}, {u"课程名称", K::Text}, {u"序号", K::Integer}}, nullptr, nullptr, nullptr, u"序号"},
        {PlanFile,
         {{u"序号", K::Integer}, {u"课程号", K::Text}, {u"总学时", K::Text}, {u"讲课学时", K::Text}, {u"实验学时", K::Text},
          {u"上机学时", K::Text}, {u"学分", K::Integer}, {u"开课学期", K::Text}},
         u"序号", u"index_ClassNo", u"课程号", nullptr},
        {ScoreFile,
         {{u"序号", K::Integer}, {u"学号", K::Text}, {u"科目", K::Text}, {u"成绩", K::Integer}, {u"第一次补考成绩", K::Integer},
          {u"第二次补考成绩", K::Integer}},
         u"序号", u"index_StudNo", u"学号", nullptr},
        {AccountFile, {{u"用户名", K::Text}, {u"口令", K::Bytes}, {u"权限", K::Text}, {u"Id", K::Integer}}, nullptr, nullptr,
         nullptr, u"Id"},
    };
    return defs;
}

const TableDef &tableOf(const QString &fileName)
{
    for (const TableDef &d : tables()) {
        if (d.file == fileName)
            return d;
    }
    throw Error(QStringLiteral("未知的表文件 '%1'").arg(fileName));
}

// The type a table file declares for a field of each kind.
QString fileType(Kind kind)
{
    static const char *const types[] = {"VARCHAR(50)", "INTEGER", "DATETIME", "BLOB"};
    return QString::fromLatin1(types[int(kind)]);
}

QString q(const char16_t *name) { return u'"' + QString::fromUtf16(name) + u'"'; }

} // namespace

QStringList createStatements(const QString &fileName)
{
    const TableDef &d = tableOf(fileName);
    const QString t = QFileInfo(fileName).completeBaseName();
    QStringList cols;
    for (const Field &f : d.fields) {
        const bool key = d.key && QString::fromUtf16(f.name) == QString::fromUtf16(d.key);
        // "INT PRIMARY KEY" (not INTEGER) keeps the key apart from the row
        // id, so a renumbering rewrites the key without moving the record.
        cols << q(f.name) + u' ' + (key ? QStringLiteral("INT PRIMARY KEY NOT NULL") : fileType(f.kind));
    }
    QStringList out{QStringLiteral("CREATE TABLE \"%1\"(%2)").arg(t, cols.join(QStringLiteral(", ")))};
    if (d.index)
        out << QStringLiteral("CREATE INDEX %1 ON \"%2\"(%3 COLLATE NOCASE)").arg(q(d.index), t, q(d.indexField));
    if (d.autoNumber)
        out << QStringLiteral("CREATE TRIGGER \"%1_auto\" AFTER INSERT ON \"%1\" WHEN NEW.%2 IS NULL "
                              "BEGIN UPDATE \"%1\" SET %2 = NEW.rowid WHERE rowid = NEW.rowid; END")
                   .arg(t, q(d.autoNumber));
    return out;
}

std::vector<FieldShape> fieldShapes(const QString &fileName)
{
    std::vector<FieldShape> out;
    for (const Field &f : tableOf(fileName).fields)
        out.push_back({QString::fromUtf16(f.name), fileType(f.kind)});
    return out;
}

QString autoNumberField(const QString &fileName)
{
    const TableDef &d = tableOf(fileName);
    return d.autoNumber ? QString::fromUtf16(d.autoNumber) : QString();
}

QString serverCatalog()
{
    // records: each table's count, kept by its triggers, so that opening a
    // table never counts it record by record.
    return QStringLiteral("CREATE TABLE quillmere_tables(name text PRIMARY KEY, high_water bigint NOT NULL DEFAULT 0, "
                          "version bigint NOT NULL DEFAULT 0, records bigint NOT NULL DEFAULT 0); "
                          "CREATE FUNCTION quillmere_count() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN "
                          "UPDATE quillmere_tables SET records = records + (SELECT count(*) FROM changed) * "
                          "CASE TG_OP WHEN 'INSERT' THEN 1 ELSE -1 END WHERE name = TG_TABLE_NAME; RETURN NULL; END$$");
}

QStringList serverStatements(const QString &fileName)
{
    const TableDef &d = tableOf(fileName);
    const QString t = QFileInfo(fileName).completeBaseName();
    // Texts compare and sort by their bytes, as in the embedded files; the
    // 50-byte limit of a text field is the record layer's, in code page 936.
    static const char *const types[] = {"varchar(50) COLLATE \"C\"", "integer", "timestamp(0)", "bytea"};
    QStringList cols;
    for (const Field &f : d.fields)
        cols << q(f.name) + u' ' + QString::fromLatin1(types[int(f.kind)]);
    // The record's id comes last, so that a record written field by field
    // in table order (as SQL tools do) fills the fields.
    cols << QStringLiteral("rowid bigint NOT NULL UNIQUE");
    if (d.key) // checked at the end of each statement, so a renumbering may pass through equal numbers
        cols << QStringLiteral("PRIMARY KEY (%1) DEFERRABLE INITIALLY IMMEDIATE").arg(q(d.key));
    QStringList out{QStringLiteral("CREATE TABLE \"%1\"(%2)").arg(t, cols.join(QStringLiteral(", ")))};
    if (d.key)
        out << QStringLiteral("CREATE INDEX \"%1_order\" ON \"%1\"(%2 NULLS FIRST, rowid)").arg(t, q(d.key));
    if (d.index)
        out << QStringLiteral("CREATE INDEX %1 ON \"%2\"(lower((%3)::text COLLATE \"C\") NULLS FIRST, rowid)").arg(q(d.index), t, q(d.indexField));
    // A record stored without an id gets the next one never used, and the
    // field the system never writes gets that id.
    const QString number = d.autoNumber ? QStringLiteral("IF NEW.%1 IS NULL THEN NEW.%1 := NEW.rowid; END IF; ").arg(q(d.autoNumber))
                                        : QString();
    out << QStringLiteral("CREATE FUNCTION \"%1_auto\"() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN "
                          "IF NEW.rowid IS NULL THEN NEW.rowid := (SELECT greatest(coalesce(max(rowid), 0), "
                          "(SELECT high_water FROM quillmere_tables WHERE name = '%1')) + 1 FROM \"%1\"); END IF; "
                          "%2RETURN NEW; END$$")
               .arg(t, number);
    out << QStringLiteral("CREATE TRIGGER \"%1_auto\" BEFORE INSERT ON \"%1\" FOR EACH ROW EXECUTE FUNCTION \"%1_auto\"()").arg(t);
    out << QStringLiteral("CREATE TRIGGER \"%1_added\" AFTER INSERT ON \"%1\" REFERENCING NEW TABLE AS changed "
                          "FOR EACH STATEMENT EXECUTE FUNCTION quillmere_count()").arg(t);
    out << QStringLiteral("CREATE TRIGGER \"%1_removed\" AFTER DELETE ON \"%1\" REFERENCING OLD TABLE AS changed "
                          "FOR EACH STATEMENT EXECUTE FUNCTION quillmere_count()").arg(t);
    out << QStringLiteral("INSERT INTO quillmere_tables(name) VALUES('%1')").arg(t);
    return out;
}

} // namespace store::schema
