#include "eqmanager/EqManager.h"

#include "common/Exception.h"
#include "common/Module.h"
#include "common/Variants.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

using namespace svcgate;

namespace {

// A reference to a value the test keeps, as the driver passes its variables.
unique_variant Ref(unique_variant& target) {
    unique_variant reference;
    V_VT(reference.addressof()) = VT_BYREF | target.vt();
    // Every member of the value union starts at the same address.
    V_BYREF(reference.addressof()) = &V_I4(target.addressof());
    return reference;
}

unique_variant VariantRef(unique_variant& target) {
    unique_variant reference;
    V_VT(reference.addressof()) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(reference.addressof()) = target.addressof();
    return reference;
}

struct Reply {
    HRESULT hr = E_FAIL;
    unique_variant value;
    std::wstring error;
    UINT badArgument = ~0u;
};

// Calls by name as the driver does: arguments are listed in the host's order
// and travel last first.
Reply Call(IDispatch* object, const wchar_t* name, std::vector<const unique_variant*> arguments) {
    Reply reply;
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    reply.hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(reply.hr))
        return reply;
    // A view of values the caller keeps owning.
    std::vector<VARIANT> reversed;
    for (auto argument = arguments.rbegin(); argument != arguments.rend(); ++argument)
        reversed.push_back((*argument)->get());
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    EXCEPINFO error{};
    reply.hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                              reply.value.put(), &error, &reply.badArgument);
    unique_bstr source(error.bstrSource), description(error.bstrDescription),
        help(error.bstrHelpFile);
    reply.error = description.str();
    return reply;
}

class EqManagerTest : public testing::Test {
protected:
    Reply Call(const wchar_t* name, std::vector<const unique_variant*> arguments) {
        return ::Call(manager.get(), name, std::move(arguments));
    }

    com_ptr<tools::EqManager> manager = tools::CreateEqManager();
    unique_variant device = MakeVariant(L"DEV1"), name = MakeVariant(L"name"),
                   text = MakeVariant(L"text"), one = MakeVariant(1), oneRef = Ref(one);
};

TEST_F(EqManagerTest, GetAppPropertyWritesTheValueThroughTheThirdReference) {
    manager->SetAppProperty(L"DevicesFolder", L"C:\\Devices");
    unique_variant property = MakeVariant(L"DevicesFolder"), value = MakeVariant(L"");
    unique_variant deviceRef = Ref(device), propertyRef = Ref(property), valueRef = Ref(value);
    const Reply reply = Call(L"GetAppProperty", {&deviceRef, &propertyRef, &valueRef});
    EXPECT_EQ(reply.hr, S_OK);
    EXPECT_EQ(reply.value.vt(), VT_BOOL);
    EXPECT_TRUE(VariantToBool(reply.value.get()));
    EXPECT_EQ(VariantToText(value.get()), L"C:\\Devices");
    EXPECT_EQ(manager->CallText(0), L"GetAppProperty(DEV1, DevicesFolder, )");
}

TEST_F(EqManagerTest, UnknownPropertyAnswersFalseAndLeavesTheValue) {
    unique_variant property = MakeVariant(L"ModelsFolder"), value = MakeVariant(L"kept");
    unique_variant deviceRef = VariantRef(device), propertyRef = VariantRef(property),
                   valueRef = VariantRef(value);
    const Reply reply = Call(L"GetAppProperty", {&deviceRef, &propertyRef, &valueRef});
    EXPECT_EQ(reply.hr, S_OK);
    EXPECT_FALSE(VariantToBool(reply.value.get()));
    EXPECT_EQ(VariantToText(value.get()), L"kept");
}

TEST_F(EqManagerTest, EventsAreRecordedInHostOrderAndAnswerTheSetBoolean) {
    unique_variant fifty = MakeVariant(50), fiftyRef = Ref(fifty);
    unique_variant extra = MakeVariantArray(MakeVariant(L"a"), MakeVariant(2));
    unique_variant extraRef = VariantRef(extra);
    manager->SetReply(L"TaskState", MakeBoolVariant(false).get());
    EXPECT_TRUE(VariantToBool(Call(L"writelog", {&device, &name, &text, &oneRef}).value.get()));
    EXPECT_TRUE(VariantToBool(Call(L"DataEvent", {&device, &name, &text, &extraRef}).value.get()));
    EXPECT_TRUE(VariantToBool(Call(L"ErrorEvent", {&device, &name, &text, &extraRef}).value.get()));
    const Reply taskState = Call(L"TaskState", {&device, &fiftyRef, &text});
    EXPECT_EQ(taskState.value.vt(), VT_BOOL);
    EXPECT_FALSE(VariantToBool(taskState.value.get()));
    ASSERT_EQ(manager->Calls().size(), 4u);
    EXPECT_EQ(manager->CallText(0), L"WriteLog(DEV1, name, text, 1)");
    EXPECT_EQ(manager->CallText(1), L"DataEvent(DEV1, name, text, [a, 2])");
    EXPECT_EQ(manager->CallText(3), L"TaskState(DEV1, 50, text)");
    EXPECT_EQ(manager->Calls()[2].arguments[3].vt(), VT_ARRAY | VT_VARIANT);
}

