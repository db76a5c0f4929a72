#pragma once
// The simulator's catalogue: the providers and commission profiles of one file,
// in the shape of the client's own cache file.

#include "common/Variants.h"

#include <string>
#include <string_view>
#include <vector>

namespace svcgate::tools {

struct CatalogueProvider {
    std::wstring id, longName, shortName, inn, fixCommission, profileId;
    Currency minSum = 0;
    // 0: no upper limit.
    Currency maxSum = 0;
};

struct Catalogue {
    std::vector<CatalogueProvider> providers = {};
    // The "provider" and "profile" elements as the file holds them, in UTF-8.
    std::string providerMarkup = {}, profileMarkup = {};
    // Changes whenever the file does, as the gateway's does with the terminal's set-up.
    std::wstring configId = {};

    const CatalogueProvider* Find(std::wstring_view id) const;
};

// Raises an Exception when the file cannot be read or an amount is no number.
Catalogue LoadCatalogue(const std::wstring& file);

} // namespace svcgate::tools
