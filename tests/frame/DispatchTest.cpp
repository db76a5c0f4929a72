#include "TestObject.h"

#include "../support/Host.h"

#include "common/Exception.h"

#include <gtest/gtest.h>
#include <psapi.h>

#include <new>

using namespace svcgate;
using namespace svcgate::test;

namespace {

class Dispatch : public testing::Test {
protected:
    com_ptr<TestObject> object = TBaseObject::Create<TestObject>();

    CallResult CallRun(std::vector<unique_variant> arguments, WORD flags = DISPATCH_METHOD) {
        return Call(object.get(), L"Run", std::move(arguments), flags);
    }
};

TEST_F(Dispatch, NamesResolveWithoutRegardToLatinCase) {
    const DISPID id = DispIdOf(object.get(), L"Run");
    EXPECT_EQ(DispIdOf(object.get(), L"run"), id);
    EXPECT_EQ(DispIdOf(object.get(), L"RUN"), id);

    LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"Walk")};
    DISPID result = 0;
    EXPECT_EQ(object->GetIDsOfNames(IID_NULL, unknown, 1, 0, &result), E_NOTIMPL);
    EXPECT_EQ(result, -1);
}

TEST_F(Dispatch, RegisteringANameAgainKeepsItsPlaceAndTakesTheNewHandler) {
    const DISPID id = DispIdOf(object.get(), L"Poke");
    object->RegisterPublicMethod(
        L"POKE", [](const VARIANT&, unique_variant&, int32_t, std::wstring&) { return 1003; });
    EXPECT_EQ(DispIdOf(object.get(), L"Poke"), id);
    EXPECT_EQ(object->MethodList().size(), 2u);
    EXPECT_TRUE(object->MethodList()[id].IsPublic);

    unique_variant outData;
    EXPECT_FALSE(CallPublic(object.get(), L"Poke", unique_variant().get(), outData));
    EXPECT_EQ(ErrorText(outData), L"Команда не поддерживается устройством");
}

