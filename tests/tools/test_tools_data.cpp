// quillmere-data's command line: what a scheduled task sees when the line is
// wrong (exit 2, the usage text in Chinese, nothing done).
#include <QProcess>
#include <QtTest>

class DataToolTest : public QObject {
    Q_OBJECT
private slots:
    void wrongCommandLinesAreRefused_data();
    void wrongCommandLinesAreRefused();
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

QTEST_GUILESS_MAIN(DataToolTest)
#include "test_tools_data.moc"
