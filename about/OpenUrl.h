// Hands a link (a "mailto:" address, a web page) to the desktop, which opens
// it with the user's default program. Whether that worked is not our concern:
// the desktop reports its own failures.
#pragma once

#include <QString>
#include <QWidget>

#include <functional>

namespace shell {

// owner: the window the desktop may parent its own messages to.
void openUrl(const QString &url, QWidget *owner = nullptr);

// Tests replace the desktop: the hook receives every link instead. An empty
// hook restores the desktop.
using OpenUrlHook = std::function<void(const QString &url, QWidget *owner)>;
void setOpenUrlHook(OpenUrlHook hook);

} // namespace shell
