#include "clients/HostCalls.h"

#include "common/Variants.h"

#include <optional>

namespace svcgate::test {

namespace {

std::optional<unique_variant> ElementOf(const unique_variant& OutData, long index) {
    SAFEARRAY* array = ArrayOf(OutData.get());
    if (!array || SafeArrayGetDim(array) != 1 || index < LowerBound(array) ||
        index > UpperBound(array))
        return std::nullopt;
    return GetElement(array, index);
}

} // namespace

unique_variant Ref(unique_variant& variable) {
    return MakeReference(VT_VARIANT, variable.addressof());
}

unique_variant I2(short value) {
    unique_variant result;
    V_VT(result.addressof()) = VT_I2;
    V_I2(result.addressof()) = value;
    return result;
}

std::vector<unique_variant> EquipmentArguments(unique_variant InData, unique_variant& OutData) {
    return Args(std::move(InData), Ref(OutData), I2(0));
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

bool AnsweredTrue(const unique_variant& result) {
    return result.vt() == VT_BOOL && V_BOOL(&result.get()) != VARIANT_FALSE;
}

std::int32_t ErrorCode(const unique_variant& OutData) {
    const std::optional<unique_variant> code = ElementOf(OutData, 0);
    const std::optional<unique_variant> number =
        code ? TryConvertVariant(code->get(), VT_I4) : std::nullopt;
    return number ? V_I4(&number->get()) : -1;
}

std::wstring ErrorText(const unique_variant& OutData) {
    return OutElement(OutData, 1);
}

std::wstring OutElement(const unique_variant& OutData, long index) {
    const std::optional<unique_variant> element = ElementOf(OutData, index);
    return element ? VariantToText(element->get()) : std::wstring();
}

} // namespace svcgate::test
