#pragma once
// Texts of the common floor. The failures that the common helpers raise travel
// up to the call frame and reach the host's OutData, so the cashier reads them.

namespace svcgate::CommonTexts {

// For a code the platform has no message for.
constexpr const wchar_t* SystemError = L"Системная ошибка 0x%08X";
constexpr const wchar_t* XmlNodeMissing = L"Узел XML отсутствует";
constexpr const wchar_t* XmlNotAnElement =
    L"Атрибуты могут быть только у элемента XML, а не у узла %s";
constexpr const wchar_t* XmlAttributeCountMismatch =
    L"Элемент XML %s: имён атрибутов %u, а значений %u";
constexpr const wchar_t* VariantArrayExpected = L"Ожидался массив значений размерности %u";

// What the debug log and the request dumps show in place of a password or its
// digest: the data folder is readable by every user of the machine.
constexpr const wchar_t* MaskedSecret = L"***";

} // namespace svcgate::CommonTexts
