#include "common/Module.h"

#include "common/Exception.h"

#include <vector>

namespace svcgate {

HMODULE ThisModule() {
    HMODULE module = nullptr;
    CheckWin32(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                      GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                  reinterpret_cast<LPCWSTR>(&ThisModule), &module));
    return module;
}

std::wstring ThisModulePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(ThisModule(), buffer.data(), buffer.size());
        if (length == 0)
            RaiseLastOSError();
        if (length < buffer.size())
            return std::wstring(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring LoadModuleString(UINT id) {
    const wchar_t* text = nullptr;
    const int length = LoadStringW(ThisModule(), id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

} // namespace svcgate
