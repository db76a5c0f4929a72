#include "common/Exception.h"

#include "common/CommonTexts.h"
#include "common/Owners.h"
#include "common/Text.h"

#include <new>

namespace svcgate {

Exception::Exception(std::wstring message)
    : std::runtime_error(WideToUtf8(message)), message_(std::move(message)) {}

std::wstring MessageOf(const std::exception& error) {
    if (const auto* own = dynamic_cast<const Exception*>(&error))
        return own->Message();
    return AnsiToWide(error.what());
}

namespace {

// The message of `code` in the table of `source`, or in the system's when null.
std::wstring FormattedMessage(DWORD code, HMODULE source) {
    unique_hlocal buffer;
    const DWORD from = source ? FORMAT_MESSAGE_FROM_HMODULE : FORMAT_MESSAGE_FROM_SYSTEM;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | from | FORMAT_MESSAGE_IGNORE_INSERTS, source, code, 0,
        reinterpret_cast<LPWSTR>(buffer.put_as<wchar_t>()), 0, nullptr);
    std::wstring text = length ? std::wstring(static_cast<wchar_t*>(buffer.get()), length) : L"";
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    return text;
}

} // namespace

std::wstring SystemErrorMessage(DWORD code, HMODULE source) {
    std::wstring text = source ? FormattedMessage(code, source) : L"";
    if (text.empty())
        text = FormattedMessage(code, nullptr);
    if (text.empty())
        text = FormatText(CommonTexts::SystemError, static_cast<unsigned>(code));
    return text;
}

void CheckHResult(HRESULT hr) {
    if (FAILED(hr))
        throw Exception(SystemErrorMessage(static_cast<DWORD>(hr)));
}

HRESULT ResultFromCaughtException(HRESULT otherwise) noexcept {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return otherwise;
    }
}

void RaiseLastOSError() {
    throw Exception(SystemErrorMessage(GetLastError()));
}

void CheckWin32Result(DWORD code) {
    if (code != ERROR_SUCCESS)
        throw Exception(SystemErrorMessage(code));
}

void CheckWin32(BOOL succeeded) {
    if (!succeeded)
        RaiseLastOSError();
}

} // namespace svcgate
