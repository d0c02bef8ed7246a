#include "data/ActionHooks.h"

#include "core/Action.h"
#include "core/Error.h"
#include "data/DataSet.h"
#include "db/Engines.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMetaObject>

#include <vector>

namespace store {

namespace {

struct Hooked {
    std::vector<QMetaObject::Connection> connections;
    std::function<void(const QString &)> onCommitError;
};

Hooked &hooked()
{
    static Hooked h;
    return h;
}

} // namespace

void installActionHooks()
{
    removeActionHooks();
    action::Hooks hooks;
    hooks.beginInput = [] { syncAll(true); };
    hooks.commit = [] {
        try {
            commitAll();
        } catch (const Error &) {
            DataSet::dropPendingOf(action::current());
            throw;
        }
    };
    hooks.rollback = [] { rollbackAll(); };
    action::setHooks(std::move(hooks));
    auto *app = QCoreApplication::instance();
    auto *dispatcher = app ? QAbstractEventDispatcher::instance(app->thread()) : nullptr;
    if (!dispatcher)
        return;
    Hooked &h = hooked();
    // The safety net: whatever is still pending when the loop waits is
    // stored. A failure is reported as an action of its own, never by a box
    // opened from inside the dispatcher.
    h.connections.push_back(QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, [] {
        try {
            commitAll();
        } catch (const Error &e) {
            if (hooked().onCommitError)
                hooked().onCommitError(e.text());
            else
                qWarning("%s", qPrintable(e.text()));
        }
    }));
    // Each time the loop takes up work again, what other programs stored
    // meanwhile is shown: counts, grids and labels follow the files. A loop
    // spun without waiting (a progress box) looks at most every 50 ms.
    h.connections.push_back(QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, [] {
        static QElapsedTimer last;
        if (last.isValid() && last.elapsed() < 50)
            return;
        last.start();
        syncAll(false);
    }));
}

void removeActionHooks()
{
    action::setHooks({});
    for (const QMetaObject::Connection &c : hooked().connections)
        QObject::disconnect(c);
    hooked().connections.clear();
}

void setCommitErrorHandler(std::function<void(const QString &)> handler)
{
    hooked().onCommitError = std::move(handler);
}

} // namespace store
