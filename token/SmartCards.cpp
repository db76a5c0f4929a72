#include "token/SmartCards.h"

#include "common/Owners.h"
#include "common/Text.h"

#include <winscard.h>

#include <algorithm>
#include <optional>

namespace svcgate {

namespace {

struct SmartCardService {
    decltype(&SCardEstablishContext) EstablishContext;
    decltype(&SCardReleaseContext) ReleaseContext;
    decltype(&SCardListReadersW) ListReaders;
    decltype(&SCardGetStatusChangeW) GetStatusChange;
    decltype(&SCardListCardsW) ListCards;
    decltype(&SCardGetCardTypeProviderNameW) GetCardTypeProviderName;
};

template <class Entry> bool Resolve(HMODULE module, const char* name, Entry& entry) {
    // Through void*: GetProcAddress's own function type is unrelated to the entry's.
    entry = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return entry != nullptr;
}

// A service that lacks one of the entry points counts as absent.
std::optional<SmartCardService> LoadService() {
    unique_hmodule module(LoadLibraryW(L"winscard.dll"));
    SmartCardService service{};
    if (!module || !Resolve(module.get(), "SCardEstablishContext", service.EstablishContext) ||
        !Resolve(module.get(), "SCardReleaseContext", service.ReleaseContext) ||
        !Resolve(module.get(), "SCardListReadersW", service.ListReaders) ||
        !Resolve(module.get(), "SCardGetStatusChangeW", service.GetStatusChange) ||
        !Resolve(module.get(), "SCardListCardsW", service.ListCards) ||
        !Resolve(module.get(), "SCardGetCardTypeProviderNameW", service.GetCardTypeProviderName))
        return std::nullopt;
    // The entry points above point into the module: it stays for the life of the process.
    module.detach();
    return service;
}

// Loaded on first use rather than when the module loads: loading a library under
// the loader lock of DllMain can deadlock.
const SmartCardService* Service() {
    static const std::optional<SmartCardService> service = LoadService();
    return service ? &*service : nullptr;
}

void ReleaseSmartCardContext(SCARDCONTEXT context) {
    Service()->ReleaseContext(context);
}

// The release function exists only once the service is loaded, so this owner
// lives beside the loader rather than among the common ones.
using unique_scardcontext = unique_any<resource_traits<SCARDCONTEXT, ReleaseSmartCardContext>>;

// A text the service hands out length first; empty when either query fails.
template <class Query> std::wstring QueryText(Query query) {
    DWORD length = 0;
    if (query(nullptr, &length) != SCARD_S_SUCCESS)
        return {};
    std::wstring text(length, L'\0');
    if (query(text.data(), &length) != SCARD_S_SUCCESS)
        return {};
    text.resize(std::min<size_t>(length, text.size()));
    return text;
}

// The names of a multi-string, which ends with an empty name or with the text.
std::vector<std::wstring> SplitNames(const std::wstring& names) {
    std::vector<std::wstring> result;
    for (size_t at = 0; at < names.size() && names[at] != L'\0';) {
        const size_t end = std::min(names.find(L'\0', at), names.size());
        result.push_back(names.substr(at, end - at));
        at = end + 1;
    }
    return result;
}

class Readers {
public:
    Readers(const SmartCardService& service, SCARDCONTEXT context)
        : service_(service), context_(context) {}

    std::vector<std::wstring> Names() const {
        return SplitNames(QueryText([&](LPWSTR names, LPDWORD length) {
            return service_.ListReaders(context_, nullptr, names, length);
        }));
    }

    // The provider of the first card type that matches the reader's card; empty
    // without a card or when the service refuses a step.
    std::wstring CardProvider(const std::wstring& reader) const {
        SCARD_READERSTATEW state{};
        state.szReader = reader.c_str();
        state.dwCurrentState = SCARD_STATE_UNAWARE;
        if (service_.GetStatusChange(context_, 0, &state, 1) != SCARD_S_SUCCESS ||
            !(state.dwEventState & SCARD_STATE_PRESENT))
            return {};
        const std::vector<std::wstring> cardTypes =
            SplitNames(QueryText([&](LPWSTR names, LPDWORD length) {
                return service_.ListCards(context_, state.rgbAtr, nullptr, 0, names, length);
            }));
        if (cardTypes.empty())
            return {};
        const std::wstring provider = QueryText([&](LPWSTR name, LPDWORD length) {
            return service_.GetCardTypeProviderName(context_, cardTypes.front().c_str(),
                                                    SCARD_PROVIDER_CSP, name, length);
        });
        // The length the service gives counts the terminating zero.
        return provider.substr(0, provider.find(L'\0'));
    }

private:
    const SmartCardService& service_;
    SCARDCONTEXT context_;
};

} // namespace

std::vector<std::wstring> ReadersWithCardsOf(std::wstring_view providerName) {
    const SmartCardService* service = Service();
    SCARDCONTEXT handle = 0;
    if (!service ||
        service->EstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &handle) != SCARD_S_SUCCESS)
        return {};
    const unique_scardcontext context(handle);
    const Readers readers(*service, context.get());
    std::vector<std::wstring> found;
    for (const std::wstring& reader : readers.Names())
        if (Trim(readers.CardProvider(reader)) == providerName)
            found.emplace_back(Trim(reader));
    return found;
}

} // namespace svcgate