TEST_F(EqManagerTest, DialogsAnswerTheSetButtonAndText) {
    manager->SetReply(L"MessageDlg", MakeVariant(7).get());
    manager->SetReply(L"InputDataDlg", MakeVariant(L"entered").get());
    const Reply button = Call(L"MessageDlg", {&device, &text, &oneRef, &oneRef, &oneRef});
    EXPECT_EQ(button.value.vt(), VT_I4);
    EXPECT_EQ(VariantToInt(button.value.get()), 7);
    unique_variant password = MakeBoolVariant(false);
    const Reply input =
        Call(L"InputDataDlg", {&device, &name, &text, &text, &text, &password, &oneRef});
    EXPECT_EQ(VariantToText(input.value.get()), L"entered");
    EXPECT_EQ(manager->CallText(1), L"InputDataDlg(DEV1, name, text, text, text, False, 1)");
}

TEST_F(EqManagerTest, RefusesCallsTheHostWouldNotAccept) {
    unique_variant nameRef = Ref(name), password = MakeVariant(0);
    struct Case {
        const wchar_t* method;
        std::vector<const unique_variant*> arguments;
        HRESULT hr;
        UINT badArgument;
    };
    const Case cases[] = {
        {L"WriteLog", {&device, &name, &text}, DISP_E_BADPARAMCOUNT, ~0u},
        {L"WriteLog", {&device, &name, &text, &one}, DISP_E_TYPEMISMATCH, 0},
        {L"WriteLog", {&device, &nameRef, &text, &oneRef}, DISP_E_TYPEMISMATCH, 2},
        {L"GetAppProperty", {&device, &nameRef, &nameRef}, DISP_E_TYPEMISMATCH, 2},
        {L"DataEvent", {&device, &name, &text, &text}, DISP_E_TYPEMISMATCH, 0},
        {L"InputDataDlg",
         {&device, &name, &text, &text, &text, &password, &oneRef},
         DISP_E_TYPEMISMATCH,
         1},
        {L"ShowMessage", {}, DISP_E_UNKNOWNNAME, ~0u},
    };
    for (const Case& refused : cases) {
        const Reply reply = Call(refused.method, refused.arguments);
        EXPECT_EQ(reply.hr, refused.hr) << refused.method;
        EXPECT_EQ(reply.badArgument, refused.badArgument) << refused.method;
    }
    EXPECT_TRUE(manager->Calls().empty());
}

TEST_F(EqManagerTest, FailingMethodRaisesAnAutomationException) {
    manager->FailMethod(L"ErrorEvent", L"Журнал недоступен");
    unique_variant extra, extraRef = VariantRef(extra);
    const Reply reply = Call(L"ErrorEvent", {&device, &name, &text, &extraRef});
    EXPECT_EQ(reply.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(reply.error, L"Журнал недоступен");
    EXPECT_EQ(manager->CallText(0), L"ErrorEvent(DEV1, name, text, )");
}

TEST_F(EqManagerTest, ScriptsConfigureAndInspectItByName) {
    unique_variant language = MakeVariant(L"Language"), russian = MakeVariant(L"ru");
    unique_variant writeLog = MakeVariant(L"WriteLog"), no = MakeBoolVariant(false);
    unique_variant first = MakeVariant(0);
    EXPECT_EQ(Call(L"SetAppProperty", {&language, &russian}).hr, S_OK);
    EXPECT_EQ(Call(L"SetReply", {&writeLog, &no}).hr, S_OK);
    EXPECT_FALSE(VariantToBool(Call(L"WriteLog", {&device, &name, &text, &oneRef}).value.get()));
    EXPECT_EQ(VariantToInt(Call(L"callcount", {}).value.get()), 1);
    EXPECT_EQ(VariantToText(Call(L"CallText", {&first}).value.get()),
              L"WriteLog(DEV1, name, text, 1)");
    EXPECT_EQ(Call(L"SetReply", {&language, &no}).hr, DISP_E_EXCEPTION);
}

std::wstring DllPath() {
    if (const wchar_t* path = _wgetenv(L"SVCGATE_EQMANAGER_DLL"))
        return path;
    const std::wstring program = ThisModulePath();
    return program.substr(0, program.find_last_of(L'\\')) + L"\\doubles\\eqmanager\\eqmanager.dll";
}

DWORD Regsvr32(const std::wstring& options) {
    std::wstring commandLine = L"regsvr32.exe " + options + L" \"" + DllPath() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    CheckWin32(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &process));
    unique_handle child(process.hProcess), thread(process.hThread);
    WaitForSingleObject(child.get(), 60000);
    DWORD exitCode = ~0u;
    GetExitCodeProcess(child.get(), &exitCode);
    return exitCode;
}

TEST(EqManagerServer, RegisteredDllIsCreatedByItsProgId) {
    ASSERT_EQ(Regsvr32(L"/s"), 0u);
    CLSID classId{};
    ASSERT_EQ(CLSIDFromProgID(tools::EqManagerProgId, &classId), S_OK);
    com_ptr<IDispatch> manager;
    ASSERT_EQ(
        CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, manager.put_void()),
        S_OK);
    EXPECT_NE(GetModuleHandleW(L"eqmanager.dll"), nullptr);
    unique_variant device = MakeVariant(L"DEV1"), percent = MakeVariant(5),
                   percentRef = Ref(percent);
    EXPECT_EQ(Call(manager.get(), L"TaskState", {&device, &percentRef, &device}).hr, S_OK);
    EXPECT_EQ(VariantToInt(Call(manager.get(), L"CallCount", {}).value.get()), 1);
    manager.reset();
    EXPECT_EQ(Regsvr32(L"/u /s"), 0u);
    EXPECT_TRUE(FAILED(CLSIDFromProgID(tools::EqManagerProgId, &classId)));
}

} // namespace
