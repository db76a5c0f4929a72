#pragma once
// A step that must run after another whether or not that one raised an error.

#include <optional>

namespace svcgate {

// Runs `body`, then `always` whether or not `body` raised an error; `body`'s
// error travels on afterwards.
template <class Body, class Always> auto WithFinally(Body&& body, Always&& always) {
    std::optional<decltype(body())> result;
    try {
        result = body();
    } catch (...) {
        always();
        throw;
    }
    always();
    return *result;
}

} // namespace svcgate
