// The busy cursor over everything the user waits for, for as long as the
// object lives; nested ones stack.
#pragma once

#include <QCursor>
#include <QGuiApplication>

namespace report {

class BusyCursor {
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

} // namespace report
