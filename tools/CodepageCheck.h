// The tools keep the program's rule: without the GBK converter they do not
// run, since no other code page counts the same bytes.
#pragma once

#include <cstdio>

namespace tools {

// Writes why to `to` ("tool: ..." on one line) and returns the exit status 2
// when the converter is missing; 0 when the tool may run.
int refuseWithoutCodepage(const char *tool, std::FILE *to = stderr);

} // namespace tools
