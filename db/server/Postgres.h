// A thin layer over libpq: one connection to the office's server, which
// comes back by itself at the next statement after it was lost, and the
// record layer's statements ("?N" parameters) run on it.
#pragma once

#include "db/Statement.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <functional>

struct pg_conn;
struct pg_result;

namespace store::pg {

// A query result, freed with its owner.
class Result {
public:
    Result() = default;
    explicit Result(pg_result *r) : m_r(r) {}
    Result(Result &&o) noexcept : m_r(o.m_r) { o.m_r = nullptr; }
    Result &operator=(Result &&o) noexcept;
    Result(const Result &) = delete;
    ~Result();
    pg_result *get() const { return m_r; }
    int rows() const;
    int columns() const;
    QString name(int col) const;
    bool isNull(int row, int col) const;
    QString text(int row, int col) const;
    qint64 int64(int row, int col) const;
    // The value in the type of its column.
    QVariant value(int row, int col) const;
    qint64 affected() const;

private:
    pg_result *m_r = nullptr;
};

class Connection {
public:
    // Connects; an unreachable server is an Error naming it. user and
    // password, when given, stand in for the string's own (a clerk's
    // personal login); a refused login is a LoginRefused.
    explicit Connection(const QString &conninfo, const QString &user = QString(), const QString &password = QString());
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;
    ~Connection();

    // The server as the user may see it: the connection string without its password.
    const QString &server() const { return m_server; }
    pg_conn *handle() const { return m_conn; }
    // Whether a session is open now (false after a loss, until the next
    // statement of a later unit of work makes a new one).
    bool isOpen() const { return m_conn != nullptr; }
    // Open and, as far as the client library knows, not broken: a statement
    // now would not have to connect first.
    bool usable() const;
    int backendPid() const;
    // Each session (the first and every one after a reconnection) has its own number.
    quint64 session() const { return m_session; }

    // Called when a statement finds the connection lost (the transaction is
    // gone with it), and when a new session has been set up.
    std::function<void()> onLost, onSession;
    // The unit of work running now (the program's action). After a failed
    // connection attempt or a lost connection, no new one is made for the
    // same unit: what it did went with the old session, and it must end.
    // Without it, a failure is final for this object.
    std::function<quint64()> epoch;

    // Whether the server gave the running transaction up after a failed
    // statement: nothing more of it can be stored.
    bool transactionFailed() const;

    // Runs SQL text (several statements may be given); throws on failure.
    Result exec(const QString &sqlText);
    // Runs SQL text with $N parameters, values as text (or bytes where binary).
    Result exec(const QByteArray &text, const std::vector<QVariant> &params);
    // Runs a statement prepared once per session under its text.
    Result run(const QByteArray &text, const std::vector<QVariant> &params);
    // The same; inside a transaction, a failed write leaves the transaction
    // as it was before the statement.
    Result runKeepingTransaction(const QByteArray &text, const std::vector<QVariant> &params, bool writes);
    // Reads what arrived; true when another session sent a notification.
    bool notified();

private:
    void ensure();
    Result check(pg_result *r, const QString &label = QString());
    // Remembers why there is no connection now, and for which unit of work.
    void broken(const QString &why, bool lost);
    // The session is gone, and a transaction with it: throws TransactionLost.
    [[noreturn]] void lose();
    bool m_inTransaction = false; // as of the last statement
    QString m_conninfo, m_server, m_user, m_password;
    QString m_brokenWhy;     // empty: nothing failed yet, or connected since
    bool m_brokenLost = false;
    quint64 m_brokenIn = 0;
    pg_conn *m_conn = nullptr;
    quint64 m_session = 0;
    QHash<QByteArray, QByteArray> m_prepared; // text -> name, this session
};

// Tests: hook is called with the text of each statement before it is sent
// (to end the session at a chosen statement, as a dropped network would).
void setStatementHookForTesting(std::function<void(const QByteArray &)> hook);

// The record layer's SQL for the server: "?N" become "$k", numbered in
// order of first use; map[k - 1] = N.
QByteArray translate(const QString &sqlText, std::vector<int> *map);

std::unique_ptr<StatementImpl> statement(Connection &c, const QString &sqlText);

// One setting of a connection string (empty: not given, or unreadable).
QString settingOf(const QString &conninfo, const char *keyword);

// The connection string with its password left out.
QString displayServer(const QString &conninfo);

} // namespace store::pg
