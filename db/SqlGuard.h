// A transaction or a savepoint that is undone unless it is finished: the
// guard runs its opening statement at once, finish() ends it, and leaving the
// scope any other way (an exception) undoes what was done inside it. One
// guard for every engine and tool, over whatever runs their SQL.
#pragma once

#include "core/Error.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <utility>

namespace store {

class SqlGuard {
public:
    using Exec = std::function<void(const QString &)>;

    static SqlGuard transaction(Exec exec)
    {
        return SqlGuard(std::move(exec), QStringLiteral("BEGIN"), QStringLiteral("COMMIT"),
                        {QStringLiteral("ROLLBACK")});
    }
    // Inside the running transaction: a failure of what follows undoes only
    // what was done since the savepoint.
    static SqlGuard savepoint(Exec exec, const QString &name)
    {
        return SqlGuard(std::move(exec), QStringLiteral("SAVEPOINT ") + name, QStringLiteral("RELEASE SAVEPOINT ") + name,
                        {QStringLiteral("ROLLBACK TO SAVEPOINT ") + name, QStringLiteral("RELEASE SAVEPOINT ") + name});
    }

    SqlGuard(SqlGuard &&other) noexcept
        : m_exec(std::move(other.m_exec)), m_finish(std::move(other.m_finish)), m_undo(std::move(other.m_undo)),
          m_open(std::exchange(other.m_open, false))
    {
    }
    SqlGuard(const SqlGuard &) = delete;
    SqlGuard &operator=(const SqlGuard &) = delete;
    SqlGuard &operator=(SqlGuard &&) = delete;

    ~SqlGuard()
    {
        if (!m_open)
            return;
        try {
            undo();
        } catch (const Error &) {
            // The failure that left the scope is the one to report.
        }
    }

    // Commits the transaction, or keeps what was done since the savepoint.
    void finish()
    {
        m_open = false;
        m_exec(m_finish);
    }
    // Undoes it now; throws when the engine cannot (the transaction is gone).
    void undo()
    {
        m_open = false;
        for (const QString &statement : m_undo)
            m_exec(statement);
    }
    // The transaction is gone with the connection: nothing is left to undo.
    void abandon() { m_open = false; }

private:
    SqlGuard(Exec exec, const QString &begin, QString finish, QStringList undo)
        : m_exec(std::move(exec)), m_finish(std::move(finish)), m_undo(std::move(undo))
    {
        m_exec(begin);
        m_open = true;
    }

    Exec m_exec;
    QString m_finish;
    QStringList m_undo;
    bool m_open = false;
};

} // namespace store
