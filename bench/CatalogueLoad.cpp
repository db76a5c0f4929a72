// Reading the cached catalogue "providers.xml" of 10,000 providers with three
// controls each, beside the bare parser's work on the same file: loading it and
// selecting every provider's controls with a relative path.

#include "support/Timing.h"

#include "catalogue/uDeviceTypes.h"
#include "common/Text.h"

#include <cstdio>

using namespace svcgate;

namespace {

constexpr int ProviderCount = 10000;
constexpr int ProfileCount = 100;
constexpr int Rounds = 7;

std::wstring ProviderElement(int index) {
    const std::wstring controls =
        L"<control type='text_input' name='account' header='Номер лицевого счёта' "
        L"footer='10 цифр без пробелов' mask='\\d{10}' disp_type='identification'/>"
        L"<control type='text_input' name='period' header='Период оплаты' mask='\\d{2}\\.\\d{4}'/>"
        L"<control type='text_input' name='phone' header='Телефон плательщика' "
        L"footer='Для уведомлений' mask='\\d{10}'/>";
    return FormatText(L"<provider id='%d' lName='Городская управляющая компания № %d' "
                      L"inn='77%08d' supportPhone='+7 (495) 123-45-67' receiptName='УК № %d' "
                      L"sName='УК %d' curId='643' maxSum='15000' minSum='1' "
                      L"needPersonalInfo='%d' fix-com='%d.5' profile-id='P%d'>"
                      L"<pages><page><controls>%s</controls></page></pages></provider>",
                      100000 + index, index, index, index, index, index % 2, index % 10,
                      index % ProfileCount, controls.c_str());
}

std::wstring ProfileElement(int index) {
    return FormatText(L"<profile id='P%d'><profile-data order='2' com-percent='1.5' "
                      L"com-min='10' com-max='500' to-amount='100000'/><profile-data "
                      L"order='1' com-fix='5' from-hour='9:00:00' to-hour='18:00:00'/></profile>",
                      index);
}

// The cache file as the driver writes it: through the catalogue's own save.
void WriteCacheFile(const std::wstring& file) {
    std::wstring xml = L"<r>";
    for (int i = 0; i < ProviderCount; ++i)
        xml += ProviderElement(i);
    for (int i = 0; i < ProfileCount; ++i)
        xml += ProfileElement(i);
    XmlDocument source;
    bench::Expect(source.LoadXml(xml + L"</r>"), L"the generated catalogue");
    TProviders providers;
    providers.LoadUIFromXML(source.SelectNodes(L"//provider"), true);
    providers.ComissinProfiles().LoadFromXML(source.SelectNodes(L"//profile"));
    providers.SaveToXML().Save(file);
}

void BareParser(const std::wstring& file) {
    XmlDocument doc;
    bench::Expect(doc.Load(file), L"the cache file loads");
    size_t controls = 0;
    for (const XmlNode& provider : doc.SelectNodes(L"//provider"))
        controls += provider.SelectNodes(L"./pages/page/controls/control").size();
    bench::Expect(controls == ProviderCount * 3 + 1, L"every control selected");
}

void ReadCatalogue(const std::wstring& file, TProviders& providers) {
    XmlDocument doc;
    bench::Expect(doc.Load(file), L"the cache file loads");
    providers.LoadUIFromXML(doc.SelectNodes(L"//provider"), true);
    providers.ComissinProfiles().LoadFromXML(doc.SelectNodes(L"//profile"));
    bench::Expect(providers.Count() == ProviderCount + 1 &&
                      providers.GetItem(7).ProviderControls().Count() == 3,
                  L"every provider loaded");
}

// What the heaps hold in use: unlike the committed memory, it drops again when
// the parser's document is released.
size_t BytesInUse() {
    HANDLE heaps[256];
    const DWORD count = GetProcessHeaps(256, heaps);
    size_t total = 0;
    for (DWORD i = 0; i < count && i < 256; ++i) {
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                total += entry.cbData;
    }
    return total;
}

// A read of the file takes about a second: the table's whole calls per second
// and one decimal say too little.
void PrintDetails(const std::wstring& file, const std::vector<bench::Figure>& figures) {
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &attributes);
    std::printf("\nThe cache file: %.1f MB\n", attributes.nFileSizeLow / 1048576.0);
    for (const bench::Figure& figure : figures)
        std::printf("%-40s %6.0f ms %6.2f\n", figure.name.c_str(), 1000 / figure.callsPerSecond,
                    figure.costRatio);
    const size_t before = BytesInUse();
    TProviders providers;
    ReadCatalogue(file, providers);
    std::printf("The loaded catalogue, its document released: %.1f MB in use\n",
                (BytesInUse() - before) / 1048576.0);
}

void Run() {
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring file = std::wstring(folder) + L"svcgate-bench-providers.xml";
    WriteCacheFile(file);
    const std::vector<bench::Figure> figures =
        bench::Compare({"MSXML load and selections (baseline)", [&] { BareParser(file); }},
                       {{"LoadUIFromXML and profiles",
                         [&] {
                             TProviders providers;
                             ReadCatalogue(file, providers);
                         }}},
                       1, Rounds);
    bench::PrintTable("Reading a cache file of " + std::to_string(ProviderCount) +
                          " providers, medians of " + std::to_string(Rounds) + " rounds",
                      figures);
    PrintDetails(file, figures);
    DeleteFileW(file.c_str());
}

} // namespace

int main() {
    return bench::RunInApartment(Run);
}
