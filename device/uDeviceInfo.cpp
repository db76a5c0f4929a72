#include "device/uDeviceInfo.h"

#include "common/Module.h"
#include "common/Text.h"
#include "common/Variants.h"
#include "device/uDeviceResourceIds.h"

#include <windows.h>

#include <vector>

namespace svcgate {

namespace {

struct DeviceType {
    const wchar_t* name;
    const wchar_t* description;
};

constexpr DeviceType deviceTypes[] = {
    {L"Unknown", L"Неизвестный тип"},
    {L"Template", L"Шаблон"},
    {L"Scanner", L"Сканер штрихкодов"},
    {L"FiscalPrinter", L"Фискальный регистратор"},
    {L"EcrOnline", L"ККТ с функцией передачи в ОФД"},
    {L"AcquiringTerminal", L"Эквайринг-терминал"},
    {L"DataCollectionTerminal", L"Терминал сбора данных"},
    {L"LineDisplay", L"Дисплей покупателя"},
    {L"CardReader", L"Считыватель карт"},
    {L"Scale", L"Электронные весы"},
    {L"ServicePrinter", L"Сервисный принтер"},
    {L"AccessController", L"Контроллер доступа"},
    {L"LabelPrinter", L"Принтер этикеток"},
    {L"BiometricReader", L"Биометрический считыватель"},
    {L"ElectronicLocks", L"Электронные замки"},
    {L"SMSCommunicator", L"СМС-коммуникатор"},
    {L"EventLogger", L"Регистратор событий"},
    {L"TimePhasedServicesController", L"Контроллер временных услуг"},
    {L"CustomerFeedbackTerminal", L"Терминал опроса клиентов"},
    {L"BillValidator", L"Купюроприемник"},
    {L"CoffeeMachine", L"Кофемашина"},
    {L"ServiceTerminal", L"Терминал услуг"},
    {L"BloodPressureMonitor", L"Тонометр"},
    {L"AlcoTester", L"Алкотестер"},
    {L"VideoCamera", L"Видеокамера"},
    {L"LoyaltySystem", L"Система лояльности"},
    {L"Thermometer", L"Термометр"},
};

constexpr std::int32_t BaseProcessorType = 1;

std::vector<BYTE> VersionResource(const std::wstring& fileName) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(fileName.c_str(), &ignored);
    std::vector<BYTE> block(size);
    if (size == 0 || !GetFileVersionInfoW(fileName.c_str(), 0, size, block.data()))
        block.clear();
    return block;
}

} // namespace

TModuleVersion GetModuleVersion(const std::wstring& fileName) {
    std::vector<BYTE> block = VersionResource(fileName.empty() ? ThisModulePath() : fileName);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (block.empty() ||
        !VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
        length < sizeof(VS_FIXEDFILEINFO))
        return {};
    return {HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
            HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS)};
}

TDeviceInfoStruct BaseDeviceInfo() {
    const TModuleVersion version = GetModuleVersion();
    TDeviceInfoStruct info;
    info.TypeName = L"Unknown";
    info.MajorVersion = version.Major;
    info.MinorVersion = version.Minor;
    info.BuildVersion = version.Build;
    info.ProcessorType = BaseProcessorType;
    info.DeveloperName = LoadModuleString(IDS_DEVELOPER_NAME);
    info.CI_email = LoadModuleString(IDS_DEVELOPER_EMAIL);
    info.CI_www = LoadModuleString(IDS_DEVELOPER_WWW);
    info.CI_Phones = LoadModuleString(IDS_DEVELOPER_PHONES);
    info.CI_address = LoadModuleString(IDS_DEVELOPER_ADDRESS);
    return info;
}

unique_variant DeviceInfoArray(const TDeviceInfoStruct& info) {
    return MakeVariantArray(
        MakeVariant(info.TypeName), MakeVariant(info.ModelID), MakeVariant(info.ModelName),
        MakeVariant(info.MajorVersion), MakeVariant(info.MinorVersion),
        MakeVariant(info.BuildVersion), MakeVariant(info.ProcessorName),
        MakeVariant(info.ProcessorType), MakeBoolVariant(info.IsSettingsDlgExist),
        MakeVariant(info.Description), MakeVariant(info.DeveloperName), MakeVariant(info.CI_email),
        MakeVariant(info.CI_www), MakeVariant(info.CI_Phones), MakeVariant(info.CI_address));
}

std::wstring DeviceTypeDescription(const std::wstring& typeName) {
    for (const DeviceType& type : deviceTypes)
        if (typeName == type.name)
            return type.description;
    return typeName;
}

std::wstring ContactInfoText(const TDeviceInfoStruct& info) {
    std::wstring format;
    for (UINT label : {IDS_LABEL_EMAIL, IDS_LABEL_WWW, IDS_LABEL_PHONE, IDS_LABEL_ADDRESS})
        format += LoadModuleString(label) + L":\t%s\r\n";
    return FormatText(format.c_str(), info.CI_email.c_str(), info.CI_www.c_str(),
                      info.CI_Phones.c_str(), info.CI_address.c_str());
}

} // namespace svcgate
