#include "exchange/Tables.h"

#include "core/Error.h"
#include "db/Engine.h"
#include "db/open/OpenEngine.h"
#include "office/Schema.h"
#include "db/StoredTable.h"

#include <QDateTime>
#include <QFileInfo>

namespace exchange {

namespace schema = store::schema;

QStringList TableDef::exported() const { return numbered.isEmpty() ? fields : QStringList{numbered} + fields; }

const std::vector<TableDef> &tableDefs()
{
    static const std::vector<TableDef> defs = {
        {QStringLiteral("学生信息表"),
         schema::StudentFile,
         {QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("性别"), QStringLiteral("籍贯"),
          QStringLiteral("民族"), QStringLiteral("出生日期"), QStringLiteral("入学日期"), QStringLiteral("班级"),
          QStringLiteral("专业"), QStringLiteral("系别")},
         {QStringLiteral("学号"), QStringLiteral("姓名")},
         {QStringLiteral("学号")},
         QString(),
         {{QStringLiteral("班级"), schema::ClassFile, QStringLiteral("班级名称"), QStringLiteral("没有这个班级")}},
         QString()},
        {QStringLiteral("学生成绩表"),
         schema::ScoreFile,
         {QStringLiteral("学号"), QStringLiteral("科目"), QStringLiteral("成绩"), QStringLiteral("第一次补考成绩"),
          QStringLiteral("第二次补考成绩")},
         {QStringLiteral("学号"), QStringLiteral("科目")},
         {QStringLiteral("学号"), QStringLiteral("科目")},
         QStringLiteral("序号"),
         {{QStringLiteral("学号"), schema::StudentFile, QStringLiteral("学号"), QStringLiteral("没有这个学号的学生")},
          {QStringLiteral("科目"), schema::CourseFile, QStringLiteral("课程名称"), QStringLiteral("没有这门课程")}},
         QStringLiteral("成绩")},
        {QStringLiteral("班级信息"),
         schema::ClassFile,
         {QStringLiteral("班号"), QStringLiteral("班级名称")},
         {QStringLiteral("班号"), QStringLiteral("班级名称")},
         {QStringLiteral("班号")},
         QString(),
         {},
         QString()},
        {QStringLiteral("课程信息"),
         schema::CourseFile,
         {QStringLiteral("课程号"), QStringLiteral("课程名称")},
         {QStringLiteral("课程号"), QStringLiteral("课程名称")},
         {QStringLiteral("课程号")},
         QString(),
         {},
         QString()},
        {QStringLiteral("课程教学计划表"),
         schema::PlanFile,
         {QStringLiteral("课程号"), QStringLiteral("总学时"), QStringLiteral("讲课学时"), QStringLiteral("实验学时"),
          QStringLiteral("上机学时"), QStringLiteral("学分"), QStringLiteral("开课学期")},
         {QStringLiteral("课程号")},
         {QStringLiteral("课程号")},
         QStringLiteral("序号"),
         {{QStringLiteral("课程号"), schema::CourseFile, QStringLiteral("课程号"), QStringLiteral("没有这门课程")}},
         QString()},
    };
    return defs;
}

const TableDef *findTable(const QString &name)
{
    QString bare = name.trimmed();
    if (bare.endsWith(QLatin1String(".DB"), Qt::CaseInsensitive))
        bare.chop(3);
    for (const TableDef &s : tableDefs()) {
        if (s.name == bare)
            return &s;
    }
    return nullptr;
}

QString unknownTableText(const QString &name)
{
    QStringList names;
    for (const TableDef &s : tableDefs())
        names << s.name;
    return QStringLiteral("未知的表 '%1', 可用的表: %2").arg(name, names.join(QStringLiteral(", ")));
}

namespace {

class StoredRows : public TableSource {
public:
    StoredRows(const QString &dataDir, const TableDef &def)
    {
        auto engine = store::openEngine(dataDir);
        if (!engine->inTransaction())
            engine->syncExternal(true);
        m_file = engine->openTable(def.file);
        QStringList cols;
        for (const QString &f : def.exported()) {
            const int c = m_file->columnIndex(f);
            if (c < 0)
                throw store::Error(QStringLiteral("表 %1 中没有字段 '%2'").arg(def.name, f));
            m_columnIndexes.push_back(c);
            cols << store::sql::quoteId(f);
            const store::FieldType t = m_file->columns()[size_t(c)].type;
            m_columns.push_back({f, t == store::FieldType::Integer    ? Kind::Integer
                                    : t == store::FieldType::DateTime ? Kind::Date
                                                                      : Kind::Text});
        }
        // Numbered tables in their numbers' order, the others in order of entry.
        const QString order = def.numbered.isEmpty() ? QStringLiteral("rowid") : store::sql::quoteId(def.numbered) + QStringLiteral(", rowid");
        m_size = m_file->rowCount();
        m_rows = m_file->prepare(
            QStringLiteral("SELECT %1 FROM %2 ORDER BY %3").arg(cols.join(u','), m_file->qualifiedTable(), order));
    }
    std::vector<Column> columns() const override { return m_columns; }
    qint64 size() const override { return m_size; }
    bool next(std::vector<QVariant> &values) override
    {
        if (!m_rows.step())
            return false;
        values.resize(m_columnIndexes.size());
        for (size_t i = 0; i < m_columnIndexes.size(); ++i) {
            const QVariant stored = m_rows.column(int(i));
            // A date goes out as its day: read without the local time zone,
            // which would be looked up for every record.
            if (m_columns[i].kind == Kind::Date && !stored.isNull() && stored.typeId() == QMetaType::QString)
                values[i] = QDate::fromString(stored.toString().left(10), Qt::ISODate);
            else
                values[i] = m_file->fromStorage(m_columnIndexes[i], stored);
        }
        return true;
    }

private:
    std::shared_ptr<store::StoredTable> m_file;
    store::Statement m_rows;
    std::vector<int> m_columnIndexes;
    std::vector<Column> m_columns;
    qint64 m_size = 0;
};

} // namespace

std::unique_ptr<TableSource> storedTable(const QString &dataDir, const TableDef &def)
{
    return std::make_unique<StoredRows>(dataDir, def);
}

} // namespace exchange
