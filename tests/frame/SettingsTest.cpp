#include "TestObject.h"

#include "common/Exception.h"

#include <gtest/gtest.h>

using namespace svcgate;
using namespace svcgate::test;

namespace {

class Settings : public testing::Test {
protected:
    com_ptr<TestObject> object = TBaseObject::Create<TestObject>();

    void SetUp() override {
        object->AddSetting(L"DefaultTimeOut", dtNumber, MakeVariant(120).get(), false,
                           L"Таймаут по умолчанию", L"");
        object->AddSetting(L"DebugLogEnabled", dtBoolean, MakeBoolVariant(false).get(), true,
                           L"Отладочный лог", L"first");
    }
};

TEST_F(Settings, DeclaringAgainResetsValuesButKeepsTypeAndName) {
    object->SetSettingValue(L"DebugLogEnabled", MakeBoolVariant(false).get());
    object->AddSetting(L"DEBUGLOGENABLED", dtString, MakeBoolVariant(true).get(), false,
                       L"Другое имя", L"second");
    EXPECT_TRUE(object->GetSettingValueBool(L"debuglogenabled"));
    EXPECT_TRUE(VariantToBool(object->GetSettingValue(L"DebugLogEnabled", true).get()));
    EXPECT_FALSE(object->GetSettingReadOnly(L"DebugLogEnabled"));
    const TSettingStruct* setting = object->FindSetting(L"DebugLogEnabled");
    ASSERT_TRUE(setting);
    EXPECT_EQ(setting->ValueType, dtBoolean);
    EXPECT_EQ(setting->Name, L"Отладочный лог");
    EXPECT_EQ(setting->ID, L"DebugLogEnabled");
    EXPECT_EQ(setting->Description, L"second");
}

TEST_F(Settings, ValuesAreStoredAsGivenAndConvertedWhenRead) {
    object->SetSettingValue(L"DefaultTimeOut", MakeVariant(L"abc").get());
    EXPECT_THROW(object->GetSettingValueInt(L"DefaultTimeOut"), Exception);
    EXPECT_EQ(object->GetSettingValueStr(L"DefaultTimeOut"), L"abc");

    object->SetSettingValue(L"DefaultTimeOut", MakeVariant(L"12,5").get());
    EXPECT_DOUBLE_EQ(object->GetSettingValueDbl(L"DefaultTimeOut"), 12.5);
    EXPECT_EQ(object->GetSettingValueCurr(L"DefaultTimeOut"), 125000);

    object->SetSettingValue(L"DebugLogEnabled", MakeBoolVariant(true).get());
    EXPECT_TRUE(object->GetSettingValueBool(L"DebugLogEnabled"));
}

TEST_F(Settings, UnknownIdentifiersReadEmptyAndIgnoreWrites) {
    object->SetSettingValue(L"Nothing", MakeVariant(5).get());
    EXPECT_FALSE(object->GetSettingValueBool(L"Nothing"));
    EXPECT_EQ(object->GetSettingValueInt(L"Nothing"), 0);
    EXPECT_EQ(object->GetSettingValueStr(L"Nothing"), L"");
    EXPECT_FALSE(object->GetSettingReadOnly(L"Nothing"));
    EXPECT_TRUE(object->GetSettingValue(L"Nothing").empty());
}

TEST_F(Settings, ResetPutsEveryDefaultBack) {
    object->SetSettingValue(L"DefaultTimeOut", MakeVariant(5).get());
    object->SetAllSettingsDefault();
    EXPECT_EQ(object->GetSettingValueInt(L"DefaultTimeOut"), 120);
}

} // namespace
