// The one kind of error the record layer and the program's own code raise:
// its text is what the standard error box shows. It lives below the record
// layer, with the seam that reports it, so that both can name it.
#pragma once

#include <QString>

#include <stdexcept>

namespace store {

class Error : public std::runtime_error {
public:
    explicit Error(const QString &text) : std::runtime_error(text.toStdString()), m_text(text) {}
    QString text() const { return m_text; }

private:
    QString m_text;
};

// A change refused because the records it was made on are no longer what is
// stored: another program (or another view) changed or deleted them.
class Conflict : public Error {
public:
    using Error::Error;
};

// The action's transaction is gone with the failure (the connection to the
// server was lost, or the engine gave the transaction up): nothing the action
// wrote is stored, and it must end here. Never retried, never continued in a
// new transaction.
class TransactionLost : public Error {
public:
    using Error::Error;
};

} // namespace store
