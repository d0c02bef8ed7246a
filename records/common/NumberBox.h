// The number box of the add windows (students, classes, courses): a number
// that is already stored is announced when the user leaves the box, and the
// box is emptied for another one.
#pragma once

#include <QString>

class QLineEdit;
namespace store {
class DataSet;
} // namespace store

namespace records {

// Announces the box's number, titled "系统提示", when some record's field holds
// exactly that text, and empties the box. The scan runs over the whole table:
// its last record is current afterwards.
void refuseTakenNumber(QLineEdit *box, store::DataSet &table, const QString &field, const QString &announcement);

} // namespace records
