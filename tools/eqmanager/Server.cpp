// The module's entry points: one class factory for the stand-in, and its
// registration among the machine's classes: Wine looks classes up only there,
// not among the current user's.

#include "tools/eqmanager/EqManager.h"

#include "common/Exception.h"
#include "common/Module.h"

#include <olectl.h>

namespace {

using namespace svcgate;

// {C495FEF2-DFC8-452A-80ED-48388F22D42F}
constexpr CLSID ClassId = {
    0xc495fef2, 0xdfc8, 0x452a, {0x80, 0xed, 0x48, 0x38, 0x8f, 0x22, 0xd4, 0x2f}};
constexpr const wchar_t* ClassIdText = L"{C495FEF2-DFC8-452A-80ED-48388F22D42F}";
constexpr const wchar_t* Description = L"SvcGate test equipment manager";
constexpr const wchar_t* ClassesKey = L"Software\\Classes\\";

LONG serverLocks = 0;

class ClassFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object)
            return E_POINTER;
        *object = iid == IID_IUnknown || iid == IID_IClassFactory ? this : nullptr;
        return *object ? S_OK : E_NOINTERFACE;
    }
    // The one factory lives as long as the module does.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        try {
            return tools::CreateEqManager()->QueryInterface(iid, object);
        } catch (const std::exception&) {
            return E_OUTOFMEMORY;
        }
    }

    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock)
            InterlockedIncrement(&serverLocks);
        else
            InterlockedDecrement(&serverLocks);
        return S_OK;
    }
};

ClassFactory factory;

void CheckRegistry(LONG status) {
    CheckHResult(HRESULT_FROM_WIN32(status));
}

void SetText(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    unique_hkey key;
    CheckRegistry(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, key.put(), nullptr));
    const auto size = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    CheckRegistry(RegSetValueExW(key.get(), name, 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(value.c_str()), size));
}

std::wstring ProgIdKey() {
    return std::wstring(ClassesKey) + tools::EqManagerProgId;
}
std::wstring ClassKey() {
    return std::wstring(ClassesKey) + L"CLSID\\" + ClassIdText;
}

void Register() {
    SetText(ProgIdKey(), nullptr, Description);
    SetText(ProgIdKey() + L"\\CLSID", nullptr, ClassIdText);
    SetText(ClassKey(), nullptr, Description);
    SetText(ClassKey() + L"\\ProgID", nullptr, tools::EqManagerProgId);
    SetText(ClassKey() + L"\\InprocServer32", nullptr, ThisModulePath());
    SetText(ClassKey() + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
}

void DeleteTree(const std::wstring& path) {
    const LONG status = RegDeleteTreeW(HKEY_LOCAL_MACHINE, path.c_str());
    if (status != ERROR_FILE_NOT_FOUND)
        CheckRegistry(status);
}

} // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (clsid != ClassId)
        return CLASS_E_CLASSNOTAVAILABLE;
    return factory.QueryInterface(iid, object);
}

STDAPI DllCanUnloadNow() {
    return svcgate::tools::LiveEqManagers() == 0 && serverLocks == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
    try {
        Register();
        return S_OK;
    } catch (const std::exception&) {
        return SELFREG_E_CLASS;
    }
}

STDAPI DllUnregisterServer() {
    try {
        DeleteTree(ProgIdKey());
        DeleteTree(ClassKey());
        return S_OK;
    } catch (const std::exception&) {
        return SELFREG_E_CLASS;
    }
}
