// The record access layer: datasets with a cursor, an edit/insert state,
// master-detail links and local SQL, written through to SQLite.
//
// Every failure is thrown as store::Error; the application reports it in the
// standard error box, so callers normally let it propagate.
#pragma once

#include "core/Error.h"
#include "data/RowWindow.h"
#include "db/FieldType.h"
#include "db/TableObserver.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <stdexcept>
#include <unordered_map>
#include <vector>

namespace store {

class DataSet;
class TableFile;

// One field of the current record. Obtained from DataSet::fieldByName or
// DataSet::fields(i); valid while the dataset's field list does not change.
class TField {
public:
    QString fieldName() const { return m_name; }
    FieldType dataType() const { return m_type; }
    int size() const { return m_size; } // byte limit of a text field, 0 = none
    int index() const { return m_index; }

    bool isNull() const;
    QVariant value() const;
    QString asString() const;      // display text; empty for NULL
    qint32 asInteger() const;      // conversion error for a non-number
    QDateTime asDateTime() const;
    QByteArray asBytes() const;    // exact bytes (GBK for text)

    void setAsString(const QString &text);   // cut to the field's size
    void setAsInteger(qint32 v);
    void setAsDateTime(const QDateTime &v);
    void setAsBytes(const QByteArray &bytes);
    void clear();

private:
    friend class DataSet;
    TField(DataSet *ds, int index, const QString &name, FieldType t, int size, int column)
        : m_ds(ds), m_index(index), m_name(name), m_type(t), m_size(size), m_column(column) {}
    DataSet *m_ds;
    int m_index;
    QString m_name;
    FieldType m_type;
    int m_size;
    int m_column; // column index in the underlying row
};

enum class DataSetState { Inactive, Browse, Edit, Insert };

class TDataSource;
class TTable;

// A control holding typed text not yet in its field. The dataset calls it
// directly before it posts or moves, so that a refused text stops the post
// or move in the caller, not inside a signal emission.
class PendingEdit {
public:
    virtual void writePending() = 0;

protected:
    ~PendingEdit() = default;
};

// Common cursor and editing behaviour of tables and queries.
class DataSet : public QObject {
    Q_OBJECT
public:
    explicit DataSet(const QString &name, QObject *parent = nullptr);
    ~DataSet() override;

    QString name() const { return objectName(); }

    // Binding
    void setDatabaseName(const QString &dir);
    QString databaseName() const { return m_databaseName; }

    void open();
    void close();
    bool active() const { return m_state != DataSetState::Inactive; }
    DataSetState state() const { return m_state; }
    bool modified() const { return m_modified; }

    // Cursor
    void first();
    void next();
    void prior();
    void last();
    void moveBy(int distance);
    bool eof() const;
    bool bof() const;
    int recNo() const;          // 1-based; 0 when there is no record
    void setRecNo(int recNo);   // moves (posting or dropping a pending record)
    int recordCount() const;    // stored records shown, never the new one
    bool isEmpty() const { return recordCount() == 0; }

    // Fields
    int fieldCount() const;
    TField &fields(int index);
    TField &fieldByName(const QString &name);
    TField *findField(const QString &name);
    QStringList fieldNames() const;

    // Changes
    void append();
    void edit();
    void post();
    void cancel();
    void del();
    void refresh();

    // Random access for grids and reports; does not move the cursor.
    // row is 0-based among the records shown; the row being inserted (if any)
    // is recordCount().
    QVariant valueAt(int row, int fieldIndex) const;
    QString displayAt(int row, int fieldIndex) const;
    int currentRow() const; // 0-based, -1 without record
    // The stored record the cursor is on (0: none, or a new one).
    qint64 currentRecordId() const { return m_bufferValid && m_state != DataSetState::Insert ? m_buffer.rowid : 0; }

    // Optional hooks, run like the old dataset events.
    std::function<void(DataSet &)> onNewRecord;
    std::function<void(DataSet &)> beforePost;

    // Text shown for a value of the given type; a date in the short date
    // form (dates::text).
    static QString displayText(const QVariant &v);

signals:
    // The current record moved or its values changed. The data layer's own
    // followers (details, controls with typed text) are called directly
    // before; what listens to these only shows, and never throws.
    void recordChanged();
    // The set of records shown changed (open, close, refresh, insert, delete).
    void dataSetChanged();
    void stateChanged();

public:
    // Something would see each record of a walk being written: a hook or a
    // control writing its typed text into it. A set-based change is then
    // not the same as the walk.
    bool observesWrites() const;

    // A bound control has typed text not yet written to its field.
    void markModified() { m_modified = true; }

    // Drops every record that the given user action left in edit or insert
    // state (the action failed and its writes were undone).
    static void dropPendingOf(unsigned long long action);

    // Catches up with what others wrote to the file and, when that changed
    // the records shown, says so now. A grid calls it before a reset so that
    // the reset's own reads find nothing left to announce. True when it
    // announced a change.
    bool freshen();

protected:
    friend class TField;
    struct Row {
        qint64 rowid = 0;
        std::vector<QVariant> values;
        std::vector<bool> dirty; // columns written since the record was loaded
        quint64 stamp = 0;       // fingerprint of the stored values when read
        quint64 readIn = 0;      // the engine's transaction it was read in (0: none)
        quint64 readAt = 0;      // its file's change count when read
    };
    struct FieldDef {
        QString name;
        FieldType type;
        int size;
        int column;
    };

