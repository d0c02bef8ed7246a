// Where an error stops: a handler the toolkit calls (a button's click, a
// list's choice, an event filter) must not let it run back through Qt's
// dispatch. The guard ends the handler, undoes the action's writes and shows
// the error in the standard error box; the program goes on.
#pragma once

#include <QObject>

#include <exception>
#include <functional>
#include <type_traits>

namespace ui {

// The standard error box for a caught error: the record layer's own text, or
// what any other error says.
void showError(const std::exception &e);

// Runs handler; an error it raises is reported as above. True when the
// handler ran to its end.
bool guarded(const std::function<void()> &handler);

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
