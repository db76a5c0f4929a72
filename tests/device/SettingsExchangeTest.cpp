#include "TestDevice.h"

#include "device/uHostValues.h"

#include <gtest/gtest.h>

using namespace svcgate;
using namespace svcgate::test;

namespace {

unique_variant Exchange(std::vector<std::pair<std::wstring, unique_variant>> columns,
                        long rows = 2) {
    unique_safearray matrix = CreateVariantMatrix(rows, static_cast<long>(columns.size()));
    for (long j = 0; j < static_cast<long>(columns.size()); ++j) {
        PutElement(matrix.get(), 0, j, MakeVariant(columns[j].first).get());
        PutElement(matrix.get(), 1, j, columns[j].second.get());
    }
    return MakeVariantArray(MakeArrayVariant(std::move(matrix)));
}

TEST_F(OpenedDevice, GetSettingsGivesOneMatrixOfSevenRows) {
    unique_variant outData;
    ASSERT_TRUE(CallPublic(L"GetSettings", outData));
    ASSERT_EQ(ElementCount(ArrayOf(outData.get())), 1);
    unique_variant matrix = GetElement(ArrayOf(outData.get()), 0);
    SAFEARRAY* m = ArrayOf(matrix.get());
    ASSERT_EQ(SafeArrayGetDim(m), 2u);
    EXPECT_EQ(UpperBound(m, 1), 6);
    EXPECT_EQ(UpperBound(m, 2), 2);
    const wchar_t* types[] = {L"Number", L"Boolean", L"Boolean"};
    for (long j = 0; j < 3; ++j)
        EXPECT_EQ(VariantToText(GetElement(m, 2, j).get()), types[j]);
    EXPECT_EQ(VariantToText(GetElement(m, 0, 0).get()), L"DefaultTimeOut");
    EXPECT_EQ(GetElement(m, 1, 0).vt(), VT_I4);
    EXPECT_EQ(GetElement(m, 4, 0).vt(), VT_BOOL);
    EXPECT_EQ(VariantToText(GetElement(m, 5, 2).get()), L"Отладочный лог");
}

TEST_F(OpenedDevice, SetSettingsTakesBackWhatGetSettingsGave) {
    unique_variant settings;
    ASSERT_TRUE(CallPublic(L"GetSettings", settings));
    device->SetSettingValue(L"DefaultTimeOut", MakeVariant(5).get());
    unique_variant outData;
    ASSERT_TRUE(CallPublic(L"SetSettings", outData, settings.get()));
    EXPECT_EQ(device->DefaultTimeOut(), 120);
}

TEST_F(OpenedDevice, SetSettingsMatchesIdentifiersInAnyCaseAndSkipsUnknownOnes) {
    std::vector<std::pair<std::wstring, unique_variant>> columns;
    columns.emplace_back(L"defaulttimeout", MakeVariant(L"30"));
    columns.emplace_back(L"NoSuchSetting", MakeVariant(1));
    unique_variant outData;
    ASSERT_TRUE(CallPublic(L"SetSettings", outData, Exchange(std::move(columns)).get()));
    EXPECT_EQ(device->GetSettingValue(L"DefaultTimeOut").vt(), VT_BSTR);
    EXPECT_EQ(device->DefaultTimeOut(), 30);
    EXPECT_EQ(device->SettingsCount(), 3u);
}

TEST_F(OpenedDevice, SetSettingsRefusesWhatIsNotASettingsExchange) {
    unique_variant outData;
    EXPECT_FALSE(CallPublic(L"SetSettings", outData, MakeVariant(5).get()));
    EXPECT_EQ(ErrorCode(outData), 1004);
    EXPECT_EQ(ErrorText(outData), L"Ошибка входных параметров команды");

    EXPECT_FALSE(CallPublic(L"SetSettings", outData, MakeVariantArray(MakeVariant(5)).get()));
    EXPECT_EQ(ErrorCode(outData), 1004);
    EXPECT_EQ(ErrorText(outData), L"Настройки должны быть двумерным массивом");
}

TEST_F(OpenedDevice, TheLogNeverShowsASecretSetting) {
    device->AddSetting(L"Password", dtString, MakeVariant(L"A1B2").get(), false, L"Пароль", L"");
    device->DeclareSecretSetting(L"Password");
    SwitchDebugLogOn();
    ASSERT_EQ(device->Enable(), 0);
    unique_variant settings;
    ASSERT_TRUE(CallPublic(L"GetSettings", settings));
    std::vector<std::pair<std::wstring, unique_variant>> columns;
    columns.emplace_back(L"PASSWORD", MakeVariant(L"C3D4"));
    unique_variant outData;
    ASSERT_TRUE(CallPublic(L"SetSettings", outData, Exchange(std::move(columns)).get()));

    int masked = 0;
    for (const auto& line : LogLines()) {
        EXPECT_EQ(line.find(L"A1B2"), std::wstring::npos) << line;
        EXPECT_EQ(line.find(L"C3D4"), std::wstring::npos) << line;
        masked += line.find(L"***") != std::wstring::npos;
    }
    EXPECT_EQ(masked, 3);
    EXPECT_EQ(device->GetSettingValueStr(L"Password"), L"C3D4");
}

TEST_F(OpenedDevice, TheSnapshotUndoesChangesOnce) {
    device->StoreSettings();
    device->SetDefaultTimeOut(1);
    device->RestoreSettings();
    EXPECT_EQ(device->DefaultTimeOut(), 120);
    device->SetDefaultTimeOut(2);
    device->RestoreSettings();
    EXPECT_EQ(device->DefaultTimeOut(), 2);

    device->StoreSettings({L"EventLogEnabled", L"Unknown"});
    device->SetDefaultTimeOut(3);
    device->SetEventLogEnabled(true);
    device->RestoreSettings();
    EXPECT_EQ(device->DefaultTimeOut(), 3);
    EXPECT_FALSE(device->EventLogEnabled());
}

TEST(TextToSettingValue, ConvertsWhatTheUserTypedWithoutFailing) {
    EXPECT_TRUE(VariantToBool(TextToSettingValue(dtBoolean, L"tRUE").get()));
    EXPECT_FALSE(VariantToBool(TextToSettingValue(dtBoolean, L"yes").get()));
    EXPECT_EQ(TextToSettingValue(dtBoolean, L"no").vt(), VT_BOOL);
    EXPECT_DOUBLE_EQ(VariantToDouble(TextToSettingValue(dtNumber, L"12,5").get()), 12.5);
    EXPECT_DOUBLE_EQ(VariantToDouble(TextToSettingValue(dtNumber, L"abc").get()), 0.0);
    EXPECT_EQ(TextToSettingValue(dtDateTime, L"05.03.2024").vt(), VT_DATE);
    EXPECT_EQ(VariantToText(TextToSettingValue(dtDateTime, L"завтра").get()), L"завтра");
    EXPECT_EQ(VariantToText(TextToSettingValue(dtString, L" x ").get()), L" x ");
}

TEST(HostValues, OptionalElementsNeedAnArrayWithAValueThere) {
    unique_variant null;
    V_VT(null.addressof()) = VT_NULL;
    const unique_variant input =
        MakeVariantArray(MakeVariant(L"7"), std::move(null), unique_variant());
    EXPECT_TRUE(ParamIsSet(input.get(), 0));
    EXPECT_FALSE(ParamIsSet(input.get(), 1));
    EXPECT_FALSE(ParamIsSet(input.get(), 2));
    EXPECT_FALSE(ParamIsSet(input.get(), 3));
    EXPECT_FALSE(ParamIsSet(MakeVariant(L"7").get(), 0));
    EXPECT_EQ(GetParamInt(input.get(), 0, -1), 7);
    EXPECT_EQ(GetParamStr(input.get(), 1, L"default"), L"default");
    EXPECT_EQ(GetParamFloat(input.get(), 5, 2.5), 2.5);
    EXPECT_EQ(GetParamInt(MakeVariantArray(MakeVariant(L"семь")).get(), 0, -1), std::nullopt);

    unique_variant first, second, third = MakeVariant(1);
    GetParams(input.get(), {&first, &second, &third});
    EXPECT_EQ(first.vt(), VT_BSTR);
    EXPECT_EQ(second.vt(), VT_NULL);
    EXPECT_TRUE(third.empty());
}

} // namespace
