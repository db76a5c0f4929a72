#include "device/uHostValues.h"

#include "common/Text.h"
#include "common/Variants.h"

namespace svcgate {

namespace {

bool HasElement(SAFEARRAY* elements, long index) {
    return IsVariantArray(elements) && index >= LowerBound(elements) &&
           index <= UpperBound(elements);
}

template <class T, class Convert>
std::optional<T> ParamOrDefault(const VARIANT& array, long index, T defaultValue, Convert convert) {
    if (!ParamIsSet(array, index))
        return defaultValue;
    return convert(GetElement(ArrayOf(array), index).get());
}

} // namespace

std::optional<unique_variant> GetParam(const VARIANT& array, long index) {
    SAFEARRAY* elements = ArrayOf(array);
    if (!HasElement(elements, index))
        return std::nullopt;
    return GetElement(elements, index);
}

std::optional<std::wstring> ValueText(const VARIANT& value) {
    std::optional<unique_variant> text = TryConvertVariant(value, VT_BSTR);
    if (!text)
        return std::nullopt;
    return VariantToText(text->get());
}

std::optional<std::int32_t> ValueInt(const VARIANT& value) {
    std::optional<unique_variant> number = TryConvertVariant(value, VT_I4);
    if (!number)
        return std::nullopt;
    return V_I4(number->addressof());
}

std::optional<double> ValueFloat(const VARIANT& value) {
    std::optional<unique_variant> number = TryConvertVariant(value, VT_R8);
    if (!number)
        return std::nullopt;
    return V_R8(number->addressof());
}

bool ParamIsSet(const VARIANT& array, long index) {
    SAFEARRAY* elements = ArrayOf(array);
    if (!HasElement(elements, index))
        return false;
    const VARTYPE type = GetElement(elements, index).vt();
    return type != VT_EMPTY && type != VT_NULL;
}

std::optional<std::wstring> GetParamStr(const VARIANT& array, long index,
                                        const std::wstring& defaultValue) {
    return ParamOrDefault(array, index, defaultValue, ValueText);
}

std::optional<std::int32_t> GetParamInt(const VARIANT& array, long index,
                                        std::int32_t defaultValue) {
    return ParamOrDefault(array, index, defaultValue, ValueInt);
}

std::optional<double> GetParamFloat(const VARIANT& array, long index, double defaultValue) {
    return ParamOrDefault(array, index, defaultValue, ValueFloat);
}

void GetParams(const VARIANT& array, const std::vector<unique_variant*>& variables) {
    SAFEARRAY* elements = ArrayOf(array);
    const long count = ElementCount(elements);
    for (long k = 0; k < static_cast<long>(variables.size()); ++k)
        *variables[k] = k < count ? GetElement(elements, k) : unique_variant();
}

std::wstring DataTypeName(TDataType type) {
    switch (type) {
    case dtNumber:
        return L"Number";
    case dtString:
        return L"String";
    case dtDateTime:
        return L"Date";
    case dtBoolean:
        return L"Boolean";
    }
    return L"";
}

unique_variant TextToSettingValue(TDataType type, const std::wstring& text) {
    unique_variant typed = MakeVariant(text);
    switch (type) {
    case dtNumber:
        return TryConvertVariant(typed.get(), VT_R8).value_or(MakeVariant(0.0));
    case dtDateTime:
        return TryConvertVariant(typed.get(), VT_DATE).value_or(std::move(typed));
    case dtBoolean:
        return MakeBoolVariant(SameText(text, BooleanTrueText));
    case dtString:
        break;
    }
    return typed;
}

} // namespace svcgate
