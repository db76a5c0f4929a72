// A smart-card service with configured readers, loaded in place of the platform's
// "winscard.dll" (the Wine DLL override winscard=n, with this DLL beside the program).
//
// The readers are the values of HKCU\Software\SvcGate\TestReaders, read at every
// call and reported in the order of their names: the value's name is the reader's,
// its text (REG_SZ) is "card type|provider" for a reader holding a card of that
// type, whose cryptographic service provider is "provider", or empty for a reader
// without a card. A card's answer-to-reset tells its type apart from the others.
//
// Only what the token signer asks is served, as the platform's service answers
// it: length-first queries, multi-strings ended by an empty name. A length of
// SCARD_AUTOALLOCATE is refused with SCARD_E_INVALID_PARAMETER instead of served.

#include "common/Owners.h"

#include <winscard.h>

#include <algorithm>
#include <array>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace {

using namespace svcgate;

constexpr const wchar_t* ReadersKey = L"Software\\SvcGate\\TestReaders";

struct Reader {
    std::wstring name;
    // Empty without a card.
    std::wstring cardType;
    std::wstring provider;
};

Reader ReaderOf(std::wstring name, std::wstring_view card) {
    const size_t bar = card.find(L'|');
    if (bar == std::wstring_view::npos)
        return {std::move(name), std::wstring(card), {}};
    return {std::move(name), std::wstring(card.substr(0, bar)), std::wstring(card.substr(bar + 1))};
}

std::vector<Reader> ConfiguredReaders() {
    unique_hkey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, ReadersKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return {};
    std::vector<Reader> readers;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256] = {}, card[512] = {};
        DWORD nameLength = std::size(name), size = sizeof card - sizeof(wchar_t);
        if (RegEnumValueW(key.get(), index, name, &nameLength, nullptr, nullptr,
                          reinterpret_cast<BYTE*>(card), &size) != ERROR_SUCCESS)
            break;
        readers.push_back(ReaderOf(name, card));
    }
    std::sort(readers.begin(), readers.end(), [](const Reader& a, const Reader& b) {
        return _wcsicmp(a.name.c_str(), b.name.c_str()) < 0;
    });
    return readers;
}

// The card types in the order of the first reader that holds each.
std::vector<const Reader*> CardTypes(const std::vector<Reader>& readers) {
    std::vector<const Reader*> types;
    for (const Reader& reader : readers)
        if (!reader.cardType.empty() &&
            std::none_of(types.begin(), types.end(),
                         [&](const Reader* known) { return known->cardType == reader.cardType; }))
            types.push_back(&reader);
    return types;
}

// A well-formed answer-to-reset whose two historical bytes number the card type.
std::array<BYTE, 4> AnswerToReset(size_t cardType) {
    return {0x3B, 0x02, 0x14, static_cast<BYTE>(cardType)};
}

std::array<BYTE, 4> AnswerToReset(const std::vector<Reader>& readers, const Reader& reader) {
    const std::vector<const Reader*> types = CardTypes(readers);
    const auto type = std::find_if(types.begin(), types.end(), [&](const Reader* known) {
        return known->cardType == reader.cardType;
    });
    return AnswerToReset(static_cast<size_t>(type - types.begin()));
}

std::set<SCARDCONTEXT>& OpenContexts() {
    static std::set<SCARDCONTEXT> contexts;
    return contexts;
}

bool IsOpen(SCARDCONTEXT context) {
    return OpenContexts().contains(context);
}

// `text` with its terminating zeros, handed out length first.
LONG HandOut(const std::wstring& text, LPWSTR buffer, LPDWORD length) {
    if (!length || *length == SCARD_AUTOALLOCATE)
        return SCARD_E_INVALID_PARAMETER;
    const DWORD needed = static_cast<DWORD>(text.size());
    const DWORD room = std::exchange(*length, needed);
    if (!buffer)
        return SCARD_S_SUCCESS;
    if (room < needed)
        return SCARD_E_INSUFFICIENT_BUFFER;
    std::copy(text.begin(), text.end(), buffer);
    return SCARD_S_SUCCESS;
}

std::wstring MultiString(const std::vector<std::wstring>& names) {
    std::wstring text;
    for (const std::wstring& name : names)
        text += name + L'\0';
    return text + L'\0';
}

