// Where an error stops: a handler the toolkit calls (a button's click, a
// list's choice, an event filter) must not let it run back through Qt's
// dispatch. The guard ends the handler, undoes the action's writes and shows
// the error in the standard error box; the program goes on.
//
// One failure, one box: while a failure box is up no other one opens, and a
// failure that a timer, a repaint or a posted call meets after a box was shown
// is not reported again until the user starts something.
#pragma once

#include <QObject>
#include <QString>

#include <exception>
#include <functional>
#include <type_traits>

namespace ui {

// The text an error is reported with: the record layer's own text, or what
// any other error says.
QString errorText(const std::exception &e);

// The standard error box for a caught error.
void showError(const std::exception &e);

// Runs handler; an error it raises is reported as above. True when the
// handler ran to its end.
bool guarded(const std::function<void()> &handler);

// For code that must not open a box where it runs (a model read during a
// repaint, a control following its dataset from a signal): the failure is
// reported once, later, as an action of its own.
void reportLater(const QString &text);
// Runs fn; an error it raises is reported later (as above). True when fn ran
// to its end.
bool quietly(const std::function<void()> &fn);

namespace detail {

// Calls a member of receiver, or any callable, with the signal's arguments
// when it takes them and with none otherwise.
template <typename Handler, typename Receiver, typename... Args>
void callHandler(const Handler &handler, Receiver *receiver, const Args &...args)
{
    if constexpr (std::is_member_function_pointer_v<Handler>) {
        if constexpr (std::is_invocable_v<Handler, Receiver *, const Args &...>)
            std::invoke(handler, receiver, args...);
        else
            std::invoke(handler, receiver);
    } else if constexpr (std::is_invocable_v<const Handler &, const Args &...>) {
        std::invoke(handler, args...);
    } else {
        std::invoke(handler);
    }
}

} // namespace detail

// connect() for a window's handlers: handler (a member function of receiver,
// or a callable) runs through the guard. The connection ends with receiver.
template <typename Sender, typename Signal, typename Receiver, typename Handler>
QMetaObject::Connection connectGuarded(Sender *sender, Signal signal, Receiver *receiver, Handler handler)
{
    return QObject::connect(sender, signal, receiver, [receiver, handler](const auto &...args) {
        guarded([&] { detail::callHandler(handler, receiver, args...); });
    });
}

} // namespace ui
