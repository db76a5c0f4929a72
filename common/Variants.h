#pragma once
// Building, reading and converting automation values and arrays of them. A
// conversion follows the platform's variant rules in the user's locale and
// raises an Exception when the value does not convert.

#include "common/Owners.h"
#include "common/uCommonUtils.Money.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace svcgate {

// The text of a Boolean value in any locale: the settings read these words back.
constexpr const wchar_t* BooleanTrueText = L"True";
constexpr const wchar_t* BooleanFalseText = L"False";

unique_variant MakeVariant(std::wstring_view text);
unique_variant MakeVariant(const wchar_t* text);
unique_variant MakeVariant(std::int32_t value);
unique_variant MakeVariant(double value);
unique_variant MakeBoolVariant(bool value);
unique_variant MakeCurrencyVariant(Currency value);
unique_variant MakeDispatchVariant(IDispatch* object);
unique_variant MakeArrayVariant(unique_safearray array);
// A by-reference value pointing at the caller's storage of the given type.
unique_variant MakeReference(VARTYPE type, void* storage);

// Converts to the given type; raises an Exception when it does not convert.
unique_variant ConvertVariant(const VARIANT& value, VARTYPE type);
// The same conversion; none when the value does not convert. A failure of the
// platform itself still raises.
std::optional<unique_variant> TryConvertVariant(const VARIANT& value, VARTYPE type);
// Stores a new text behind a VT_BYREF|VT_BSTR argument and frees the old one.
void ReplaceReferencedText(VARIANT& reference, std::wstring_view text);
// A Boolean, also by reference, gives BooleanTrueText or BooleanFalseText.
std::wstring VariantToText(const VARIANT& value);
std::int32_t VariantToInt(const VARIANT& value);
double VariantToDouble(const VARIANT& value);
bool VariantToBool(const VARIANT& value);
Currency VariantToCurrency(const VARIANT& value);

// The signed and unsigned integers of 8 to 64 bits.
bool IsIntegerType(VARTYPE type);
bool IsArray(const VARIANT& value);
// The array a variant holds (by value or by reference), or null.
SAFEARRAY* ArrayOf(const VARIANT& value);

// Whether the array's elements are variants; a host may build one by hand,
// without a recorded element type.
bool HoldsVariants(SAFEARRAY* array);
// A variant array of that many dimensions: the only arrays read element by element.
bool IsVariantArray(SAFEARRAY* array, UINT dimensions = 1);

// One-dimensional variant arrays with lower bound 0.
unique_safearray CreateVariantArray(long count);
// A two-dimensional variant array with bounds 0..rows-1 and 0..columns-1.
unique_safearray CreateVariantMatrix(long rows, long columns);
// A one-dimensional variant array of the given values, moved in.
template <class... Values> unique_variant MakeVariantArray(Values&&... values);

long LowerBound(SAFEARRAY* array, UINT dimension = 1);
long UpperBound(SAFEARRAY* array, UINT dimension = 1);
// The number of elements of a one-dimensional array's first dimension; 0 for null.
long ElementCount(SAFEARRAY* array);
// A copy of an element; raises an Exception for an index outside the array.
unique_variant GetElement(SAFEARRAY* array, long index);
unique_variant GetElement(SAFEARRAY* array, long index1, long index2);
void PutElement(SAFEARRAY* array, long index, const VARIANT& value);
void PutElement(SAFEARRAY* array, long index1, long index2, const VARIANT& value);

template <class... Values> unique_variant MakeVariantArray(Values&&... values) {
    unique_safearray array = CreateVariantArray(static_cast<long>(sizeof...(values)));
    long index = 0;
    (PutElement(array.get(), index++, values.get()), ...);
    return MakeArrayVariant(std::move(array));
}

} // namespace svcgate
