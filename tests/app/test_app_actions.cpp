// Every action is all or nothing, also when a write fails part-way: the
// failed action's writes are undone before its one error box, no success
// message announces what was not stored, and the next action works.
#include "data/ActionHooks.h"
#include "db/Engine.h"
#include "db/Engines.h"
#include "ui/App.h"
#include "tests/app/Office.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <grp.h>

using namespace office;

namespace {

const char *const FullDiskVar = "QUILLMERE_FULL_DISK_DIR";

enum class Fault { ReadOnlyStudents, ReadOnlyCourses, FullDisk, FailedCommit };
enum class Step { DeleteStudent, DeleteCourse, RegisterStudent };

// Everything a test may compare, as stored.
QStringList snapshot(fixture::DataDir &dir)
{
    store::commitAll();
    QStringList out;
    const QList<QPair<QString, QString>> reads = {
        {sch::StudentFile, QStringLiteral("SELECT 学号, 姓名 FROM $T ORDER BY rowid")},
        {sch::ScoreFile, QStringLiteral("SELECT 序号, 学号, 科目, 成绩 FROM $T ORDER BY 序号")},
        {sch::CourseFile, QStringLiteral("SELECT 课程号, 课程名称 FROM $T ORDER BY rowid")},
        {sch::PlanFile, QStringLiteral("SELECT 序号, 课程号 FROM $T ORDER BY 序号")},
    };
    for (const auto &r : reads) {
        for (const QVariantList &row : dir.rows(r.first, r.second)) {
            QStringList cells;
            for (const QVariant &v : row)
                cells << v.toString();
            out << r.first + u':' + cells.join(u' ');
        }
    }
    return out;
}

// Fills the file system the directory lives on to the last byte.
void fillDisk(const QString &dir)
{
    QFile filler(dir + QStringLiteral("/filler"));
    QVERIFY(filler.open(QIODevice::WriteOnly));
    const QByteArray block(4096, 'x');
    while (filler.write(block) == block.size() && filler.flush()) {
    }
    const QByteArray byte(1, 'x');
    while (filler.write(byte) == 1 && filler.flush()) {
    }
}

} // namespace

class ActionsTest : public QObject {
    Q_OBJECT
private slots:
    void failedActionLeavesNothing_data();
    void failedActionLeavesNothing();
    void damagedFileIsNamed();
    void passwordOutsideCodePageIsRefused_data();
    void passwordOutsideCodePageIsRefused();
};

void ActionsTest::failedActionLeavesNothing_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<Step>("step");
    QTest::addColumn<QString>("question"); // the warning answered Yes, or none
    QTest::addColumn<QString>("error");    // what the one error box says

    const QString studentWarning = QStringLiteral("注意!此操作将删除该生的一切资料!");
    QTest::newRow("read-only student file, delete student with 3 scores")
        << Fault::ReadOnlyStudents << Step::DeleteStudent << studentWarning << QStringLiteral("表文件是只读的，无法写入.");
    QTest::newRow("read-only course file, delete course with its plan")
        << Fault::ReadOnlyCourses << Step::DeleteCourse << QStringLiteral("注意!此操作将删除该课程的一切资料!")
        << QStringLiteral("表文件是只读的，无法写入.");
    QTest::newRow("full disk, delete student with 3 scores")
        << Fault::FullDisk << Step::DeleteStudent << studentWarning << QStringLiteral("磁盘已满，无法写入表文件");
    QTest::newRow("full disk, register a student")
        << Fault::FullDisk << Step::RegisterStudent << QString() << QStringLiteral("磁盘已满，无法写入表文件");
    QTest::newRow("commit fails at the success message, register a student")
        << Fault::FailedCommit << Step::RegisterStudent << QString() << QStringLiteral("保存修改失败: ");
    QTest::newRow("commit fails when the deletion ends")
        << Fault::FailedCommit << Step::DeleteStudent << studentWarning << QStringLiteral("保存修改失败: ");
}

