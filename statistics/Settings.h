// The statistics window's remembered choices: the pass and excellent marks
// and the rank option, kept in a small file beside the engine settings
// (EnginePath) so that they follow the program's copy, as its engine
// settings do.
#pragma once

#include "statistics/Statistics.h"

namespace stats {

// The marks last saved; the defaults (60, 85, incomplete not ranked) when
// none were, or when what is stored makes no sense.
Marks loadMarks();
// False when the file cannot be written (a read-only program directory):
// the marks then hold for this run only.
bool saveMarks(const Marks &marks);
// The file, beside IDAPI32.CFG.
QString settingsFile();

// A mark the window accepts: 0 to 100.
inline bool validMark(int mark) { return mark >= 0 && mark <= 100; }

} // namespace stats
