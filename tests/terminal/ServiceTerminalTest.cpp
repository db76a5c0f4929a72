#include "RecordingTerminal.h"

#include "../support/Host.h"

#include "common/Exception.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>

using namespace svcgate;
using namespace svcgate::test;

namespace {

using Texts = std::vector<std::wstring>;

unique_variant Text(const wchar_t* text) {
    return MakeVariant(text);
}

// Nine texts, then the birth date when there is one.
unique_variant ClientData(std::optional<unique_variant> birthDate) {
    unique_safearray array = CreateVariantArray(birthDate ? 10 : 9);
    for (long k = 0; k < 9; ++k)
        PutElement(array.get(), k, MakeVariant(std::to_wstring(k)).get());
    if (birthDate)
        PutElement(array.get(), 9, birthDate->get());
    return MakeArrayVariant(std::move(array));
}

// As a host may build it: no element type recorded, only the feature that says
// the elements are variants.
unique_variant HandBuiltArray(unique_variant element) {
    unique_safearray array;
    CheckHResult(SafeArrayAllocDescriptor(1, array.put()));
    SAFEARRAY* raw = array.get();
    raw->fFeatures = FADF_VARIANT;
    raw->cbElements = sizeof(VARIANT);
    raw->rgsabound[0] = {1, 0};
    CheckHResult(SafeArrayAllocData(raw));
    long index = 0;
    CheckHResult(SafeArrayPutElement(raw, &index, element.addressof()));
    return MakeArrayVariant(std::move(array));
}

unique_variant Payment(unique_variant amountTo, unique_variant parameters) {
    return MakeVariantArray(Text(L"5"), MakeVariant(0), std::move(amountTo), MakeVariant(100.5),
                            std::move(parameters));
}

// The variant types the host finds in OutData; arrays must run from 0 to n-1.
std::wstring Shape(const unique_variant& value) {
    static const std::map<VARTYPE, std::wstring> names = {{VT_EMPTY, L"EMPTY"},
                                                          {VT_I4, L"I4"},
                                                          {VT_BSTR, L"BSTR"},
                                                          {VT_CY, L"CY"},
                                                          {VT_BOOL, L"BOOL"}};
    SAFEARRAY* array = ArrayOf(value.get());
    if (!array)
        return names.at(value.vt());
    if (SafeArrayGetDim(array) != 1 || LowerBound(array) != 0)
        return L"not a one-dimensional array from 0";
    std::wstring shape = L"[";
    for (long k = 0; k < ElementCount(array); ++k)
        shape += (k ? L" " : L"") + names.at(GetElement(array, k).vt());
    return shape + L"]";
}

unique_variant Element(const unique_variant& array, long index) {
    return GetElement(ArrayOf(array.get()), index);
}

class ServiceTerminal : public testing::Test {
protected:
    com_ptr<RecordingTerminal> terminal = TBaseObject::Create<RecordingTerminal>();
    unique_variant OutData;

    bool Run(const wchar_t* method, const unique_variant& InData) {
        return CallPublic(terminal.get(), method, InData.get(), OutData);
    }
    // Refused as malformed input before any operation ran.
    void ExpectBadInput(const wchar_t* method, const unique_variant& InData) {
        terminal->received.clear();
        EXPECT_FALSE(Run(method, InData));
        EXPECT_EQ(VariantToInt(Element(OutData, 0).get()), 1004);
        EXPECT_EQ(VariantToText(Element(OutData, 1).get()), L"Ошибка входных параметров команды");
        EXPECT_TRUE(terminal->received.empty());
    }
};

TEST_F(ServiceTerminal, TellsTheHostItsDeviceType) {
    ASSERT_TRUE(Run(L"GetDeviceInfo", unique_variant()));
    EXPECT_EQ(VariantToText(Element(OutData, 0).get()), L"ServiceTerminal");
}

TEST_F(ServiceTerminal, ServiceCodeOfGetServiceParamsMustBeText) {
    ExpectBadInput(L"GetServiceParams", MakeVariantArray(MakeVariant(5)));
    ExpectBadInput(L"GetServiceParams", Text(L"5"));
    EXPECT_TRUE(Run(L"GetServiceParams", MakeVariantArray(Text(L"5"))));
    EXPECT_EQ(terminal->received, (Texts{L"GetServiceParams", L"5", L"0"}));
}

TEST_F(ServiceTerminal, AcceptsAVariantArrayTheHostBuiltByHand) {
    EXPECT_TRUE(Run(L"GetServiceParams", HandBuiltArray(Text(L"5"))));
    EXPECT_EQ(terminal->received, (Texts{L"GetServiceParams", L"5", L"0"}));
}

TEST_F(ServiceTerminal, AuthorizeServiceWantsNumbersAndAParameterTable) {
    ExpectBadInput(L"AuthorizeService", Payment(Text(L"100"), MakeVariantArray(Text(L"1"))));
    ExpectBadInput(L"AuthorizeService", Payment(MakeVariant(100.0), unique_variant()));
    ExpectBadInput(L"AuthorizeService",
                   MakeVariantArray(Text(L"5"), MakeVariant(0), MakeVariant(1), MakeVariant(1)));

    EXPECT_TRUE(Run(L"AuthorizeService",
                    Payment(MakeVariant(100), MakeVariantArray(Text(L"a"), Text(L"b")))));
    EXPECT_EQ(terminal->received, (Texts{L"AuthorizeService", L"5", L"2", L"0.000000",
                                         L"100.000000", L"100.500000", L"0"}));
    EXPECT_EQ(VariantToText(OutData.get()), L"answer");
}

TEST_F(ServiceTerminal, CancelWithoutInputTakesTheDefaults) {
    EXPECT_TRUE(Run(L"CancelServiceAuthorization", unique_variant()));
    EXPECT_EQ(terminal->received,
              (Texts{L"CancelServiceAuthorization", L"", L"", L"1", L"0", L"0"}));
}

TEST_F(ServiceTerminal, CommissionOfTheCodeAloneIsForNoAmountAndAHugeAmountIsRefused) {
    EXPECT_TRUE(Run(L"GetServiceComission", MakeVariantArray(MakeVariant(5))));
    EXPECT_EQ(terminal->received, (Texts{L"GetServiceComission", L"5", L"0"}));
    EXPECT_EQ(VariantToCurrency(Element(OutData, 0).get()), 15000);
    ExpectBadInput(L"GetServiceComission", MakeVariantArray(Text(L"5"), MakeVariant(1e300)));
}

TEST_F(ServiceTerminal, IdentifyingAClientWantsTheBirthDateElement) {
    ExpectBadInput(L"SetIdentifyClient", ClientData(std::nullopt));
    EXPECT_TRUE(Run(L"SetIdentifyClient", ClientData(unique_variant())));
    EXPECT_EQ(terminal->received.back(), L"0.000000");
    EXPECT_TRUE(
        Run(L"SetIdentifyClient", ClientData(ConvertVariant(MakeVariant(36526.0).get(), VT_DATE))));
    EXPECT_EQ(terminal->received, (Texts{L"SetIdentifyClient", L"0", L"1", L"2", L"3", L"4", L"5",
                                         L"6", L"7", L"8", L"36526.000000"}));
}

struct Rounding {
    double amount;
    const wchar_t* money;
};

class CommissionAmount : public ServiceTerminal, public testing::WithParamInterface<Rounding> {};

TEST_P(CommissionAmount, IsRoundedToTenThousandthsHalvesToEven) {
    EXPECT_TRUE(
        Run(L"GetServiceComission", MakeVariantArray(Text(L"5"), MakeVariant(GetParam().amount))));
    EXPECT_EQ(terminal->received.back(), GetParam().money);
}

INSTANTIATE_TEST_SUITE_P(Amounts, CommissionAmount,
                         testing::Values(Rounding{12.345, L"123450"}, Rounding{12.34567, L"123457"},
                                         Rounding{0.00005, L"0"}, Rounding{0.00015, L"2"},
                                         Rounding{0.00025, L"2"}, Rounding{-0.00015, L"-2"},
                                         Rounding{922337203685477.0, L"9223372036854770000"}));

struct MethodCase {
    DISPID id;
    const wchar_t* method;
    unique_variant (*validInput)();
    const wchar_t* outData;
};

class EveryMethod : public testing::TestWithParam<MethodCase> {
protected:
    unique_variant OutData;

