#pragma once
// What a driver tells the host and the user about itself.

#include "common/Owners.h"

#include <cstdint>
#include <string>

namespace svcgate {

struct TDeviceInfoStruct {
    std::wstring TypeName;
    std::wstring ModelID;
    std::wstring ModelName;
    std::int32_t MajorVersion = 0;
    std::int32_t MinorVersion = 0;
    std::int32_t BuildVersion = 0;
    std::wstring ProcessorName;
    std::int32_t ProcessorType = 0;
    bool IsSettingsDlgExist = false;
    std::wstring Description;
    std::wstring DeveloperName;
    std::wstring CI_email;
    std::wstring CI_www;
    std::wstring CI_Phones;
    std::wstring CI_address;
    std::wstring DriverURL;
    std::wstring DriverDescription;
};

struct TModuleVersion {
    std::int32_t Major = 0;
    std::int32_t Minor = 0;
    std::int32_t Release = 0;
    std::int32_t Build = 0;
};

// The file version of the named module, or of this module for an empty name;
// zeros when the file has no version resource.
TModuleVersion GetModuleVersion(const std::wstring& fileName = {});

// The values every driver starts from: an unknown type, this module's version,
// the developer's contacts.
TDeviceInfoStruct BaseDeviceInfo();

// The 15 elements "GetDeviceInfo" hands to the host.
unique_variant DeviceInfoArray(const TDeviceInfoStruct& info);

// The Russian name of a device type; an unknown name is returned unchanged.
std::wstring DeviceTypeDescription(const std::wstring& typeName);

// Four labelled lines of the contact fields, each ended by CR LF.
std::wstring ContactInfoText(const TDeviceInfoStruct& info);

} // namespace svcgate
