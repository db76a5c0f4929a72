#include "common/Variants.h"

#include "common/CommonTexts.h"
#include "common/Exception.h"
#include "common/Text.h"

#include <utility>

namespace svcgate {

unique_variant MakeVariant(std::wstring_view text) {
    unique_variant result;
    V_BSTR(result.addressof()) = unique_bstr(text).detach();
    V_VT(result.addressof()) = VT_BSTR;
    return result;
}

unique_variant MakeVariant(const wchar_t* text) {
    return MakeVariant(std::wstring_view(text));
}

unique_variant MakeVariant(std::int32_t value) {
    unique_variant result;
    V_VT(result.addressof()) = VT_I4;
    V_I4(result.addressof()) = value;
    return result;
}

unique_variant MakeVariant(double value) {
    unique_variant result;
    V_VT(result.addressof()) = VT_R8;
    V_R8(result.addressof()) = value;
    return result;
}

unique_variant MakeBoolVariant(bool value) {
    unique_variant result;
    V_VT(result.addressof()) = VT_BOOL;
    V_BOOL(result.addressof()) = value ? VARIANT_TRUE : VARIANT_FALSE;
    return result;
}

unique_variant MakeCurrencyVariant(Currency value) {
    unique_variant result;
    V_VT(result.addressof()) = VT_CY;
    V_CY(result.addressof()).int64 = value;
    return result;
}

unique_variant MakeDispatchVariant(IDispatch* object) {
    unique_variant result;
    V_VT(result.addressof()) = VT_DISPATCH;
    V_DISPATCH(result.addressof()) = com_ptr<IDispatch>::share(object).detach();
    return result;
}

unique_variant MakeArrayVariant(unique_safearray array) {
    unique_variant result;
    V_VT(result.addressof()) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(result.addressof()) = array.detach();
    return result;
}

unique_variant MakeReference(VARTYPE type, void* storage) {
    unique_variant result;
    V_VT(result.addressof()) = VT_BYREF | type;
    V_BYREF(result.addressof()) = storage;
    return result;
}

namespace {

HRESULT ChangeType(unique_variant& result, const VARIANT& value, VARTYPE type) {
    return VariantChangeTypeEx(result.addressof(), const_cast<VARIANT*>(&value),
                               LOCALE_USER_DEFAULT, 0, type);
}

// The platform's conversion writes a Boolean as -1 or 0, which would not read back.
std::optional<bool> BooleanOf(const VARIANT& value) {
    switch (V_VT(&value)) {
    case VT_BOOL:
        return V_BOOL(&value) != VARIANT_FALSE;
    case VT_BOOL | VT_BYREF:
        return *V_BOOLREF(&value) != VARIANT_FALSE;
    case VT_VARIANT | VT_BYREF:
        return BooleanOf(*V_VARIANTREF(&value));
    default:
        return std::nullopt;
    }
}

} // namespace

unique_variant ConvertVariant(const VARIANT& value, VARTYPE type) {
    unique_variant result;
    CheckHResult(ChangeType(result, value, type));
    return result;
}

std::optional<unique_variant> TryConvertVariant(const VARIANT& value, VARTYPE type) {
    unique_variant result;
    const HRESULT hr = ChangeType(result, value, type);
    // These say the value has no form of that type; any other failure is the
    // platform's own (out of memory) and no answer about the value.
    if (hr == DISP_E_TYPEMISMATCH || hr == DISP_E_OVERFLOW || hr == DISP_E_BADVARTYPE)
        return std::nullopt;
    CheckHResult(hr);
    return result;
}

void ReplaceReferencedText(VARIANT& reference, std::wstring_view text) {
    unique_bstr replacement(text);
    unique_bstr previous(std::exchange(*V_BSTRREF(&reference), replacement.detach()));
}

std::wstring VariantToText(const VARIANT& value) {
    // A text is read in place: the conversion would copy it first, which added half
    // again to each attribute read from a parsed document under Wine.
    if (V_VT(&value) == VT_BSTR)
        return unique_bstr::text_of(V_BSTR(&value));
    if (const std::optional<bool> flag = BooleanOf(value))
        return *flag ? BooleanTrueText : BooleanFalseText;
    unique_variant text = ConvertVariant(value, VT_BSTR);
    return unique_bstr::text_of(V_BSTR(text.addressof()));
}

std::int32_t VariantToInt(const VARIANT& value) {
    return V_I4(ConvertVariant(value, VT_I4).addressof());
}

double VariantToDouble(const VARIANT& value) {
    return V_R8(ConvertVariant(value, VT_R8).addressof());
}

bool VariantToBool(const VARIANT& value) {
    return V_BOOL(ConvertVariant(value, VT_BOOL).addressof()) != VARIANT_FALSE;
}

Currency VariantToCurrency(const VARIANT& value) {
    return V_CY(ConvertVariant(value, VT_CY).addressof()).int64;
}

bool IsIntegerType(VARTYPE type) {
    switch (type) {
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
        return true;
    default:
        return false;
    }
}

bool IsArray(const VARIANT& value) {
    return (V_VT(&value) & VT_ARRAY) != 0;
}

SAFEARRAY* ArrayOf(const VARIANT& value) {
    if (!IsArray(value))
        return nullptr;
    return (V_VT(&value) & VT_BYREF) ? *V_ARRAYREF(&value) : V_ARRAY(&value);
}

unique_safearray CreateVariantArray(long count) {
    SAFEARRAYBOUND bound{static_cast<ULONG>(count), 0};
    unique_safearray array(SafeArrayCreate(VT_VARIANT, 1, &bound));
    if (!array.get())
        CheckHResult(E_OUTOFMEMORY);
    return array;
}

unique_safearray CreateVariantMatrix(long rows, long columns) {
    SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(rows), 0}, {static_cast<ULONG>(columns), 0}};
    unique_safearray array(SafeArrayCreate(VT_VARIANT, 2, bounds));
    if (!array.get())
        CheckHResult(E_OUTOFMEMORY);
    return array;
}

