// Backups and restores on either engine: one moment while another program
// writes, nothing half-made when killed, refusals that change nothing, the
// round trip between the engines, the rotation, and the command line.
#include "backup/Backup.h"
#include "backup/Folder.h"
#include "core/Globals.h"
#include "db/Engines.h"
#include "db/server/Postgres.h"
#include "db/server/ServerEngine.h"
#include "db/sqlite/Sqlite.h"
#include "office/Schema.h"
#include "tests/support/Fixture.h"
#include "tools/CreateTables.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <sqlite3.h>

#include <csignal>

namespace sch = store::schema;
using store::sql::Db;
using store::sql::Stmt;

namespace {

const char *const ChildVar = "QUILLMERE_BACKUP_CHILD";

QString env(const char *name) { return qEnvironmentVariable(name); }

// Another program storing a student with three scores per action, the
// scores numbered on from the highest, until it is killed.
int writerMain()
{
    const QString dir = env("QUILLMERE_BACKUP_DIR"), server = env("QUILLMERE_BACKUP_SERVER");
    if (!server.isEmpty()) {
        store::pg::Connection c(server);
        for (int k = 0;; ++k) {
            c.exec(QStringLiteral("BEGIN; %1").arg(QLatin1String(store::OfficeWriteLock)));
            c.exec(QByteArray("INSERT INTO \"学生信息表\"(\"学号\") VALUES($1)"), {QVariant(QStringLiteral("W%1").arg(k))});
            for (int i = 0; i < 3; ++i)
                c.exec(QByteArray("INSERT INTO \"学生成绩表\"(\"序号\", \"学号\", \"科目\") "
                                  "SELECT coalesce(max(\"序号\"), 0) + 1, $1, 'x' FROM \"学生成绩表\""),
                       {QVariant(QStringLiteral("W%1").arg(k))});
            c.exec(QStringLiteral("COMMIT"));
            QThread::msleep(2); // a clerk's next action
        }
    }
    Db db;
    db.open(QDir(dir).filePath(sch::StudentFile), false);
    sqlite3_busy_timeout(db.handle(), 20000);
    Stmt attach(db.handle(), QStringLiteral("ATTACH DATABASE ?1 AS s"));
    attach.bind(1, QDir(dir).filePath(sch::ScoreFile));
    attach.step();
    for (int k = 0;; ++k) {
        db.exec(QStringLiteral("BEGIN IMMEDIATE"));
        Stmt student(db.handle(), QStringLiteral("INSERT INTO main.\"学生信息表\"(\"学号\") VALUES(?1)"));
        student.bind(1, QStringLiteral("W%1").arg(k));
        student.step();
        for (int i = 0; i < 3; ++i) {
            Stmt score(db.handle(), QStringLiteral("INSERT INTO s.\"学生成绩表\"(\"序号\", \"学号\", \"科目\") "
                                                   "SELECT coalesce(max(\"序号\"), 0) + 1, ?1, 'x' FROM s.\"学生成绩表\""));
            score.bind(1, QStringLiteral("W%1").arg(k));
            score.step();
        }
        db.exec(QStringLiteral("COMMIT"));
        QThread::msleep(2);
    }
}

// A backup or a restore that stops for good at a named point, after saying
// so in a marker file, so that the test can kill it there.
int stoppedMain(const QString &what)
{
    const QString mark = env("QUILLMERE_BACKUP_MARK");
    backup::setStageHookForTesting([mark](const QString &) {
        QFile f(mark);
        f.open(QIODevice::WriteOnly);
        f.close();
        QThread::sleep(120);
    });
    const backup::Place place{env("QUILLMERE_BACKUP_DIR"), env("QUILLMERE_BACKUP_SERVER"), 5000, QString()};
    try {
        if (what == QLatin1String("backup"))
            backup::take(place, env("QUILLMERE_BACKUP_FILE"), QStringLiteral("test"));
        else
            backup::restore(place, env("QUILLMERE_BACKUP_FILE"));
    } catch (const store::Error &e) {
        qWarning("%s", qPrintable(e.text()));
        return 1;
    }
    return 0;
}

QStringList namesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

} // namespace

class BackupTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void backupWhileAnotherProgramWritesIsOneMoment();
    void killedBackupLeavesNoBackupAndTheRecords();
    void killedRestoreLeavesTheOldRecordsWhole();
    void restoreReplacesEverythingAndKeepsNumbering();
    void badFilesAreRefusedAndNothingChanges_data();
    void badFilesAreRefusedAndNothingChanges();
    void cancelledBackupLeavesNothing();
    void roundTripBetweenTheEngines();
    void rotationOverAMonthOfStarts();
    void backupBeforeAChange();
    void commandLine();

private:
    // Students S1..S3 (one with an empty self-numbered field), scores,
    // classes, an account with bytes for a password.
    void seed(fixture::DataDir &d);
    // n records at once; values: SQL over i = 1..n.
    void fill(const QString &file, const QString &columns, const QString &values, int n);
    // What a backup of the records now says of them: each table's records
    // and fingerprint.
    QStringList state(const backup::Place &place);
    backup::Place place() const { return backup::Place{m_dir->path(), m_dir->server(), 5000, QString()}; }
    // This test program as another program on the records: the writer, or a
    // backup or restore of file.
    QProcessEnvironment childEnvironment(const QString &what, const QString &file = QString()) const;
    // Runs the backup or restore of file in another process, and kills it
    // with SIGKILL where it stops; false when it never got there.
    bool killAtStage(const QString &what, const QString &file);
    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<fixture::DataDir> m_dir;
};

void BackupTest::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    m_dir = std::make_unique<fixture::DataDir>(true, m_root->path());
    seed(*m_dir);
}

void BackupTest::cleanup()
{
    m_dir.reset();
    m_root.reset();
}

void BackupTest::seed(fixture::DataDir &d)
{
    d.addStudent(QStringLiteral("S1"), QStringLiteral("张三"), QStringLiteral("C1"));
    d.addStudent(QStringLiteral("S2"), QStringLiteral("李四"), QStringLiteral("C1"));
    d.addStudent(QStringLiteral("S3"), QStringLiteral("王五"));
    d.exec(sch::StudentFile, QStringLiteral("UPDATE $T SET \"出生日期\" = '1985-03-02' WHERE \"学号\" = 'S1'"));
    d.exec(sch::StudentFile, QStringLiteral("UPDATE $T SET \"序号\" = NULL WHERE \"学号\" = 'S3'"));
    for (int i = 1; i <= 6; ++i)
        d.addScore(i, i <= 3 ? QStringLiteral("S1") : QStringLiteral("S2"), QStringLiteral("数学%1").arg(i), 60 + i);
    d.addClass(QStringLiteral("C1"), QStringLiteral("一班"));
    d.addCourse(QStringLiteral("K1"), QStringLiteral("数学"));
    d.addPlan(1, QStringLiteral("K1"), QStringLiteral("64"), 4);
    d.addAccount(QStringLiteral("admin"), QByteArray("da\x00mi\xffn", 7), QStringLiteral("1"));
}

void BackupTest::fill(const QString &file, const QString &columns, const QString &values, int n)
{
    if (m_dir->server().isEmpty())
        m_dir->exec(file, QStringLiteral("INSERT INTO $T(%1) WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < %3) "
                                         "SELECT %2 FROM c").arg(columns, values).arg(n));
    else
        m_dir->exec(file, QStringLiteral("INSERT INTO $T(%1) SELECT %2 FROM generate_series(1, %3) AS i").arg(columns, values).arg(n));
}

QStringList BackupTest::state(const backup::Place &p)
{
    QTemporaryDir tmp;
    const backup::Info info = backup::take(p, tmp.filePath(QStringLiteral("state.sqlite")), QStringLiteral("state"));
    QStringList out;
    for (const backup::TableInfo &t : info.tables)
        out << QStringLiteral("%1 %2 %3").arg(t.table).arg(t.records).arg(t.fingerprint);
    return out;
}

