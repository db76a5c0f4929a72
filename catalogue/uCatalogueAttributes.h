#pragma once
// Attributes as the catalogue reads them: a missing one is never an error and
// reads as empty text, or as 0 for an amount.

#include "common/uCommonUtils.h"

namespace svcgate {

inline std::wstring ReadText(const XmlNode& node, const wchar_t* name) {
    return ReadNodeAttribute(node, name, L"");
}

// Raises an Exception for a text that is no number.
inline Currency ReadAmount(const XmlNode& node, const wchar_t* name) {
    return TextToCurrency(ReadText(node, name));
}

} // namespace svcgate
