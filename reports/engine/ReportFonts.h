// The reports name Windows fonts ("宋体", "黑体", "Arial"); here they are
// mapped onto faces that exist on this system.
#pragma once

#include "reports/engine/ReportDocument.h"

#include <QFont>

namespace report {

// Installs QFont substitutions for the Windows font names the reports use:
// the Song face for "宋体"/"SimSun", the Hei face for "黑体"/"SimHei", a sans
// face for "Arial"/"MS Sans Serif" (one with Arial's widths where installed,
// such as Liberation Sans or Nimbus Sans). Latin faces get the Song face as a
// fallback, so Chinese text in "Arial" looks as it did on a Chinese Windows.
// Safe to call more than once.
void installFontSubstitutions();

// The QFont that draws a report font: the faces above, named directly, so
// that the application's own substitutions do not change the reports.
QFont toQFont(const ReportFont &font);

} // namespace report
