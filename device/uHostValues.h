#pragma once
// Reading single elements of a host's input array, and the text forms of setting values.

#include "common/Owners.h"
#include "frame/uCOMSupport.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace svcgate {

// True when `array` is an array that has element `index` and the element is
// neither empty nor null.
bool ParamIsSet(const VARIANT& array, long index);
// An element that is not set gives the default; none when the element is set
// but has no value of the type: malformed input is an answer, not an error.
std::optional<std::wstring> GetParamStr(const VARIANT& array, long index,
                                        const std::wstring& defaultValue);
std::optional<std::int32_t> GetParamInt(const VARIANT& array, long index,
                                        std::int32_t defaultValue);
std::optional<double> GetParamFloat(const VARIANT& array, long index, double defaultValue);
// Element `index` of the array; none when there is no such element.
std::optional<unique_variant> GetParam(const VARIANT& array, long index);
// The value as text, a 32-bit integer or a double; none when it has no such form.
std::optional<std::wstring> ValueText(const VARIANT& value);
std::optional<std::int32_t> ValueInt(const VARIANT& value);
std::optional<double> ValueFloat(const VARIANT& value);
// Reads elements 0, 1, ... into the variables; a missing element leaves one empty.
void GetParams(const VARIANT& array, const std::vector<unique_variant*>& variables);

std::wstring DataTypeName(TDataType type);
// What a user typed, as a value of the setting's type; never fails.
unique_variant TextToSettingValue(TDataType type, const std::wstring& text);

} // namespace svcgate
