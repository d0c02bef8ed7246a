#include "store/Walk.h"

namespace store {

QStringList fieldTexts(DataSet &ds, int fieldIndex)
{
    QStringList texts;
    ds.first();
    while (!ds.eof()) {
        texts << ds.fields(fieldIndex).asString();
        ds.next();
    }
    ds.first();
    return texts;
}

bool containsText(DataSet &ds, const QString &field, const QString &text)
{
    bool found = false;
    ds.first();
    while (!ds.eof()) {
        if (ds.fieldByName(field).asString() == text)
            found = true;
        ds.next();
    }
    return found;
}

void deleteMatching(DataSet &ds, const QString &field, const QString &text, const std::function<void()> &afterEach)
{
    ds.first();
    while (!ds.eof()) {
        if (ds.fieldByName(field).asString() == text) {
            const bool wasLast = ds.recNo() == ds.recordCount();
            ds.del();
            if (afterEach)
                afterEach();
            // The record that followed is current now and is compared next;
            // deleting the last one leaves nothing after it.
            if (wasLast || ds.isEmpty())
                break;
        } else {
            ds.next();
        }
    }
}

void renumber(DataSet &ds, const QString &field)
{
    ds.first();
    const int n = ds.recordCount();
    for (int i = 1; i <= n; ++i) {
        ds.edit();
        ds.fieldByName(field).setAsInteger(i);
        ds.next();
    }
}

} // namespace store
