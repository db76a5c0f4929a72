#pragma once
// The in-process server side of a module that serves one automation class: its
// class factory, the count of objects that keep the module loaded, and the
// class and ProgID entries of its registration.

#include "common/Owners.h"

#include <string>

namespace svcgate {

struct ComClass {
    CLSID ClassID;
    std::wstring ProgID;
    std::wstring Description;
    // Makes a new object; each creation request gets its own.
    com_ptr<IUnknown> (*Create)();
};

// Objects of this module alive now; the module must stay loaded while any is.
void ModuleObjectCreated();
void ModuleObjectDestroyed();

// What the module's entry points answer.
HRESULT ServeClassObject(const ComClass& served, REFCLSID clsid, REFIID iid, void** object);
HRESULT ModuleCanUnloadNow();
// The entries go among the machine's classes, or with `root` HKEY_CURRENT_USER
// among the current user's, which needs no administrator (Wine's ProgID lookup
// sees only the machine's).
HRESULT RegisterComClass(const ComClass& served, HKEY root = HKEY_LOCAL_MACHINE);
// Removes exactly what registration wrote in that scope and this module's
// registry view; the ProgID, which both views share, stays while the module of
// the other bitness is registered.
HRESULT UnregisterComClass(const ComClass& served, HKEY root = HKEY_LOCAL_MACHINE);

} // namespace svcgate

// The standard entry points of a module that serves the one class `served`.
#define SVCGATE_COM_SERVER_ENTRY_POINTS(served)                                                    \
    STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {                         \
        return svcgate::ServeClassObject(served, clsid, iid, object);                              \
    }                                                                                              \
    STDAPI DllCanUnloadNow() {                                                                     \
        return svcgate::ModuleCanUnloadNow();                                                      \
    }                                                                                              \
    STDAPI DllRegisterServer() {                                                                   \
        return svcgate::RegisterComClass(served);                                                  \
    }                                                                                              \
    STDAPI DllUnregisterServer() {                                                                 \
        return svcgate::UnregisterComClass(served);                                                \
    }
