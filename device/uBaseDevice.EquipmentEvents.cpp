// Calls from the driver to the host's equipment manager: events, the host's
// event log and its dialogs. Each goes by name, the device identifier first.

#include "common/Dispatch.h"
#include "common/Text.h"
#include "common/Variants.h"
#include "device/uBaseDevice.h"
#include "device/uDeviceTexts.h"
#include "frame/uDebugLog.h"

namespace svcgate {

using namespace DeviceTexts;

namespace {

constexpr std::int32_t TaskStateEventType = 1;

// An integer the manager receives by reference; it may write into it.
struct IntArgument {
    LONG value;
    unique_variant Reference() { return MakeReference(VT_I4, &value); }
};

} // namespace

bool TBaseDevice::WriteLog(const std::wstring& Name, const std::wstring& Text,
                           std::int32_t EventType) {
    WriteDebugLog(Name, Text);
    if (!GetSettingValueBool(SettingEventLogEnabled) || !FEqManager)
        return false;
    IntArgument eventType{EventType};
    return VariantToBool(InvokeMethod(FEqManager.get(), L"WriteLog",
                                      Args(MakeVariant(FDeviceID), MakeVariant(Name),
                                           MakeVariant(Text), eventType.Reference()))
                             .get());
}

bool TBaseDevice::DataEvent(const std::wstring& Event, const std::wstring& Data,
                            const VARIANT& ExtData) {
    IDispatch* manager = RequireEqManager();
    unique_variant extData = unique_variant::copy_of(ExtData);
    const bool result = VariantToBool(
        InvokeMethod(manager, L"DataEvent",
                     Args(MakeVariant(FDeviceID), MakeVariant(Event), MakeVariant(Data),
                          MakeReference(VT_VARIANT, extData.addressof())))
            .get());
    std::wstring text = L"Event=" + Event + L"; Data: " + Data;
    if (V_VT(&ExtData) != VT_EMPTY)
        text += L"; ExtData: " + LogText(ExtData);
    WriteDebugLog(L"<-DataEvent", text);
    return result;
}

bool TBaseDevice::DataEvent(const std::wstring& Event, const std::wstring& Data) {
    return DataEvent(Event, Data, unique_variant().get());
}

bool TBaseDevice::ErrorEvent(const std::wstring& ErrorName, const std::wstring& Description,
                             const VARIANT& ExtData) {
    IDispatch* manager = RequireEqManager();
    unique_variant extData = unique_variant::copy_of(ExtData);
    return VariantToBool(
        InvokeMethod(manager, L"ErrorEvent",
                     Args(MakeVariant(FDeviceID), MakeVariant(ErrorName), MakeVariant(Description),
                          MakeReference(VT_VARIANT, extData.addressof())))
            .get());
}

bool TBaseDevice::TaskState(std::int32_t aPercent, const std::wstring& aDescription) {
    IDispatch* manager = RequireEqManager();
    IntArgument percent{aPercent};
    const bool result = VariantToBool(
        InvokeMethod(manager, L"TaskState",
                     Args(MakeVariant(FDeviceID), percent.Reference(), MakeVariant(aDescription)))
            .get());
    WriteLog(L"TaskState",
             FormatText(L"Percent=%d; Description=", aPercent) + aDescription + L"; Result=" +
                 (result ? BooleanTrueText : BooleanFalseText),
             TaskStateEventType);
    return result;
}

std::int32_t TBaseDevice::ShowMessageDlg(const std::wstring& MsgText, std::int32_t MsgType,
                                         std::int32_t MsgButtons, std::int32_t MsgTimeout) {
    IDispatch* manager = RequireEqManager();
    IntArgument type{MsgType}, buttons{MsgButtons}, timeOut{MsgTimeout};
    return VariantToInt(
        InvokeMethod(manager, L"MessageDlg",
                     Args(MakeVariant(FDeviceID), MakeVariant(MsgText), type.Reference(),
                          buttons.Reference(), timeOut.Reference()))
            .get());
}

std::wstring TBaseDevice::InputDataDlg(const std::wstring& Caption, const std::wstring& DefaultData,
                                       const std::wstring& Description, const std::wstring& Mask,
                                       bool Password, std::int32_t TimeOut) {
    IDispatch* manager = RequireEqManager();
    IntArgument timeOut{TimeOut};
    return VariantToText(
        InvokeMethod(manager, L"InputDataDlg",
                     Args(MakeVariant(FDeviceID), MakeVariant(Caption), MakeVariant(DefaultData),
                          MakeVariant(Description), MakeVariant(Mask), MakeBoolVariant(Password),
                          timeOut.Reference()))
            .get());
}

} // namespace svcgate
