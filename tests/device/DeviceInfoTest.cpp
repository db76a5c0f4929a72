#include "TestDevice.h"

#include "common/Module.h"

#include <gtest/gtest.h>

#include <vector>

using namespace svcgate;
using namespace svcgate::test;

namespace {

// The version resource as the platform reads it, independently of the driver.
std::vector<int> PlatformFileVersion() {
    const std::wstring file = ThisModulePath();
    DWORD ignored = 0;
    std::vector<BYTE> block(GetFileVersionInfoSizeW(file.c_str(), &ignored));
    GetFileVersionInfoW(file.c_str(), 0, static_cast<DWORD>(block.size()), block.data());
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length);
    return {HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
            HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS)};
}

TEST_F(OpenedDevice, DeviceInfoIsFifteenTypedElements) {
    unique_variant outData;
    ASSERT_TRUE(CallPublic(L"GetDeviceInfo", outData));
    SAFEARRAY* info = ArrayOf(outData.get());
    ASSERT_EQ(LowerBound(info), 0);
    ASSERT_EQ(UpperBound(info), 14);
    for (long i = 0; i <= 14; ++i) {
        const VARTYPE expected = i == 8 ? VT_BOOL : (i >= 3 && i <= 5) || i == 7 ? VT_I4 : VT_BSTR;
        EXPECT_EQ(GetElement(info, i).vt(), expected) << "element " << i;
    }
    EXPECT_EQ(VariantToText(GetElement(info, 0).get()), L"Unknown");
    EXPECT_EQ(VariantToInt(GetElement(info, 7).get()), 1);
    EXPECT_FALSE(VariantToText(GetElement(info, 10).get()).empty());
}

TEST_F(OpenedDevice, VersionNumbersComeFromTheModulesVersionResource) {
    const std::vector<int> version = PlatformFileVersion();
    ASSERT_NE(version, (std::vector<int>{0, 0, 0, 0}));
    const TDeviceInfoStruct& info = device->DeviceInfo();
    EXPECT_EQ(info.MajorVersion, version[0]);
    EXPECT_EQ(info.MinorVersion, version[1]);
    EXPECT_EQ(info.BuildVersion, version[3]);
    EXPECT_EQ(device->GetDeviceVersion(),
              FormatText(L"%d.%d.%d", version[0], version[1], version[3]));
}

TEST(DeviceInfo, AFileWithoutVersionGivesZeros) {
    const TModuleVersion version = GetModuleVersion(L"C:\\windows\\win.ini");
    EXPECT_EQ(version.Major + version.Minor + version.Release + version.Build, 0);
}

TEST(DeviceInfo, TypeNamesAreLookedUpExactly) {
    EXPECT_EQ(DeviceTypeDescription(L"ServiceTerminal"), L"Терминал услуг");
    EXPECT_EQ(DeviceTypeDescription(L"serviceterminal"), L"serviceterminal");
    EXPECT_EQ(DeviceTypeDescription(L"Unknown"), L"Неизвестный тип");
    EXPECT_EQ(DeviceTypeDescription(L"Thermometer"), L"Термометр");
}

TEST(DeviceInfo, ContactTextHasFourLabelledLinesEvenWhenEmpty) {
    EXPECT_EQ(ContactInfoText(TDeviceInfoStruct{}),
              L"E-mail:\t\r\nWeb:\t\r\nТел:\t\r\nАдрес:\t\r\n");
    TDeviceInfoStruct info;
    info.CI_email = L"a@b";
    info.CI_address = L"100% улица";
    EXPECT_EQ(ContactInfoText(info), L"E-mail:\ta@b\r\nWeb:\t\r\nТел:\t\r\nАдрес:\t100% улица\r\n");
}

} // namespace