QProcessEnvironment BackupTest::childEnvironment(const QString &what, const QString &file) const
{
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert(QString::fromLatin1(ChildVar), what);
    e.insert(QStringLiteral("QUILLMERE_BACKUP_DIR"), m_dir->path());
    e.insert(QStringLiteral("QUILLMERE_BACKUP_SERVER"), m_dir->server());
    e.insert(QStringLiteral("QUILLMERE_BACKUP_FILE"), file);
    e.insert(QStringLiteral("QUILLMERE_BACKUP_MARK"), m_root->filePath(QStringLiteral("mark")));
    return e;
}

bool BackupTest::killAtStage(const QString &what, const QString &file)
{
    const QString mark = m_root->filePath(QStringLiteral("mark"));
    QFile::remove(mark);
    QProcess child;
    child.setProcessEnvironment(childEnvironment(what, file));
    child.start(QCoreApplication::applicationFilePath(), {});
    if (!child.waitForStarted())
        return false;
    QDeadlineTimer deadline(30000);
    while (!QFileInfo::exists(mark) && !deadline.hasExpired() && child.state() == QProcess::Running)
        QThread::msleep(20);
    const bool there = QFileInfo::exists(mark);
    ::kill(pid_t(child.processId()), SIGKILL);
    child.waitForFinished();
    return there;
}

