#include "db/server/Postgres.h"

#include "db/EngineTexts.h"
#include "db/SqlGuard.h"
#include "db/Engines.h"
#include "core/Error.h"

#include <libpq-fe.h>

#include <QDateTime>

#include <algorithm>

namespace store::pg {

namespace {

// Type oids of the values the tables hold.
enum : Oid { BoolOid = 16, ByteaOid = 17, Int8Oid = 20, Int2Oid = 21, Int4Oid = 23, OidOid = 26, Float4Oid = 700,
             Float8Oid = 701, DateOid = 1082, TimestampOid = 1114, TimestampTzOid = 1184, NumericOid = 1700 };

QString describe(const QByteArray &state, const QString &message)
{
    if (state == "23505")
        return texts::duplicateKey();
    if (state.startsWith("23"))
        return texts::constraintBroken();
    // The office's write lock (or a record another session holds) was not
    // free within the busy timeout: on the server that is another clerk.
    if (state == "55P03" || state == "40P01" || state == "40001")
        return texts::othersWriting();
    if (state == "42501")
        return texts::noAccess();
    if (state == "53100")
        return texts::diskFull();
    if (state == "25006")
        return texts::readOnly();
    return QStringLiteral("数据库服务器拒绝了这项操作(服务器的回答: %1)").arg(message.simplified());
}

// A value as a parameter: text, or bytes sent as they are.
bool toParam(const QVariant &v, QByteArray *out, int *format)
{
    *format = 0;
    if (!v.isValid() || v.isNull())
        return false;
    switch (v.typeId()) {
    case QMetaType::Bool:
        *out = v.toBool() ? "1" : "0";
        break;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        *out = QByteArray::number(v.toLongLong());
        break;
    case QMetaType::Double:
        *out = QByteArray::number(v.toDouble(), 'g', 17);
        break;
    case QMetaType::QByteArray:
        *out = v.toByteArray();
        *format = 1;
        break;
    case QMetaType::QDateTime: {
        const QDateTime dt = v.toDateTime();
        *out = dt.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")).toUtf8();
        break;
    }
    case QMetaType::QDate:
        *out = v.toDate().toString(Qt::ISODate).toUtf8();
        break;
    default:
        *out = v.toString().toUtf8();
        break;
    }
    return true;
}

// Parameter values laid out the way libpq takes them.
struct Params {
    explicit Params(const std::vector<QVariant> &params)
        : bytes(params.size()), values(params.size()), lengths(params.size()), formats(params.size())
    {
        for (size_t i = 0; i < params.size(); ++i) {
            const bool set = toParam(params[i], &bytes[i], &formats[i]);
            values[i] = set ? bytes[i].constData() : nullptr;
            lengths[i] = int(bytes[i].size());
        }
    }
    int count() const { return int(values.size()); }
    std::vector<QByteArray> bytes;
    std::vector<const char *> values;
    std::vector<int> lengths, formats;
};

QByteArray fromHex(const char *text, int length)
{
    // bytea's text form: "\x" and two hex digits a byte.
    if (length >= 2 && text[0] == '\\' && text[1] == 'x')
        return QByteArray::fromHex(QByteArray::fromRawData(text + 2, length - 2));
    size_t n = 0;
    unsigned char *raw = PQunescapeBytea(reinterpret_cast<const unsigned char *>(text), &n);
    QByteArray out(reinterpret_cast<const char *>(raw), qsizetype(n));
    PQfreemem(raw);
    return out;
}

class PgStatement : public StatementImpl {
public:
    PgStatement(Connection &c, const QString &text)
        : m_c(c), m_text(translate(text, &m_map)), m_writes(!m_text.trimmed().toUpper().startsWith("SELECT"))
    {
        int most = 0;
        for (int n : m_map)
            most = std::max(most, n);
        m_params.resize(size_t(most + 1));
    }
    void reset() override
    {
        m_res = Result();
        m_row = -1;
        m_ran = false;
        std::fill(m_params.begin(), m_params.end(), QVariant());
    }
    void bind(int i, const QVariant &v) override
    {
        if (i > 0 && size_t(i) < m_params.size())
            m_params[size_t(i)] = v;
    }
    bool step() override
    {
        if (!m_ran) {
            std::vector<QVariant> values;
            values.reserve(m_map.size());
            for (int n : m_map)
                values.push_back(m_params[size_t(n)]);
            m_res = m_c.runKeepingTransaction(m_text, values, m_writes);
            m_ran = true;
            m_row = -1;
            m_changes = m_res.affected();
        }
        if (++m_row < m_res.rows())
            return true;
        m_ran = false; // stepping again runs it again
        return false;
    }
    QVariant column(int i) const override { return m_res.value(m_row, i); }
    qint64 columnInt64(int i) const override { return m_res.int64(m_row, i); }
    QByteArrayView columnUtf8(int i) const override
    {
        return QByteArrayView(PQgetvalue(m_res.get(), m_row, i), PQgetlength(m_res.get(), m_row, i));
    }
    quint64 rowStamp(int firstColumn, int count) const override
    {
        Fingerprint f;
        for (int i = firstColumn; i < firstColumn + count; ++i) {
            const char null = PQgetisnull(m_res.get(), m_row, i) ? 1 : 0;
            f.mix(&null, 1);
            const int n = PQgetlength(m_res.get(), m_row, i);
            f.mix(&n, int(sizeof n));
            f.mix(PQgetvalue(m_res.get(), m_row, i), n);
        }
        return f.value();
    }
    qint64 changes() const override { return m_changes; }
    bool hasParam(int i) const override { return std::find(m_map.begin(), m_map.end(), i) != m_map.end(); }

private:
    Connection &m_c;
    std::vector<int> m_map;
    QByteArray m_text;
    bool m_writes;
    std::vector<QVariant> m_params;
    Result m_res;
    int m_row = -1;
    bool m_ran = false;
    qint64 m_changes = 0;
};

std::function<void(const QByteArray &)> &statementHook()
{
    static std::function<void(const QByteArray &)> hook;
    return hook;
}

void beforeStatement(const QByteArray &text)
{
    if (statementHook())
        statementHook()(text);
}

} // namespace

void setStatementHookForTesting(std::function<void(const QByteArray &)> hook) { statementHook() = std::move(hook); }

QByteArray translate(const QString &sqlText, std::vector<int> *map)
{
    const QByteArray in = sqlText.toUtf8();
    QByteArray out;
    out.reserve(in.size() + 8);
    char quote = 0;
    for (qsizetype i = 0; i < in.size(); ++i) {
        const char c = in[i];
        if (quote) {
            out += c;
            if (c == quote)
                quote = 0; // a doubled quote reopens at once
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = c;
            out += c;
            continue;
        }
        if (c == '?' && i + 1 < in.size() && in[i + 1] >= '0' && in[i + 1] <= '9') {
            int n = 0;
            while (i + 1 < in.size() && in[i + 1] >= '0' && in[i + 1] <= '9')
                n = n * 10 + (in[++i] - '0');
            auto it = std::find(map->begin(), map->end(), n);
            if (it == map->end()) {
                map->push_back(n);
                it = map->end() - 1;
            }
            out += '$' + QByteArray::number(qsizetype(it - map->begin()) + 1);
            continue;
        }
        out += c;
    }
    return out;
}

std::unique_ptr<StatementImpl> statement(Connection &c, const QString &sqlText)
{
    return std::make_unique<PgStatement>(c, sqlText);
}

namespace {

// The settings a clerk may be shown: where the server is and who logs in.
bool shownSetting(const QString &key)
{
    static const QStringList shown = {QStringLiteral("host"), QStringLiteral("hostaddr"), QStringLiteral("port"),
                                      QStringLiteral("dbname"), QStringLiteral("user"), QStringLiteral("service")};
    return shown.contains(key);
}

// What can safely be said of a connection string libpq cannot read (an
// unquoted blank in a value, say): the settings shown above, up to the
// first word that is no setting and never from the password on, since the
// rest may be the password's own words.
QString readableStart(const QString &conninfo)
{
    QStringList parts;
    int i = 0;
    const int n = int(conninfo.size());
    while (i < n) {
        while (i < n && conninfo.at(i).isSpace())
            ++i;
        if (i >= n)
            break;
        const int eq = int(conninfo.indexOf(u'=', i));
        const QString key = eq > i ? conninfo.mid(i, eq - i).trimmed() : QString();
        if (key.isEmpty() || key.contains(u' ') || key == QLatin1String("password"))
            break;
        i = eq + 1;
        while (i < n && conninfo.at(i).isSpace())
            ++i;
        QString value;
        if (i < n && conninfo.at(i) == u'\'') {
            for (++i; i < n && conninfo.at(i) != u'\''; ++i) {
                if (conninfo.at(i) == u'\\' && i + 1 < n)
                    ++i;
                value += conninfo.at(i);
            }
            ++i;
        } else {
            while (i < n && !conninfo.at(i).isSpace())
                value += conninfo.at(i++);
        }
        if (shownSetting(key) && !value.isEmpty())
            parts << QStringLiteral("%1=%2").arg(key, value);
    }
    return parts.join(u' ');
}

// The password the string gives, to keep it out of anything shown.
QString passwordOf(const QString &conninfo) { return settingOf(conninfo, "password"); }

bool readable(const QString &conninfo)
{
    PQconninfoOption *opts = PQconninfoParse(conninfo.toUtf8().constData(), nullptr);
    if (!opts)
        return false;
    PQconninfoFree(opts);
    return true;
}

} // namespace

QString settingOf(const QString &conninfo, const char *keyword)
{
    PQconninfoOption *opts = PQconninfoParse(conninfo.toUtf8().constData(), nullptr);
    if (!opts)
        return QString();
    QString value;
    for (PQconninfoOption *o = opts; o->keyword; ++o) {
        if (qstrcmp(o->keyword, keyword) == 0 && o->val)
            value = QString::fromUtf8(o->val);
    }
    PQconninfoFree(opts);
    return value;
}

QString displayServer(const QString &conninfo)
{
    char *err = nullptr;
    PQconninfoOption *opts = PQconninfoParse(conninfo.toUtf8().constData(), &err);
    if (!opts) {
        // libpq's reason quotes the words it stumbled on, which may be the
        // password's: neither it nor those words are shown.
        if (err)
            PQfreemem(err);
        return readableStart(conninfo);
    }
    QStringList parts;
    for (PQconninfoOption *o = opts; o->keyword; ++o) {
        if (!o->val || !*o->val || qstrcmp(o->keyword, "password") == 0)
            continue;
        parts << QStringLiteral("%1=%2").arg(QString::fromUtf8(o->keyword), QString::fromUtf8(o->val));
    }
    PQconninfoFree(opts);
    return parts.join(u' ');
}

// ------------------------------------------------------------------ Result

Result &Result::operator=(Result &&o) noexcept
{
    if (this != &o) {
        if (m_r)
            PQclear(m_r);
        m_r = o.m_r;
        o.m_r = nullptr;
    }
    return *this;
}

Result::~Result()
{
    if (m_r)
        PQclear(m_r);
}

int Result::rows() const { return m_r ? PQntuples(m_r) : 0; }

int Result::columns() const { return m_r ? PQnfields(m_r) : 0; }

QString Result::name(int col) const { return QString::fromUtf8(PQfname(m_r, col)); }

bool Result::isNull(int row, int col) const { return PQgetisnull(m_r, row, col); }

QString Result::text(int row, int col) const
{
    return QString::fromUtf8(PQgetvalue(m_r, row, col), PQgetlength(m_r, row, col));
}

qint64 Result::int64(int row, int col) const { return QByteArray(PQgetvalue(m_r, row, col)).toLongLong(); }

QVariant Result::value(int row, int col) const
{
    if (row < 0 || row >= rows() || PQgetisnull(m_r, row, col))
        return QVariant();
    const char *v = PQgetvalue(m_r, row, col);
    const int n = PQgetlength(m_r, row, col);
    switch (PQftype(m_r, col)) {
    case BoolOid:
        return QVariant(qlonglong(v[0] == 't' ? 1 : 0));
    case Int8Oid:
    case Int2Oid:
    case Int4Oid:
    case OidOid:
        return QVariant(QByteArray::fromRawData(v, n).toLongLong());
    case Float4Oid:
    case Float8Oid:
    case NumericOid:
        return QVariant(QByteArray::fromRawData(v, n).toDouble());
    case ByteaOid:
        return QVariant(fromHex(v, n));
    case TimestampOid:
    case TimestampTzOid: {
        QString s = QString::fromUtf8(v, n);
        s.replace(u' ', u'T');
        return QVariant(s);
    }
    default:
        return QVariant(QString::fromUtf8(v, n));
    }
}

qint64 Result::affected() const
{
    if (!m_r)
        return 0;
    const char *n = PQcmdTuples(m_r);
    return n && *n ? QByteArray(n).toLongLong() : 0;
}

// -------------------------------------------------------------- Connection

Connection::Connection(const QString &conninfo, const QString &user, const QString &password)
    : m_conninfo(conninfo), m_server(displayServer(conninfo)), m_user(user), m_password(password)
{
    if (m_server.isEmpty())
        m_server = QStringLiteral("?");
    ensure();
}

Connection::~Connection()
{
    if (m_conn)
        PQfinish(m_conn);
}

int Connection::backendPid() const { return m_conn ? PQbackendPID(m_conn) : 0; }

void Connection::lose()
{
    m_inTransaction = false;
    const QString text = QStringLiteral("与数据库服务器 '%1' 的连接已中断,操作没有保存").arg(m_server);
    broken(text, true);
    if (onLost)
        onLost();
    throw TransactionLost(text);
}

bool Connection::transactionFailed() const { return m_conn && PQtransactionStatus(m_conn) == PQTRANS_INERROR; }

void Connection::broken(const QString &why, bool lost)
{
    m_brokenWhy = why;
    m_brokenLost = lost;
    m_brokenIn = epoch ? epoch() : 0;
}

void Connection::ensure()
{
    if (m_conn && PQstatus(m_conn) == CONNECTION_OK)
        return;
    if (m_conn) {
        // Found dead (reading notifications, say) before a statement failed
        // on it: inside a transaction that is the same loss.
        PQfinish(m_conn);
        m_conn = nullptr;
        if (m_inTransaction)
            lose();
    }
    // The unit of work that met the failure ends with it: it is not carried
    // on over a new session (its earlier writes are gone), and a server that
    // did not answer is not asked again and again by the same action.
    if (!m_brokenWhy.isEmpty() && (!epoch || epoch() == m_brokenIn)) {
        if (m_brokenLost)
            throw TransactionLost(m_brokenWhy);
        throw Error(m_brokenWhy);
    }
    const QByteArray info = m_conninfo.toUtf8(), user = m_user.toUtf8(), password = m_password.toUtf8();
    // The settings' own values win over these defaults; the encoding is
    // ours, and so are a personal login's name and password.
    std::vector<const char *> keys{"connect_timeout", "fallback_application_name", "dbname", "client_encoding"};
    std::vector<const char *> values{"10", "quillmere", info.constData(), "UTF8"};
    if (!m_user.isEmpty()) {
        keys.insert(keys.end(), {"user", "password"});
        values.insert(values.end(), {user.constData(), password.constData()});
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);
    m_conn = PQconnectdbParams(keys.data(), values.data(), 1);
    if (PQstatus(m_conn) != CONNECTION_OK) {
        const bool needsPassword = PQconnectionNeedsPassword(m_conn);
        const bool usedPassword = PQconnectionUsedPassword(m_conn);
        QString why = QString::fromUtf8(PQerrorMessage(m_conn)).simplified();
        PQfinish(m_conn);
        m_conn = nullptr;
        // libpq's reason for a string it cannot read quotes the string.
        if (!readable(m_conninfo)) {
            const QString text = QStringLiteral("数据库服务器的连接设置 '%1' 写法有误,无法连接。"
                                                "设置的值中有空格时(例如口令)要用单引号括起来,如 password='a b'")
                                     .arg(m_server);
            broken(text, false);
            throw Error(text);
        }
        for (const QString &password : {passwordOf(m_conninfo), m_password}) {
            if (!password.isEmpty())
                why.replace(password, QStringLiteral("***"));
        }
        QString advice;
        if (needsPassword)
            advice = QStringLiteral("服务器要求口令,但没有找到口令:请把口令记在本机用户的 .pgpass 文件"
                                    "(或 PGPASSFILE 指定的文件)中。");
        else if (usedPassword)
            advice = QStringLiteral("服务器没有接受这个用户名和口令,或者没有这个数据库:请检查连接设置和 .pgpass 文件。");
        else
            advice = QStringLiteral("请确认服务器已经启动、网络畅通,连接设置中的主机、端口、用户名和数据库名无误。");
        const QString text = QStringLiteral("无法连接到数据库服务器 '%1'。%2(服务器的回答: %3)").arg(m_server, advice, why);
        broken(text, false);
        // The server asked for the password and did not take it: a wrong
        // password, a login it does not know, or one that may not log in.
        if (usedPassword)
            throw LoginRefused(text);
        throw Error(text);
    }
    m_brokenWhy.clear();
    m_prepared.clear();
    ++m_session;
    if (onSession)
        onSession();
}

Result Connection::check(pg_result *r, const QString &)
{
    Result res(r);
    const ExecStatusType st = r ? PQresultStatus(r) : PGRES_FATAL_ERROR;
    if (m_conn)
        m_inTransaction = PQtransactionStatus(m_conn) == PQTRANS_INTRANS || PQtransactionStatus(m_conn) == PQTRANS_INERROR;
    if (st == PGRES_COMMAND_OK || st == PGRES_TUPLES_OK || st == PGRES_COPY_IN || st == PGRES_EMPTY_QUERY)
        return res;
    const QByteArray state = r ? QByteArray(PQresultErrorField(r, PG_DIAG_SQLSTATE)) : QByteArray();
    // A connection failure, or the server shutting down under the session.
    if (!m_conn || PQstatus(m_conn) != CONNECTION_OK || state.isEmpty() || state.startsWith("08") || state.startsWith("57P")) {
        // What is left of the session is of no use: the next unit of work
        // starts a new one.
        if (m_conn) {
            PQfinish(m_conn);
            m_conn = nullptr;
        }
        lose();
    }
    // The office's own refusals (class QM, raised by its functions on the
    // server) are worded for the user already.
    if (state.startsWith("QM"))
        throw Error(QString::fromUtf8(PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY)));
    const QString message = QString::fromUtf8(r ? PQresultErrorMessage(r) : PQerrorMessage(m_conn));
    throw Error(describe(state, message));
}

