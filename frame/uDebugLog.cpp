#include "frame/uDebugLog.h"

#include "common/Exception.h"
#include "common/Text.h"
#include "common/Variants.h"
#include "frame/uDebugLogTexts.h"

#include <vector>

namespace svcgate {

namespace {

std::wstring TextLogText(const VARIANT& value) {
    return L"'" + ReplaceAll(VariantToText(value), L"\r\n", L"\\n") + L"'";
}

// Eight upper-case digits on 32-bit Windows, as many as a pointer has elsewhere.
std::wstring InterfaceLogText(const void* address) {
    return FormatText(L"$%0*llX", static_cast<int>(2 * sizeof(address)),
                      static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(address)));
}

unique_variant ArrayElement(SAFEARRAY* array, std::vector<long>& indices) {
    VARTYPE type = VT_VARIANT;
    if (!HoldsVariants(array))
        CheckHResult(SafeArrayGetVartype(array, &type));
    unique_variant element;
    if (type == VT_VARIANT) {
        CheckHResult(SafeArrayGetElement(array, indices.data(), element.addressof()));
    } else if (type != VT_RECORD && type != VT_DECIMAL) {
        // Every other element type fits the value union of a VARIANT.
        CheckHResult(SafeArrayGetElement(array, indices.data(), &V_I8(element.addressof())));
        V_VT(element.addressof()) = type;
    }
    return element;
}

// A group holds the elements of the first dimension, or one group of the next
// lower dimension for each index of a higher one.
std::wstring ArrayGroup(SAFEARRAY* array, std::vector<long>& indices, UINT dimension) {
    std::wstring text = L"(";
    const long lower = LowerBound(array, dimension), upper = UpperBound(array, dimension);
    for (long i = lower; i <= upper; ++i) {
        indices[dimension - 1] = i;
        if (dimension > 1) {
            text += ArrayGroup(array, indices, dimension - 1);
            continue;
        }
        if (i > lower)
            text += L"; ";
        text += LogText(ArrayElement(array, indices).get());
    }
    return text + L")";
}

std::wstring ScalarLogText(const VARIANT& value) {
    switch (V_VT(&value)) {
    case VT_EMPTY:
        return DebugLogTexts::EmptyValue;
    case VT_NULL:
        return DebugLogTexts::NullValue;
    case VT_I2:
    case VT_I4:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
        return VariantToText(value);
    case VT_BSTR:
        return TextLogText(value);
    case VT_DISPATCH:
    case VT_UNKNOWN:
        return InterfaceLogText(V_UNKNOWN(&value));
    case VT_BOOL:
        return V_BOOL(&value) ? BooleanTrueText : BooleanFalseText;
    case VT_UI1:
        return AnsiToWide(std::string(1, static_cast<char>(V_UI1(&value))));
    default:
        return L"";
    }
}

} // namespace

std::wstring LogText(SAFEARRAY* array) {
    if (!array || SafeArrayGetDim(array) == 0)
        return DebugLogTexts::EmptyValue;
    const UINT dimensions = SafeArrayGetDim(array);
    std::vector<long> indices(dimensions);
    return L"[" + ArrayGroup(array, indices, dimensions) + L"]";
}

std::wstring LogText(const VARIANT& value) {
    if (IsArray(value))
        return LogText(ArrayOf(value));
    if (V_VT(&value) & VT_BYREF) {
        unique_variant plain;
        CheckHResult(VariantCopyInd(plain.addressof(), const_cast<VARIANT*>(&value)));
        return ScalarLogText(plain.get());
    }
    return ScalarLogText(value);
}

} // namespace svcgate
