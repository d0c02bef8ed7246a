#include "office/DataModule.h"

#include "core/Globals.h"
#include "db/Engine.h"
#include "db/Engines.h"
#include "office/Schema.h"
#include "data/Table.h"
#include "data/Query.h"
#include "data/DataSource.h"
#include "db/StoredTable.h"

#include <algorithm>

using namespace store;
namespace sch = store::schema;

TDM1 *DM1 = nullptr;

namespace {

TTable *table(QObject *owner, const char *name, const QString &file, const QStringList &fields = {})
{
    auto *t = new TTable(QString::fromLatin1(name), owner);
    t->setTableName(file); // the stored layout's name; replaced by DataModuleCreate
    t->setFieldList(fields);
    return t;
}

TQuery *query(QObject *owner, const char *name, const QString &text)
{
    auto *q = new TQuery(QString::fromLatin1(name), owner);
    q->setSql(text);
    return q;
}

} // namespace

TDM1::TDM1(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("DM1"));
    Table_stud = table(this, "Table_stud", sch::StudentFile,
                       {QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("性别"), QStringLiteral("籍贯"),
                        QStringLiteral("民族"), QStringLiteral("出生日期"), QStringLiteral("入学日期"),
                        QStringLiteral("班级"), QStringLiteral("专业"), QStringLiteral("系别")});
    Table_Class = table(this, "Table_Class", sch::ClassFile, {QStringLiteral("班号"), QStringLiteral("班级名称")});
    Table_Object = table(this, "Table_Object", sch::CourseFile, {QStringLiteral("课程号"), QStringLiteral("课程名称")});
    Table_Object_Jh = table(this, "Table_Object_Jh", sch::PlanFile,
                            {QStringLiteral("课程号"), QStringLiteral("总学时"), QStringLiteral("讲课学时"),
                             QStringLiteral("实验学时"), QStringLiteral("上机学时"), QStringLiteral("学分"),
                             QStringLiteral("开课学期")});
    Table_Object_Jh2 = table(this, "Table_Object_Jh2", sch::PlanFile);
    Table1 = table(this, "Table1", sch::PlanFile);
    Table_Scroce_1 = table(this, "Table_Scroce_1", sch::ScoreFile);
    Table_Scroce_2 = table(this, "Table_Scroce_2", sch::ScoreFile);
    Table_Query_Scroce = table(this, "Table_Query_Scroce", sch::ScoreFile);
    Table_longin = table(this, "Table_longin", sch::AccountFile);
    // Texts of the stored layout, replaced before any query opens.
    Query_Stud = query(this, "Query_Stud", QStringLiteral("select * from \"学生信息表.DB\""));
    Query_Class = query(this, "Query_Class", QStringLiteral("select * from \"班级信息.DB\""));
    Query_Object = query(this, "Query_Object", QStringLiteral("select * from \"课程信息.DB\""));
    Query_Scroce = query(this, "Query_Scroce", QStringLiteral("select * from \"学生信息表.DB\""));

    DS_Stud = new TDataSource(QStringLiteral("DS_Stud"), Table_stud, this);
    DS_Class = new TDataSource(QStringLiteral("DS_Class"), Table_Class, this);
    DS_Object = new TDataSource(QStringLiteral("DS_Object"), Table_Object, this);
    DS_Object_Jh = new TDataSource(QStringLiteral("DS_Object_Jh"), Table_Object_Jh, this);
    DS_Object_Jh2 = new TDataSource(QStringLiteral("DS_Object_Jh2"), Table_Object_Jh2, this);
    DataSource1 = new TDataSource(QStringLiteral("DataSource1"), Table1, this);
    DS_Scorce = new TDataSource(QStringLiteral("DS_Scorce"), Table_Scroce_1, this);
    DataSource2 = new TDataSource(QStringLiteral("DataSource2"), Table_Scroce_2, this);
    DS_Query_Scroce = new TDataSource(QStringLiteral("DS_Query_Scroce"), Table_Query_Scroce, this);
    DS_Longin = new TDataSource(QStringLiteral("DS_Longin"), Table_longin, this);
    DS_Stud2 = new TDataSource(QStringLiteral("DS_Stud2"), Query_Stud, this);
    DS_Class_Query = new TDataSource(QStringLiteral("DS_Class_Query"), Query_Class, this);
    DS_Object2 = new TDataSource(QStringLiteral("DS_Object2"), Query_Object, this);
    DS_Query = new TDataSource(QStringLiteral("DS_Query"), Query_Scroce, this);

    Table_Object_Jh->setIndexName(QStringLiteral("index_ClassNo"));
    Table_Object_Jh->setMasterSource(DS_Object, QStringLiteral("课程号"));
    Table_Object_Jh2->setIndexName(QStringLiteral("primary"));
    Table1->setIndexName(QStringLiteral("index_ClassNo"));
    Table1->setMasterSource(DS_Object2, QStringLiteral("课程号"));
    Table_Scroce_1->setIndexName(QStringLiteral("index_StudNo"));
    Table_Scroce_1->setMasterSource(DS_Stud, QStringLiteral("学号"));
    Table_Scroce_2->setIndexName(QStringLiteral("primary"));
    Table_Query_Scroce->setIndexName(QStringLiteral("index_StudNo"));
    Table_Query_Scroce->setMasterSource(DS_Query, QStringLiteral("学号"));
}

