// The program's windows and its data module: one list says in which order
// they are made at start and unmade at the end, for the program and for the
// tests that work with its windows alike.
#pragma once

#include <functional>

class TForm;

namespace program {

struct Step {
    int row;                 // 1 to 23
    const char *instance;    // the process-wide name
    TForm **window;          // where it is published; null for the data module
    std::function<void()> make;
};

// Rows 1 to 23: each window made hidden (with its creation handler), the
// data module opened at row 13.
const std::vector<Step> &creationOrder();

// Makes every row in order, each guarded: an error in one is reported and
// start-up goes on with the next. after runs after each row.
void createAll(const std::function<void(const Step &)> &after = {});

// Unmakes every window, last made first, then the splash window and the data
// module; every instance is null afterwards.
void destroyAll();

} // namespace program
