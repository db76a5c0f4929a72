#pragma once
// Reference counting and interface query for every COM object of ours: the
// class factory, the driver object and the test doubles.

#include "common/ComServer.h"

namespace svcgate {

// An object that implements `Interface` (and IUnknown through it). It starts
// with one reference, which belongs to whoever created it: wrap `new` in a
// com_ptr at once. While it lives it keeps its module loaded.
template <class Interface> class ComObject : public Interface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != __uuidof(Interface))
            return E_NOINTERFACE;
        *object = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG remaining = InterlockedDecrement(&references_);
        if (remaining == 0) {
            FinalRelease();
            delete this;
        }
        return remaining;
    }

protected:
    ComObject() { ModuleObjectCreated(); }
    virtual ~ComObject() { ModuleObjectDestroyed(); }
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;
    // Runs as the last reference goes, while the derived parts still exist.
    // Nothing may leave it: it runs inside the caller's Release.
    virtual void FinalRelease() noexcept {}

private:
    LONG references_ = 1;
};

} // namespace svcgate
