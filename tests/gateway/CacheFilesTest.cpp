// A cache file reaches the disk before it takes its place: the move alone would
// not make its new contents survive a power cut.

#include "gateway/CacheFiles.h"
#include "gateway/PendingRegistration.h"

#include "../support/Files.h"

#include "common/SharedFiles.h"
#include "common/Xml.h"

#include <gtest/gtest.h>

#include <functional>

using namespace svcgate;

namespace {

using Flush = BOOL(WINAPI*)(HANDLE);
const Flush RealFlush = reinterpret_cast<Flush>(
    reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "FlushFileBuffers")));
using Move = BOOL(WINAPI*)(LPCWSTR, LPCWSTR, DWORD);
const Move RealMove = reinterpret_cast<Move>(
    reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "MoveFileExW")));
// The calls in the order they came: a flush after the move would leave the new
// name on the disk with contents a power cut may tear.
std::string calls;

BOOL WINAPI CountedFlush(HANDLE file) {
    calls += "flush ";
    return RealFlush(file);
}

BOOL WINAPI CountedMove(LPCWSTR from, LPCWSTR to, DWORD flags) {
    calls += "move ";
    return RealMove(from, to, flags);
}

// Points this program's import of `real` at `replacement` while it lives.
class ImportHook {
public:
    ImportHook(void* real, void* replacement) {
        auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
            base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
        auto* import = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(
            base + nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
        for (; import->Name; ++import)
            for (auto* thunk = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->FirstThunk);
                 thunk->u1.Function; ++thunk)
                if (thunk->u1.Function == reinterpret_cast<ULONG_PTR>(real))
                    slot_ = &thunk->u1.Function;
        if (slot_)
            Set(reinterpret_cast<ULONG_PTR>(replacement));
        real_ = reinterpret_cast<ULONG_PTR>(real);
    }
    ~ImportHook() {
        if (slot_)
            Set(real_);
    }
    bool Hooked() const { return slot_ != nullptr; }

private:
    void Set(ULONG_PTR value) {
        DWORD old = 0;
        VirtualProtect(slot_, sizeof value, PAGE_READWRITE, &old);
        *slot_ = value;
        VirtualProtect(slot_, sizeof value, old, &old);
    }
    ULONG_PTR* slot_ = nullptr;
    ULONG_PTR real_ = 0;
};

struct Writer {
    const char* name;
    std::function<void(const std::wstring& folder)> write;
};

void PrintTo(const Writer& writer, std::ostream* out) {
    *out << writer.name;
}

class CacheFile : public testing::TestWithParam<Writer> {};

TEST_P(CacheFile, ReachesTheDiskBeforeItTakesItsPlace) {
    const test::TempFolder folder;
    const ImportHook flush(reinterpret_cast<void*>(RealFlush),
                           reinterpret_cast<void*>(CountedFlush));
    const ImportHook move(reinterpret_cast<void*>(RealMove), reinterpret_cast<void*>(CountedMove));
    ASSERT_TRUE(flush.Hooked());
    ASSERT_TRUE(move.Hooked());
    calls.clear();
    GetParam().write(folder.path());
    EXPECT_EQ(calls, "flush move ");
}

INSTANTIATE_TEST_SUITE_P(
    Writers, CacheFile,
    testing::Values(Writer{"INI value",
                           [](const std::wstring& folder) {
                               WriteIniText(folder + L"a.sts", L"OPTIONS", L"Key", L"value");
                           }},
                    Writer{"lines",
                           [](const std::wstring& folder) {
                               WriteTextLines(folder + L"a.sl", {L"1=one"});
                           }},
                    Writer{"terminal payments",
                           [](const std::wstring&) {
                               StoreTerminalPayments(L"77", {41, 17, {}, false});
                           }},
                    Writer{"XML document", [](const std::wstring& folder) {
                               XmlDocument doc;
                               doc.LoadXml(L"<providers/>");
                               ReplaceFile(folder + L"a.xml",
                                           [&](const std::wstring& path) { doc.Save(path); });
                           }}));

} // namespace
