#pragma once

#include "data/DataSet.h"
#include "data/DataSource.h"
#include "db/TableObserver.h"

#include <QVariant>

#include <memory>

namespace store {

// A dataset bound to one stored table, which tells it when the stored records
// change under it.
class TTable : public DataSet, private TableObserver {
    Q_OBJECT
public:
    explicit TTable(const QString &name, QObject *parent = nullptr);
    ~TTable() override;

    void setTableName(const QString &path);  // full path, or relative to the database
    QString tableName() const { return m_tableName; }
    // Fixed field list: exactly these fields, in this order. Empty = all fields.
    void setFieldList(const QStringList &fields) { m_fixedFields = fields; }
    // "" = stored order (primary key if any); "primary" or an index name.
    void setIndexName(const QString &index) { m_indexName = index; }
    // A detail: shows the records whose masterField (or the order index's
    // field) equals that field of src's current record, and follows it.
    void setMasterSource(TDataSource *src, const QString &masterField);

    // Key lookup on the primary key: moves to the record whose key has this
    // value and returns true, or leaves the cursor and returns false.
    bool findKey(const QVariant &v);

    StoredTable *file() const { return m_file.get(); }
    bool hasMaster() const { return m_master != nullptr; }
    int orderColumn() const { return m_orderField; } // file column, -1: row id

    // A column of the current or pending record that the field list may not
    // expose (a hidden sequence number, for instance).
    QVariant storedValue(const QString &column) const;
    void setStoredValue(const QString &column, const QVariant &value);

protected:
    void doOpen() override;
    void doClose() override;
    int doCount() const override;
    Row doFetch(int row) const override;
    void doReload() override;
    void doPost(Row &row, bool inserting) override;
    void doDelete(int row) override;
    bool canModify() const override { return true; }
    bool reread() const override;
    int columnCount() const override;
    void prepareNewRecord() override;
    int rowOf(qint64 rowid) const override { return m_rows.positionOf(rowid); }
    qint64 rowidAt(int row) const override { return m_rows.at(row).rowid; }

private:
    friend class DataSet;
    friend class TDataSource;
    void masterMoved();
    void reloadList();
    QVariant masterValue() const;
    OrderEntry entryOf(const Row &row) const;
    bool belongsHere(const Row &row) const;
    void tableChanged() override { m_stale = true; }
    void catchUp() override { freshen(); }

    QString m_tableName;
    QStringList m_fixedFields;
    QString m_indexName;
    QPointer<TDataSource> m_master;
    QString m_masterField;
    std::shared_ptr<StoredTable> m_file;
    // The records shown, read around where the cursor and the grids are.
    mutable RowWindow m_rows;
    mutable bool m_stale = false;

    bool m_orderNoCase = false;
    int m_orderField = -1;      // index in the file's columns
    int m_linkColumn = -1;      // file column of the detail link
    QVariant m_linkValue;       // master value the list was read for
    bool m_linkLoaded = false;
    mutable RowCache m_cache;
};

} // namespace store
