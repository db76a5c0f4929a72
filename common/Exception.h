#pragma once
// The one class of unexpected failures. Expected failures are result codes instead.

#include <windows.h>

#include <stdexcept>
#include <string>

namespace svcgate {

class Exception : public std::runtime_error {
public:
    explicit Exception(std::wstring message);
    const std::wstring& Message() const { return message_; }
    // The class name the host sees as the source of an automation exception.
    static constexpr const wchar_t* ClassName = L"Exception";

private:
    std::wstring message_;
};

// The message of any error: an Exception's own, or a standard error's text.
std::wstring MessageOf(const std::exception& error);

// The platform's own text for a system error code or an HRESULT.
// `source`, when given, is a module whose own message table is read first (WinHTTP
// keeps the texts of its codes in its module).
std::wstring SystemErrorMessage(DWORD code, HMODULE source = nullptr);

// Turns a failed HRESULT into an Exception carrying the platform's message.
void CheckHResult(HRESULT hr);
// The other way, at a COM boundary no C++ error may cross (call it only in a
// catch block): E_OUTOFMEMORY for an allocation that failed, else `otherwise`.
HRESULT ResultFromCaughtException(HRESULT otherwise = E_UNEXPECTED) noexcept;
// Raises the calling thread's last system error as an Exception.
[[noreturn]] void RaiseLastOSError();
// Raises the last system error when a platform call reported failure.
void CheckWin32(BOOL succeeded);
// Raises a system error code that a platform call returned (registry, security).
void CheckWin32Result(DWORD code);

} // namespace svcgate
