#pragma once
// A small automation object whose handlers the tests steer.

#include "common/Variants.h"
#include "frame/uCOMSupport.h"

#include <functional>

namespace svcgate::test {

class TestObject : public TBaseObject {
public:
    int publicRuns = 0;
    std::int32_t lastTimeOut = -1;
    std::function<std::int32_t(const VARIANT& InData, unique_variant& OutData,
                               std::wstring& description)>
        publicBehaviour = [](const VARIANT&, unique_variant&, std::wstring&) { return 0; };
    std::function<unique_variant(SAFEARRAY*)> privateBehaviour = [](SAFEARRAY*) {
        return MakeBoolVariant(true);
    };

    using TBaseObject::AddSetting;
    using TBaseObject::FDebugLogDir;
    using TBaseObject::RegisterPrivateMethod;
    using TBaseObject::RegisterPublicMethod;

    void Initialize() override {
        TBaseObject::Initialize();
        RegisterPublicMethod(L"Run", [this](const VARIANT& InData, unique_variant& OutData,
                                            std::int32_t TimeOut, std::wstring& description) {
            ++publicRuns;
            lastTimeOut = TimeOut;
            return publicBehaviour(InData, OutData, description);
        });
        RegisterPrivateMethod(L"Poke",
                              [this](SAFEARRAY* params) { return privateBehaviour(params); });
    }
};

} // namespace svcgate::test
