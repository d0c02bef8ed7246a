#include "store/Engine.h"

#include "store/Codepage.h"

#include "app/core/Action.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QTimer>

#include <limits>

namespace store {

using sql::quoteId;

namespace {

struct Registry {
    std::map<QString, std::weak_ptr<Engine>> engines;
    QString configFile;
    bool configRead = false;
    int busyTimeout = 5000;
    bool hooked = false;
    bool failNextCommit = false;
    std::function<void(const QString &)> onCommitError;
};

Registry &registry()
{
    static Registry r;
    return r;
}

void readConfig()
{
    Registry &r = registry();
    if (r.configRead)
        return;
    r.configRead = true;
    r.busyTimeout = 5000; // what a missing file or value means
    if (r.configFile.isEmpty())
        return;
    QFile f(r.configFile);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return; // no file: the defaults hold
    while (!f.atEnd()) {
        const QString line = QString::fromUtf8(f.readLine()).trimmed();
        const int eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        const QString key = line.left(eq).trimmed().toUpper();
        bool ok = false;
        const int value = line.mid(eq + 1).trimmed().toInt(&ok);
        if (key == QLatin1String("BUSYTIMEOUT") && ok && value >= 0)
            r.busyTimeout = value;
    }
}

// Commits whenever control is about to wait for the user, in every loop
// (nested ones of message boxes and modal windows included).
void hookEventLoop()
{
    Registry &r = registry();
    if (r.hooked || !QCoreApplication::instance())
        return;
    auto *dispatcher = QAbstractEventDispatcher::instance(QCoreApplication::instance()->thread());
    if (!dispatcher)
        return;
    r.hooked = true;
    action::Hooks hooks;
    hooks.beginInput = [] { syncAll(); };
    hooks.commit = [] {
        try {
            commitAll();
        } catch (const Error &) {
            DataSet::dropPendingOf(action::current());
            throw;
        }
    };
    hooks.rollback = [] { rollbackAll(); };
    action::setHooks(std::move(hooks));
    // The safety net: whatever is still pending when the loop waits is stored.
    QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, [] {
        try {
            commitAll();
        } catch (const Error &e) {
            if (registry().onCommitError)
                registry().onCommitError(e.text());
            else
                qWarning("%s", qPrintable(e.text()));
        }
    });
    // Each time the loop takes up work again, what other programs stored
    // meanwhile is shown: counts, grids and labels follow the files. A loop
    // spun without waiting (a progress box) looks at most every 50 ms.
    QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, [] {
        static QElapsedTimer last;
        if (last.isValid() && last.elapsed() < 50)
            return;
        last.start();
        syncAll();
    });
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, [] {
        try {
            commitAll();
        } catch (const Error &e) {
            qWarning("%s", qPrintable(e.text()));
        }
    });
}

FieldType typeOf(const QString &declared, int *size)
{
    const QString t = declared.trimmed().toUpper();
    *size = 0;
    if (t.startsWith(QLatin1String("VARCHAR")) || t.startsWith(QLatin1String("TEXT")) || t.startsWith(QLatin1String("CHAR"))) {
        const int open = t.indexOf(u'(');
        if (open > 0)
            *size = t.mid(open + 1, t.indexOf(u')') - open - 1).trimmed().toInt();
        return FieldType::Text;
    }
    if (t == QLatin1String("INT") || t == QLatin1String("INTEGER"))
        return FieldType::Integer;
    if (t.startsWith(QLatin1String("DATE")))
        return FieldType::DateTime;
    if (t == QLatin1String("BLOB") || t == QLatin1String("BYTES"))
        return FieldType::Bytes;
    return FieldType::Other;
}

} // namespace

void setEngineConfigFile(const QString &path)
{
    registry().configFile = path;
    registry().configRead = false;
}

int engineBusyTimeout()
{
    readConfig();
    return registry().busyTimeout;
}

void setCommitErrorHandler(std::function<void(const QString &)> handler)
{
    registry().onCommitError = std::move(handler);
}