void ActionsTest::failedActionLeavesNothing()
{
    QFETCH(Fault, fault);
    QFETCH(Step, step);
    QFETCH(QString, question);
    QFETCH(QString, error);

    const QString fullDisk = qEnvironmentVariable(FullDiskVar);
    if (fault == Fault::FullDisk && fullDisk.isEmpty())
        QSKIP("a full disk needs a small file system of its own (the test runs as root for it)");
    fixture::DataDir dir(true, fault == Fault::FullDisk ? fullDisk : QString());
    dir.addStudent(QStringLiteral("S1"), QStringLiteral("张三"));
    dir.addStudent(QStringLiteral("S2"), QStringLiteral("李四"));
    const char *const owners[] = {"S1", "S2", "S1", "S2", "S1", "S2"};
    for (int i = 0; i < 6; ++i)
        dir.addScore(i + 1, QString::fromLatin1(owners[i]), i % 2 ? QStringLiteral("语文") : QStringLiteral("数学"), 60 + i);
    dir.addCourse(QStringLiteral("C1"), QStringLiteral("数学"));
    dir.addCourse(QStringLiteral("C2"), QStringLiteral("语文"));
    dir.addPlan(1, QStringLiteral("C2"));
    dir.addPlan(2, QStringLiteral("C1"));
    dir.addPlan(3, QStringLiteral("C2"));
    const QStringList before = snapshot(dir);

    // A file turned read-only is opened read-only; a full disk is full from
    // the start.
    switch (fault) {
    case Fault::ReadOnlyStudents:
        QVERIFY(QFile::setPermissions(dir.file(sch::StudentFile), QFile::ReadOwner | QFile::ReadUser));
        break;
    case Fault::ReadOnlyCourses:
        QVERIFY(QFile::setPermissions(dir.file(sch::CourseFile), QFile::ReadOwner | QFile::ReadUser));
        break;
    case Fault::FullDisk:
        fillDisk(dir.path());
        break;
    case Fault::FailedCommit:
        break;
    }
    Office o(dir.path());
    o.stud->show();
    o.score->show();
    o.course->show();
    QVERIFY(o.pickStudent(QStringLiteral("S1")));
    if (fault == Fault::FailedCommit)
        store::failNextCommitForTesting();

    fixture::Boxes boxes(ui::IdYes);
    switch (step) {
    case Step::DeleteStudent:
        o.deleteCurrentStudent();
        break;
    case Step::DeleteCourse:
        o.deleteCurrentCourse();
        break;
    case Step::RegisterStudent:
        o.registerStudent(QStringLiteral("S9"), QStringLiteral("王五"));
        break;
    }

    // One box for the failure (after the warning, if any), never a success.
    QStringList expected;
    if (!question.isEmpty())
        expected << question;
    const QStringList texts = boxes.texts();
    QCOMPARE(texts.size(), expected.size() + 1);
    QCOMPARE(texts.mid(0, expected.size()), expected);
    QVERIFY2(texts.last().contains(error), qPrintable(texts.last()));
    QCOMPARE(boxes.shown.last().icon, ui::Icon::Error);

    // Nothing half-done on disk, nothing half-done in the datasets.
    if (fault == Fault::FullDisk)
        QVERIFY(QFile::remove(dir.path() + QStringLiteral("filler")));
    QCOMPARE(snapshot(dir), before);
    for (store::DataSet *ds : DM1->findChildren<store::DataSet *>())
        QVERIFY2(ds->state() != store::DataSetState::Edit && ds->state() != store::DataSetState::Insert,
                 qPrintable(ds->name()));
    QCOMPARE(store::safeCount(*DM1->Table_stud), 2);
    QCOMPARE(store::safeCount(*DM1->Table_Scroce_2), 6);

    // The next action works: a score of S2 deleted, the rest renumbered.
    boxes.clear();
    QVERIFY(o.pickStudent(QStringLiteral("S2")));
    o.deleteCurrentScore();
    QCOMPARE(boxes.texts(), QStringList{QStringLiteral("注意!此操作将删除该学生的当前成绩!\n\n学生: 李四 (学号 S2)\n科目: 语文")});
    QStringList scores;
    for (const QString &line : snapshot(dir)) {
        if (line.startsWith(sch::ScoreFile))
            scores << line.section(u':', 1);
    }
    QCOMPARE(scores, (QStringList{"1 S1 数学 60", "2 S1 数学 62", "3 S2 语文 63", "4 S1 数学 64", "5 S2 语文 65"}));
}

