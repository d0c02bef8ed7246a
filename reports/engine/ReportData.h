// The engine reads records through this small cursor interface, so that it
// does not depend on the record layer and can be fed from memory.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

namespace report {

class ReportData {
public:
    virtual ~ReportData() = default;

    // A dataset that is not active (it failed to open) is printed as an empty
    // one; the engine then calls none of the cursor functions below.
    virtual bool active() const = 0;
    virtual void first() = 0;
    virtual void next() = 0;
    virtual bool eof() const = 0;
    // Moves on by this many records, as as many next() calls would; the
    // engine uses it right after first() to go back to where a page begins.
    virtual void skip(int records);
    // Number of records; -1 when not known. Known, it spares the engine
    // reading a list without sub-details just to find its page breaks.
    virtual int recordCount() const { return -1; }
    // Index of a field for valueAt(); -1 when there is no such field.
    virtual int fieldIndex(const QString &field) const = 0;
    // The current record's value of a field by its index; a null QVariant
    // when the field is empty or unknown. Dates are best given as
    // QDate/QDateTime so that the engine prints them in the short date format.
    virtual QVariant valueAt(int field) const = 0;

    bool hasField(const QString &field) const { return fieldIndex(field) >= 0; }
    QVariant value(const QString &field) const;
};

// Display text of a field value as a report prints it: dates in the
// program's short date form (dates::text), a date-time followed by its time
// unless it is midnight, numbers as their digits, an empty field as "".
QString displayText(const QVariant &value);

// Records kept in memory. It can follow a master the way a detail table
// does: at first() it selects the records whose key equals, ignoring case,
// the master's current value of a field.
class MemoryReportData : public ReportData {
public:
    explicit MemoryReportData(const QStringList &fields = {});

    void setFields(const QStringList &fields);
    QStringList fields() const { return m_fields; }
    // Values in the order of the fields; missing ones are empty.
    void addRecord(const QVariantList &values);
    void clear();
    void setActive(bool active) { m_active = active; }
    void setMaster(const ReportData *master, const QString &masterField, const QString &keyField);

    bool active() const override { return m_active; }
    void first() override;
    void next() override;
    bool eof() const override;
    void skip(int records) override;
    int recordCount() const override;
    int fieldIndex(const QString &field) const override;
    QVariant valueAt(int field) const override;

private:
    void select();

    QStringList m_fields;
    QHash<QString, int> m_index;
    std::vector<QVariantList> m_rows;
    std::vector<int> m_shown;    // indexes into m_rows of the records shown
    int m_pos = 0;               // position in m_shown
    bool m_active = true;
    const ReportData *m_master = nullptr;
    QString m_masterField;
    int m_keyColumn = -1;
};

} // namespace report