// Fills in a record that asked after a known reader; false when it changed nothing.
bool ReportState(const std::vector<Reader>& readers, const Reader& reader,
                 SCARD_READERSTATEW& state) {
    const DWORD seen = reader.cardType.empty() ? SCARD_STATE_EMPTY : SCARD_STATE_PRESENT;
    const bool changed = (state.dwCurrentState & (SCARD_STATE_EMPTY | SCARD_STATE_PRESENT)) != seen;
    state.dwEventState = seen | (changed ? SCARD_STATE_CHANGED : 0);
    state.cbAtr = 0;
    if (!reader.cardType.empty()) {
        const std::array<BYTE, 4> atr = AnswerToReset(readers, reader);
        std::copy(atr.begin(), atr.end(), state.rgbAtr);
        state.cbAtr = static_cast<DWORD>(atr.size());
    }
    return changed;
}

} // namespace

extern "C" {

LONG WINAPI SCardEstablishContext(DWORD dwScope, LPCVOID, LPCVOID, LPSCARDCONTEXT phContext) {
    if (!phContext)
        return SCARD_E_INVALID_PARAMETER;
    if (dwScope > SCARD_SCOPE_SYSTEM)
        return SCARD_E_INVALID_VALUE;
    static SCARDCONTEXT last = 0x5C000000;
    *phContext = ++last;
    OpenContexts().insert(*phContext);
    return SCARD_S_SUCCESS;
}

LONG WINAPI SCardReleaseContext(SCARDCONTEXT hContext) {
    return OpenContexts().erase(hContext) ? SCARD_S_SUCCESS : SCARD_E_INVALID_HANDLE;
}

LONG WINAPI SCardListReadersW(SCARDCONTEXT hContext, LPCWSTR, LPWSTR mszReaders,
                              LPDWORD pcchReaders) {
    if (!IsOpen(hContext))
        return SCARD_E_INVALID_HANDLE;
    std::vector<std::wstring> names;
    for (const Reader& reader : ConfiguredReaders())
        names.push_back(reader.name);
    if (names.empty())
        return SCARD_E_NO_READERS_AVAILABLE;
    return HandOut(MultiString(names), mszReaders, pcchReaders);
}

// Nothing ever comes or goes here: a call that finds no change answers at once
// with SCARD_E_TIMEOUT, whatever time-out it was given.
LONG WINAPI SCardGetStatusChangeW(SCARDCONTEXT hContext, DWORD, LPSCARD_READERSTATEW rgReaderStates,
                                  DWORD cReaders) {
    if (!IsOpen(hContext))
        return SCARD_E_INVALID_HANDLE;
    const std::vector<Reader> readers = ConfiguredReaders();
    bool changed = false;
    for (SCARD_READERSTATEW& state : std::span(rgReaderStates, cReaders)) {
        const auto reader = std::find_if(readers.begin(), readers.end(), [&](const Reader& known) {
            return known.name == state.szReader;
        });
        if (reader == readers.end())
            return SCARD_E_UNKNOWN_READER;
        changed = ReportState(readers, *reader, state) || changed;
    }
    return changed ? SCARD_S_SUCCESS : SCARD_E_TIMEOUT;
}

// The card types that match an answer-to-reset, or all of them without one.
LONG WINAPI SCardListCardsW(SCARDCONTEXT hContext, LPCBYTE pbAtr, LPCGUID, DWORD, LPWSTR mszCards,
                            LPDWORD pcchCards) {
    if (!IsOpen(hContext))
        return SCARD_E_INVALID_HANDLE;
    const std::vector<Reader> readers = ConfiguredReaders();
    const std::vector<const Reader*> types = CardTypes(readers);
    std::vector<std::wstring> names;
    for (size_t index = 0; index < types.size(); ++index) {
        const std::array<BYTE, 4> atr = AnswerToReset(index);
        if (!pbAtr || std::equal(atr.begin(), atr.end(), pbAtr))
            names.push_back(types[index]->cardType);
    }
    return HandOut(MultiString(names), mszCards, pcchCards);
}

LONG WINAPI SCardGetCardTypeProviderNameW(SCARDCONTEXT hContext, LPCWSTR szCardName,
                                          DWORD dwProviderId, LPWSTR szProvider,
                                          LPDWORD pcchProvider) {
    if (!IsOpen(hContext))
        return SCARD_E_INVALID_HANDLE;
    if (dwProviderId != SCARD_PROVIDER_CSP)
        return SCARD_E_INVALID_PARAMETER;
    const std::vector<Reader> readers = ConfiguredReaders();
    for (const Reader* type : CardTypes(readers))
        if (type->cardType == szCardName)
            return HandOut(type->provider + L'\0', szProvider, pcchProvider);
    return SCARD_E_UNKNOWN_CARD;
}

} // extern "C"
