// Walks over a whole dataset that several windows do alike: filling a list
// with one field, looking for a number that is taken, deleting the records
// that belong to something, renumbering "序号"; and re-reading the views after
// a change, whether it went through or not.
#pragma once

#include "data/DataSet.h"

#include <functional>
#include <initializer_list>

namespace store {

// The texts of one field from the first record to the last; the cursor is
// back on the first record afterwards.
QStringList fieldTexts(DataSet &ds, int fieldIndex);

// Whether any record's field equals text exactly (case and blanks count).
// The scan always runs to the end: the last record is current afterwards.
bool containsText(DataSet &ds, const QString &field, const QString &text);

// Deletes every record whose field equals text exactly, running afterEach
// after each deletion; records next to each other are all found.
void deleteMatching(DataSet &ds, const QString &field, const QString &text, const std::function<void()> &afterEach);

// Writes 1 ... n into field in the dataset's order (edit, write, next), so a
// new record's count + 1 is free again after deletions.
void renumber(DataSet &ds, const QString &field);

// deleteMatching followed by renumber on the same dataset, with afterEach
// after each deletion. On a whole table ordered by numberField that nothing
// watches record by record, the same stored result comes from two
// statements through the indexes, and the cursor ends where the walk leaves
// it (on the last record, at end of data); afterEach then runs once.
void deleteMatchingAndRenumber(DataSet &ds, const QString &field, const QString &text, const QString &numberField,
                               const std::function<void()> &afterEach);

// Runs change, then refreshes each view in order even when change failed:
// the refresh is what shows the outcome (or stores a record still pending).
// The change's error is raised after the refresh; should the refresh fail
// too, its own error is the one raised.
void refreshAfter(const std::function<void()> &change, std::initializer_list<DataSet *> views);

} // namespace store
