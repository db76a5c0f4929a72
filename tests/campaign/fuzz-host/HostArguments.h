#pragma once
// Arguments a careless or hostile host may pass to Invoke: every variant kind by
// value and by reference, arrays of any shape, bounds and element kind, nested
// arrays, texts with unpaired surrogates and characters outside code page 1251.

#include "campaign/Campaign.h"
#include "common/Owners.h"

#include <array>
#include <cstdint>
#include <deque>
#include <string>

namespace svcgate::campaign {

// What by-reference arguments point at, freed after the call with whatever the
// callee stored there.
class Arena {
public:
    // A variable of the host, to pass by reference.
    unique_variant& NewHostVariable() { return variants_.emplace_back(); }
    VARIANT* NewVariant() { return NewHostVariable().addressof(); }
    BSTR* NewText(BSTR owned) { return texts_.emplace_back(owned).addressof(); }
    SAFEARRAY** NewArray(SAFEARRAY* owned);
    IDispatch** NewObject(IDispatch* owned);
    void* NewScalar() { return scalars_.emplace_back().data(); }

private:
    std::deque<unique_variant> variants_;
    std::deque<unique_bstr> texts_;
    std::deque<unique_safearray> arrays_;
    std::deque<com_ptr<IDispatch>> objects_;
    std::deque<std::array<std::uint64_t, 2>> scalars_;
};

class ArgumentMaker {
public:
    // `objects` are the objects an argument may carry (the equipment manager,
    // an object that knows no names); they are shared, never owned.
    ArgumentMaker(Random& random, Arena& arena, std::vector<IDispatch*> objects)
        : random_(random), arena_(arena), objects_(std::move(objects)) {}

    // Any argument, by value or by reference.
    unique_variant Any(int depth = 0);
    std::wstring Text();
    // An array of any shape holding anything.
    unique_safearray Array(int depth);
    // The settings matrix of "GetSettings" with rows, columns, bounds or values wrong.
    unique_variant DamagedSettings(SAFEARRAY* good);

private:
    unique_variant Value(int depth);
    unique_variant Number();
    unique_variant Reference(unique_variant value);

    Random& random_;
    Arena& arena_;
    std::vector<IDispatch*> objects_;
};

} // namespace svcgate::campaign