Result Connection::exec(const QString &sqlText)
{
    ensure();
    const QByteArray text = sqlText.toUtf8();
    beforeStatement(text);
    return check(PQexec(m_conn, text.constData()));
}

Result Connection::exec(const QByteArray &text, const std::vector<QVariant> &params)
{
    ensure();
    beforeStatement(text);
    const Params p(params);
    return check(PQexecParams(m_conn, text.constData(), p.count(), nullptr, p.values.data(), p.lengths.data(),
                              p.formats.data(), 0));
}

Result Connection::run(const QByteArray &text, const std::vector<QVariant> &params)
{
    ensure();
    auto it = m_prepared.find(text);
    if (it == m_prepared.end()) {
        const QByteArray name = "qm" + QByteArray::number(m_prepared.size() + 1);
        check(PQprepare(m_conn, name.constData(), text.constData(), int(params.size()), nullptr));
        it = m_prepared.insert(text, name);
    }
    beforeStatement(text);
    const Params p(params);
    return check(PQexecPrepared(m_conn, it->constData(), p.count(), p.values.data(), p.lengths.data(), p.formats.data(), 0));
}

Result Connection::runKeepingTransaction(const QByteArray &text, const std::vector<QVariant> &params, bool writes)
{
    if (!writes || !m_conn || PQtransactionStatus(m_conn) != PQTRANS_INTRANS)
        return run(text, params);
    // A failed statement would spoil the whole transaction on the server;
    // the action decides what its failure means, as with the embedded files.
    SqlGuard statement = SqlGuard::savepoint([this](const QString &sql) { exec(sql); }, QStringLiteral("qm_statement"));
    try {
        Result r = run(text, params);
        statement.finish();
        return r;
    } catch (const TransactionLost &) {
        statement.abandon();
        throw;
    }
}

bool Connection::usable() const { return m_conn && PQstatus(m_conn) == CONNECTION_OK; }

bool Connection::notified()
{
    if (!m_conn || PQstatus(m_conn) != CONNECTION_OK || !PQconsumeInput(m_conn))
        return false;
    bool other = false;
    const int self = PQbackendPID(m_conn);
    while (PGnotify *n = PQnotifies(m_conn)) {
        if (n->be_pid != self)
            other = true;
        PQfreemem(n);
    }
    return other;
}

} // namespace store::pg
