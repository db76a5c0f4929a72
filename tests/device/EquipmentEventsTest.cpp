#include "TestDevice.h"

#include "common/Exception.h"

#include <gtest/gtest.h>

using namespace svcgate;
using namespace svcgate::test;

namespace {

class Events : public OpenedDevice {
protected:
    void SetUp() override {
        OpenedDevice::SetUp();
        manager->ClearCalls();
    }
};

TEST_F(Events, WriteLogReachesTheManagerOnlyWhenTheEventLogIsOn) {
    EXPECT_FALSE(device->WriteLog(L"name", L"text", 2));
    EXPECT_TRUE(manager->Calls().empty());

    device->SetEventLogEnabled(true);
    EXPECT_TRUE(device->WriteLog(L"name", L"text", 2));
    ASSERT_EQ(manager->Calls().size(), 1u);
    EXPECT_EQ(manager->CallText(0), L"WriteLog(DEV1, name, text, 2)");
}

TEST_F(Events, EachCallPassesTheDeviceFirstAndReturnsTheReply) {
    manager->SetReply(L"MessageDlg", MakeVariant(6).get());
    manager->SetReply(L"InputDataDlg", MakeVariant(L"1234").get());
    EXPECT_TRUE(device->DataEvent(L"Scan", L"460", MakeVariantArray(MakeVariant(L"a")).get()));
    EXPECT_TRUE(device->ErrorEvent(L"Jam", L"paper", unique_variant().get()));
    EXPECT_EQ(device->ShowMessageDlg(L"Sure?", 1, 2, 3), 6);
    EXPECT_EQ(device->InputDataDlg(L"PIN", L"", L"code", L"9999", true, 30), L"1234");
    ASSERT_EQ(manager->Calls().size(), 4u);
    EXPECT_EQ(manager->CallText(0), L"DataEvent(DEV1, Scan, 460, [a])");
    EXPECT_EQ(manager->CallText(2), L"MessageDlg(DEV1, Sure?, 1, 2, 3)");
    EXPECT_EQ(manager->CallText(3), L"InputDataDlg(DEV1, PIN, , code, 9999, True, 30)");
}

TEST_F(Events, DataEventAndTaskStateLeaveTheirLines) {
    SwitchDebugLogOn();
    ASSERT_EQ(device->Enable(), 0);
    device->DataEvent(L"Scan", L"460");
    device->DataEvent(L"Scan", L"461", MakeVariant(5).get());
    device->TaskState(50, L"half");
    const auto lines = LogLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_TRUE(lines[lines.size() - 3].ends_with(L"<-DataEvent: \tEvent=Scan; Data: 460"));
    EXPECT_TRUE(
        lines[lines.size() - 2].ends_with(L"<-DataEvent: \tEvent=Scan; Data: 461; ExtData: 5"));
    EXPECT_TRUE(lines.back().ends_with(L"TaskState: \tPercent=50; Description=half; Result=True"));
}

TEST_F(Events, AManagerErrorReachesTheCaller) {
    manager->FailMethod(L"ErrorEvent", L"Очередь событий полна");
    try {
        device->ErrorEvent(L"Jam", L"paper", unique_variant().get());
        FAIL() << "no error";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), L"Очередь событий полна");
    }
}

TEST_F(Events, AfterCloseOnlyWriteLogStillAnswers) {
    device->SetEventLogEnabled(true);
    Call(device.get(), L"Close", {});
    EXPECT_FALSE(device->WriteLog(L"n", L"t", 1));
    EXPECT_THROW(device->DataEvent(L"e", L"d"), Exception);
    EXPECT_THROW(device->ErrorEvent(L"e", L"d", unique_variant().get()), Exception);
    EXPECT_THROW(device->TaskState(1, L"d"), Exception);
    EXPECT_THROW(device->ShowMessageDlg(L"m", 0, 0, 0), Exception);
    EXPECT_THROW(device->InputDataDlg(L"c", L"", L"", L"", false, 0), Exception);
    EXPECT_THROW(device->GetAppProperty(L"Language"), Exception);
    EXPECT_TRUE(manager->Calls().empty());
}

} // namespace
