// Two programs on one data directory: each sees what the other stored, an
// action works on fresh data under the write lock, and a change to a record
// the other program changed or deleted is refused instead of overwriting.
//
// Program A is this test process; program B is this same binary started as
// a clerk that reads one step a line from its standard input and answers
// with the boxes it was shown.
#include "data/ActionHooks.h"
#include "db/Engine.h"
#include "db/Engines.h"
#include "ui/App.h"
#include "tests/app/Office.h"

#include <QProcess>
#include <QtTest>

#include <iostream>

using namespace office;

namespace {

const char *const ClerkVar = "QUILLMERE_CLERK_DIR";
const char *const ClerkServerVar = "QUILLMERE_CLERK_SERVER";

// Runs one step of a clerk's work; returns the boxes shown, joined by "|".
QString perform(Office &o, const QStringList &words)
{
    fixture::Boxes boxes(ui::IdYes);
    const QString cmd = words.value(0);
    if (cmd == QLatin1String("pick"))
        o.pickStudent(words.value(1));
    else if (cmd == QLatin1String("register"))
        o.registerStudent(words.value(1), words.value(2));
    else if (cmd == QLatin1String("delete-student"))
        o.deleteCurrentStudent();
    else if (cmd == QLatin1String("rename"))
        o.startRename(words.value(1));
    else if (cmd == QLatin1String("submit"))
        o.submitStudent();
    else if (cmd == QLatin1String("add-score"))
        o.addScoreFor(words.value(1), words.value(2));
    else if (cmd == QLatin1String("delete-score"))
        o.deleteCurrentScore();
    return boxes.texts().join(u'|');
}

int clerkMain(const QString &dir)
{
    Office o(dir);
    o.stud->show();
    o.score->show();
    std::string line;
    while (std::getline(std::cin, line)) {
        const QStringList words = QString::fromStdString(line).split(u' ', Qt::SkipEmptyParts);
        const QString boxes = perform(o, words);
        QTest::qWait(20); // back in the event loop: what is pending is stored
        std::cout << "done " << boxes.toStdString() << std::endl;
    }
    return 0;
}

} // namespace

class TwoProgramsTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void countFollowsTheOtherProgram();
    void editOfRecordTheOtherDeletedIsRefused();
    void rowIdOfDeletedRecordIsNotReused();
    void numberingAfterTheOtherAdded();
    void renumberingAfterTheOtherDeleted();
    void lockHeldByTheOtherIsReported();

private:
    // Program B does one step and answers with the boxes it showed.
    QString b(const QString &step);
    // Program A returns to its event loop for a moment.
    static void idle() { QTest::qWait(250); }
    QStringList stored(const QString &file, const QString &columns, const QString &order);

    std::unique_ptr<fixture::DataDir> m_dir;
    std::unique_ptr<QProcess> m_b;
};

void TwoProgramsTest::init()
{
    m_dir = std::make_unique<fixture::DataDir>();
    m_dir->addCourse(QStringLiteral("C1"), QStringLiteral("数学"));
    m_dir->addStudent(QStringLiteral("S1"), QStringLiteral("张三"));
    m_dir->addStudent(QStringLiteral("S2"), QStringLiteral("李四"));
    m_dir->addStudent(QStringLiteral("S3"), QStringLiteral("王五"));
    for (int i = 1; i <= 9; ++i)
        m_dir->addScore(i, QStringLiteral("S%1").arg((i - 1) % 3 + 1), QStringLiteral("数学"), 60 + i);
    m_b = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(ClerkVar), m_dir->path());
    env.insert(QString::fromLatin1(ClerkServerVar), m_dir->clerkServer());
    m_b->setProcessEnvironment(env);
    m_b->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_b->start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(m_b->waitForStarted());
}

void TwoProgramsTest::cleanup()
{
    m_b->closeWriteChannel();
    if (!m_b->waitForFinished(5000))
        m_b->kill();
    m_b.reset();
    m_dir.reset();
}

