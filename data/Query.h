#pragma once

#include "data/DataSet.h"
#include "db/TableObserver.h"

#include <QStringList>
#include <QVariant>

#include <memory>
#include <unordered_map>
#include <vector>

namespace store {

// A dataset holding the result of a local SQL text; a snapshot until reopened.
// The result is read where it is looked at, not copied at open: until this
// program first writes to the file, the stored records are the snapshot.
// Just before that write the query takes note of which records it shows,
// and of the values of each record before it is changed or deleted.
class TQuery : public DataSet, private TableObserver {
    Q_OBJECT
public:
    explicit TQuery(const QString &name, QObject *parent = nullptr);
    ~TQuery() override;

    QStringList &sql() { return m_sql; }
    void setSql(const QString &text) { m_sql = QStringList{text}; m_prepared = false; }
    void prepare();
    // Named parameter, matched without regard to case.
    void setParamByName(const QString &name, const QString &value);
    // Closes the query and opens it again on text; with a parameter name, that
    // parameter takes value first. A search window runs each search so.
    void reopen(const QString &text, const QString &param = QString(), const QString &value = QString());

protected:
    void doOpen() override;
    void doClose() override;
    int doCount() const override;
    Row doFetch(int row) const override;
    void doReload() override {}
    void doPost(Row &, bool) override;
    void doDelete(int) override;
    bool canModify() const override { return false; }
    int columnCount() const override { return int(m_defs.size()); }
    int rowOf(qint64 rowid) const override;
    qint64 rowidAt(int row) const override;

private:
    // Called by the file before this program writes to it; rowid 0: a new
    // record, -1: any number of records.
    void beforeWrite(qint64 rowid) override;
    void freeze();
    bool shows(qint64 rowid) const;

    QStringList m_sql;
    bool m_prepared = false;
    QString m_file, m_whereField, m_whereOp, m_paramName, m_parsedText;
    QVariant m_paramValue;
    bool m_paramSet = false;
    std::shared_ptr<StoredTable> m_table;
    mutable RowWindow m_rows;
    bool m_frozen = false;
    bool m_rowidOrder = true;
    std::vector<qint64> m_frozenRows;  // the result's row ids, in its order
    std::vector<qint64> m_sortedRows;  // the same, sorted (when not in row id order)
    std::unordered_map<qint64, Row> m_saved; // values as they were before a write
    mutable RowCache m_cache;
};

} // namespace store
