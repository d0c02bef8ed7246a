// The busy cursor over everything the user waits for, for as long as the
// object lives; nested ones stack. Used around any handler that can keep
// the user waiting (a report's pages, a deletion walking a large table).
#pragma once

#include <QCursor>
#include <QGuiApplication>

namespace ui {

class BusyCursor {
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

} // namespace ui
