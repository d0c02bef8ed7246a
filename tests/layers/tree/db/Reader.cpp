// A file of the engine layer that reaches up and sideways: three faults.
#include "db/Reader.h"

#include "core/Error.h"
#include "dbwidgets/Grid.h"

#include <QtCore/QString>
#include <QtWidgets/QWidget>
#include <sqlite3.h>
