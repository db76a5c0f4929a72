#include "common/ComServer.h"

#include "common/ComObject.h"

#include "common/Exception.h"
#include "common/Module.h"

#include <olectl.h>

#include <atomic>

namespace svcgate {

namespace {

std::atomic<long> liveObjects{0};
std::atomic<long> serverLocks{0};

constexpr const wchar_t* ClassesKey = L"Software\\Classes\\";

// On 64-bit Windows the class keys of a 32-bit module live in the 32-bit
// registry view (under Wow6432Node) and those of a 64-bit module in the 64-bit
// one, while the ProgID key is one for both. 32-bit Windows has one view and
// ignores the flag.
constexpr REGSAM OtherView = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;

class ClassFactory final : public ComObject<IClassFactory> {
public:
    explicit ClassFactory(const ComClass& served) : served_(served) {}

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        try {
            return served_.Create()->QueryInterface(iid, object);
        } catch (...) {
            return ResultFromCaughtException();
        }
    }

    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        lock ? ++serverLocks : --serverLocks;
        return S_OK;
    }

private:
    const ComClass& served_;
};

std::wstring ClassIdText(const ComClass& served) {
    wchar_t text[40] = {};
    StringFromGUID2(served.ClassID, text, 40);
    return text;
}

std::wstring ProgIdKey(const ComClass& served) {
    return ClassesKey + served.ProgID;
}

std::wstring ClassKey(const ComClass& served) {
    return std::wstring(ClassesKey) + L"CLSID\\" + ClassIdText(served);
}

void SetText(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    unique_hkey key;
    CheckWin32Result(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                     key.put(), nullptr));
    const auto size = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    CheckWin32Result(RegSetValueExW(key.get(), name, 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(value.c_str()), size));
}

bool KeyExists(HKEY root, const std::wstring& path, REGSAM view) {
    unique_hkey key;
    return RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE | view, key.put()) == ERROR_SUCCESS;
}

void DeleteTree(HKEY root, const std::wstring& path) {
    const LONG status = RegDeleteTreeW(root, path.c_str());
    if (status != ERROR_FILE_NOT_FOUND)
        CheckWin32Result(status);
}

} // namespace

void ModuleObjectCreated() {
    ++liveObjects;
}

void ModuleObjectDestroyed() {
    --liveObjects;
}

HRESULT ServeClassObject(const ComClass& served, REFCLSID clsid, REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (clsid != served.ClassID)
        return CLASS_E_CLASSNOTAVAILABLE;
    com_ptr<IClassFactory> factory(new (std::nothrow) ClassFactory(served));
    if (!factory)
        return E_OUTOFMEMORY;
    return factory->QueryInterface(iid, object);
}

HRESULT ModuleCanUnloadNow() {
    return liveObjects == 0 && serverLocks == 0 ? S_OK : S_FALSE;
}

HRESULT RegisterComClass(const ComClass& served, HKEY root) {
    try {
        const std::wstring classId = ClassIdText(served);
        SetText(root, ProgIdKey(served), nullptr, served.Description);
        SetText(root, ProgIdKey(served) + L"\\CLSID", nullptr, classId);
        SetText(root, ClassKey(served), nullptr, served.Description);
        SetText(root, ClassKey(served) + L"\\ProgID", nullptr, served.ProgID);
        SetText(root, ClassKey(served) + L"\\InprocServer32", nullptr, ThisModulePath());
        SetText(root, ClassKey(served) + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
        return S_OK;
    } catch (...) {
        return ResultFromCaughtException(SELFREG_E_CLASS);
    }
}

HRESULT UnregisterComClass(const ComClass& served, HKEY root) {
    try {
        DeleteTree(root, ClassKey(served));
        // The module of the other bitness still needs the ProgID it shares.
        if (!KeyExists(root, ClassKey(served), OtherView))
            DeleteTree(root, ProgIdKey(served));
        return S_OK;
    } catch (...) {
        return ResultFromCaughtException(SELFREG_E_CLASS);
    }
}

} // namespace svcgate
