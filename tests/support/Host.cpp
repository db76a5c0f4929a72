#include "Host.h"

#include "common/Exception.h"
#include "common/Variants.h"

#include <gtest/gtest.h>

namespace svcgate::test {

unique_variant Ref(unique_variant& variable) {
    return MakeReference(VT_VARIANT, variable.addressof());
}

unique_variant I2(short value) {
    unique_variant result;
    V_VT(result.addressof()) = VT_I2;
    V_I2(result.addressof()) = value;
    return result;
}

std::int32_t ErrorCode(const unique_variant& outData) {
    return VariantToInt(GetElement(ArrayOf(outData.get()), 0).get());
}

std::wstring ErrorText(const unique_variant& outData) {
    return VariantToText(GetElement(ArrayOf(outData.get()), 1).get());
}

DISPID DispIdOf(IDispatch* object, const std::wstring& name) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name.c_str())};
    DISPID id = DISPID_UNKNOWN;
    object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    return id;
}

CallResult Call(IDispatch* object, DISPID dispId, std::vector<unique_variant> arguments,
                WORD flags) {
    InvokeOutcome outcome = InvokeDispId(object, dispId, flags, std::move(arguments));
    return {outcome.hr, std::move(outcome.result), outcome.scode, outcome.description.str(),
            outcome.source.str()};
}

CallResult Call(IDispatch* object, const std::wstring& name, std::vector<unique_variant> arguments,
                WORD flags) {
    return Call(object, DispIdOf(object, name), std::move(arguments), flags);
}

bool CallPublic(IDispatch* object, const std::wstring& name, const VARIANT& InData,
                unique_variant& OutData) {
    CallResult call =
        Call(object, name, Args(unique_variant::copy_of(InData), Ref(OutData), I2(0)));
    EXPECT_EQ(call.hr, S_OK) << "calling " << std::string(name.begin(), name.end());
    return call.result.vt() == VT_BOOL && V_BOOL(call.result.addressof()) != VARIANT_FALSE;
}

} // namespace svcgate::test
