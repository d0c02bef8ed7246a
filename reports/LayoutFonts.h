// Fonts and sizes the four report layouts share.
#pragma once

#include "reports/engine/ReportDocument.h"

namespace layout {

// Every band of the four reports has this height.
inline constexpr double BandHeight = 10.6;

inline report::ReportFont arial(double points = 10.0)
{
    return {QStringLiteral("Arial"), points, false};
}

inline report::ReportFont song(double points, bool bold = false)
{
    return {QStringLiteral("宋体"), points, bold};
}

inline report::ReportFont hei(double points, bool bold = false)
{
    return {QStringLiteral("黑体"), points, bold};
}

} // namespace layout