void BackupTest::backupWhileAnotherProgramWritesIsOneMoment()
{
    QProcess writer;
    writer.setProcessEnvironment(childEnvironment(QStringLiteral("writer")));
    writer.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(writer.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(m_dir->count(sch::StudentFile) > 5, 20000);

    std::vector<qint64> studentsSeen;
    for (int round = 0; round < 4; ++round) {
        const QString file = m_root->filePath(QStringLiteral("moment%1.sqlite").arg(round));
        const backup::Info info = backup::take(place(), file, QStringLiteral("test"));
        QCOMPARE(backup::verify(file).fingerprint, info.fingerprint);
        // Every student the writer stored has its three scores, and the
        // scores are numbered 1..n without a gap: one moment of both files.
        Db db;
        db.open(file, false);
        Stmt st(db.handle(), QStringLiteral("SELECT (SELECT count(*) FROM \"学生信息表\" WHERE \"学号\" LIKE 'W%'), "
                                            "(SELECT count(*) FROM \"学生成绩表\" WHERE \"学号\" LIKE 'W%'), "
                                            "(SELECT count(*) FROM \"学生成绩表\"), (SELECT max(\"序号\") FROM \"学生成绩表\"), "
                                            "(SELECT count(DISTINCT \"序号\") FROM \"学生成绩表\")"));
        QVERIFY(st.step());
        QCOMPARE(st.columnInt64(1), 3 * st.columnInt64(0));
        QCOMPARE(st.columnInt64(3), st.columnInt64(2));
        QCOMPARE(st.columnInt64(4), st.columnInt64(2));
        QCOMPARE(info.records(QStringLiteral("学生成绩表")), st.columnInt64(2));
        studentsSeen.push_back(st.columnInt64(0));
        QTest::qWait(50);
    }
    ::kill(pid_t(writer.processId()), SIGKILL);
    writer.waitForFinished();
    // The writer really wrote while the backups were taken.
    QVERIFY(studentsSeen.front() > 0);
    QVERIFY(studentsSeen.back() > studentsSeen.front());
}

void BackupTest::killedBackupLeavesNoBackupAndTheRecords()
{
    const QStringList before = state(place());
    const QString file = m_root->filePath(QStringLiteral("Backup/killed.sqlite"));
    QVERIFY(killAtStage(QStringLiteral("backup"), file));

    QVERIFY(!QFileInfo::exists(file));
    QVERIFY(backup::entries(QFileInfo(file).absolutePath()).empty());
    QCOMPARE(state(place()), before);
    // The cut-off file is not a backup anyone is offered, and a new backup
    // under the same name goes through.
    backup::take(place(), file, QStringLiteral("test"));
    QCOMPARE(backup::verify(file).tables.front().records, 3);
}

void BackupTest::killedRestoreLeavesTheOldRecordsWhole()
{
    const QString file = m_root->filePath(QStringLiteral("old.sqlite"));
    backup::take(place(), file, QStringLiteral("test"));
    m_dir->addStudent(QStringLiteral("S4"), QStringLiteral("赵六"));
    m_dir->exec(sch::ScoreFile, QStringLiteral("DELETE FROM $T WHERE \"序号\" > 3"));
    const QStringList before = state(place());

    // Killed with everything written and checked, not yet committed.
    QVERIFY(killAtStage(QStringLiteral("restore"), file));

    QCOMPARE(state(place()), before);
    QCOMPARE(m_dir->count(sch::StudentFile), 4);
    QCOMPARE(m_dir->count(sch::ScoreFile), 3);
}

void BackupTest::restoreReplacesEverythingAndKeepsNumbering()
{
    const QStringList taken = state(place());
    const QString file = m_root->filePath(QStringLiteral("a.sqlite"));
    backup::take(place(), file, QStringLiteral("test"));
    const qint64 highBefore = m_dir->highWater(sch::StudentFile);
    m_dir->addStudent(QStringLiteral("S4"), QStringLiteral("赵六"));
    m_dir->addStudent(QStringLiteral("S5"), QStringLiteral("钱七"));
    // As the program marks the row ids it gave out.
    if (m_dir->server().isEmpty())
        m_dir->exec(sch::StudentFile, QStringLiteral("PRAGMA user_version = 50"));
    else
        store::pg::Connection(m_dir->server()).exec(QStringLiteral("UPDATE quillmere_tables SET high_water = 50 WHERE name = '学生信息表'"));
    m_dir->exec(sch::ScoreFile, QStringLiteral("UPDATE $T SET \"成绩\" = 0"));
    m_dir->exec(sch::AccountFile, QStringLiteral("DELETE FROM $T"));
    const qint64 highAfterAdding = m_dir->highWater(sch::StudentFile);
    QVERIFY(highAfterAdding > highBefore);

    const backup::Info before = backup::restoreWithBackup(place(), file);
    QCOMPARE(state(place()), taken);
    // The empty self-numbered field stays empty.
    QCOMPARE(m_dir->rows(sch::StudentFile, QStringLiteral("SELECT count(*) FROM $T WHERE \"序号\" IS NULL")).first().first().toInt(), 1);
    // Row ids given out meanwhile are not given out again.
    QCOMPARE(m_dir->highWater(sch::StudentFile), highAfterAdding);
    // What was there before the restore is in the folder.
    QCOMPARE(before.records(QStringLiteral("学生信息表")), 5);
    QCOMPARE(before.records(QStringLiteral("系统帐户表")), 0);
    QCOMPARE(QFileInfo(before.path).absolutePath(), backup::folderFor(m_dir->path()));
    QVERIFY(backup::verify(before.path).fingerprint == before.fingerprint);
}

void BackupTest::badFilesAreRefusedAndNothingChanges_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("says");
    QTest::newRow("text file") << "text" << "不是本系统的备份文件";
    QTest::newRow("other SQLite database") << "foreign" << "不是本系统的备份文件";
    QTest::newRow("truncated") << "truncate" << "已损坏";
    QTest::newRow("changed record") << "change" << "指纹不符";
    QTest::newRow("changed description") << "count" << "指纹不符";
    QTest::newRow("newer format") << "newer" << "较新版本";
}