    template <class Terminal> bool Run() {
        com_ptr<Terminal> terminal = TBaseObject::Create<Terminal>();
        EXPECT_EQ(DispIdOf(terminal.get(), GetParam().method), GetParam().id);
        EXPECT_TRUE(terminal->MethodList()[GetParam().id].IsSpecific);
        return CallPublic(terminal.get(), GetParam().method, GetParam().validInput().get(),
                          OutData);
    }
};

TEST_P(EveryMethod, FollowsTheEquipmentMethodsAndPacksWhatTheOperationReturned) {
    EXPECT_TRUE(Run<RecordingTerminal>());
    EXPECT_EQ(Shape(OutData), GetParam().outData);
}

TEST_P(EveryMethod, IsNotSupportedUntilADriverOverridesIt) {
    EXPECT_FALSE(Run<TBaseServiceTerminal>());
    EXPECT_EQ(Shape(OutData), L"[I4 BSTR]");
    EXPECT_EQ(VariantToInt(Element(OutData, 0).get()), 1003);
    EXPECT_EQ(VariantToText(Element(OutData, 1).get()), L"Команда не поддерживается устройством");
}

unique_variant Nothing() {
    return unique_variant();
}

unique_variant Code() {
    return MakeVariantArray(Text(L"5"));
}

INSTANTIATE_TEST_SUITE_P(
    Methods, EveryMethod,
    testing::Values(
        MethodCase{10, L"GetServiceCodes", Nothing, L"[EMPTY]"},
        MethodCase{11, L"GetServiceGroups", Nothing, L"[EMPTY]"},
        MethodCase{12, L"GetServiceParams", Code, L"[EMPTY]"},
        MethodCase{13, L"AuthorizeService",
                   [] { return Payment(MakeVariant(100.0), MakeVariantArray(Text(L"a"))); },
                   L"BSTR"},
        MethodCase{14, L"GetAuthorizationStatus", Nothing, L"[I4 BSTR]"},
        MethodCase{15, L"Settlement", Nothing, L"EMPTY"},
        MethodCase{16, L"CancelServiceAuthorization", Nothing, L"[BSTR BSTR BSTR]"},
        MethodCase{17, L"GetAgentInfo", Nothing,
                   L"[BSTR BSTR BSTR BSTR BSTR BSTR BSTR BSTR BSTR BSTR BSTR CY]"},
        MethodCase{18, L"GetServiceComission", Code, L"[CY CY]"},
        MethodCase{19, L"GetNeedIdentifyClient",
                   [] { return MakeVariantArray(Text(L"5"), Text(L"+79990000000")); }, L"[BOOL]"},
        MethodCase{20, L"SetIdentifyClient", [] { return ClientData(MakeVariant(1.0)); },
                   L"EMPTY"}),
    [](const testing::TestParamInfo<MethodCase>& info) {
        const std::wstring name = info.param.method;
        return std::string(name.begin(), name.end());
    });

} // namespace
