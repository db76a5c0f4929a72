#pragma once
// What every settings window shares: message boxes, the hourglass, and the
// guard that keeps an error inside a window procedure.

#include "common/Exception.h"

#include <windows.h>

#include <optional>
#include <string>

namespace svcgate {

std::wstring WindowText(HWND window);
// A pixel length for a length in dialog units of this dialog's font, so that
// what is laid out in code scales with the system font as the template does.
int DialogUnitsToPixels(HWND dialog, int units, bool vertical = false);

void ShowErrorBox(HWND owner, const std::wstring& text);
void ShowInformationBox(HWND owner, const std::wstring& text);

// The hourglass for as long as it lives, then the cursor that was there before.
class TWaitCursor {
public:
    TWaitCursor();
    ~TWaitCursor();
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;

private:
    HCURSOR FPrevious;
};

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

// Runs a handler of a window message; an error it raises is shown to the user
// in an error box over `window` and the message counts as handled.
template <class Handler> INT_PTR Guarded(HWND window, Handler&& handler) noexcept {
    try {
        return handler();
    } catch (const std::exception& error) {
        try {
            ShowErrorBox(window, MessageOf(error));
        } catch (...) {
        }
        return TRUE;
    }
}

} // namespace svcgate