void commitAll()
{
    QString firstError;
    for (auto it = registry().engines.begin(); it != registry().engines.end();) {
        if (auto e = it->second.lock()) {
            try {
                e->commit();
            } catch (const Error &err) {
                if (firstError.isEmpty())
                    firstError = err.text();
            }
            ++it;
        } else {
            it = registry().engines.erase(it);
        }
    }
    if (!firstError.isEmpty())
        throw Error(firstError);
}

void rollbackAll()
{
    DataSet::dropPendingOf(action::current());
    for (auto &entry : registry().engines) {
        if (auto e = entry.second.lock())
            e->rollback();
    }
}

void syncAll()
{
    for (auto &entry : registry().engines) {
        if (auto e = entry.second.lock()) {
            try {
                e->syncExternal();
            } catch (const Error &err) {
                qWarning("%s", qPrintable(err.text()));
            }
        }
    }
}

void resetEngines()
{
    try {
        commitAll();
    } catch (const Error &) {
    }
    registry().engines.clear();
    registry().configRead = false;
}

// ---------------------------------------------------------------- Engine

Engine::Engine(const QString &dir) : m_dir(dir) {}

Engine::~Engine()
{
    if (m_inTxn && m_db.isOpen()) {
        try {
            m_db.exec(QStringLiteral("COMMIT"));
        } catch (const Error &) {
        }
    }
    m_attached.clear(); // their statements go before the connection
}

std::shared_ptr<Engine> Engine::forDirectory(const QString &dir)
{
    readConfig();
    hookEventLoop();
    const QString key = QDir::cleanPath(QFileInfo(dir).absoluteFilePath());
    auto &slot = registry().engines[key];
    if (auto e = slot.lock())
        return e;
    auto e = std::make_shared<Engine>(key);
    slot = e;
    return e;
}

QString Engine::resolveFile(const QString &dir, const QString &name)
{
    QDir d(dir);
    if (!d.exists())
        throw Error(QStringLiteral("数据目录 '%1' 不存在").arg(QDir::toNativeSeparators(dir)));
    const QString exact = d.filePath(name);
    if (QFileInfo(exact).isFile())
        return QDir::cleanPath(QFileInfo(exact).absoluteFilePath());
    const QString wanted = name.toLower();
    const QStringList entries = d.entryList(QDir::Files | QDir::Hidden);
    for (const QString &entry : entries) {
        if (entry.toLower() == wanted)
            return QDir::cleanPath(d.absoluteFilePath(entry));
    }
    throw Error(QStringLiteral("找不到表文件 '%1'").arg(QDir::toNativeSeparators(d.filePath(name))));
}

void Engine::configure(const QString &schema)
{
    // A rollback journal (not WAL) keeps a commit over several attached files
    // atomic; full synchronisation makes a commit survive a power cut.
    m_db.exec(QStringLiteral("PRAGMA %1.journal_mode=DELETE").arg(schema));
    m_db.exec(QStringLiteral("PRAGMA %1.synchronous=FULL").arg(schema));
}

std::shared_ptr<TableFile> Engine::openFile(const QString &path)
{
    QFileInfo fi(path);
    QString dir = fi.isAbsolute() ? fi.absolutePath() : m_dir;
    const QString full = resolveFile(dir, fi.fileName());
    auto found = m_files.find(full);
    if (found != m_files.end()) {
        if (auto f = found->second.lock())
            return f;
    }
    QString schema = m_schemas.value(full);
    if (schema.isEmpty()) {
        if (!m_hasMain) {
            // The first file becomes the connection's main database: a commit
            // spanning attached files is atomic only with a real main file.
            m_db.open(full, false);
            sqlite3_busy_timeout(m_db.handle(), engineBusyTimeout());
            schema = QStringLiteral("main");
            try {
                configure(schema);
            } catch (const Error &) {
                m_db.close();
                throw Error(QStringLiteral("'%1' 不是有效的数据表文件").arg(QDir::toNativeSeparators(full)));
            }
            m_hasMain = true;
            track(schema, full);
        } else {
            if (m_inTxn)
                commit(); // an attachment cannot happen inside a transaction
            schema = QStringLiteral("f%1").arg(m_nextSchema++);
            sql::Stmt st(m_db.handle(), QStringLiteral("ATTACH DATABASE ?1 AS %1").arg(schema));
            st.bind(1, full);
            st.step();
            try {
                configure(schema);
            } catch (const Error &) {
                m_db.exec(QStringLiteral("DETACH DATABASE %1").arg(schema));
                throw Error(QStringLiteral("'%1' 不是有效的数据表文件").arg(QDir::toNativeSeparators(full)));
            }
            track(schema, full);
        }
        m_schemas.insert(full, schema);
    }
    auto f = std::make_shared<TableFile>(shared_from_this(), full, schema);
    m_files[full] = f;
    return f;
}

