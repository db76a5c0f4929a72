#include "TestDoubles.h"

#include "common/Exception.h"
#include "common/Module.h"

#include <windows.h>

namespace svcgate::test {

namespace {

void SetText(HKEY root, const std::wstring& path, const std::wstring& name,
             const std::wstring& value) {
    CheckWin32Result(RegSetKeyValueW(root, path.c_str(), name.c_str(), REG_SZ, value.c_str(),
                                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))));
}

} // namespace

void RegisterEmulatedToken() {
    const std::wstring provider = L"Software\\Microsoft\\Cryptography\\Defaults\\Provider\\"
                                  L"eToken Base Cryptographic Provider";
    const std::wstring program = ThisModulePath();
    SetText(HKEY_LOCAL_MACHINE, provider, L"Image Path",
            program.substr(0, program.find_last_of(L'\\')) + L"\\etoken-csp.dll");
    const DWORD fullRsa = PROV_RSA_FULL;
    CheckWin32Result(RegSetKeyValueW(HKEY_LOCAL_MACHINE, provider.c_str(), L"Type", REG_DWORD,
                                     &fullRsa, sizeof fullRsa));
}

void SetToken(const std::wstring& reader, const std::wstring& pin) {
    SetText(HKEY_CURRENT_USER, L"Software\\SvcGate\\TestToken", L"Reader", reader);
    SetText(HKEY_CURRENT_USER, L"Software\\SvcGate\\TestToken", L"PIN", pin);
}

void SetReaders(const std::vector<ReaderSetting>& readers) {
    const wchar_t* key = L"Software\\SvcGate\\TestReaders";
    const LONG status = RegDeleteTreeW(HKEY_CURRENT_USER, key);
    if (status != ERROR_FILE_NOT_FOUND)
        CheckWin32Result(status);
    for (const ReaderSetting& reader : readers)
        SetText(HKEY_CURRENT_USER, key, reader.name, reader.card);
}

} // namespace svcgate::test
