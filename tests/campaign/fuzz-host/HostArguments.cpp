#include "HostArguments.h"

#include "common/Exception.h"
#include "common/Variants.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace svcgate::campaign {

// The slot of a new, empty owner, which then takes the value over.
SAFEARRAY** Arena::NewArray(SAFEARRAY* owned) {
    SAFEARRAY** slot = arrays_.emplace_back().put();
    *slot = owned;
    return slot;
}

IDispatch** Arena::NewObject(IDispatch* owned) {
    IDispatch** slot = objects_.emplace_back().put();
    *slot = owned;
    return slot;
}

namespace {

// A value of the type with all its bytes zero: no pointer in it to free.
unique_variant Typed(VARTYPE type) {
    unique_variant value;
    std::memset(value.addressof(), 0, sizeof(VARIANT));
    V_VT(value.addressof()) = type;
    return value;
}

// Types a host should never pass, which hold no pointer either.
const std::vector<VARTYPE>& OddTypes() {
    static const std::vector<VARTYPE> types{VT_VOID,     VT_HRESULT, VT_INT_PTR, VT_UINT_PTR,
                                            VT_FILETIME, 15,         32,         0x0FFF};
    return types;
}

} // namespace

std::wstring ArgumentMaker::Text() {
    static const std::vector<std::wstring> texts{L"",
                                                 L"account",
                                                 L"1001",
                                                 L"3001",
                                                 L"11111",
                                                 L"-1",
                                                 L" 41 ",
                                                 L"1e400",
                                                 L"99999999999",
                                                 L"Иванов",
                                                 L"\xD800",
                                                 L"\xDC00x",
                                                 L"\xDC00\xD800",
                                                 L"\xD83D\xDE00",
                                                 L"\x4E2D\x6587",
                                                 L"\x00FC\x0107\x20AC",
                                                 std::wstring(L"a\0b", 3),
                                                 L"ACCOUNT",
                                                 L"Server1URL",
                                                 L"Password",
                                                 L"http://127.0.0.1:1/xmlgate/xml.jsp",
                                                 L"1,5",
                                                 L"2147483648",
                                                 L"\r\n\t",
                                                 L"%s%n%d"};
    if (random_.Chance(3))
        return std::wstring(100000, random_.Chance(50) ? L'\xD800' : L'Я');
    if (random_.Chance(40))
        return random_.Pick(texts);
    std::wstring text;
    for (std::uint32_t n = random_.Below(12); n > 0; --n)
        text += static_cast<wchar_t>(random_.Chance(50) ? random_.Between(0x20, 0x7E)
                                                        : random_.Between(1, 0xFFFF));
    return text;
}

unique_variant ArgumentMaker::Number() {
    static const std::vector<std::int64_t> integers{
        0,         1,         -1, 32767, -32768, 2147483647, -2147483647 - 1, 4294967295ll,
        INT64_MAX, INT64_MIN, 41};
    static const std::vector<double> reals{0.0,
                                           -0.0,
                                           0.5,
                                           2.5,
                                           100.0,
                                           1e308,
                                           -1e308,
                                           1e-300,
                                           std::numeric_limits<double>::quiet_NaN(),
                                           std::numeric_limits<double>::infinity(),
                                           -std::numeric_limits<double>::infinity()};
    static const std::vector<VARTYPE> kinds{VT_I1, VT_UI1,  VT_I2,   VT_UI2,   VT_I4,     VT_UI4,
                                            VT_I8, VT_UI8,  VT_INT,  VT_UINT,  VT_R4,     VT_R8,
                                            VT_CY, VT_DATE, VT_BOOL, VT_ERROR, VT_DECIMAL};
    const VARTYPE kind = random_.Pick(kinds);
    const std::int64_t integer =
        random_.Chance(70) ? random_.Pick(integers) : static_cast<std::int64_t>(random_.Raw());
    const double real = random_.Pick(reals);
    unique_variant value = Typed(kind);
    VARIANT* v = value.addressof();
    switch (kind) {
    case VT_R4:
        V_R4(v) = static_cast<float>(real);
        break;
    case VT_R8:
    case VT_DATE:
        V_R8(v) = real;
        break;
    case VT_CY:
        V_CY(v).int64 = integer;
        break;
    case VT_BOOL:
        V_BOOL(v) = static_cast<VARIANT_BOOL>(integer);
        break;
    case VT_DECIMAL:
        V_DECIMAL(v).Lo64 = static_cast<ULONGLONG>(integer);
        V_DECIMAL(v).Hi32 = static_cast<ULONG>(random_.Raw());
        V_DECIMAL(v).scale = static_cast<BYTE>(random_.Below(40));
        V_DECIMAL(v).sign = random_.Chance(50) ? DECIMAL_NEG : 0;
        V_VT(v) = VT_DECIMAL;
        break;
    default:
        V_I8(v) = integer;
    }
    return value;
}