QString TwoProgramsTest::b(const QString &step)
{
    m_b->write(step.toUtf8() + '\n');
    while (!m_b->canReadLine()) {
        if (!m_b->waitForReadyRead(15000))
            return QStringLiteral("<no answer>");
    }
    return QString::fromUtf8(m_b->readLine()).trimmed().mid(5);
}

QStringList TwoProgramsTest::stored(const QString &file, const QString &columns, const QString &order)
{
    store::commitAll();
    QStringList out;
    for (const QVariantList &row : m_dir->rows(file, QStringLiteral("SELECT %1 FROM $T ORDER BY %2").arg(columns, order))) {
        QStringList cells;
        for (const QVariant &v : row)
            cells << v.toString();
        out << cells.join(u' ');
    }
    return out;
}

void TwoProgramsTest::countFollowsTheOtherProgram()
{
    Office a(m_dir->path());
    a.stud->show();
    idle();
    QCOMPARE(a.stud->Label12->text(), QStringLiteral("3"));
    QCOMPARE(b(QStringLiteral("register S9 赵六")), QStringLiteral("赵六的注册信息已经成功添加!"));
    idle();
    QCOMPARE(a.stud->Label12->text(), QStringLiteral("4"));
    QVERIFY(a.pickStudent(QStringLiteral("S9")));
}

void TwoProgramsTest::editOfRecordTheOtherDeletedIsRefused()
{
    Office a(m_dir->path());
    a.stud->show();
    QVERIFY(a.pickStudent(QStringLiteral("S2")));
    a.startRename(QStringLiteral("Zed"));
    b(QStringLiteral("pick S2"));
    QCOMPARE(b(QStringLiteral("delete-student")), QStringLiteral("注意!此操作将删除该生的一切资料!"));

    fixture::Boxes boxes;
    a.submitStudent();
    QCOMPARE(boxes.texts(), QStringList{QStringLiteral("该记录已被其他用户修改或删除,修改没有保存!")});
    QCOMPARE(stored(sch::StudentFile, QStringLiteral("学号, 姓名"), QStringLiteral("rowid")),
             (QStringList{"S1 张三", "S3 王五"}));
    QCOMPARE(DM1->Table_stud->state(), store::DataSetState::Browse);
    QCOMPARE(DM1->Table_stud->recordCount(), 2);
    // B's deletion took S2's scores and renumbered the rest.
    QCOMPARE(stored(sch::ScoreFile, QStringLiteral("序号, 学号"), QStringLiteral("序号")),
             (QStringList{"1 S1", "2 S3", "3 S1", "4 S3", "5 S1", "6 S3"}));
}

void TwoProgramsTest::rowIdOfDeletedRecordIsNotReused()
{
    const QVariant oldRowid = m_dir->rows(sch::StudentFile, QStringLiteral("SELECT max(rowid) FROM $T")).first().first();
    b(QStringLiteral("pick S3"));
    b(QStringLiteral("rename Bob"));

    Office a(m_dir->path());
    a.stud->show();
    fixture::Boxes boxes(ui::IdYes);
    QVERIFY(a.pickStudent(QStringLiteral("S3")));
    a.deleteCurrentStudent();
    a.registerStudent(QStringLiteral("S4"), QStringLiteral("Dan"));
    QCOMPARE(boxes.texts().last(), QStringLiteral("Dan的注册信息已经成功添加!"));
    const QVariantList s4 = m_dir->rows(sch::StudentFile, QStringLiteral("SELECT rowid FROM $T WHERE 学号 = 'S4'")).first();
    QVERIFY2(s4.first().toLongLong() > oldRowid.toLongLong(), "the new student has a row id never used before");

    QCOMPARE(b(QStringLiteral("submit")), QStringLiteral("该记录已被其他用户修改或删除,修改没有保存!"));
    QCOMPARE(stored(sch::StudentFile, QStringLiteral("学号, 姓名"), QStringLiteral("rowid")),
             (QStringList{"S1 张三", "S2 李四", "S4 Dan"}));
}