void Engine::beginWrite()
{
    if (m_inTxn)
        return;
    // IMMEDIATE takes the write lock of every attached file now, so two
    // programs' actions never interleave their writes.
    const int rc = sqlite3_exec(m_db.handle(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        failWrite(QString());
    m_inTxn = true;
    ++m_txnSerial;
    const QStringList changed = changedFiles();
    if (changed.isEmpty())
        return;
    sqlite3_exec(m_db.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    m_inTxn = false;
    for (const QString &path : changed)
        invalidate(path);
    throw Conflict(QStringLiteral("数据已被其他用户修改,已重新读取,请重新操作!"));
}

void Engine::rollback()
{
    if (!m_inTxn)
        return;
    if (!sqlite3_get_autocommit(m_db.handle()))
        sqlite3_exec(m_db.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    m_inTxn = false;
    invalidateEverything();
}

void Engine::track(const QString &schema, const QString &path)
{
    Attached a;
    a.path = path;
    a.version = sql::Stmt(m_db.handle(), QStringLiteral("PRAGMA %1.data_version").arg(schema), path);
    auto &slot = m_attached[schema] = std::move(a);
    slot.version.step();
    slot.seen = slot.version.columnInt64(0);
    slot.version.reset();
}

QStringList Engine::changedFiles()
{
    QStringList changed;
    for (auto &entry : m_attached) {
        Attached &a = entry.second;
        a.version.reset();
        const bool row = a.version.step();
        const qint64 now = row ? a.version.columnInt64(0) : a.seen;
        a.version.reset(); // a statement left open would hold the file's read lock
        if (now != a.seen) {
            a.seen = now;
            changed << a.path;
        }
    }
    return changed;
}

void Engine::syncExternal()
{
    if (m_inTxn || !m_db.isOpen())
        return;
    for (const QString &path : changedFiles())
        invalidate(path);
}

void Engine::invalidate(const QString &path)
{
    auto it = m_files.find(path);
    if (it == m_files.end())
        return;
    if (auto f = it->second.lock())
        f->invalidateAll();
}

void Engine::invalidateEverything()
{
    for (auto &entry : m_files) {
        if (auto f = entry.second.lock())
            f->invalidateAll();
    }
}

QString Engine::damagedFile()
{
    for (auto &entry : m_attached) {
        try {
            sql::Stmt check(m_db.handle(), QStringLiteral("PRAGMA %1.quick_check(1)").arg(entry.first));
            if (!check.step() || check.column(0).toString() != QLatin1String("ok"))
                return entry.second.path;
        } catch (const Error &) {
            return entry.second.path;
        }
    }
    return QString();
}

QString Engine::failureText(int code, const QString &message)
{
    if (sql::isDamage(code)) {
        const QString damaged = damagedFile();
        if (!damaged.isEmpty())
            return sql::damagedText(damaged);
    }
    return sql::describe(code, message);
}

void Engine::failWrite(const QString &prefix)
{
    throw Error(prefix + failureText(sqlite3_extended_errcode(m_db.handle()), m_db.lastError()));
}

void failNextCommitForTesting() { registry().failNextCommit = true; }

void Engine::commit()
{
    if (!m_inTxn)
        return;
    if (registry().failNextCommit) {
        registry().failNextCommit = false;
        sqlite3_commit_hook(m_db.handle(), [](void *) { return 1; }, nullptr);
    }
    const int rc = sqlite3_exec(m_db.handle(), "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_commit_hook(m_db.handle(), nullptr, nullptr);
    if (rc == SQLITE_OK) {
        m_inTxn = false;
        return;
    }
    const int code = sqlite3_extended_errcode(m_db.handle());
    const QString message = m_db.lastError();
    if (!sqlite3_get_autocommit(m_db.handle()))
        sqlite3_exec(m_db.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    m_inTxn = false;
    // What the windows show must be what is stored.
    invalidateEverything();
    throw Error(QStringLiteral("保存修改失败: %1").arg(failureText(code, message)));
}

// ------------------------------------------------------------- TableFile

TableFile::TableFile(std::shared_ptr<Engine> engine, const QString &path, const QString &schema)
    : m_engine(std::move(engine)), m_path(path), m_schema(schema), m_alive(std::make_shared<bool>(true))
{
    readSchema();
}

TableFile::~TableFile() { *m_alive = false; }

void TableFile::readSchema()
{
    sqlite3 *db = m_engine->handle();
    QStringList tables;
    try {
        sql::Stmt st(db, QStringLiteral("SELECT name FROM %1.sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite_%'").arg(m_schema));
        while (st.step())
            tables << st.column(0).toString();
    } catch (const Error &) {
        throw Error(QStringLiteral("'%1' 不是有效的数据表文件").arg(QDir::toNativeSeparators(m_path)));
    }
    // One table, named after its file: anything else is not a table of ours.
    if (tables.size() != 1 || tables.first().compare(QFileInfo(m_path).completeBaseName(), Qt::CaseInsensitive) != 0)
        throw Error(QStringLiteral("'%1' 不是有效的数据表文件").arg(QDir::toNativeSeparators(m_path)));
    m_table = tables.first();

    sql::Stmt info(db, QStringLiteral("PRAGMA %1.table_info(%2)").arg(m_schema, quoteId(m_table)));
    while (info.step()) {
        ColumnInfo c;
        c.name = info.column(1).toString();
        c.type = typeOf(info.column(2).toString(), &c.size);
        c.notNull = info.column(3).toInt() != 0;
        if (info.column(5).toInt() == 1)
            m_pk = int(m_columns.size());
        m_columns.push_back(c);
    }
    sql::Stmt idx(db, QStringLiteral("SELECT name FROM %1.sqlite_master WHERE type='index' AND tbl_name=?1").arg(m_schema));
    idx.bind(1, m_table);
    QStringList names;
    while (idx.step())
        names << idx.column(0).toString();
    for (const QString &name : names) {
        sql::Stmt xi(db, QStringLiteral("PRAGMA %1.index_xinfo(%2)").arg(m_schema, quoteId(name)));
        while (xi.step()) {
            if (xi.column(5).toInt() != 1 || xi.column(1).toInt() < 0)
                continue; // only the first key column matters here
            IndexInfo ii;
            ii.name = name;
            ii.column = columnIndex(xi.column(2).toString());
            ii.noCase = xi.column(4).toString().compare(QLatin1String("NOCASE"), Qt::CaseInsensitive) == 0;
            m_indexes.push_back(ii);
            break;
        }
    }

    QStringList cols, params;
    for (size_t i = 0; i < m_columns.size(); ++i) {
        cols << quoteId(m_columns[i].name);
        params << QStringLiteral("?%1").arg(i + 1);
    }
    m_fetch = prepare(QStringLiteral("SELECT %1 FROM %2 WHERE rowid=?1").arg(cols.join(u','), qualifiedTable()));
    m_insert = prepare(QStringLiteral("INSERT INTO %1(%2,rowid) VALUES(%3,?%4)")
                           .arg(qualifiedTable(), cols.join(u','), params.join(u','))
                           .arg(m_columns.size() + 1));
    m_maxRowid = prepare(QStringLiteral("SELECT ifnull(max(rowid), 0) FROM %1").arg(qualifiedTable()));
    m_highWater = prepare(QStringLiteral("PRAGMA %1.user_version").arg(m_schema));
    m_delete = prepare(QStringLiteral("DELETE FROM %1 WHERE rowid=?1").arg(qualifiedTable()));
}

sql::Stmt TableFile::prepare(const QString &sqlText) { return sql::Stmt(m_engine->handle(), sqlText, m_path); }

int TableFile::columnIndex(const QString &name) const
{
    for (size_t i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].name == name)
            return int(i);
    }
    return -1;
}

const IndexInfo *TableFile::findIndex(const QString &name) const
{
    for (const IndexInfo &i : m_indexes) {
        if (i.name.compare(name, Qt::CaseInsensitive) == 0)
            return &i;
    }
    return nullptr;
}

QString TableFile::qualifiedTable() const { return m_schema + u'.' + quoteId(m_table); }

QVariant TableFile::fromStorage(int column, const QVariant &v) const
{
    if (v.isNull() || !v.isValid())
        return QVariant();
    switch (m_columns[size_t(column)].type) {
    case FieldType::Integer:
        return QVariant(qint32(v.toLongLong()));
    case FieldType::DateTime: {
        const QString s = v.toString();
        QDateTime dt = QDateTime::fromString(s, Qt::ISODate);
        if (!dt.isValid())
            dt = QDateTime(QDate::fromString(s, Qt::ISODate), QTime(0, 0));
        return dt.isValid() ? QVariant(dt) : QVariant();
    }
    case FieldType::Bytes:
        return v.typeId() == QMetaType::QByteArray ? v : QVariant(cp936::encode(v.toString()));
    case FieldType::Text:
        return v.typeId() == QMetaType::QString ? v : QVariant(v.toString());
    default:
        return v;
    }
}

std::vector<QVariant> TableFile::fetch(qint64 rowid, quint64 *stamp)
{
    m_fetch.reset();
    m_fetch.bindInt64(1, rowid);
    std::vector<QVariant> values;
    if (m_fetch.step()) {
        values.reserve(m_columns.size());
        for (int i = 0; i < int(m_columns.size()); ++i)
            values.push_back(fromStorage(i, m_fetch.column(i)));
        if (stamp)
            *stamp = m_fetch.rowStamp(0, int(m_columns.size()));
    }
    m_fetch.reset();
    return values;
}

void TableFile::verify(qint64 rowid, quint64 stamp)
{
    m_fetch.reset();
    m_fetch.bindInt64(1, rowid);
    const bool found = m_fetch.step();
    const quint64 now = found ? m_fetch.rowStamp(0, int(m_columns.size())) : 0;
    m_fetch.reset();
    if (!found || now != stamp) {
        invalidateAll();
        throw Conflict(QStringLiteral("该记录已被其他用户修改或删除,修改没有保存!"));
    }
}

qint64 TableFile::insert(const std::vector<QVariant> &values)
{
    m_engine->beginWrite();
    beforeWrite(0);
    // The file's header keeps the highest row id ever given out: after the
    // last records are deleted, their ids still are not handed out again.
    m_maxRowid.reset();
    m_maxRowid.step();
    m_highWater.reset();
    m_highWater.step();
    const qint64 rowid = std::max(m_maxRowid.columnInt64(0), m_highWater.columnInt64(0)) + 1;
    m_maxRowid.reset();
    m_highWater.reset();
    m_insert.reset();
    for (size_t i = 0; i < values.size(); ++i)
        m_insert.bind(int(i + 1), values[i]);
    m_insert.bindInt64(int(values.size() + 1), rowid);
    m_insert.step();
    m_insert.reset();
    if (m_rowCount >= 0)
        ++m_rowCount;
    raiseHighWater(rowid);
    return rowid;
}

void TableFile::raiseHighWater(qint64 rowid)
{
    if (rowid > std::numeric_limits<qint32>::max())
        return; // the header field holds 32 bits; max(rowid) still covers such a table
    m_highWater.reset();
    m_highWater.step();
    const qint64 mark = m_highWater.columnInt64(0);
    m_highWater.reset();
    if (rowid <= mark)
        return;
    sql::Stmt set = prepare(QStringLiteral("PRAGMA %1.user_version = %2").arg(m_schema).arg(rowid));
    set.step();
}

bool TableFile::unchangedSince(quint64 readIn, quint64 readAt) const
{
    return readIn != 0 && readIn == m_engine->transaction() && readAt == m_generation;
}

void TableFile::update(qint64 rowid, const std::vector<QVariant> &values, const std::vector<bool> &dirty, quint64 stamp,
                       bool unchanged)
{
    auto it = m_updates.find(dirty);
    if (it == m_updates.end()) {
        QStringList sets;
        for (size_t i = 0; i < m_columns.size(); ++i) {
            if (dirty[i])
                sets << QStringLiteral("%1=?%2").arg(quoteId(m_columns[i].name)).arg(i + 1);
        }
        const QString text = QStringLiteral("UPDATE %1 SET %2 WHERE rowid=?%3")
                                 .arg(qualifiedTable(), sets.join(u','))
                                 .arg(m_columns.size() + 1);
        it = m_updates.emplace(dirty, prepare(text)).first;
    }
    sql::Stmt &st = it->second;
    m_engine->beginWrite();
    if (!unchanged)
        verify(rowid, stamp);
    beforeWrite(rowid);
    st.reset();
    for (size_t i = 0; i < values.size(); ++i) {
        if (dirty[i])
            st.bind(int(i + 1), values[i]);
    }
    st.bindInt64(int(m_columns.size() + 1), rowid);
    st.step();
    st.reset();
}

void TableFile::remove(qint64 rowid, quint64 stamp, bool unchanged)
{
    m_engine->beginWrite();
    if (!unchanged)
        verify(rowid, stamp);
    beforeWrite(rowid);
    m_delete.reset();
    m_delete.bindInt64(1, rowid);
    m_delete.step();
    m_delete.reset();
    if (m_rowCount >= 0)
        m_rowCount -= sqlite3_changes(m_engine->handle());
    // The last record's id would otherwise be given to the next new record.
    raiseHighWater(rowid);
}

void TableFile::attach(TTable *t)
{
    m_tables.push_back(t);
}

void TableFile::detach(TTable *t)
{
    std::erase(m_tables, t);
}

void TableFile::attachQuery(TQuery *q)
{
    if (std::find(m_queries.begin(), m_queries.end(), q) == m_queries.end())
        m_queries.push_back(q);
}

void TableFile::detachQuery(TQuery *q) { std::erase(m_queries, q); }

void TableFile::beforeWrite(qint64 rowid)
{
    for (TQuery *q : m_queries)
        q->beforeWrite(rowid);
}

void TableFile::changedBy(TTable *writer)
{
    ++m_generation;
    bool any = false;
    for (TTable *t : m_tables) {
        if (t != writer) {
            t->markStale();
            any = true;
        }
    }
    if (any)
        scheduleNotify();
}

qint64 TableFile::rowCount()
{
    if (m_rowCount < 0) {
        sql::Stmt st = prepare(QStringLiteral("SELECT count(*) FROM %1").arg(qualifiedTable()));
        m_rowCount = st.step() ? st.columnInt64(0) : 0;
    }
    return m_rowCount;
}

void TableFile::changedInBulk(qint64 removed)
{
    if (removed < 0)
        m_rowCount = -1;
    else if (m_rowCount >= 0)
        m_rowCount -= removed;
}

void TableFile::invalidateAll()
{
    // Another program's commit or a rollback: nothing known holds.
    m_rowCount = -1;
    ++m_generation;
    for (TTable *t : m_tables)
        t->markStale();
    scheduleNotify();
}

// The other datasets re-read once control is back in the event loop (or at
// once, when they are used before that), so a long run of writes through one
// dataset costs nothing in the others.
void TableFile::scheduleNotify()
{
    if (m_notifyPending || !QCoreApplication::instance())
        return;
    m_notifyPending = true;
    std::weak_ptr<bool> alive = m_alive;
    QMetaObject::invokeMethod(QCoreApplication::instance(), [this, alive] {
        if (alive.expired())
            return;
        m_notifyPending = false;
        const std::vector<TTable *> tables = m_tables;
        for (TTable *t : tables) {
            if (std::find(m_tables.begin(), m_tables.end(), t) != m_tables.end())
                t->freshen();
        }
    }, Qt::QueuedConnection);
}

} // namespace store
