#pragma once

#include "db/FieldType.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVariant>

namespace store {

class DataSet;

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

} // namespace store
