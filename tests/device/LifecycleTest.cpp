#include "TestDevice.h"

#include <gtest/gtest.h>

using namespace svcgate;
using namespace svcgate::test;

namespace {

TEST(Lifecycle, InitWantsAnAutomationObject) {
    com_ptr<tools::EqManager> manager = tools::CreateEqManager();
    com_ptr<TestDevice> device = TBaseObject::Create<TestDevice>();
    EXPECT_EQ(device->DeviceState(), dsCreated);

    unique_variant description;
    CallResult call = Call(device.get(), L"Init", Args(MakeVariant(5), Ref(description)));
    EXPECT_FALSE(VariantToBool(call.result.get()));
    EXPECT_EQ(VariantToText(description.get()), L"Ошибка входных параметров команды");
    EXPECT_EQ(device->EqManager(), nullptr);

    call = Call(device.get(), L"Init", Args(MakeDispatchVariant(manager.get()), Ref(description)));
    EXPECT_TRUE(VariantToBool(call.result.get()));
    EXPECT_EQ(VariantToText(description.get()), L"Нет ошибок");
    EXPECT_EQ(device->DeviceState(), dsInited);
    EXPECT_EQ(device->GetModelFolder(), L"\\\\");
}

TEST(Lifecycle, OpenBeforeInitIsAnAutomationException) {
    com_ptr<TestDevice> device = TBaseObject::Create<TestDevice>();
    unique_variant description;
    CallResult call = Call(device.get(), L"Open", Args(MakeVariant(L"DEV1"), Ref(description)));
    EXPECT_EQ(call.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(call.description, L"Менеджер оборудования недоступен");
    EXPECT_EQ(device->DeviceID(), L"DEV1");
}

TEST_F(OpenedDevice, OpenFixesTheDeviceFolderFromTheHost) {
    EXPECT_EQ(device->DeviceFolder(), devices.path() + L"DEV1\\");
    EXPECT_EQ(device->GetModelFolder(), L"C:\\models\\\\");
    EXPECT_EQ(device->GetLanguage(), L"ru");
    EXPECT_FALSE(CallOpen(MakeVariant(7)));
    EXPECT_EQ(device->DeviceID(), L"");
}

TEST_F(OpenedDevice, AnEmptyDevicesFolderLeavesTheDeviceFolderEmpty) {
    manager->SetAppProperty(L"DevicesFolder", L"");
    ASSERT_TRUE(CallOpen(MakeVariant(L"DEV2")));
    EXPECT_EQ(device->DeviceFolder(), L"");
}

TEST_F(OpenedDevice, CloseKeepsTheDeviceEnabled) {
    unique_variant outData;
    ASSERT_TRUE(CallPublic(L"Enable", outData));
    EXPECT_TRUE(VariantToBool(Call(device.get(), L"Close", {}).result.get()));
    EXPECT_EQ(device->DeviceState(), dsEnabled);
    EXPECT_EQ(device->EqManager(), nullptr);
}

TEST_F(OpenedDevice, EnablingTwiceRunsTheStepTwiceAndWritesOneHeader) {
    SwitchDebugLogOn();
    unique_variant outData;
    ASSERT_TRUE(CallPublic(L"Enable", outData));
    ASSERT_TRUE(CallPublic(L"Enable", outData));
    EXPECT_EQ(TestDevice::steps, (std::vector<std::wstring>{L"DoEnable", L"DoEnable"}));

    const auto lines = LogLines();
    int headers = 0;
    for (const auto& line : lines)
        headers += line.ends_with(L"\t============Begin debug log=============");
    EXPECT_EQ(headers, 1);
}

TEST_F(OpenedDevice, TheHeaderListsVersionDeviceAndSettingsInOrder) {
    SwitchDebugLogOn();
    device->DeclareSecretSetting(L"DefaultTimeOut");
    ASSERT_EQ(device->Enable(), 0);
    std::vector<std::wstring> tails;
    for (const auto& line : LogLines())
        tails.push_back(line.substr(line.find(L"}\t") + 2));
    const TModuleVersion version = GetModuleVersion();
    const std::vector<std::wstring> expected = {
        std::wstring(40, L' '),
        L"============Begin debug log=============",
        FormatText(L"driver ver.: \t%d.%d.%d", version.Major, version.Minor, version.Build),
        L"device ID: \tDEV1",
        L"----------------Settings----------------",
        L"DefaultTimeOut: \t***",
        L"EventLogEnabled: \tFalse",
        L"DebugLogEnabled: \tTrue",
        L"----------------------------------------",
    };
    EXPECT_EQ(tails, expected);
}

TEST_F(OpenedDevice, DisablingSwitchesLoggingOffEvenWhenTheStepFails) {
    SwitchDebugLogOn();
    ASSERT_EQ(device->Enable(), 0);
    device->disableCode = 1007;
    unique_variant outData;
    EXPECT_FALSE(CallPublic(L"Disable", outData));
    EXPECT_EQ(ErrorText(outData), L"Шлюз молчит");
    EXPECT_FALSE(device->DebugLogEnabled());
    EXPECT_EQ(device->DeviceState(), dsEnabled);
}

TEST_F(OpenedDevice, ADriverWithoutSettingsDialogSaysSo) {
    unique_variant outData;
    EXPECT_FALSE(CallPublic(L"ShowSettingsDlg", outData));
    EXPECT_EQ(ErrorCode(outData), 1003);
    EXPECT_EQ(ErrorText(outData), L"Команда не поддерживается устройством");
}

TEST_F(OpenedDevice, CheckHealthOfAnEnabledDeviceLeavesItEnabled) {
    ASSERT_EQ(device->Enable(), 0);
    TestDevice::steps.clear();
    unique_variant outData;
    EXPECT_TRUE(CallPublic(L"CheckHealth", outData));
    EXPECT_TRUE(device->Enabled());
    EXPECT_TRUE(TestDevice::steps.empty());
}

TEST_F(OpenedDevice, CheckHealthOfADisabledDeviceEnablesAndDisablesIt) {
    unique_variant outData;
    EXPECT_TRUE(CallPublic(L"CheckHealth", outData));
    EXPECT_EQ(TestDevice::steps, (std::vector<std::wstring>{L"DoEnable", L"DoDisable"}));
    EXPECT_EQ(device->DeviceState(), dsInited);
}

TEST_F(OpenedDevice, CheckHealthReportsTheDriversTextForTheCode) {
    device->enableCode = 1007;
    device->enableText = L"своё объяснение";
    unique_variant outData;
    EXPECT_FALSE(CallPublic(L"CheckHealth", outData));
    EXPECT_EQ(ErrorCode(outData), 1007);
    EXPECT_EQ(ErrorText(outData), L"Шлюз молчит");
}

TEST_F(OpenedDevice, EnableFailureWithoutTextGetsTheDriversText) {
    device->enableCode = 1007;
    std::wstring description;
    EXPECT_EQ(device->Enable(description), 1007);
    EXPECT_EQ(description, L"Шлюз молчит");
    EXPECT_EQ(device->DeviceState(), dsInited);
}

TEST_F(OpenedDevice, TheEnabledPropertyRunsTheStepsOnlyOnChange) {
    device->SetEnabled(true);
    device->SetEnabled(true);
    device->SetEnabled(false);
    EXPECT_EQ(TestDevice::steps, (std::vector<std::wstring>{L"DoEnable", L"DoDisable"}));
}

TEST_F(OpenedDevice, DestroyingAnEnabledDriverDisablesItFirst) {
    ASSERT_EQ(device->Enable(), 0);
    TestDevice::steps.clear();
    device.reset();
    EXPECT_EQ(TestDevice::steps, (std::vector<std::wstring>{L"DoDisable", L"DoDestroy"}));
}

// The last step a driver adds releases its gateway client; it runs even when
// disabling fails, and the message window has forgotten the object by then.
TEST_F(OpenedDevice, DestructionRunsEveryStepWhenDisablingRaises) {
    device->disableRaises = true;
    HWND window = device->DeviceHandle();
    TestDevice::steps.clear();
    device.reset();
    EXPECT_EQ(TestDevice::steps, (std::vector<std::wstring>{L"DoDisable", L"DoDestroy"}));
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(OpenedDevice, AFailedInitLeavesStateAndHostPropertiesAsTheyWere) {
    manager->SetAppProperty(L"ModelsFolder", L"C:\\other");
    manager->SetAppProperty(L"Language", L"en");
    device->initCode = 1007;
    EXPECT_FALSE(CallInit());
    EXPECT_EQ(device->DeviceState(), dsInited);
    EXPECT_EQ(device->GetModelFolder(), L"C:\\models\\\\");
    EXPECT_EQ(device->GetLanguage(), L"ru");
}

TEST_F(OpenedDevice, SettingsChangedRunsOnlyAfterASuccessfulSetSettings) {
    unique_variant settings;
    ASSERT_TRUE(CallPublic(L"GetSettings", settings));
    unique_variant outData;
    EXPECT_FALSE(CallPublic(L"SetSettings", outData, MakeVariantArray(MakeVariant(5)).get()));
    EXPECT_TRUE(TestDevice::steps.empty());
    EXPECT_TRUE(CallPublic(L"SetSettings", outData, settings.get()));
    EXPECT_EQ(TestDevice::steps, (std::vector<std::wstring>{L"DoSettingsChanged"}));
}

// A log that cannot be written stays off until its header is written, and the
// call that tried still succeeds.
TEST_F(OpenedDevice, LoggingIsOnOnlyWhenItsHeaderWasWritten) {
    SwitchDebugLogOn();
    unique_handle held = HoldTodaysLog();
    ASSERT_TRUE(held);
    unique_variant outData;
    EXPECT_TRUE(CallPublic(L"Enable", outData));
    EXPECT_FALSE(device->DebugLogEnabled());
    held.reset();
    EXPECT_TRUE(CallPublic(L"Enable", outData));
    EXPECT_TRUE(device->DebugLogEnabled());
    EXPECT_FALSE(LogLines().empty());
}

} // namespace
