// quillmere-data export and import: a table to a spreadsheet and back.
#pragma once

#include "tools/data/Commands.h"

namespace datatool {

int exportCommand(Context &context, const QStringList &args);
int importCommand(Context &context, const QStringList &args);

} // namespace datatool
