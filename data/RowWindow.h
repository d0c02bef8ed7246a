// Which records a dataset shows, known by position without holding them
// all: the engine counts them, and a window of (row id, order key) entries is
// read in chunks around the position asked for. A chunk next to the window
// is read by keyset from its edge, so a walk or a scrolling grid reads each
// entry once; a jump far away (a dragged scroll bar) reads by offset, and
// the end is read backwards from the last record.
#pragma once

#include <QString>
#include <QVariant>

#include <vector>

namespace store {

class StoredTable;

struct OrderEntry {
    qint64 rowid = 0;
    QVariant key; // the order column's value; unused in row id order
};

// Orders keys the way both engines order the selection: NULL, numbers, text,
// blobs; text binary or with ASCII letters folded (NOCASE, the server's
// noCase expression).
int compareKeys(const QVariant &a, const QVariant &b, bool noCase);

class RowWindow {
public:
    static constexpr int Chunk = 256;
    static constexpr int Capacity = 1024;

    // The records of the table that pass filter (an SQL condition whose one
    // parameter is ?1, bound to filterValue; empty: every record), ordered by
    // orderColumn (-1: row id) and then by row id.
    void bind(StoredTable *file, int orderColumn, bool noCase, const QString &filter = QString(),
              const QVariant &filterValue = QVariant());
    // No records at all (a detail without a master record, a closed dataset).
    void unbind();
    // The records may have changed: count and entries are read again when used.
    void forget();

    int count();
    // The entry at 0-based pos; an entry with row id 0 when there is none.
    const OrderEntry &at(int pos);
    // Position of the record with this row id, -1 when it is not shown.
    int positionOf(qint64 rowid);
    // Every record's row id, in order, read in one pass.
    std::vector<qint64> rowids();
    // Orders two entries as the engine orders the selection.
    int compare(const OrderEntry &a, const OrderEntry &b) const;

    // The record at pos was deleted or no longer passes the filter.
    void erased(int pos);
    // The record at pos was stored with a new order key; its new position.
    // A change that keeps the order (renumbering, say) costs at most two
    // index lookups.
    int rekeyed(int pos, const OrderEntry &e);
    // A new record that passes the filter was stored; its position.
    int inserted(const OrderEntry &e);

private:
    enum class Dir { Forward, Backward };
    // Entries passing where (besides the filter), ?2 and ?3 bound to key and
    // rowid when the text names them.
    std::vector<OrderEntry> read(const QString &where, const OrderEntry &anchor, Dir dir, int limit, int offset = 0);
    qint64 countWhere(const QString &where, const OrderEntry &anchor);
    // Entries strictly after / before e in the order, at most limit of them.
    std::vector<OrderEntry> after(const OrderEntry &e, int limit);
    std::vector<OrderEntry> before(const OrderEntry &e, int limit);
    void extendForward();
    void extendBackward();
    void loadAround(int pos);
    bool inWindow(int pos) const { return pos >= m_start && pos < m_start + int(m_entries.size()); }
    QString orderExpr() const;
    // What the order needs so that records without a key come first.
    QString nullsFirst(bool descending) const;
    // The anchor's key (?2), compared the way the order compares.
    QString anchorKey() const;
    QString keyName() const;
    bool keyNullable() const;

    StoredTable *m_file = nullptr;
    int m_order = -1;
    bool m_noCase = false;
    QString m_filter;
    QVariant m_filterValue;
    int m_count = -1; // -1: not known yet
    int m_start = 0;  // position of m_entries[0]
    std::vector<OrderEntry> m_entries;
};

} // namespace store