unique_safearray ArgumentMaker::Array(int depth) {
    static const std::vector<VARTYPE> kinds{VT_VARIANT, VT_VARIANT, VT_VARIANT, VT_VARIANT,
                                            VT_I4,      VT_BSTR,    VT_R8,      VT_UI1};
    const VARTYPE kind = random_.Pick(kinds);
    const UINT dimensions = random_.Chance(50) ? 1 : random_.Chance(80) ? 2 : 3;
    SAFEARRAYBOUND bounds[3]{};
    LONG total = 1;
    for (UINT d = 0; d < dimensions; ++d) {
        bounds[d].cElements = random_.Below(5);
        bounds[d].lLbound = random_.Chance(75) ? 0 : static_cast<LONG>(random_.Between(-3, 3));
        total *= static_cast<LONG>(bounds[d].cElements);
    }
    unique_safearray array(SafeArrayCreate(kind, dimensions, bounds));
    if (!array)
        throw Exception(L"no memory for an array");
    // Every element through the flat data: the indices of each shape alike.
    void* data = nullptr;
    CheckHResult(SafeArrayAccessData(array.get(), &data));
    for (LONG i = 0; i < total; ++i) {
        if (kind == VT_VARIANT)
            static_cast<VARIANT*>(data)[i] = Value(depth + 1).detach();
        else if (kind == VT_BSTR)
            static_cast<BSTR*>(data)[i] = unique_bstr(Text()).detach();
        else if (kind == VT_I4)
            static_cast<LONG*>(data)[i] = static_cast<LONG>(random_.Raw());
        else if (kind == VT_R8)
            static_cast<double*>(data)[i] = static_cast<double>(random_.Between(-1000, 1000)) / 4;
        else
            static_cast<BYTE*>(data)[i] = static_cast<BYTE>(random_.Raw());
    }
    SafeArrayUnaccessData(array.get());
    return array;
}

unique_variant ArgumentMaker::Value(int depth) {
    switch (random_.Below(depth < 3 ? 9 : 7)) {
    case 0:
        return Typed(random_.Chance(50) ? VT_EMPTY : VT_NULL);
    case 1:
    case 2:
        return Number();
    case 3:
    case 4: {
        if (random_.Chance(5))
            return Typed(VT_BSTR);
        return MakeVariant(Text());
    }
    case 5: {
        unique_variant object = Typed(random_.Chance(70) ? VT_DISPATCH : VT_UNKNOWN);
        IDispatch* shared = random_.Chance(20) ? nullptr : random_.Pick(objects_);
        if (shared)
            shared->AddRef();
        V_DISPATCH(object.addressof()) = shared;
        return object;
    }
    case 6:
        return Typed(random_.Pick(OddTypes()));
    default: {
        unique_safearray made = Array(depth);
        VARTYPE kind = VT_EMPTY;
        SafeArrayGetVartype(made.get(), &kind);
        unique_variant array = Typed(static_cast<VARTYPE>(VT_ARRAY | kind));
        V_ARRAY(array.addressof()) = made.detach();
        return array;
    }
    }
}

// A reference to storage of the value's own type, the value moved there; an
// unknown type is referred to as a variant.
unique_variant ArgumentMaker::Reference(unique_variant value) {
    const VARTYPE kind = value.vt();
    if (random_.Chance(40) || ((kind & VT_ARRAY) == 0 && kind > VT_UINT)) {
        VARIANT* target = arena_.NewVariant();
        *target = value.detach();
        return MakeReference(VT_VARIANT, target);
    }
    unique_variant reference = Typed(static_cast<VARTYPE>(kind | VT_BYREF));
    VARIANT& v = value.get();
    if (kind & VT_ARRAY)
        V_ARRAYREF(reference.addressof()) = arena_.NewArray(value.detach().parray);
    else if (kind == VT_BSTR)
        V_BSTRREF(reference.addressof()) = arena_.NewText(value.detach().bstrVal);
    else if (kind == VT_DISPATCH || kind == VT_UNKNOWN)
        V_DISPATCHREF(reference.addressof()) = arena_.NewObject(value.detach().pdispVal);
    else if (kind == VT_DECIMAL) {
        VARIANT* target = arena_.NewVariant();
        *target = value.detach();
        V_DECIMALREF(reference.addressof()) = &V_DECIMAL(target);
    } else {
        void* scalar = arena_.NewScalar();
        std::memcpy(scalar, &V_UI8(&v), sizeof(ULONGLONG));
        V_BYREF(reference.addressof()) = scalar;
    }
    return reference;
}

unique_variant ArgumentMaker::Any(int depth) {
    unique_variant value = Value(depth);
    return random_.Chance(35) ? Reference(std::move(value)) : std::move(value);
}

unique_variant ArgumentMaker::DamagedSettings(SAFEARRAY* good) {
    const long rows = UpperBound(good, 1) + 1, columns = UpperBound(good, 2) + 1;
    const long keptRows = random_.Chance(50) ? rows : static_cast<long>(random_.Below(9));
    const long keptColumns =
        random_.Chance(50)
            ? columns
            : static_cast<long>(random_.Below(static_cast<std::uint32_t>(columns) + 3));
    SAFEARRAYBOUND bounds[2]{{static_cast<ULONG>(keptRows), random_.Chance(80) ? 0 : -1},
                             {static_cast<ULONG>(keptColumns), random_.Chance(80) ? 0 : 1}};
    unique_safearray matrix(SafeArrayCreate(VT_VARIANT, 2, bounds));
    for (long i = 0; i < keptRows; ++i)
        for (long j = 0; j < keptColumns; ++j) {
            long at[2] = {bounds[0].lLbound + i, bounds[1].lLbound + j};
            unique_variant value =
                i < rows && j < columns && random_.Chance(70) ? GetElement(good, i, j) : Value(1);
            // A value the platform cannot copy (an odd type) leaves the cell empty.
            SafeArrayPutElement(matrix.get(), at, value.addressof());
        }
    unique_variant inData = MakeArrayVariant(std::move(matrix));
    return random_.Chance(80) ? MakeVariantArray(std::move(inData)) : std::move(inData);
}

} // namespace svcgate::campaign