QList<DataSet *> TDM1::dataSets() const
{
    return {Table_stud, Table_Class, Table_Object, Table_Object_Jh, Table_Object_Jh2, Table1, Table_Scroce_1,
            Table_Scroce_2, Table_Query_Scroce, Table_longin, Query_Stud, Query_Class, Query_Object, Query_Scroce};
}

namespace {

// The table files and query texts the module opens, in the order it opens them.
struct Binding {
    QList<std::pair<TTable *, QString>> tables;
    QList<std::pair<TQuery *, QString>> queries;
};

Binding bindingOf(const TDM1 &m)
{
    return {{{m.Table_stud, sch::StudentFile},   {m.Table_Class, sch::ClassFile},
             {m.Table_Object, sch::CourseFile},  {m.Table1, sch::PlanFile},
             {m.Table_Object_Jh, sch::PlanFile}, {m.Table_Object_Jh2, sch::PlanFile},
             {m.Table_Scroce_1, sch::ScoreFile}, {m.Table_Scroce_2, sch::ScoreFile},
             {m.Table_Query_Scroce, sch::ScoreFile}, {m.Table_longin, sch::AccountFile}},
            {{m.Query_Stud, QStringLiteral("select * from 学生信息表.db")},
             {m.Query_Class, QStringLiteral("select * from 班级信息.db")},
             {m.Query_Object, QStringLiteral("select * from 课程信息.db")},
             {m.Query_Scroce, QStringLiteral("select * from 学生信息表.db")}}};
}

} // namespace

void TDM1::DataModuleCreate()
{
    for (DataSet *ds : QList<DataSet *>{Table_stud, Query_Stud, Table_Class, Query_Class, Table_Object, Query_Object,
                                        Table1, Table_Object_Jh, Table_Object_Jh2, Table_Scroce_1, Table_Scroce_2,
                                        Query_Scroce, Table_Query_Scroce, Table_longin})
        ds->setDatabaseName(DataPath);
    const Binding binding = bindingOf(*this);
    for (const auto &[t, file] : binding.tables)
        t->setTableName(DataPath + file);
    // A server that checks each clerk's own login is first reached at the
    // login, under the name and password typed there.
    if (store::engineWantsLogin() && store::engineLoginUser().isEmpty())
        return;
    for (const auto &entry : binding.tables)
        entry.first->open();
    for (const auto &[q, text] : binding.queries)
        q->reopen(text);
}

bool TDM1::allOpen() const
{
    const QList<DataSet *> all = dataSets();
    return std::all_of(all.begin(), all.end(), [](const DataSet *ds) { return ds->active(); });
}

void TDM1::openClosed()
{
    const Binding binding = bindingOf(*this);
    for (const auto &entry : binding.tables)
        entry.first->open(); // an open one stays as it is
    for (const auto &[q, text] : binding.queries) {
        if (!q->active())
            q->reopen(text);
    }
}

int TDM1::serverRight() const
{
    const store::StoredTable *f = Table_longin->file();
    return f ? f->engine().serverRight() : 0;
}

QString TDM1::engineNotice() const
{
    const store::StoredTable *f = Table_longin->file();
    return f ? f->engine().notice() : QString();
}

void TDM1::closeAll()
{
    // Queries first: their results may follow the tables' files.
    const QList<DataSet *> all = dataSets();
    for (auto it = all.rbegin(); it != all.rend(); ++it)
        (*it)->close();
}
