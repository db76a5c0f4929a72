#include "common/ComObject.h"
#include "common/ComServer.h"
#include "common/Module.h"

#include <gtest/gtest.h>

using namespace svcgate;

namespace {

class Plain final : public ComObject<IUnknown> {};

const ComClass served{
    {0x1c0ffee0, 0x5eed, 0x4a11, {0x8b, 0x0b, 0x5a, 0x1e, 0x00, 0x00, 0x00, 0x01}},
    L"SvcGate.ComServerTest",
    L"Test class",
    [] { return com_ptr<IUnknown>(new Plain()); },
};

com_ptr<IClassFactory> ClassFactory() {
    com_ptr<IClassFactory> factory;
    EXPECT_EQ(ServeClassObject(served, served.ClassID, IID_IClassFactory, factory.put_void()),
              S_OK);
    return factory;
}

// Every object and every lock keeps the module loaded, the factory included; each
// is seen doing it alone.
TEST(ComServer, TheModuleStaysWhileAnObjectLivesOrTheServerIsLocked) {
    ASSERT_EQ(ModuleCanUnloadNow(), S_OK);
    com_ptr<IUnknown> object;
    {
        const com_ptr<IClassFactory> factory = ClassFactory();
        ASSERT_TRUE(factory);
        EXPECT_EQ(ModuleCanUnloadNow(), S_FALSE) << "the factory";
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, object.put_void()), S_OK);
    }
    EXPECT_EQ(ModuleCanUnloadNow(), S_FALSE) << "the object";
    object.reset();
    EXPECT_EQ(ModuleCanUnloadNow(), S_OK);

    ASSERT_EQ(ClassFactory()->LockServer(TRUE), S_OK);
    EXPECT_EQ(ModuleCanUnloadNow(), S_FALSE) << "the lock";
    ASSERT_EQ(ClassFactory()->LockServer(FALSE), S_OK);
    EXPECT_EQ(ModuleCanUnloadNow(), S_OK);
}

std::wstring RegistryText(HKEY root, const std::wstring& path, const wchar_t* name = nullptr) {
    wchar_t text[MAX_PATH] = {};
    DWORD size = sizeof(text);
    const LONG status = RegGetValueW(root, path.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size);
    return status == ERROR_SUCCESS ? text : L"<none>";
}

// For the machine, or for the current user alone where a shop has no administrator.
class Registration : public testing::TestWithParam<HKEY> {};

TEST_P(Registration, WritesTheClassAndUnregistrationRemovesIt) {
    const HKEY root = GetParam();
    const std::wstring progId = L"Software\\Classes\\SvcGate.ComServerTest";
    const std::wstring clsid = L"Software\\Classes\\CLSID\\{1C0FFEE0-5EED-4A11-8B0B-5A1E00000001}";
    ASSERT_EQ(RegisterComClass(served, root), S_OK);
    EXPECT_EQ(RegistryText(root, progId), L"Test class");
    EXPECT_EQ(RegistryText(root, progId + L"\\CLSID"), L"{1C0FFEE0-5EED-4A11-8B0B-5A1E00000001}");
    EXPECT_EQ(RegistryText(root, clsid), L"Test class");
    EXPECT_EQ(RegistryText(root, clsid + L"\\ProgID"), L"SvcGate.ComServerTest");
    EXPECT_EQ(RegistryText(root, clsid + L"\\InprocServer32"), ThisModulePath());
    EXPECT_EQ(RegistryText(root, clsid + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    const HKEY other = root == HKEY_CURRENT_USER ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    EXPECT_EQ(RegistryText(other, progId), L"<none>");

    ASSERT_EQ(UnregisterComClass(served, root), S_OK);
    EXPECT_EQ(RegistryText(root, progId), L"<none>");
    EXPECT_EQ(RegistryText(root, clsid), L"<none>");
}

INSTANTIATE_TEST_SUITE_P(Scopes, Registration,
                         testing::Values(HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER));

} // namespace
