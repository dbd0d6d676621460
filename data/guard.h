#pragma once
#include <QString>
#include <functional>
#include <tuple>
#include <type_traits>
#include <utility>

// Exceptions must never cross Qt's event loop: a throw out of a slot or an
// event handler unwinds through Qt frames that were not built for it. Every
// handler the program connects runs inside Guarded(), which catches what its
// work throws, shows the one error box and returns. Nothing after the throw in
// that handler runs, so a refused value stops the save that was under way.
namespace Guard {

// The text of the exception being handled (DbError, AppError, std::exception).
QString CurrentExceptionText();

// Where caught failures are shown. The application installs its error box;
// without one they go to the log, so widget-free code and tests stay quiet.
void SetReporter(std::function<void(const QString&)> reporter);
void Report(const QString& text);

// Runs work; true when it finished, false when it threw (and was reported).
template <class F>
bool Run(F&& work) {
    try {
        std::forward<F>(work)();
        return true;
    } catch (...) {
        Report(CurrentExceptionText());
        return false;
    }
}

} // namespace Guard

namespace Guard::detail {
template <class F, class Tuple, std::size_t... I>
constexpr bool takes(std::index_sequence<I...>) {
    return std::is_invocable_v<F&, std::tuple_element_t<I, Tuple>&...>;
}

// Calls f with the longest leading part of the arguments it accepts, as Qt
// does for a slot that takes fewer arguments than its signal sends.
template <std::size_t N, class F, class Tuple>
void callWithLeading(F& f, Tuple& args) {
    if constexpr (takes<F, Tuple>(std::make_index_sequence<N>{})) {
        [&]<std::size_t... I>(std::index_sequence<I...>) { f(std::get<I>(args)...); }(std::make_index_sequence<N>{});
    } else {
        static_assert(N > 0, "the slot body cannot take the signal's arguments");
        if constexpr (N > 0) callWithLeading<N - 1>(f, args);
    }
}
} // namespace Guard::detail

// A slot body that cannot throw into Qt: connect(b, &QPushButton::clicked,
// this, Guarded([this] { save(); })). Like a plain slot, the body may take
// fewer arguments than the signal sends (none for clicked(bool)).
template <class F>
auto Guarded(F work) {
    return [work = std::move(work)](auto&&... args) mutable {
        Guard::Run([&] {
            auto all = std::forward_as_tuple(args...);
            Guard::detail::callWithLeading<sizeof...(args)>(work, all);
        });
    };
}