void TwoProgramsTest::numberingAfterTheOtherAdded()
{
    Office a(m_dir->path());
    a.score->show();
    idle();
    QCOMPARE(b(QStringLiteral("pick S1")), QString());
    QCOMPARE(b(QStringLiteral("add-score 数学 90")), QString());
    fixture::Boxes boxes;
    QVERIFY(a.pickStudent(QStringLiteral("S2")));
    a.addScoreFor(QStringLiteral("数学"), QStringLiteral("80"));
    QCOMPARE(b(QStringLiteral("add-score 数学 70")), QString());
    a.addScoreFor(QStringLiteral("数学"), QStringLiteral("50"));
    QCOMPARE(boxes.texts(), QStringList());
    const QStringList scores = stored(sch::ScoreFile, QStringLiteral("序号, 学号, 成绩"), QStringLiteral("序号"));
    QCOMPARE(scores.mid(9), (QStringList{"10 S1 90", "11 S2 80", "12 S1 70", "13 S2 50"}));
}

void TwoProgramsTest::renumberingAfterTheOtherDeleted()
{
    Office a(m_dir->path());
    a.score->show();
    QVERIFY(a.pickStudent(QStringLiteral("S2")));
    idle();
    // B deletes S1 with its three scores and renumbers; A, which showed S2's
    // scores under their old numbers, deletes S2's first score.
    b(QStringLiteral("pick S1"));
    QCOMPARE(b(QStringLiteral("delete-student")), QStringLiteral("注意!此操作将删除该生的一切资料!"));
    fixture::Boxes boxes(ui::IdYes);
    a.deleteCurrentScore();
    QCOMPARE(boxes.texts(), QStringList{QStringLiteral("注意!此操作将删除该学生的当前成绩!\n\n学生: 李四 (学号 S2)\n科目: 数学")});
    QCOMPARE(stored(sch::ScoreFile, QStringLiteral("序号, 学号, 成绩"), QStringLiteral("序号")),
             (QStringList{"1 S3 63", "2 S2 65", "3 S3 66", "4 S2 68", "5 S3 69"}));
    QCOMPARE(DM1->Table_Scroce_1->recordCount(), 2);
}

// A program that keeps the write lock longer than the engine waits gets the
// lock reported, and nothing of its action is stored.
void TwoProgramsTest::lockHeldByTheOtherIsReported()
{
    QTemporaryDir engineDir;
    const QString cfg = engineDir.filePath(QStringLiteral("IDAPI32.CFG"));
    {
        QFile f(cfg);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[Engine]\nBusyTimeout=300\n");
    }
    store::setEngineConfigFile(cfg);
    auto defaults = qScopeGuard([] { store::setEngineConfigFile(QString()); });
    Office a(m_dir->path());
    a.score->show();
    QVERIFY(a.pickStudent(QStringLiteral("S2")));
    auto other = std::make_unique<fixture::OtherWriter>(*m_dir);
    fixture::Boxes boxes(ui::IdYes);
    a.deleteCurrentScore();
    other.reset();
    // On a server the other program is another clerk.
    const QString busy = fixture::onServer() ? QStringLiteral("其他用户正在修改记录,请稍后再试.")
                                             : QStringLiteral("表文件正被其他程序使用.");
    QCOMPARE(boxes.texts(), (QStringList{QStringLiteral("注意!此操作将删除该学生的当前成绩!\n\n学生: 李四 (学号 S2)\n科目: 数学"), busy}));
    QCOMPARE(stored(sch::ScoreFile, QStringLiteral("count(*)"), QStringLiteral("1")), QStringList{"9"});
    boxes.clear();
    a.deleteCurrentScore();
    QCOMPARE(stored(sch::ScoreFile, QStringLiteral("count(*)"), QStringLiteral("1")), QStringList{"8"});
}

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    store::installActionHooks();
    const QString clerkDir = qEnvironmentVariable(ClerkVar);
    if (!clerkDir.isEmpty()) {
        // The second clerk works on the first one's server database, if any.
        store::setEngineServer(qEnvironmentVariable(ClerkServerVar));
        fixture::logInAsClerk(2);
        return clerkMain(clerkDir);
    }
    TwoProgramsTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_app_two_programs.moc"
