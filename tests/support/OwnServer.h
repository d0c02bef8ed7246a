// A PostgreSQL cluster of a test's own, which the test may stop and start
// again (the shared test cluster must keep running for the other tests).
#pragma once

#include <QString>

namespace fixture {

class OwnServer {
public:
    OwnServer();
    ~OwnServer();
    OwnServer(const OwnServer &) = delete;
    OwnServer &operator=(const OwnServer &) = delete;

    // The cluster's connection string (empty when it did not start).
    const QString &info() const { return m_info; }
    // A database "office" with the six empty tables, the engine pointed at
    // it; its connection string.
    QString office() const;
    // Stops the server at once, as a crash or a pulled cable would; and
    // starts it again on the same data.
    bool halt();
    bool resume();

private:
    QString m_dir, m_info;
};

} // namespace fixture
