// secrets-scan: after the campaign, no file under the folders given (the data
// folder always among them) may hold the dealer's password, its scrambled form
// or its MD5 digest, nor a payer's personal data, in any encoding. The scan
// first identifies a payer of its own with the debug log on, so that the log
// and the request dump have had that data to leak; the log must show the call,
// and the request dump the masks.

#include "campaign/Campaign.h"
#include "campaign/DriverHost.h"
#include "campaign/Processes.h"

#include "common/Dispatch.h"
#include "common/Exception.h"
#include "common/SharedFiles.h"
#include "common/Text.h"
#include "common/Variants.h"
#include "common/uCommonUtils.Dates.h"
#include "common/uCommonUtils.Encodings.h"
#include "common/uCommonUtils.Folders.h"
#include "common/uSimpleCrypt.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

using namespace svcgate;
using namespace svcgate::campaign;

namespace {

// The payer the scan identifies, with values no other campaign program uses.
constexpr const wchar_t* PayerPhone = L"+79165550147";
constexpr const wchar_t* PayerFirstName = L"Евлампий";
constexpr const wchar_t* PayerMiddleName = L"Аристархович";
constexpr const wchar_t* PayerLastName = L"Пафнутьев";
constexpr const wchar_t* PayerPassport = L"4510 918273";
constexpr const wchar_t* PayerINN = L"502918273645";
constexpr const wchar_t* PayerSnils = L"112-233-445 95";
constexpr const wchar_t* PayerOMS = L"7754321098765432";
// 5 March 1981, which the request writes as 05.03.1981.
constexpr double PayerBirthDate = 29650;

unique_variant PayerBirthDateValue() {
    return ConvertVariant(MakeVariant(PayerBirthDate).get(), VT_DATE);
}

// One identification through the registered driver with the debug log on;
// false when it did not go through.
bool IdentifyPayer(const std::wstring& folder) {
    SimulatorProcess simulator(CampaignPassword, {});
    DriverHost host(folder, L"SECRETS");
    host.Configure(GatewaySettings(simulator.Url(), CampaignPassword, 10000, true));
    return host.Call(L"Enable").ok &&
           host.Call(L"SetIdentifyClient",
                     InArray(Args(MakeVariant(L""), MakeVariant(PayerPhone),
                                  MakeVariant(PayerFirstName), MakeVariant(PayerMiddleName),
                                  MakeVariant(PayerLastName), MakeVariant(PayerPassport),
                                  MakeVariant(PayerINN), MakeVariant(PayerSnils),
                                  MakeVariant(PayerOMS), PayerBirthDateValue())))
               .ok;
}

struct Needle {
    std::string form;
    std::string bytes;
};

std::string Utf16(const std::string& ascii) {
    const std::wstring wide = Utf8ToWide(ascii);
    return std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    });
    return text;
}

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (const char c : bytes) {
        text += digits[static_cast<unsigned char>(c) >> 4];
        text += digits[static_cast<unsigned char>(c) & 15];
    }
    return text;
}

