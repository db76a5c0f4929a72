#include "common/uEquipmentErrors.h"

#include "common/Exception.h"
#include "common/Module.h"

#include <windows.h>

#include <optional>

namespace svcgate {

namespace {

struct CodeText {
    int32_t code;
    UINT stringId;
};

constexpr CodeText codeTexts[] = {
#define EQUIPMENT_ERROR(id, code, text) {code, id},
#include "common/EquipmentErrors.def"
#undef EQUIPMENT_ERROR
};

std::optional<std::wstring> TableText(int32_t code) {
    for (const CodeText& entry : codeTexts)
        if (entry.code == code)
            return LoadModuleString(entry.stringId);
    return std::nullopt;
}

} // namespace

std::wstring EquipmentResultText(int32_t code, std::wstring_view driverText,
                                 std::wstring_view fallbackText) {
    if (!driverText.empty() && code != ResultCode::Success)
        return std::wstring(driverText);
    if (auto text = TableText(code))
        return *text;
    if (!fallbackText.empty())
        return std::wstring(fallbackText);
    return *TableText(ResultCode::UnknownError);
}

std::wstring CaughtErrorDescription() {
    try {
        throw;
    } catch (const Exception& error) {
        return error.Message();
    } catch (...) {
        return EquipmentResultText(ResultCode::UnknownError);
    }
}

} // namespace svcgate
