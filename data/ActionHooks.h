// Ties the record layer to the action edges (core/Action.h): commit at the
// end of an action and before a box, rollback before an error box, other
// programs' changes picked up when the user starts something and when the
// loop wakes, and the commit of what is pending when the loop waits. The
// program's start-up installs them once, and so does a test's main.
#pragma once

#include <QString>

#include <functional>

namespace store {

void installActionHooks();
void removeActionHooks();

// What the application shows when a commit at idle time fails.
void setCommitErrorHandler(std::function<void(const QString &)> handler);

} // namespace store
