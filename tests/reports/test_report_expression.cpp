#include "reports/engine/Expression.h"
#include "reports/engine/Report.h"

#include <QtTest>

using report::Expression;
using report::ReportError;

class TestReportExpression : public QObject {
    Q_OBJECT
private slots:
    void evaluate_data();
    void evaluate();
    void malformed_data();
    void malformed();
    void malformedExpressionStopsTheLayout();
};

void TestReportExpression::evaluate_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<qint64>("count");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("expected");

    QTest::newRow("page footer") << "'第 '+PAGENUMBER+' 页'" << qint64(0) << 12 << "第 12 页";
    QTest::newRow("count with two blanks") << "'共有 '+COUNT+'  个学生'" << qint64(153) << 1 << "共有 153  个学生";
    QTest::newRow("count zero") << "'共有 '+COUNT+' 门课程'" << qint64(0) << 1 << "共有 0 门课程";
    QTest::newRow("counter alone") << "COUNT" << qint64(7) << 1 << "7";
    QTest::newRow("literal alone") << "'abc'" << qint64(0) << 1 << "abc";
    QTest::newRow("empty literal") << "''+PAGENUMBER" << qint64(0) << 3 << "3";
    QTest::newRow("doubled quote") << "'it''s '+COUNT" << qint64(2) << 1 << "it's 2";
    QTest::newRow("plus inside a literal") << "'a+b'+'c'" << qint64(0) << 1 << "a+bc";
    QTest::newRow("names ignore case") << "'p'+pageNumber+'/'+count" << qint64(5) << 2 << "p2/5";
    QTest::newRow("blanks between terms") << "  'x' +  COUNT  + 'y' " << qint64(4) << 1 << "x4y";
    QTest::newRow("numbers add") << "COUNT+1" << qint64(4) << 1 << "5";
    QTest::newRow("numbers add before a text") << "1+2+'a'" << qint64(0) << 1 << "3a";
    QTest::newRow("after a text numbers join") << "'a'+1+2" << qint64(0) << 1 << "a12";
    QTest::newRow("empty expression") << "" << qint64(9) << 9 << "";
}

void TestReportExpression::evaluate()
{
    QFETCH(QString, source);
    QFETCH(qint64, count);
    QFETCH(int, page);
    QFETCH(QString, expected);
    QCOMPARE(Expression::parse(source).evaluate({count, page}), expected);
}

void TestReportExpression::malformed_data()
{
    QTest::addColumn<QString>("source");
    QTest::newRow("unclosed literal") << "'第 +PAGENUMBER";
    QTest::newRow("trailing plus") << "'a'+";
    QTest::newRow("leading plus") << "+'a'";
    QTest::newRow("two plus signs") << "'a'++'b'";
    QTest::newRow("missing plus") << "'a' COUNT";
    QTest::newRow("unknown name") << "'a'+PAGECOUNT";
    QTest::newRow("double quotes") << "\"a\"";
    QTest::newRow("other operator") << "COUNT-1";
}

void TestReportExpression::malformed()
{
    QFETCH(QString, source);
    QVERIFY_THROWS_EXCEPTION(ReportError, Expression::parse(source));
}

void TestReportExpression::malformedExpressionStopsTheLayout()
{
    report::Report r;
    report::Band &footer = r.addBand(report::BandKind::PageFooter, 10.6);
    QVERIFY_THROWS_EXCEPTION(ReportError, footer.addExpression(0, 0, QStringLiteral("'第 '+PAGENUMBER+")));
    QVERIFY(footer.elements().empty());
}

QTEST_GUILESS_MAIN(TestReportExpression)
#include "test_report_expression.moc"
