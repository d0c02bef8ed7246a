// Local SQL: the forms the windows use, bound parameters, snapshots.
#include "data/DataSet.h"
#include "office/Schema.h"
#include "tests/support/Fixture.h"
#include "data/Table.h"
#include "data/Query.h"

#include <QtTest>

using namespace store;
namespace sch = store::schema;

class QueryTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void searches_data();
    void searches();
    void parameterNamesIgnoreCase();
    void resultIsSnapshotUntilReopened();
    void refusals_data();
    void refusals();

private:
    std::unique_ptr<fixture::DataDir> m_dir;
    QStringList run(const QString &sql, const QString &param, const QString &value);
};

void QueryTest::init()
{
    m_dir = std::make_unique<fixture::DataDir>();
    m_dir->addStudent(QStringLiteral("S1"), QStringLiteral("张三"), QStringLiteral("计算机01班"));
    m_dir->addStudent(QStringLiteral("s1"), QStringLiteral("李四"), QStringLiteral("电子01班"));
    m_dir->addStudent(QStringLiteral("S10"), QStringLiteral("张三丰"), QStringLiteral("计算机02班"));
    m_dir->addStudent(QStringLiteral("S2"), QStringLiteral("a%b"), QString());
    m_dir->addStudent(QStringLiteral("S3"), QStringLiteral("Ab*"), QString());
}

QStringList QueryTest::run(const QString &sql, const QString &param, const QString &value)
{
    TQuery q(QStringLiteral("Query_Stud"));
    q.setDatabaseName(m_dir->path());
    q.reopen(sql, param, value);
    QStringList nos;
    for (q.first(); !q.eof(); q.next())
        nos << q.fieldByName(QStringLiteral("学号")).asString();
    return nos;
}

void QueryTest::searches_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("param");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QStringList>("found");
    const QString byNo = QStringLiteral("select * from 学生信息表.db Where 学号=:XueHao");
    const QString byName = QStringLiteral("select * from 学生信息表.db Where 姓名 like:Name");
    QTest::newRow("all") << QStringLiteral("select * from 学生信息表.db") << QString() << QString()
                         << QStringList({"S1", "s1", "S10", "S2", "S3"});
    QTest::newRow("= is exact and case-sensitive") << byNo << "XueHao" << "S1" << QStringList({"S1"});
    QTest::newRow("= no partial match") << byNo << "XueHao" << "S" << QStringList();
    QTest::newRow("= empty text") << byNo << "XueHao" << "" << QStringList();
    QTest::newRow("like containment") << byName << "Name" << "%张三%" << QStringList({"S1", "S10"});
    QTest::newRow("like %% skips blank") << QStringLiteral("select * from 学生信息表.db Where 班级 like:Class")
                                         << "Class" << "%%" << QStringList({"S1", "s1", "S10"});
    QTest::newRow("like _ is one character") << byName << "Name" << "张_" << QStringList({"S1"});
    QTest::newRow("typed % is a wildcard") << byName << "Name" << "%a%b%" << QStringList({"S2"});
    QTest::newRow("like is case-sensitive") << byName << "Name" << "%ab%" << QStringList();
    QTest::newRow("glob characters are literal") << byName << "Name" << "%b*" << QStringList({"S3"});
    QTest::newRow("file name in any case") << QStringLiteral("SELECT * FROM 学生信息表.DB where 学号 = :p") << "P" << "S2"
                                           << QStringList({"S2"});
}

void QueryTest::searches()
{
    QFETCH(QString, sql);
    QFETCH(QString, param);
    QFETCH(QString, value);
    QFETCH(QStringList, found);
    QCOMPARE(run(sql, param, value), found);
}

void QueryTest::parameterNamesIgnoreCase()
{
    TQuery q(QStringLiteral("Query_Scroce"));
    q.setDatabaseName(m_dir->path());
    q.setSql(QStringLiteral("select * from 学生信息表.db where 学号=:studNo"));
    q.prepare();
    q.setParamByName(QStringLiteral("StudNo"), QStringLiteral("S10"));
    q.open();
    QCOMPARE(q.recordCount(), 1);
    QCOMPARE(q.fieldByName(QStringLiteral("姓名")).asString(), QStringLiteral("张三丰"));
    QVERIFY(q.findField(QStringLiteral("序号"))); // all fields of the file
}

void QueryTest::resultIsSnapshotUntilReopened()
{
    TQuery q(QStringLiteral("Query_Stud"));
    q.setDatabaseName(m_dir->path());
    q.setSql(QStringLiteral("select * from 学生信息表.db"));
    q.open();
    TTable t(QStringLiteral("Table_stud"));
    t.setDatabaseName(m_dir->path());
    t.setTableName(m_dir->path() + sch::StudentFile);
    t.open();
    t.del();
    QCOMPARE(q.recordCount(), 5);
    q.close();
    q.open();
    QCOMPARE(q.recordCount(), 4);
}

void QueryTest::refusals_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("param");
    QTest::addColumn<QString>("error");
    QTest::newRow("unknown statement") << QStringLiteral("delete from 学生信息表.db") << QString()
                                       << QStringLiteral("Query_Stud: 无法识别的SQL语句: delete from 学生信息表.db");
    QTest::newRow("missing parameter value") << QStringLiteral("select * from 学生信息表.db where 学号=:No") << QString()
                                             << QStringLiteral("Query_Stud: 参数 'No' 没有值");
    QTest::newRow("unknown parameter") << QStringLiteral("select * from 学生信息表.db where 学号=:No") << QStringLiteral("Other")
                                       << QStringLiteral("Query_Stud: 找不到参数 'Other'");
    QTest::newRow("unknown field") << QStringLiteral("select * from 学生信息表.db where 年龄=:No") << QStringLiteral("No")
                                   << QStringLiteral("Query_Stud: 找不到字段 '年龄'");
    QTest::newRow("injection stays a value") << QStringLiteral("select * from 学生信息表.db where 学号=:No'; drop table x")
                                             << QString() << QString("Query_Stud: 无法识别的SQL语句: select * from 学生信息表.db where 学号=:No'; drop table x");
}

void QueryTest::refusals()
{
    QFETCH(QString, sql);
    QFETCH(QString, param);
    QFETCH(QString, error);
    TQuery q(QStringLiteral("Query_Stud"));
    q.setDatabaseName(m_dir->path());
    q.setSql(sql);
    try {
        q.prepare();
        if (!param.isEmpty())
            q.setParamByName(param, QStringLiteral("x"));
        q.open();
        QFAIL("the query must be refused");
    } catch (const Error &e) {
        QCOMPARE(e.text(), error);
    }
    QVERIFY(!q.active());
    QCOMPARE(m_dir->count(sch::StudentFile), 5);
}

QM_TEST_MAIN(QueryTest)
#include "test_data_query.moc"
