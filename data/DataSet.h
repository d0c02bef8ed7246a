// The record access layer: datasets with a cursor, an edit/insert state,
// master-detail links and local SQL, written through to the table engine
// (SQLite files, or a PostgreSQL server).
//
// Every failure is thrown as store::Error; the application reports it in the
// standard error box, so callers normally let it propagate.
#pragma once

#include "core/Error.h"
#include "data/Field.h"
#include "data/PendingEdit.h"
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
class StoredTable;

enum class DataSetState { Inactive, Browse, Edit, Insert };

class TDataSource;
class TTable;

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
    static Row readThrough(StoredTable &file, RowCache &cache, qint64 rowid);

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

// For the counters under a grid, refreshed ten times a second: a dataset
// that is closed (it failed to open, or a search failed) shows 0 rather than
// raising its error again on every tick.
int safeRecNo(const DataSet &ds);
int safeCount(const DataSet &ds);

} // namespace store