long LowerBound(SAFEARRAY* array, UINT dimension) {
    long bound = 0;
    CheckHResult(SafeArrayGetLBound(array, dimension, &bound));
    return bound;
}

long UpperBound(SAFEARRAY* array, UINT dimension) {
    long bound = 0;
    CheckHResult(SafeArrayGetUBound(array, dimension, &bound));
    return bound;
}

long ElementCount(SAFEARRAY* array) {
    return array ? UpperBound(array) - LowerBound(array) + 1 : 0;
}

namespace {

// A host may hand over any array; reading it as the wrong shape or element type
// would read past it or misread its memory.
void CheckVariantArray(SAFEARRAY* array, UINT dimensions) {
    if (!IsVariantArray(array, dimensions))
        throw Exception(FormatText(CommonTexts::VariantArrayExpected, dimensions));
}

unique_variant GetElementAt(SAFEARRAY* array, long* indices, UINT dimensions) {
    CheckVariantArray(array, dimensions);
    unique_variant result;
    CheckHResult(SafeArrayGetElement(array, indices, result.addressof()));
    return result;
}

} // namespace

unique_variant GetElement(SAFEARRAY* array, long index) {
    return GetElementAt(array, &index, 1);
}

unique_variant GetElement(SAFEARRAY* array, long index1, long index2) {
    long indices[2] = {index1, index2};
    return GetElementAt(array, indices, 2);
}

void PutElement(SAFEARRAY* array, long index, const VARIANT& value) {
    CheckVariantArray(array, 1);
    CheckHResult(SafeArrayPutElement(array, &index, const_cast<VARIANT*>(&value)));
}

void PutElement(SAFEARRAY* array, long index1, long index2, const VARIANT& value) {
    CheckVariantArray(array, 2);
    long indices[2] = {index1, index2};
    CheckHResult(SafeArrayPutElement(array, indices, const_cast<VARIANT*>(&value)));
}

// The element type is not asked of SafeArrayGetVartype: an array built by hand with
// SafeArrayAllocDescriptor records none, and the platform reads the elements as
// variants by this feature alone.
bool HoldsVariants(SAFEARRAY* array) {
    return (array->fFeatures & FADF_VARIANT) && array->cbElements == sizeof(VARIANT);
}

bool IsVariantArray(SAFEARRAY* array, UINT dimensions) {
    return array && SafeArrayGetDim(array) == dimensions && HoldsVariants(array);
}

} // namespace svcgate
