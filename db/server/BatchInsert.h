// Many records into one table of the server, a batch of them per
// INSERT … VALUES statement (one round trip for thousands of records), as
// far as the server's limit on a statement's parameters allows.
#pragma once

#include "db/server/Postgres.h"

#include <functional>

namespace store::pg {

class BatchInsert {
public:
    // columns: the quoted column names, width of them; stored: called with
    // the number of records written so far after each batch.
    BatchInsert(Connection &c, const QString &table, const QString &columns, int width,
                std::function<void(qint64)> stored = {});
    // One record: value(i) gives its i-th column.
    void add(const std::function<QVariant(int)> &value);
    // Writes what is still collected.
    void finish();

private:
    Connection &m_c;
    QString m_table, m_columns;
    int m_width, m_batch;
    std::function<void(qint64)> m_stored;
    QStringList m_groups;
    std::vector<QVariant> m_params;
    qint64 m_done = 0;
};

} // namespace store::pg