TEST_F(Dispatch, RefusesCallsThatAreNotMethodCalls) {
    unique_variant outData;
    EXPECT_EQ(CallRun(Args(unique_variant(), Ref(outData), I2(0)), DISPATCH_PROPERTYGET).hr,
              E_FAIL);
    EXPECT_EQ(Call(object.get(), 100000, {}).hr, E_FAIL);
    EXPECT_EQ(Call(object.get(), 2, {}).hr, DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Call(object.get(), -1, {}).hr, DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(object->publicRuns, 0);

    CallResult call = CallRun(Args(unique_variant(), Ref(outData), I2(0)),
                              DISPATCH_METHOD | DISPATCH_PROPERTYGET);
    EXPECT_EQ(call.hr, S_OK);
    EXPECT_EQ(object->publicRuns, 1);
}

TEST_F(Dispatch, PublicMethodWantsAnOrdinalTimeOut) {
    unique_variant outData;
    EXPECT_EQ(CallRun(Args(unique_variant(), Ref(outData))).hr, E_INVALIDARG);
    EXPECT_EQ(CallRun(Args(unique_variant(), Ref(outData), MakeVariant(5.0))).hr, E_INVALIDARG);
    EXPECT_EQ(CallRun(Args(unique_variant(), Ref(outData), MakeVariant(L"5"))).hr, E_INVALIDARG);
    EXPECT_EQ(object->publicRuns, 0);
    EXPECT_TRUE(outData.empty());

    CallResult call = CallRun(Args(unique_variant(), Ref(outData), I2(7)));
    EXPECT_EQ(call.hr, S_OK);
    EXPECT_EQ(call.result.vt(), VT_BOOL);
    EXPECT_EQ(V_BOOL(call.result.addressof()), VARIANT_TRUE);
    EXPECT_EQ(object->lastTimeOut, 7);
}

TEST_F(Dispatch, FailureReachesOnlyAByReferenceOutData) {
    object->publicBehaviour = [](const VARIANT&, unique_variant& OutData,
                                 std::wstring& description) {
        OutData = MakeVariant(L"partial");
        description = L"Нет связи";
        return 1007;
    };
    unique_variant outData = MakeVariant(L"before");
    CallResult call = CallRun(Args(unique_variant(), Ref(outData), I2(0)));
    EXPECT_EQ(V_BOOL(call.result.addressof()), VARIANT_FALSE);
    SAFEARRAY* pair = ArrayOf(outData.get());
    ASSERT_NE(pair, nullptr);
    EXPECT_EQ(ElementCount(pair), 2);
    EXPECT_EQ(GetElement(pair, 0).vt(), VT_I4);
    EXPECT_EQ(VariantToInt(GetElement(pair, 0).get()), 1007);
    EXPECT_EQ(ErrorText(outData), L"Нет связи");

    call = CallRun(Args(unique_variant(), MakeVariant(L"by value"), I2(0)));
    EXPECT_EQ(call.hr, S_OK);
    EXPECT_EQ(V_BOOL(call.result.addressof()), VARIANT_FALSE);
}

TEST_F(Dispatch, FailureWithoutDescriptionGetsTheTableText) {
    object->publicBehaviour = [](const VARIANT&, unique_variant&, std::wstring&) { return 1003; };
    unique_variant outData;
    EXPECT_FALSE(CallPublic(object.get(), L"Run", unique_variant().get(), outData));
    EXPECT_EQ(ErrorText(outData), L"Команда не поддерживается устройством");
}

// A handler's error reaches the host as 1001: with the system's own message, or
// with the table's Russian text for any other error, never a library's English one.
struct RaisedError {
    const char* name;
    void (*raise)();
    const wchar_t* description;
};

class HandlerError : public Dispatch, public testing::WithParamInterface<RaisedError> {};

TEST_P(HandlerError, ReachesTheHostAsCode1001WithARussianText) {
    const auto raise = GetParam().raise;
    object->publicBehaviour = [raise](const VARIANT&, unique_variant&, std::wstring&) -> int32_t {
        raise();
        return 0;
    };
    object->privateBehaviour = [raise](SAFEARRAY*) -> unique_variant {
        raise();
        return {};
    };
    unique_variant outData;
    EXPECT_FALSE(CallPublic(object.get(), L"Run", unique_variant().get(), outData));
    EXPECT_EQ(VariantToInt(GetElement(ArrayOf(outData.get()), 0).get()), 1001);
    EXPECT_EQ(ErrorText(outData), GetParam().description);

    const CallResult call = Call(object.get(), L"Poke", {});
    EXPECT_EQ(call.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(call.scode, 1001);
    EXPECT_EQ(call.description, GetParam().description);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, HandlerError,
    testing::Values(
        RaisedError{"Own", [] { throw Exception(L"Диск переполнен"); }, L"Диск переполнен"},
        RaisedError{"OutOfMemory", [] { throw std::bad_alloc(); }, L"Неизвестная ошибка"},
        RaisedError{"NotAStandardError", [] { throw 7; }, L"Неизвестная ошибка"}),
    [](const testing::TestParamInfo<RaisedError>& info) { return std::string(info.param.name); });

TEST_F(Dispatch, PrivateHandlerWritesThroughHostReferences) {
    object->privateBehaviour = [](SAFEARRAY* params) {
        PutElement(params, 0, MakeVariant(L"новый").get());
        PutElement(params, 1, MakeBoolVariant(true).get());
        PutElement(params, 2, MakeVariant(L"42").get());
        PutElement(params, 3, MakeVariant(L"не видно").get());
        return MakeVariant(5);
    };
    BSTR hostText = unique_bstr(L"old").detach();
    VARIANT_BOOL flag = VARIANT_FALSE;
    LONG number = 0;
    CallResult call = Call(object.get(), L"Poke",
                           Args(MakeReference(VT_BSTR, &hostText), MakeReference(VT_BOOL, &flag),
                                MakeReference(VT_I4, &number), MakeVariant(L"by value")));
    unique_bstr text(hostText);
    ASSERT_EQ(call.hr, S_OK);
    EXPECT_EQ(text.str(), L"новый");
    EXPECT_EQ(flag, -1);
    EXPECT_EQ(number, 42);
    EXPECT_EQ(VariantToInt(call.result.get()), 5);
}

// What a handler stores into an element reaches a host variable of each kind
// the frame writes through, converted to that kind.
struct ReferenceKind {
    VARTYPE type;
    const wchar_t* stored;
    const wchar_t* seen;
};

class WriteBack : public Dispatch, public testing::WithParamInterface<ReferenceKind> {};

TEST_P(WriteBack, StoresThroughEachKindOfReference) {
    const ReferenceKind kind = GetParam();
    object->privateBehaviour = [&](SAFEARRAY* params) {
        PutElement(params, 0, MakeVariant(kind.stored).get());
        return unique_variant();
    };
    unique_variant host = ConvertVariant(MakeVariant(0).get(), kind.type);
    ASSERT_EQ(
        Call(object.get(), L"Poke", Args(MakeReference(kind.type, &V_UI1(host.addressof())))).hr,
        S_OK);
    EXPECT_EQ(VariantToText(host.get()), kind.seen);
}

INSTANTIATE_TEST_SUITE_P(Kinds, WriteBack,
                         testing::Values(ReferenceKind{VT_I2, L"-7", L"-7"},
                                         ReferenceKind{VT_UI2, L"65535", L"65535"},
                                         ReferenceKind{VT_I4, L"-70000", L"-70000"},
                                         ReferenceKind{VT_UI4, L"4000000000", L"4000000000"},
                                         ReferenceKind{VT_UI1, L"200", L"200"},
                                         ReferenceKind{VT_R4, L"1,5", L"1,5"},
                                         ReferenceKind{VT_R8, L"2,25", L"2,25"},
                                         ReferenceKind{VT_DATE, L"01.02.2026", L"01.02.2026"},
                                         ReferenceKind{VT_CY, L"12,3456", L"12,3456"},
                                         ReferenceKind{VT_BOOL, L"True", L"True"},
                                         ReferenceKind{VT_BSTR, L"новый", L"новый"}));

// The host's old object is released once and the new one held once.
TEST_F(Dispatch, AByReferenceObjectIsReplacedWithItsReferencesCounted) {
    com_ptr<TestObject> oldObject = TBaseObject::Create<TestObject>();
    com_ptr<TestObject> newObject = TBaseObject::Create<TestObject>();
    object->privateBehaviour = [&](SAFEARRAY* params) {
        PutElement(params, 0, MakeDispatchVariant(newObject.get()).get());
        return unique_variant();
    };
    IDispatch* host = com_ptr<IDispatch>::share(oldObject.get()).detach();
    ASSERT_EQ(Call(object.get(), L"Poke", Args(MakeReference(VT_DISPATCH, &host))).hr, S_OK);
    EXPECT_EQ(host, static_cast<IDispatch*>(newObject.get()));
    com_ptr<IDispatch> held(host);
    EXPECT_EQ(oldObject->AddRef(), 2u);
    oldObject->Release();
    EXPECT_EQ(newObject->AddRef(), 3u);
    newObject->Release();
}

TEST_F(Dispatch, PrivateHandlerSeesDereferencedWideIntegers) {
    VARTYPE seen[2] = {};
    object->privateBehaviour = [&](SAFEARRAY* params) {
        seen[0] = GetElement(params, 0).vt();
        seen[1] = GetElement(params, 1).vt();
        return unique_variant();
    };
    unique_variant hostVariable = I2(3);
    ASSERT_EQ(Call(object.get(), L"Poke", Args(Ref(hostVariable), MakeVariant(L"x"))).hr, S_OK);
    EXPECT_EQ(seen[0], VT_I4);
    EXPECT_EQ(seen[1], VT_BSTR);
}

TEST_F(Dispatch, PrivateHandlerErrorBecomesAnAutomationException) {
    object->privateBehaviour = [](SAFEARRAY*) -> unique_variant {
        throw Exception(L"Менеджер оборудования недоступен");
    };
    BSTR hostText = unique_bstr(L"untouched").detach();
    CallResult call = Call(object.get(), L"Poke", Args(MakeReference(VT_BSTR, &hostText)));
    unique_bstr text(hostText);
    EXPECT_EQ(call.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(call.scode, 1001);
    EXPECT_EQ(call.description, L"Менеджер оборудования недоступен");
    EXPECT_EQ(call.source, L"Exception");
    EXPECT_EQ(text.str(), L"untouched");
    EXPECT_TRUE(call.result.empty());
}

// The handler has run: a host variable the frame cannot store into keeps its
// value, and OutData still arrives.
TEST_F(Dispatch, AnArgumentThatCannotBeWrittenBackNeverHoldsBackOutData) {
    object->publicBehaviour = [](const VARIANT&, unique_variant& OutData, std::wstring&) {
        OutData = MakeVariant(L"payment 42");
        return 0;
    };
    unique_variant hostArray = MakeVariantArray(MakeVariant(L"service"));
    SAFEARRAY* inData = ArrayOf(hostArray.get());
    unique_variant outData;
    CallResult call =
        CallRun(Args(MakeReference(VT_ARRAY | VT_VARIANT, &V_ARRAY(hostArray.addressof())),
                     Ref(outData), I2(0)));
    EXPECT_EQ(call.hr, S_OK);
    EXPECT_EQ(VariantToText(outData.get()), L"payment 42");
    EXPECT_EQ(ArrayOf(hostArray.get()), inData);

    LONGLONG wide = 5;
    EXPECT_EQ(Call(object.get(), L"Poke", Args(MakeReference(VT_I8, &wide))).hr, S_OK);
    EXPECT_EQ(wide, 5);
}

// Wine leaves PrivateUsage at 0; the committed private memory is PagefileUsage.
size_t PrivateBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return counters.PagefileUsage;
}

TEST_F(Dispatch, ManyCallsWithArraysDoNotGrowTheProcess) {
    object->publicBehaviour = [](const VARIANT& InData, unique_variant& OutData, std::wstring&) {
        OutData = MakeVariantArray(unique_variant::copy_of(InData), MakeVariant(L"answer"));
        return 1004;
    };
    auto callMany = [&](int count) {
        for (int i = 0; i < count; ++i) {
            unique_variant inData = MakeVariantArray(MakeVariant(L"service"), MakeVariant(i));
            unique_variant outData;
            CallPublic(object.get(), L"Run", inData.get(), outData);
        }
    };
    callMany(2000);
    const size_t before = PrivateBytes();
    callMany(20000);
    EXPECT_LT(PrivateBytes(), before + 256 * 1024);
}

} // namespace