    // Subclass interface
    virtual void doOpen() = 0;                 // fills m_defs and the record list
    virtual void doClose() = 0;
    virtual int doCount() const = 0;
    virtual Row doFetch(int row) const = 0;    // values of a stored record
    virtual void doReload() = 0;               // re-read the record list
    virtual void doPost(Row &row, bool inserting) = 0;
    virtual void doDelete(int row) = 0;
    virtual bool canModify() const = 0;
    // Brings the record list up to date with what others wrote to the file,
    // telling no one; true when it had to re-read.
    virtual bool reread() const { return false; }
    virtual int columnCount() const = 0;       // values in a stored row
    virtual void prepareNewRecord() {}         // presets of a new record
    virtual int rowOf(qint64 rowid) const = 0; // -1 when not shown
    virtual qint64 rowidAt(int row) const = 0;
    // After the record list changed: back to the record with this rowid, or
    // to the same position when it is gone.
    void relocate(qint64 rowid);

    // A stored record's values through a small cache that a write to its
    // file empties; noting the transaction and file state it was read in.
    struct RowCache {
        std::unordered_map<qint64, Row> rows;
        quint64 generation = 0;
    };
    static Row readThrough(TableFile &file, RowCache &cache, qint64 rowid);

    // For reads: catch up silently and announce the change once control is
    // back in the event loop, as a read must not set off a view's reset
    // while that view is reading.
    void ensureFresh() const;

    // The details on this dataset follow its current record, then the
    // signal goes out.
    void announceRecord();
    void announceSet();
    void followDetails();
    // Controls write the text typed into them to the record now.
    void writePendingEdits();

    void requireActive() const;
    void requireRecord() const;
    void checkBrowse();                 // posts/drops a pending record
    void loadCurrent();                 // fetch the current row into m_buffer
    void setCurrentRow(int row, bool eofFlag, bool bofFlag);
    QString qualified(const QString &text) const;
    void buildFields(const std::vector<FieldDef> &defs);
    void emitAll();
    TField &fieldFor(int index);
    void setFieldValue(int fieldIndex, const QVariant &v);
    QVariant fieldValue(int fieldIndex) const;

    QString m_databaseName;
    DataSetState m_state = DataSetState::Inactive;
    bool m_modified = false;
    int m_row = -1;     // current 0-based row among shown records, -1 = none
    bool m_eof = true;
    bool m_bof = true;
    Row m_buffer;       // current record (or the one being edited)
    bool m_bufferValid = false;
    unsigned long long m_pendingAction = 0; // action that started the edit or insert
    mutable bool m_unannounced = false;     // re-read by a read, not yet signalled
    mutable bool m_announceQueued = false;
    std::vector<FieldDef> m_defs;
    std::vector<std::unique_ptr<TField>> m_fields;

private:
    friend class TDataSource;
    std::vector<TDataSource *> m_sources; // the sources that show this dataset
};

// A dataset bound to one table file, which tells it when the stored records
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

    TableFile *file() const { return m_file.get(); }
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
    std::shared_ptr<TableFile> m_file;
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
    std::shared_ptr<TableFile> m_table;
    mutable RowWindow m_rows;
    bool m_frozen = false;
    bool m_rowidOrder = true;
    std::vector<qint64> m_frozenRows;  // the result's row ids, in its order
    std::vector<qint64> m_sortedRows;  // the same, sorted (when not in row id order)
    std::unordered_map<qint64, Row> m_saved; // values as they were before a write
    mutable RowCache m_cache;
};

// For the counters under a grid, refreshed ten times a second: a dataset
// that is closed (it failed to open, or a search failed) shows 0 rather than
// raising its error again on every tick.
int safeRecNo(const DataSet &ds);
int safeCount(const DataSet &ds);

// Connects data-aware controls to a dataset.
class TDataSource : public QObject {
    Q_OBJECT
public:
    explicit TDataSource(const QString &name, DataSet *ds = nullptr, QObject *parent = nullptr);
    ~TDataSource() override;
    DataSet *dataSet() const { return m_ds; }
    void setDataSet(DataSet *ds);
    // Tables that follow this source's current record, and controls with
    // typed text to write: the dataset calls them directly.
    void addDetail(TTable *t);
    void removeDetail(TTable *t);
    void addEditor(PendingEdit *e);
    void removeEditor(PendingEdit *e);
    bool autoEdit() const { return m_autoEdit; }
    void setAutoEdit(bool v) { m_autoEdit = v; }
    QString name() const { return objectName(); }

signals:
    void recordChanged();
    void dataSetChanged();
    void stateChanged();

private:
    friend class DataSet;
    QPointer<DataSet> m_ds;
    bool m_autoEdit = true;
    QMetaObject::Connection m_c1, m_c2, m_c3;
    std::vector<QPointer<TTable>> m_details;
    std::vector<PendingEdit *> m_editors;
};

} // namespace store
