#pragma once
// A driver whose steps the tests steer and count, and the host around it.

#include "../support/Files.h"
#include "../support/Host.h"

#include "common/Exception.h"
#include "common/Text.h"
#include "common/Variants.h"
#include "device/uBaseDevice.h"
#include "eqmanager/EqManager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace svcgate::test {

class TestDevice : public TBaseDevice {
public:
    // Steps in the order they ran, kept past the object's own life.
    static inline std::vector<std::wstring> steps;

    std::int32_t enableCode = 0;
    std::wstring enableText;
    std::int32_t disableCode = 0;
    bool disableRaises = false;
    std::int32_t initCode = 0;

    using TBaseDevice::DeclareSecretSetting;

    std::int32_t DoInit(std::wstring&) override { return initCode; }
    void DoSettingsChanged() override { steps.push_back(L"DoSettingsChanged"); }
    LRESULT WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) override {
        if (Msg == WM_DESTROY)
            steps.push_back(L"WM_DESTROY");
        return TBaseDevice::WndProc(Msg, wParam, lParam);
    }

    std::int32_t DoEnable(std::wstring& ResultDescription) override {
        steps.push_back(L"DoEnable");
        ResultDescription = enableText;
        return enableCode;
    }
    std::int32_t DoDisable(std::wstring&) override {
        steps.push_back(L"DoDisable");
        if (disableRaises)
            throw Exception(L"сбой отключения");
        return disableCode;
    }
    void DoDestroy() override { steps.push_back(L"DoDestroy"); }
    std::wstring GetDriverResultDescription(std::int32_t code) override {
        return code == 1007 ? L"Шлюз молчит" : TBaseDevice::GetDriverResultDescription(code);
    }
};

// A driver handed its equipment manager and device identifier, as the host does
// before anything else.
class OpenedDevice : public testing::Test {
protected:
    TempFolder devices;
    com_ptr<tools::EqManager> manager = tools::CreateEqManager();
    com_ptr<TestDevice> device = TBaseObject::Create<TestDevice>();

    void SetUp() override {
        TestDevice::steps.clear();
        manager->SetAppProperty(L"DevicesFolder", devices.path());
        manager->SetAppProperty(L"ModelsFolder", L"C:\\models");
        manager->SetAppProperty(L"Language", L"ru");
        CreateDirectoryW((devices.path() + L"DEV1").c_str(), nullptr);
        ASSERT_TRUE(CallInit());
        ASSERT_TRUE(CallOpen(MakeVariant(L"DEV1")));
    }

    bool CallInit() {
        unique_variant description;
        return VariantToBool(
            Call(device.get(), L"Init", Args(MakeDispatchVariant(manager.get()), Ref(description)))
                .result.get());
    }
    bool CallOpen(unique_variant id) {
        unique_variant description;
        return VariantToBool(
            Call(device.get(), L"Open", Args(std::move(id), Ref(description))).result.get());
    }
    bool CallPublic(const std::wstring& name, unique_variant& OutData,
                    const VARIANT& InData = unique_variant().get()) {
        return test::CallPublic(device.get(), name, InData, OutData);
    }
    void SwitchDebugLogOn() {
        device->SetSettingValue(L"DebugLogEnabled", MakeBoolVariant(true).get());
    }
    // Another program holding today's log file of the device without sharing it.
    unique_handle HoldTodaysLog() {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        const std::wstring file = devices.path() + FormatText(L"DEV1\\Debug_%04u.%02u.%02u.log",
                                                              now.wYear, now.wMonth, now.wDay);
        return unique_handle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    std::vector<std::wstring> LogLines() {
        const auto files = FilesIn(devices.path() + L"DEV1\\", L"Debug_");
        return files.size() == 1 ? ReadAnsiLines(files[0]) : std::vector<std::wstring>();
    }
};

} // namespace svcgate::test
