#include "frame/uCOMSupport.h"

#include "common/Text.h"
#include "common/Variants.h"

#include <type_traits>

namespace svcgate {

TSettingStruct* TBaseObject::FindSetting(std::wstring_view ID) {
    for (TSettingStruct& setting : FSettingList)
        if (SameText(setting.ID, ID))
            return &setting;
    return nullptr;
}

const TSettingStruct* TBaseObject::FindSetting(std::wstring_view ID) const {
    return const_cast<TBaseObject*>(this)->FindSetting(ID);
}

// Declaring again resets the values but keeps the type and the caption the
// user first saw.
void TBaseObject::AddSetting(std::wstring_view ID, TDataType ValueType, const VARIANT& Default,
                             bool ReadOnly, std::wstring_view Name, std::wstring_view Description) {
    TSettingStruct* setting = FindSetting(ID);
    if (!setting) {
        setting = &FSettingList.emplace_back();
        setting->ID = std::wstring(ID);
        setting->ValueType = ValueType;
        setting->Name = std::wstring(Name);
    }
    setting->Value = unique_variant::copy_of(Default);
    setting->Default = unique_variant::copy_of(Default);
    setting->ReadOnly = ReadOnly;
    setting->Description = std::wstring(Description);
}

void TBaseObject::AddSettings(std::span<const TSettingDeclaration> table) {
    for (const TSettingDeclaration& row : table) {
        const unique_variant value = std::visit(
            [](auto given) {
                if constexpr (std::is_same_v<decltype(given), bool>)
                    return MakeBoolVariant(given);
                else
                    return MakeVariant(given);
            },
            row.Default);
        AddSetting(row.ID, row.ValueType, value.get(), row.ReadOnly, row.Name, row.Description);
    }
}

unique_variant TBaseObject::GetSettingValue(std::wstring_view ID, bool Default) const {
    const TSettingStruct* setting = FindSetting(ID);
    if (!setting)
        return unique_variant();
    return Default ? setting->Default.copy() : setting->Value.copy();
}

bool TBaseObject::GetSettingValueBool(std::wstring_view ID) const {
    return VariantToBool(GetSettingValue(ID).get());
}

int32_t TBaseObject::GetSettingValueInt(std::wstring_view ID) const {
    return VariantToInt(GetSettingValue(ID).get());
}

int64_t TBaseObject::GetSettingValueCurr(std::wstring_view ID) const {
    return VariantToCurrency(GetSettingValue(ID).get());
}

double TBaseObject::GetSettingValueDbl(std::wstring_view ID) const {
    return VariantToDouble(GetSettingValue(ID).get());
}

double TBaseObject::GetSettingValueDate(std::wstring_view ID) const {
    return GetSettingValueDbl(ID);
}

std::wstring TBaseObject::GetSettingValueStr(std::wstring_view ID) const {
    return VariantToText(GetSettingValue(ID).get());
}

bool TBaseObject::GetSettingReadOnly(std::wstring_view ID) const {
    const TSettingStruct* setting = FindSetting(ID);
    return setting && setting->ReadOnly;
}

void TBaseObject::SetSettingValue(std::wstring_view ID, const VARIANT& Value) {
    if (TSettingStruct* setting = FindSetting(ID))
        setting->Value = unique_variant::copy_of(Value);
}

void TBaseObject::SetAllSettingsDefault() {
    for (TSettingStruct& setting : FSettingList)
        setting.Value = setting.Default.copy();
}

} // namespace svcgate
