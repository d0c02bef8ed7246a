// What the clerk was shown is checked again before it is acted on. Between
// showing a record and the click that acts on it (a question answered, an
// add window filled in), another program may have changed or deleted it, and
// the shared cursor then stands on some other record. An action that deletes
// the record it asked about, or copies a key from a record shown earlier,
// checks it under the write lock and is refused with the program's conflict
// message when it is no longer stored as shown.
#pragma once

#include "data/DataSet.h"

#include <QPointer>
#include <QStringList>

namespace store {

// The refusal of a change made on a record that is no longer stored as shown.
QString changedMeanwhileText();

class ShownRecord {
public:
    ShownRecord() = default;
    // The current record of table as it is shown now, by these fields; empty
    // when the table has no current stored record.
    ShownRecord(TTable &table, const QStringList &fields);
    bool isEmpty() const { return m_rowid == 0; }
    QString value(const QString &field) const;
    // Under the write lock: the record is still stored with the values that
    // were shown, and it is still its table's current record (or, when none
    // was shown, there still is none). Otherwise a Conflict; nothing is
    // written either way.
    void requireStill() const;

private:
    QPointer<TTable> m_table;
    qint64 m_rowid = 0;
    QStringList m_fields, m_values;
};

// Under the write lock: some record of table holds exactly value in field
// (a class name a student is given, a course name a score is for); otherwise
// a Conflict.
void requireStored(TTable &table, const QString &field, const QString &value);

} // namespace store