void BackupTest::badFilesAreRefusedAndNothingChanges()
{
    QFETCH(QString, damage);
    QFETCH(QString, says);
    // A file big enough that cutting it in half cuts records.
    fill(sch::StudentFile, QStringLiteral("\"学号\", \"姓名\""), QStringLiteral("'M' || i, '名字' || i"), 3000);
    const QString file = m_root->filePath(QStringLiteral("bad.sqlite"));
    backup::take(place(), file, QStringLiteral("test"));
    if (damage == QLatin1String("text") || damage == QLatin1String("foreign")) {
        QFile::remove(file);
        if (damage == QLatin1String("text")) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("学号,姓名\nS1,张三\n");
        } else {
            Db db;
            db.open(file, true);
            db.exec(QStringLiteral("CREATE TABLE t(x); INSERT INTO t VALUES(1)"));
        }
    } else if (damage == QLatin1String("truncate")) {
        QFile f(file);
        QVERIFY(f.resize(f.size() / 2));
    } else {
        Db db;
        db.open(file, false);
        if (damage == QLatin1String("change"))
            db.exec(QStringLiteral("UPDATE \"学生信息表\" SET \"姓名\" = '改过' WHERE \"学号\" = 'M1500'"));
        else if (damage == QLatin1String("count"))
            db.exec(QStringLiteral("DELETE FROM \"学生成绩表\" WHERE \"序号\" = 6; "
                                   "UPDATE quillmere_backup_tables SET records = records - 1 WHERE name = '学生成绩表'"));
        else
            db.exec(QStringLiteral("UPDATE quillmere_backup SET value = %1 WHERE name = 'format'").arg(backup::Format + 1));
    }
    m_dir->addStudent(QStringLiteral("S9"), QStringLiteral("后来的"));
    const QStringList before = state(place());
    const QString folder = backup::folderFor(m_dir->path());
    const QStringList inFolder = namesIn(folder);
    try {
        backup::restoreWithBackup(place(), file);
        QFAIL("the file was taken");
    } catch (const backup::Refused &e) {
        QVERIFY2(e.text().contains(says), qPrintable(e.text()));
    }
    QCOMPARE(state(place()), before);
    // No backup of the current records was begun for a file that is refused.
    QCOMPARE(namesIn(folder), inFolder);
}

void BackupTest::cancelledBackupLeavesNothing()
{
    fill(sch::ScoreFile, QStringLiteral("\"序号\", \"学号\", \"科目\", \"成绩\""), QStringLiteral("i + 100, 'M' || i, '科目', 1"), 50000);
    const QString file = m_root->filePath(QStringLiteral("cancelled.sqlite"));
    int calls = 0;
    QVERIFY_THROWS_EXCEPTION(backup::Cancelled, backup::take(place(), file, QStringLiteral("test"), [&](qint64 done, qint64 total) {
        ++calls;
        return done < total / 2;
    }));
    QVERIFY(calls > 0);
    QCOMPARE(namesIn(m_root->path()).filter(QStringLiteral("cancelled")), QStringList());
}

void BackupTest::roundTripBetweenTheEngines()
{
    if (!fixture::onServer())
        QSKIP("needs the test server: runs in the server run");
    // files -> backup -> server -> backup -> files.
    QTemporaryDir filesA, filesB;
    tools::createDataDirectory(filesA.path());
    tools::createDataDirectory(filesB.path());
    const backup::Place a{filesA.path() + u'/', QString(), 5000, QString()}, b{filesB.path() + u'/', QString(), 5000, QString()};
    // The seeded server records go to files first, so the files hold what
    // the program stores on either engine.
    const QString seed = m_root->filePath(QStringLiteral("seed.sqlite"));
    backup::take(place(), seed, QStringLiteral("test"));
    backup::restore(a, seed);
    {
        // Row ids up to 40 were given out once.
        Db db;
        db.open(QDir(a.dataDir).filePath(sch::StudentFile), false);
        db.exec(QStringLiteral("PRAGMA user_version = 40"));
    }
    const QStringList original = state(a);

    const QString one = m_root->filePath(QStringLiteral("one.sqlite")), two = m_root->filePath(QStringLiteral("two.sqlite"));
    const backup::Info fromFiles = backup::take(a, one, QStringLiteral("test"));
    QCOMPARE(fromFiles.engine, QStringLiteral("files"));
    m_dir->exec(sch::StudentFile, QStringLiteral("DELETE FROM $T"));
    backup::restore(place(), one);
    QCOMPARE(m_dir->count(sch::StudentFile), 3);
    const backup::Info fromServer = backup::take(place(), two, QStringLiteral("test"));
    QCOMPARE(fromServer.engine, QStringLiteral("server"));
    QCOMPARE(fromServer.fingerprint, fromFiles.fingerprint);
    backup::restore(b, two);
    QCOMPARE(state(b), original);
    // The server's catalogue counts what it holds, and its numbering is
    // carried over.
    for (const backup::TableInfo &t : backup::currentCounts(place()))
        QCOMPARE(t.records, fromFiles.records(t.table));
    QCOMPARE(fromFiles.tables.front().highWater, 40);
    QCOMPARE(fromServer.tables.front().highWater, 40);
    QCOMPARE(backup::currentCounts(b).front().highWater, 40);
}

