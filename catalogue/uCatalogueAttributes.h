#pragma once
// Attributes as the catalogue reads them: a missing one is never an error and
// reads as empty text, or as 0 for an amount.

#include "common/uCommonUtils.Money.h"
#include "common/uCommonUtils.XmlPaths.h"

#include <optional>
#include <string>

namespace svcgate {

inline std::wstring ReadText(const XmlNode& node, const wchar_t* name) {
    return ReadNodeAttribute(node, name, L"");
}

// A text that is no number reads as 0 and is kept in `unread`, the first of a
// load: whoever loads decides what a damaged value means.
inline Currency ReadAmount(const XmlNode& node, const wchar_t* name,
                           std::optional<std::wstring>& unread) {
    const std::wstring text = ReadText(node, name);
    if (const std::optional<Currency> amount = TryTextToCurrency(text))
        return *amount;
    if (!unread)
        unread = text;
    return 0;
}

} // namespace svcgate
