// Handlers that run through a window's error guard: the one way the windows connect
// their controls, table links and menu entries to their handler methods.
#pragma once

#include "widgets/ErrorGuard.h"

#include <QObject>
#include <functional>
#include <tuple>
#include <type_traits>
#include <utility>

namespace veltra {

namespace detail {

template <typename Receiver, typename Handler, typename Tuple, std::size_t... I>
constexpr bool CanCall(std::index_sequence<I...>)
{
    if constexpr (std::is_member_function_pointer_v<Handler>)
        return std::is_invocable_v<Handler&, Receiver*, std::tuple_element_t<I, Tuple>&...>;
    else
        return std::is_invocable_v<Handler&, std::tuple_element_t<I, Tuple>&...>;
}

/// Calls a handler with the longest leading part of the signal's arguments it takes, as
/// Qt does for slots: all of them, or the first few, or none. A handler is a member
/// function of the receiver or any other callable.
template <std::size_t N, typename Receiver, typename Handler, typename Tuple>
void InvokeHandler(Receiver* receiver, Handler& handler, Tuple& args)
{
    if constexpr (CanCall<Receiver, Handler, Tuple>(std::make_index_sequence<N>{})) {
        [&]<std::size_t... I>(std::index_sequence<I...>)
        {
            if constexpr (std::is_member_function_pointer_v<Handler>)
                std::invoke(handler, receiver, std::get<I>(args)...);
            else
                std::invoke(handler, std::get<I>(args)...);
        }
        (std::make_index_sequence<N>{});
    } else {
        static_assert(N > 0, "the handler takes no leading part of the signal's arguments");
        if constexpr (N > 0)
            InvokeHandler<N - 1>(receiver, handler, args);
    }
}

/// The slot for a signal R (C::*)(A...): takes exactly the signal's arguments, so Qt
/// passes every one of them.
template <typename Signal> struct GuardedSlot;
template <typename C, typename R, typename... A> struct GuardedSlot<R (C::*)(A...)>
{
    template <typename Receiver, typename Handler>
    static auto make(Receiver* receiver, Handler handler)
    {
        return [receiver, handler](A... args) mutable {
            std::tuple<A...> arguments(args...);
            receiver->Guard().run(
                [&] { InvokeHandler<sizeof...(A)>(receiver, handler, arguments); });
        };
    }
};

} // namespace detail

/// Connects sender's signal to a handler of receiver that runs through
/// receiver->Guard(): an error the handler throws ends in the general error message
/// and never reaches the event loop. The handler is a member function of the receiver
/// (taking the signal's arguments or none) or a callable.
template <typename Sender, typename Signal, typename Receiver, typename Handler>
QMetaObject::Connection ConnectGuarded(Sender* sender, Signal signal, Receiver* receiver,
                                       Handler handler)
{
    return QObject::connect(sender, signal, receiver,
                            detail::GuardedSlot<Signal>::make(receiver, handler));
}

/// A handler of receiver as a plain function that runs through receiver->Guard(), for
/// the links of tables, which call one function rather than emit a signal.
template <typename Receiver, typename Handler>
std::function<void()> Guarded(Receiver* receiver, Handler handler)
{
    return [receiver, handler]() mutable {
        std::tuple<> none;
        receiver->Guard().run([&] { detail::InvokeHandler<0>(receiver, handler, none); });
    };
}

} // namespace veltra