void BackupTest::rotationOverAMonthOfStarts()
{
    const QString folder = m_root->filePath(QStringLiteral("rotation"));
    QDir().mkpath(folder);
    QFile other(QDir(folder).filePath(QStringLiteral("notes.txt")));
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.close();
    auto touch = [&](backup::Kind kind, const QDateTime &at) {
        QFile f(backup::newName(folder, kind, at));
        QVERIFY(f.open(QIODevice::WriteOnly));
    };
    // Starts on working days from Sunday 1 November to Thursday 10 December,
    // two starts on some days; a backup before a change now and then.
    for (QDate day(2026, 11, 1); day <= QDate(2026, 12, 10); day = day.addDays(1)) {
        const QList<int> hours = day.day() % 3 == 0 ? QList<int>{8, 14} : QList<int>{8};
        for (int hour : hours) {
            const QDateTime now(day, QTime(hour, 0));
            if (day.dayOfWeek() <= 5 && backup::dailyDue(folder, day)) {
                touch(backup::Kind::Daily, now);
                backup::rotate(folder, now);
            }
        }
        if (day == QDate(2026, 11, 3) || day == QDate(2026, 11, 20) || day == QDate(2026, 12, 5))
            touch(backup::Kind::BeforeChange, QDateTime(day, QTime(10, 0)));
        if (day == QDate(2026, 12, 9))
            touch(backup::Kind::Manual, QDateTime(day, QTime(16, 0)));
    }
    backup::rotate(folder, QDateTime(QDate(2026, 12, 10), QTime(9, 0)));
    // The newest of the 7 latest days, of the 4 latest weeks (Nov 16-22
    // and Nov 23-29 add their Fridays), the changes of the last 30 days;
    // the manual one stands for 9 December.
    const QStringList expected = {
        QStringLiteral("notes.txt"),
        QStringLiteral("quillmere-20261120-080000-daily.sqlite"),
        QStringLiteral("quillmere-20261120-100000-before.sqlite"),
        QStringLiteral("quillmere-20261127-080000-daily.sqlite"),
        QStringLiteral("quillmere-20261202-080000-daily.sqlite"),
        QStringLiteral("quillmere-20261203-080000-daily.sqlite"),
        QStringLiteral("quillmere-20261204-080000-daily.sqlite"),
        QStringLiteral("quillmere-20261205-100000-before.sqlite"),
        QStringLiteral("quillmere-20261207-080000-daily.sqlite"),
        QStringLiteral("quillmere-20261208-080000-daily.sqlite"),
        QStringLiteral("quillmere-20261209-160000-manual.sqlite"),
        QStringLiteral("quillmere-20261210-080000-daily.sqlite"),
    };
    QCOMPARE(namesIn(folder), expected);
    QVERIFY(!backup::dailyDue(folder, QDate(2026, 12, 10)));
    QVERIFY(backup::dailyDue(folder, QDate(2026, 12, 11)));
}