// Each secret as bytes, as hexadecimal text in both cases and as Base64, each
// text also in UTF-16. The payer's data is written as text: in the ANSI code
// page, as the log and the request dump write it, and in UTF-8.
std::vector<Needle> Needles(const std::wstring& password) {
    const std::string plain = WideToUtf8(password);
    const std::string digestHex = WideToUtf8(MD5HexUpper(password));
    std::string digest;
    for (size_t i = 0; i + 1 < digestHex.size(); i += 2)
        digest += static_cast<char>(std::stoi(digestHex.substr(i, 2), nullptr, 16));
    const std::vector<std::pair<std::string, std::string>> secrets{
        {"password", plain},
        {"scrambled password", ScrambleValue(WideToAnsi(password), false)},
        {"MD5 digest", digest},
        {"phone", WideToAnsi(PayerPhone)},
        {"first name", WideToAnsi(PayerFirstName)},
        {"middle name", WideToAnsi(PayerMiddleName)},
        {"last name", WideToAnsi(PayerLastName)},
        {"passport number", WideToAnsi(PayerPassport)},
        {"INN", WideToAnsi(PayerINN)},
        {"SNILS", WideToAnsi(PayerSnils)},
        {"OMS policy", WideToAnsi(PayerOMS)},
        {"birth date", WideToAnsi(DateToText(PayerBirthDate))},
        {"birth date as the log writes dates",
         WideToAnsi(VariantToText(PayerBirthDateValue().get()))}};
    std::vector<Needle> needles;
    for (const auto& [name, bytes] : secrets) {
        const std::vector<std::pair<std::string, std::string>> texts{
            {"hex upper", Hex(bytes)},
            {"hex lower", Lower(Hex(bytes))},
            {"Base64", WideToUtf8(Base64Encode(bytes))}};
        needles.push_back({name + " as bytes", bytes});
        needles.push_back({name + " in UTF-16", Utf16(bytes)});
        for (const auto& [encoding, text] : texts) {
            needles.push_back({name + " " + encoding, text});
            needles.push_back({name + " " + encoding + " in UTF-16", Utf16(text)});
        }
    }
    return needles;
}

class Scan {
public:
    // `marker`: what the file of an expected line holds, counted apart.
    Scan(std::vector<Needle> needles, std::string marker)
        : needles_(std::move(needles)), marker_(std::move(marker)) {}

    void Folder(const std::wstring& folder) {
        for (const std::filesystem::path& file : FilesUnder(folder))
            File(file.wstring());
    }

    long Files() const { return files_; }
    long Hits() const { return hits_; }
    long Marked() const { return marked_; }

private:
    void File(const std::wstring& path) {
        ++files_;
        const std::string bytes = ReadSharedFile(path).value_or("");
        if (bytes.find(marker_) != std::string::npos)
            ++marked_;
        for (const Needle& needle : needles_)
            if (!needle.bytes.empty() && bytes.find(needle.bytes) != std::string::npos) {
                ++hits_;
                std::printf("SECRET in %s: %s\n", Narrow(path).c_str(), needle.form.c_str());
            }
    }

    std::vector<Needle> needles_;
    std::string marker_;
    long files_ = 0;
    long hits_ = 0;
    long marked_ = 0;
};

} // namespace

int main() {
    const unique_cominit com(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    const Options options = ParseOptions(0);
    return RunGuarded([&] {
        const bool identified =
            IdentifyPayer(options.Extra(L"--folder", L"C:\\users\\Public\\secrets"));
        const std::wstring password = options.Extra(L"--password", CampaignPassword);
        // The call stays visible, every value of the payer masked.
        Scan scan(Needles(password), "> SetIdentifyClient: \tInData: [(''; '***'; '***'; '***'; "
                                     "'***'; '***'; '***'; '***'; '***'; '***')]");
        std::wstring folders = options.Extra(L"--folders") + L";" + GetDataFolder();
        for (size_t start = 0; start < folders.size();) {
            const size_t end = std::min(folders.find(L';', start), folders.size());
            std::wstring folder = folders.substr(start, end - start);
            if (folder.ends_with(L'\\'))
                folder.pop_back();
            if (!folder.empty())
                scan.Folder(folder);
            start = end + 1;
        }
        const std::string dump = ReadSharedFile(GetDataFolder() + L"Request.xml").value_or("");
        const bool masked =
            dump.find("sign=\"***\"") != std::string::npos &&
            dump.find("<passport-number>***</passport-number>") != std::string::npos;
        Figure("payer identified with the debug log on", identified ? "yes" : "no");
        Figure("files scanned", scan.Files());
        Figure("forms looked for", static_cast<long long>(Needles(password).size()));
        Figure("files holding a secret", scan.Hits());
        Figure("log files showing the masked identification", scan.Marked());
        Figure("request dump holds the masks", masked ? "yes" : dump.empty() ? "no dump" : "no");
        return identified && scan.Hits() == 0 && scan.Marked() > 0 && masked ? 0 : 1;
    });
}
