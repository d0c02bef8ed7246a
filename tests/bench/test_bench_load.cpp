// The bench's load run, short and small, on the test cluster: a handful of
// clerks at once through the windows, and the check afterwards finds every
// acknowledged write where it should be. Correctness only; the figures'
// times are the bench's business.
#include "db/server/Postgres.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

class BenchLoadTest : public QObject {
    Q_OBJECT
private slots:
    void clerksLoseNothing();
};

namespace {

// The "| kind | count | ok | ..." row of the bench's table: its ok column.
int okCount(const QString &out, const QString &kind)
{
    const QRegularExpression row(QStringLiteral("^\\| %1 \\| (\\d+) \\| (\\d+) \\|").arg(kind),
                                 QRegularExpression::MultilineOption);
    const auto m = row.match(out);
    return m.hasMatch() ? m.captured(2).toInt() : -1;
}

double figure(const QString &out, const QString &name)
{
    const QRegularExpression line(QStringLiteral("^%1: ([0-9.]+) ").arg(name), QRegularExpression::MultilineOption);
    const auto m = line.match(out);
    return m.hasMatch() ? m.captured(1).toDouble() : -1;
}

} // namespace

void BenchLoadTest::clerksLoseNothing()
{
    const QString cluster = QString::fromUtf8(qgetenv("QUILLMERE_TEST_SERVER"));
    QProcess bench;
    bench.start(QDir(QString::fromUtf8(qgetenv("QUILLMERE_BIN_DIR"))).filePath(QStringLiteral("quillmere-bench")),
                {QStringLiteral("--server"), cluster, QStringLiteral("--clerks"), QStringLiteral("4"),
                 QStringLiteral("--seconds"), QStringLiteral("8"),
                 QStringLiteral("--think"), QStringLiteral("300"), QStringLiteral("--every-kind"), QStringLiteral("--students"), QStringLiteral("300"),
                 QStringLiteral("--scores"), QStringLiteral("3000")});
    QVERIFY(bench.waitForStarted());
    const qint64 pid = bench.processId();
    QVERIFY(bench.waitForFinished(300000));
    const QString out = QString::fromUtf8(bench.readAllStandardOutput());
    const QString err = QString::fromUtf8(bench.readAllStandardError());
    QVERIFY2(bench.exitStatus() == QProcess::NormalExit && bench.exitCode() == 0, qPrintable(out + err));

    QCOMPARE(figure(out, QStringLiteral("load_lost")), 0.0);
    QCOMPARE(figure(out, QStringLiteral("load_errors")), 0.0);
    // The check looked at something: every kind that writes was acknowledged
    // at least once.
    for (const char *kind : {"add_score", "change_student", "register", "delete_score", "delete_student"})
        QVERIFY2(okCount(out, QLatin1String(kind)) >= 1, qPrintable(QLatin1String(kind) + u'\n' + out + err));
    QVERIFY2(figure(out, QStringLiteral("load_checked")) >= 5, qPrintable(out));

    // The working copy's database went with the run.
    const store::pg::Result left = store::pg::Connection(cluster).exec(
        QByteArray("SELECT count(*) FROM pg_database WHERE datname LIKE $1"),
        {QVariant(QStringLiteral("quillmere_bench_%1_%").arg(pid))});
    QCOMPARE(left.value(0, 0).toInt(), 0);
}

QTEST_GUILESS_MAIN(BenchLoadTest)
#include "test_bench_load.moc"