void BackupTest::backupBeforeAChange()
{
    DataPath = m_dir->path();
    const QString folder = backup::folderFor(DataPath);
    QString error;
    QVERIFY2(backup::backupBeforeChange(QStringLiteral("导入学生前"), &error), qPrintable(error));
    const std::vector<backup::Entry> kept = backup::entries(folder);
    QCOMPARE(kept.size(), size_t(1));
    QCOMPARE(kept.front().kind, backup::Kind::BeforeChange);
    const backup::Info info = backup::verify(kept.front().path);
    QCOMPARE(info.reason, QStringLiteral("导入学生前"));
    QCOMPARE(info.records(QStringLiteral("学生成绩表")), 6);
    // A folder that cannot be made: false, the reason, and no file left.
    QDir(folder).removeRecursively();
    QFile blocker(folder);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QVERIFY(!backup::backupBeforeChange(QStringLiteral("导入学生前"), &error));
    QVERIFY2(error.contains(QStringLiteral("备份")), qPrintable(error));
    QCOMPARE(namesIn(m_root->path()).filter(QStringLiteral(".part")), QStringList());
}

void BackupTest::commandLine()
{
    // The engines' own paths are covered above; here what the tool adds:
    // its words, its exit codes and the folder beside the data directory.
    if (fixture::onServer())
        QSKIP("the command line is checked on the files");
    const QString tool = qEnvironmentVariable("QUILLMERE_BIN_DIR") + QStringLiteral("/quillmere-data");
    auto run = [&](const QStringList &args, QString *out = nullptr, QString *err = nullptr) {
        QProcess p;
        p.start(tool, QStringList{QStringLiteral("--data"), m_dir->path()} + args);
        p.waitForFinished(60000);
        if (out)
            *out = QString::fromUtf8(p.readAllStandardOutput());
        if (err)
            *err = QString::fromUtf8(p.readAllStandardError());
        return p.exitCode();
    };
    const QString file = m_root->filePath(QStringLiteral("cli.sqlite"));
    QString out, err;
    QCOMPARE(run({QStringLiteral("backup"), file}, &out, &err), 0);
    QVERIFY2(out.contains(QStringLiteral("已备份")), qPrintable(out + err));
    QCOMPARE(backup::verify(file).tables.front().records, 3);
    // Never over an existing file.
    QCOMPARE(run({QStringLiteral("backup"), file}, &out, &err), 2);
    QVERIFY2(err.contains(QStringLiteral("已存在")), qPrintable(err));

    m_dir->addStudent(QStringLiteral("S4"), QStringLiteral("赵六"));
    QFile text(m_root->filePath(QStringLiteral("list.csv")));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("a,b\n");
    text.close();
    QCOMPARE(run({QStringLiteral("restore"), text.fileName()}, &out, &err), 1);
    QVERIFY2(err.contains(QStringLiteral("不是本系统的备份文件")), qPrintable(err));
    QCOMPARE(run({QStringLiteral("restore"), m_root->filePath(QStringLiteral("missing.sqlite"))}, &out, &err), 2);
    QCOMPARE(run({QStringLiteral("restore")}, &out, &err), 2);
    QCOMPARE(m_dir->count(sch::StudentFile), 4);

    QCOMPARE(run({QStringLiteral("restore"), file}, &out, &err), 0);
    QCOMPARE(m_dir->count(sch::StudentFile), 3);
    // The backup without a name and the one before the restore are listed.
    QCOMPARE(run({QStringLiteral("backup")}, &out, &err), 0);
    QCOMPARE(run({QStringLiteral("backups")}, &out, &err), 0);
    QVERIFY2(out.contains(QStringLiteral("恢复前自动备份")) && out.contains(QStringLiteral("手动备份")), qPrintable(out));
    QCOMPARE(backup::entries(backup::folderFor(m_dir->path())).size(), size_t(2));
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString child = env(ChildVar);
    if (child == QLatin1String("writer"))
        return writerMain();
    if (!child.isEmpty())
        return stoppedMain(child);
    BackupTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_backup.moc"
