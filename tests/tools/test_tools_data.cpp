// quillmere-data's command line: what a scheduled task sees when the line is
// wrong (exit 2, the usage text in Chinese, nothing done).
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <sys/types.h>
#include <QtTest>

class DataToolTest : public QObject {
    Q_OBJECT
private slots:
    void wrongCommandLinesAreRefused_data();
    void wrongCommandLinesAreRefused();
    void exportAndImportTellTheirOutcome();
    void killedImportLeavesTheTablesAsTheyWere();
};

void DataToolTest::wrongCommandLinesAreRefused_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("says");
    QTest::newRow("no command") << QStringList{} << QStringLiteral("用法: quillmere-data");
    QTest::newRow("unknown command") << QStringList{QStringLiteral("frobnicate")}
                                     << QStringLiteral("未知的命令: frobnicate");
    QTest::newRow("unknown option") << QStringList{QStringLiteral("--verbose"), QStringLiteral("export")}
                                    << QStringLiteral("无法识别的选项: --verbose");
    QTest::newRow("both places") << QStringList{QStringLiteral("--data"), QStringLiteral("/tmp"),
                                                QStringLiteral("--server"), QStringLiteral("host=x")}
                                 << QStringLiteral("无法识别的选项: --server");
    QTest::newRow("option without value") << QStringList{QStringLiteral("--data")}
                                          << QStringLiteral("无法识别的选项: --data");
}

void DataToolTest::wrongCommandLinesAreRefused()
{
    QFETCH(QStringList, args);
    QFETCH(QString, says);
    QProcess tool;
    tool.start(qEnvironmentVariable("QUILLMERE_BIN_DIR") + QStringLiteral("/quillmere-data"), args);
    QVERIFY(tool.waitForFinished(30000));
    QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tool.exitCode(), 2);
    const QString err = QString::fromUtf8(tool.readAllStandardError());
    QVERIFY2(err.contains(says), qPrintable(err));
    QVERIFY2(err.contains(QStringLiteral("用法: quillmere-data")), qPrintable(err));
}

namespace {

struct Run {
    int code;
    QString out, err;
};

Run run(const QStringList &args)
{
    QProcess tool;
    tool.start(qEnvironmentVariable("QUILLMERE_BIN_DIR") + QStringLiteral("/quillmere-data"), args);
    tool.waitForFinished(60000);
    return {tool.exitCode(), QString::fromUtf8(tool.readAllStandardOutput()), QString::fromUtf8(tool.readAllStandardError())};
}

} // namespace

// Exit 0 when done, 1 when rows were refused (nothing written), 2 for a file
// or table that cannot be used; the summary and each refused row in Chinese.
void DataToolTest::exportAndImportTellTheirOutcome()
{
    QTemporaryDir tmp;
    const QString data = tmp.path() + QStringLiteral("/DB_Files");
    QCOMPARE(QProcess::execute(qEnvironmentVariable("QUILLMERE_BIN_DIR") + QStringLiteral("/quillmere-initdb"),
                               {data, QStringLiteral("--demo")}),
             0);
    const QString csv = tmp.path() + QStringLiteral("/students.csv");
    const QStringList on{QStringLiteral("--data"), data};
    Run r = run(on + QStringList{QStringLiteral("export"), QStringLiteral("学生信息表"), csv});
    QCOMPARE(r.code, 0);
    QVERIFY2(r.out.contains(QStringLiteral("已导出 12 条记录")), qPrintable(r.out + r.err));

    r = run(on + QStringList{QStringLiteral("import"), QStringLiteral("学生信息表"), csv});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.out.startsWith(QStringLiteral("新增 0 条, 更新 0 条, 未变 0 条, 拒绝 12 行\n")), qPrintable(r.out));
    QVERIFY2(r.out.contains(QStringLiteral("第2行 学号: 表中已有相同的学号")), qPrintable(r.out));

    r = run(on + QStringList{QStringLiteral("import"), QStringLiteral("学生信息表"), csv, QStringLiteral("--update")});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QStringLiteral("新增 0 条, 更新 0 条, 未变 12 条, 拒绝 0 行\n"));

    const struct {
        QStringList args;
        QString says;
    } wrong[] = {
        {{QStringLiteral("import"), QStringLiteral("学生信息表"), tmp.path() + QStringLiteral("/none.csv")}, QStringLiteral("不存在")},
        {{QStringLiteral("export"), QStringLiteral("系统帐户表"), csv}, QStringLiteral("未知的表 '系统帐户表'")},
        {{QStringLiteral("export"), QStringLiteral("学生信息表"), tmp.path() + QStringLiteral("/no/such/dir/x.xlsx")},
         QStringLiteral("无法写入文件")},
        {{QStringLiteral("import"), QStringLiteral("学生信息表")}, QStringLiteral("用法")},
    };
    for (const auto &w : wrong) {
        r = run(on + w.args);
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains(w.says), qPrintable(r.err));
    }
}

// kill -9 in the middle of a large import: the tables are as they were,
// whole, and the next import goes through.
void DataToolTest::killedImportLeavesTheTablesAsTheyWere()
{
    QTemporaryDir tmp;
    const QString data = tmp.path() + QStringLiteral("/DB_Files");
    QCOMPARE(QProcess::execute(qEnvironmentVariable("QUILLMERE_BIN_DIR") + QStringLiteral("/quillmere-initdb"),
                               {data, QStringLiteral("--demo")}),
             0);
    const QString csv = tmp.path() + QStringLiteral("/big.csv");
    {
        QFile f(csv);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QByteArray text = QStringLiteral("学号,姓名\n").toUtf8();
        for (int i = 0; i < 200000; ++i)
            text += QStringLiteral("K%1,学生%1\n").arg(i).toUtf8();
        f.write(text);
    }
    const QString journal = data + QStringLiteral("/学生信息表.DB-journal");
    QProcess tool;
    tool.start(qEnvironmentVariable("QUILLMERE_BIN_DIR") + QStringLiteral("/quillmere-data"),
               {QStringLiteral("--data"), data, QStringLiteral("import"), QStringLiteral("学生信息表"), csv});
    QVERIFY(tool.waitForStarted());
    // The first record written opens the student file's journal.
    QElapsedTimer waited;
    waited.start();
    while (!QFileInfo::exists(journal) && tool.state() == QProcess::Running && waited.elapsed() < 60000)
        QThread::usleep(200);
    QVERIFY2(tool.state() == QProcess::Running, "the import ended before it was seen writing");
    QThread::msleep(100);
    ::kill(pid_t(tool.processId()), SIGKILL);
    QVERIFY(tool.waitForFinished(30000));
    QCOMPARE(tool.exitStatus(), QProcess::CrashExit);

    auto sqlite = [&](const QString &sql) {
        QProcess shell;
        shell.start(QStringLiteral("sqlite3"), {data + QStringLiteral("/学生信息表.DB"), sql});
        shell.waitForFinished(30000);
        return QString::fromUtf8(shell.readAllStandardOutput()).trimmed();
    };
    QCOMPARE(sqlite(QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
    QCOMPARE(sqlite(QStringLiteral("SELECT count(*) FROM 学生信息表")), QStringLiteral("12"));
    const Run again = run({QStringLiteral("--data"), data, QStringLiteral("import"), QStringLiteral("学生信息表"), csv});
    QCOMPARE(again.code, 0);
    QCOMPARE(sqlite(QStringLiteral("SELECT count(*) FROM 学生信息表")), QStringLiteral("200012"));
}

QTEST_GUILESS_MAIN(DataToolTest)
#include "test_tools_data.moc"
