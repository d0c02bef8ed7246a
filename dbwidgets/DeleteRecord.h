// The grid's Ctrl+Delete and the navigator's delete button ask the same
// question before the current record goes.
#pragma once

class QWidget;

namespace store {

class DataSet;

void deleteRecordIfConfirmed(DataSet *ds, QWidget *owner);

} // namespace store