// A table file damaged on disk is reported by its name.
void ActionsTest::damagedFileIsNamed()
{
    fixture::DataDir dir;
    for (int i = 0; i < 400; ++i)
        dir.addStudent(QStringLiteral("S%1").arg(i), QStringLiteral("学生%1").arg(i));
    // Overwrite the pages after the first with garbage.
    {
        QFile f(dir.file(sch::StudentFile));
        QVERIFY(f.open(QIODevice::ReadWrite));
        const qint64 size = f.size();
        QVERIFY(size > 3 * 4096);
        f.seek(4096);
        f.write(QByteArray(int(size - 4096), '\x5a'));
    }
    // Start-up reports it in the standard error box and goes on.
    fixture::Boxes boxes;
    Office o(dir.path());
    QCOMPARE(boxes.shown.size(), 1);
    QVERIFY2(boxes.texts().first().contains(QDir::toNativeSeparators(dir.file(sch::StudentFile))),
             qPrintable(boxes.texts().first()));
}

void ActionsTest::passwordOutsideCodePageIsRefused_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::newRow("password with an emoji") << "clerk" << QString::fromUtf8("a😀b1");
    QTest::newRow("name with an emoji") << QString::fromUtf8("c😀") << "secret";
    QTest::newRow("password in a script GBK lacks") << "clerk" << QString::fromUtf8("ab\u0915\u094d");
}

void ActionsTest::passwordOutsideCodePageIsRefused()
{
    QFETCH(QString, name);
    QFETCH(QString, password);
    fixture::DataDir dir;
    dir.addAccount(QStringLiteral("admin"), QByteArray("daimn"), QStringLiteral("1"));
    Office o(dir.path());
    o.accounts->show();
    o.accounts->skinComboBox1->setCurrentIndex(1);
    o.accounts->Edit_Name->setText(name);
    o.accounts->Edit_PassWord_Login->setText(password);
    fixture::Boxes boxes;
    Office::click(o.accounts->Button_Add);
    QCOMPARE(boxes.texts(), QStringList{QStringLiteral("用户名和口令中含有系统无法保存的字符!")});
    QCOMPARE(dir.count(sch::AccountFile), 1);
}

int main(int argc, char **argv)
{
    // As root: a small file system of our own for the full-disk cases, in a
    // mount namespace no other process sees, then an ordinary user, so that
    // a read-only file is read-only for the program.
    if (geteuid() == 0) {
        if (unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0
            && mount("tmpfs", "/mnt", "tmpfs", 0, "size=1m,uid=65534,gid=65534,mode=0700") == 0)
            qputenv(FullDiskVar, "/mnt");
        const QByteArray home = QByteArray("/tmp/quillmere-actions-") + QByteArray::number(getpid());
        mkdir(home.constData(), 0700);
        if (chown(home.constData(), 65534, 65534) != 0 || setgroups(0, nullptr) != 0 || setgid(65534) != 0
            || setuid(65534) != 0) {
            std::fprintf(stderr, "cannot run as an ordinary user\n");
            return 1;
        }
        qputenv("HOME", home);
        qputenv("XDG_RUNTIME_DIR", home);
    }
    TApplication app(argc, argv);
    store::installActionHooks();
    ActionsTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_app_actions.moc"
