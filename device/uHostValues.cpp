#include "device/uHostValues.h"

#include "common/Text.h"
#include "common/Variants.h"

namespace svcgate {

namespace {

unique_variant ParamElement(const VARIANT& array, long index) {
    return GetElement(ArrayOf(array), index);
}

} // namespace

bool ParamIsSet(const VARIANT& array, long index) {
    SAFEARRAY* elements = ArrayOf(array);
    if (!elements || UpperBound(elements) < index)
        return false;
    const VARTYPE type = GetElement(elements, index).vt();
    return type != VT_EMPTY && type != VT_NULL;
}

std::wstring GetParamStr(const VARIANT& array, long index, const std::wstring& defaultValue) {
    return ParamIsSet(array, index) ? VariantToText(ParamElement(array, index).get())
                                    : defaultValue;
}

std::int32_t GetParamInt(const VARIANT& array, long index, std::int32_t defaultValue) {
    return ParamIsSet(array, index) ? VariantToInt(ParamElement(array, index).get()) : defaultValue;
}

double GetParamFloat(const VARIANT& array, long index, double defaultValue) {
    return ParamIsSet(array, index) ? VariantToDouble(ParamElement(array, index).get())
                                    : defaultValue;
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
        return MakeBoolVariant(SameText(text, L"True"));
    case dtString:
        break;
    }
    return typed;
}

} // namespace svcgate
