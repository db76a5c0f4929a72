// Every driver on the machine reads the cache files while another may rewrite
// them: readers in other processes must never load a truncated catalogue.

#include "common/Module.h"
#include "common/Owners.h"
#include "common/SharedFiles.h"
#include "common/Text.h"
#include "common/uCommonUtils.Folders.h"
#include "common/uCommonUtils.XmlPaths.h"
#include "gateway/CacheFiles.h"
#include "gateway/uDevice.h"

#include <sddl.h>

#include <gtest/gtest.h>

#include <thread>

using namespace svcgate;

namespace {

constexpr const wchar_t* ReaderSwitch = L"SVCGATE_CACHE_READER";
constexpr int Providers = 2000;
constexpr DWORD RaceMs = 3000;

XmlDocument Catalogue() {
    std::wstring xml = L"<providers>";
    for (int k = 0; k < Providers; ++k)
        xml += L"<provider id=\"" + std::to_wstring(k) +
               L"\" lName=\"Поставщик услуг\"><pages><page><controls/></page></pages></provider>";
    XmlDocument doc;
    doc.LoadXml(xml + L"</providers>");
    return doc;
}

unique_handle StartReader() {
    std::wstring command = L"\"" + ThisModulePath() + L"\" --gtest_filter=CacheRace.Reader";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return {};
    unique_handle thread(process.hThread);
    return unique_handle(process.hProcess);
}

TEST(CacheRace, ReadersNeverLoadAHalfWrittenCatalogue) {
    const XmlDocument catalogue = Catalogue();
    SaveXmlToDataFolder(catalogue, L"providers.xml");
    SetEnvironmentVariableW(ReaderSwitch, L"1");
    unique_handle readers[] = {StartReader(), StartReader()};
    SetEnvironmentVariableW(ReaderSwitch, nullptr);
    const DWORD start = GetTickCount();
    int writes = 0;
    for (; GetTickCount() - start < RaceMs; ++writes)
        SaveXmlToDataFolder(catalogue, L"providers.xml");
    for (const unique_handle& reader : readers) {
        ASSERT_TRUE(reader);
        ASSERT_EQ(WaitForSingleObject(reader.get(), 60000), WAIT_OBJECT_0);
        DWORD status = 1;
        GetExitCodeProcess(reader.get(), &status);
        EXPECT_EQ(status, 0u) << "a reader met a broken catalogue";
    }
    EXPECT_GT(writes, 5);
}

// The driver of another user's session on the machine opens the lock that this
// session's driver made.
TEST(CacheRace, EveryUserMayTakeTheLock) {
    const CacheFilesLock lock;
    ASSERT_TRUE(lock.Held());
    const unique_handle mutex(
        OpenMutexW(READ_CONTROL, FALSE, L"Global\\VelmoraSvcGate.CacheFiles"));
    ASSERT_TRUE(mutex);
    std::vector<char> descriptor(4096);
    DWORD size = 0;
    ASSERT_TRUE(GetKernelObjectSecurity(mutex.get(), DACL_SECURITY_INFORMATION, descriptor.data(),
                                        DWORD(descriptor.size()), &size));
    unique_hlocal text;
    ASSERT_TRUE(ConvertSecurityDescriptorToStringSecurityDescriptorW(
        descriptor.data(), SDDL_REVISION_1, DACL_SECURITY_INFORMATION, text.put_as<wchar_t>(),
        nullptr));
    const std::wstring dacl = static_cast<const wchar_t*>(text.get());
    EXPECT_TRUE(dacl.find(L"(A;;GA;;;WD)") != std::wstring::npos ||
                dacl.find(L"(A;;0x1f0001;;;WD)") != std::wstring::npos)
        << WideToUtf8(dacl);
}

void SaveProviders(const std::wstring& id) {
    XmlDocument doc;
    doc.LoadXml(L"<providers><provider id=\"" + id +
                L"\" lName=\"P\"><pages><page><controls/></page></pages></provider></providers>");
    SaveXmlToDataFolder(doc, L"providers.xml");
}

void SaveConfigID(const std::wstring& id) {
    WriteIniText(GetDataFolder() + L"settings.sts", L"OPTIONS", L"TerminalConfigID", id);
}

// The configuration identifier of one refresh is never read beside the
// catalogue of another: a reader waits while a writer replaces the set.
TEST(CacheRace, AReaderWaitsForTheWholeSetOfAWriter) {
    SaveConfigID(L"A");
    SaveProviders(L"a1");
    const unique_handle taken(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread writer([&] {
        const unique_cominit com(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
        const CacheFilesLock lock;
        SetEvent(taken.get());
        SaveConfigID(L"B");
        Sleep(300);
        SaveProviders(L"b1");
    });
    WaitForSingleObject(taken.get(), INFINITE);
    TDevice client;
    client.ReadSettings();
    writer.join();
    EXPECT_EQ(client.TerminalConfigID(), L"B");
    ASSERT_GT(client.Providers().Count(), 0u);
    EXPECT_EQ(client.Providers().GetItem(0).ProviderID(), L"b1");
}

// Runs only as a child of ReadersNeverLoadAHalfWrittenCatalogue.
TEST(CacheRace, Reader) {
    if (!GetEnvironmentVariableW(ReaderSwitch, nullptr, 0))
        GTEST_SKIP() << "run by ReadersNeverLoadAHalfWrittenCatalogue";
    const std::wstring file = GetDataFolder() + L"providers.xml";
    const DWORD start = GetTickCount();
    for (int reads = 0; GetTickCount() - start < RaceMs; ++reads) {
        XmlDocument doc;
        const std::optional<std::string> bytes = ReadSharedFile(file);
        ASSERT_TRUE(bytes && doc.LoadBytes(*bytes))
            << "read " << reads << ": " << (bytes ? bytes->size() : 0) << " bytes, "
            << WideToUtf8(doc.ParseErrorReason());
        ASSERT_EQ(doc.SelectNodes(L"//provider").size(), size_t(Providers));
    }
}

} // namespace
