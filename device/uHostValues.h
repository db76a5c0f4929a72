#pragma once
// Reading single elements of a host's input array, and the text forms of setting values.

#include "common/Owners.h"
#include "frame/uCOMSupport.h"

#include <cstdint>
#include <string>
#include <vector>

namespace svcgate {

// True when `array` is an array that has element `index` and the element is
// neither empty nor null.
bool ParamIsSet(const VARIANT& array, long index);
std::wstring GetParamStr(const VARIANT& array, long index, const std::wstring& defaultValue);
std::int32_t GetParamInt(const VARIANT& array, long index, std::int32_t defaultValue);
double GetParamFloat(const VARIANT& array, long index, double defaultValue);
// Reads elements 0, 1, ... into the variables; a missing element leaves one empty.
void GetParams(const VARIANT& array, const std::vector<unique_variant*>& variables);

std::wstring DataTypeName(TDataType type);
// What a user typed, as a value of the setting's type; never fails.
unique_variant TextToSettingValue(TDataType type, const std::wstring& text);

} // namespace svcgate
