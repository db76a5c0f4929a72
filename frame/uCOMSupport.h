#pragma once
// The automation object the host talks to: a table of named methods behind
// IDispatch, the settings table, and the debug log switch.

#include "common/ComObject.h"
#include "common/Owners.h"

#include <cstdint>
#include <functional>
#include <string>
#include <span>
#include <string_view>
#include <variant>
#include <vector>

namespace svcgate {

// Receives the whole argument array (element 0 is the host's first argument)
// and may store into any element; returns the call's result.
using TPrivateMethod = std::function<unique_variant(SAFEARRAY* paParams)>;
// The uniform signature of the host's equipment methods; returns a result code.
// InData stays the host's, only read; OutData is owned, so a handler may assign
// it as often as it likes.
using TPublicMethod =
    std::function<std::int32_t(const VARIANT& InData, unique_variant& OutData, std::int32_t TimeOut,
                               std::wstring& ResultDescription)>;

struct TMethodStruct {
    std::wstring Name;
    bool IsPublic = false;
    bool IsSpecific = false;
    // Only the one that IsPublic names is set.
    TPrivateMethod PrivateMethod;
    TPublicMethod PublicMethod;
};

enum TDataType { dtNumber, dtString, dtDateTime, dtBoolean };

// Which argument of a public method a log line shows.
enum class TCallData { InData, OutData };

struct TSettingStruct {
    std::wstring ID;
    unique_variant Value;
    TDataType ValueType = dtNumber;
    unique_variant Default;
    bool ReadOnly = false;
    std::wstring Name;
    std::wstring Description;
};

// A setting as a floor declares it: one row of that floor's table.
struct TSettingDeclaration {
    const wchar_t* ID;
    TDataType ValueType;
    std::variant<std::int32_t, bool, const wchar_t*> Default;
    const wchar_t* Name;
    const wchar_t* Description;
    bool ReadOnly = false;
};

class TBaseObject : public ComObject<IDispatch> {
public:
    // Creates an object of a derived class and runs its initialisation; the
    // caller holds the one reference.
    template <class T> static com_ptr<T> Create() {
        com_ptr<T> object(new T());
        static_cast<TBaseObject*>(object.get())->Initialize();
        return object;
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames,
                                            LCID lcid, DISPID* rgDispId) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                                     DISPPARAMS* pDispParams, VARIANT* pVarResult,
                                     EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

    const std::wstring& InstanceID() const { return FInstanceID; }
    int FindMethodID(std::wstring_view name) const;
    const std::vector<TMethodStruct>& MethodList() const { return FMethodList; }

    bool DebugLogEnabled() const { return FDebugLogEnabled; }
    // Where the log lines of today go: the folder set for the log while it exists,
    // else the shared one under ProgramData.
    std::wstring DebugLogFolder() const;
    // The file that holds the log lines of the day.
    std::wstring DebugLogFile(const SYSTEMTIME& day) const;
    // Logging goes on only when its header could be written.
    void SetDebugLogEnabled(bool value);
    // A line that cannot be written is dropped: the log never changes the
    // outcome of a call. Tells whether the line was written.
    bool WriteDebugLog(std::wstring_view name, std::wstring_view text, bool nameOnly = false);

    // The settings table.
    void AddSetting(std::wstring_view ID, TDataType ValueType, const VARIANT& Default,
                    bool ReadOnly, std::wstring_view Name, std::wstring_view Description);
    // The rows of a table, in its order.
    void AddSettings(std::span<const TSettingDeclaration> table);
    unique_variant GetSettingValue(std::wstring_view ID, bool Default = false) const;
    bool GetSettingValueBool(std::wstring_view ID) const;
    std::int32_t GetSettingValueInt(std::wstring_view ID) const;
    std::int64_t GetSettingValueCurr(std::wstring_view ID) const;
    double GetSettingValueDbl(std::wstring_view ID) const;
    double GetSettingValueDate(std::wstring_view ID) const;
    std::wstring GetSettingValueStr(std::wstring_view ID) const;
    bool GetSettingReadOnly(std::wstring_view ID) const;
    void SetSettingValue(std::wstring_view ID, const VARIANT& Value);
    void SetAllSettingsDefault();
    TSettingStruct* FindSetting(std::wstring_view ID);
    const TSettingStruct* FindSetting(std::wstring_view ID) const;

    // The description of a result code: the equipment table's, unless a driver
    // has texts of its own.
    virtual std::wstring GetDriverResultDescription(std::int32_t ResultCode);

protected:
    TBaseObject() = default;

    // Runs once after construction; derived classes call this one first.
    virtual void Initialize();
    // Runs when the last reference goes, while the derived parts still exist.
    virtual void Destroy() {}
    // Writes the header of a new stretch of the log; tells whether it was written.
    virtual bool BeginDebugLog() { return true; }
    // The text a log line shows for a public method's InData or OutData.
    virtual std::wstring CallDataLogText(std::wstring_view methodName, TCallData which,
                                         const VARIANT& data);

    void RegisterPrivateMethod(std::wstring_view name, TPrivateMethod handler);
    void RegisterPublicMethod(std::wstring_view name, TPublicMethod handler);
    void RegisterSpecificMethod(std::wstring_view name, TPublicMethod handler);
    void RegisterMethod(std::wstring_view name, bool IsSpecific, TPublicMethod handler);

    // [code, description]: the OutData of a failed public method; an empty
    // description is the code's own.
    unique_variant BuildErrorOutData(std::int32_t code, std::wstring_view description);

    std::vector<TSettingStruct>& SettingList() { return FSettingList; }
    const std::vector<TSettingStruct>& SettingList() const { return FSettingList; }

    std::wstring FDebugLogDir;

private:
    void FinalRelease() noexcept override;
    TMethodStruct& FindOrAddMethod(std::wstring_view name);
    HRESULT CallMethod(DISPID dispId, unique_variant& result, SAFEARRAY* params);
    HRESULT CallPublicMethod(const TMethodStruct& method, unique_variant& result, SAFEARRAY* params,
                             bool logging);
    void CallPrivateMethod(const TMethodStruct& method, unique_variant& result, SAFEARRAY* params,
                           bool logging);
    void LogCallLine(std::wstring_view name, const std::function<std::wstring()>& text);
    void WriteArgumentsBack(SAFEARRAY* array, DISPPARAMS& params);
    HRESULT ReportException(std::wstring_view message, EXCEPINFO* excepInfo);

    std::wstring FInstanceID;
    std::vector<TMethodStruct> FMethodList;
    std::vector<TSettingStruct> FSettingList;
    bool FDebugLogEnabled = false;
};

} // namespace svcgate
