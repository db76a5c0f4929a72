#include "../support/Dialogs.h"

#include "../support/TokenDoubles.h"

#include "gateway-answers/GatewayAnswers.h"
#include "gateway/uDevice.h"
#include "ui/ufmETokenProtectionSetup.h"
#include "ui/ufmETokenProtectionSetupIds.h"

#include <gtest/gtest.h>
#include <windowsx.h>

using namespace svcgate;
using namespace svcgate::test;

namespace {

const std::wstring Caption = L"eToken настройка защиты";
const std::wstring Reader = L"AKS ifdh 0";
const std::wstring Pin = L"1234";

class PersonWizard : public testing::Test {
protected:
    tools::GatewayServer server;
    TDevice client;

    static void SetUpTestSuite() { RegisterEmulatedToken(); }

    void SetUp() override {
        SetToken(Reader, Pin);
        SetReaders({{Reader, L"eToken PRO|eToken Base Cryptographic Provider"}});
        client.SetServer1URL(server.Url());
        client.SetLogin(L"dealer");
        client.SetPassword(L"secret");
        client.SetTerminalID(L"77");
        client.EToken().SetUserPassword(Pin);
        for (const std::wstring& name : Containers())
            client.EToken().DeleteKey(name);
    }

    std::vector<std::wstring> Containers() {
        std::vector<std::wstring> names;
        client.EToken().GetContainers(names);
        return names;
    }

    void Drive(const std::function<void(HWND)>& script) {
        TfrmETokenProtectionSetup wizard(nullptr, client);
        DriveModal(
            Caption, [&] { return wizard.ShowModal(); }, script);
    }
};

// Clicks the page's action and answers the message box it shows with OK.
std::wstring ActionMessage(HWND dialog, const std::wstring& screenshot) {
    Click(dialog, IDC_NEXT);
    HWND box = WaitForOwnedDialog(dialog);
    if (!box)
        return L"no message box";
    const std::wstring text = MessageText(box);
    SaveScreenshot({box}, screenshot);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    Settle(dialog);
    return text;
}

void GoToPage(HWND dialog, int radio) {
    for (int button : {IDC_ADD_PERSON, IDC_DELETE_PERSON})
        Button_SetCheck(GetDlgItem(dialog, button), button == radio ? BST_CHECKED : BST_UNCHECKED);
    Click(dialog, IDC_NEXT);
    Settle(dialog);
}

bool NextEnabled(HWND dialog) {
    return IsWindowEnabled(GetDlgItem(dialog, IDC_NEXT)) != FALSE;
}

TEST_F(PersonWizard, AddsAPersonWhoseKeyTheGatewayAccepts) {
    server.Queue({GatewayAnswer("persons", "setPublicKey")});
    Drive([&](HWND dialog) {
        EXPECT_FALSE(IsShown(dialog, IDC_PREVIOUS));
        SaveScreenshot({dialog}, L"wizard-start");
        GoToPage(dialog, IDC_ADD_PERSON);
        EXPECT_EQ(TextOf(dialog, IDC_LOGIN), L"dealer");
        EXPECT_EQ(TextOf(dialog, IDC_NEXT), L"Добавить");
        SetText(dialog, IDC_LOGIN, L"cashier");
        SetText(dialog, IDC_PASSWORD, L"secret");
        EXPECT_EQ(Edit_GetPasswordChar(GetDlgItem(dialog, IDC_PASSWORD)), L'\x2022');
        Click(dialog, IDC_SHOW_PASSWORD);
        Settle(dialog);
        EXPECT_EQ(Edit_GetPasswordChar(GetDlgItem(dialog, IDC_PASSWORD)), 0);
        SaveScreenshot({dialog}, L"wizard-add-person");
        EXPECT_EQ(ActionMessage(dialog, L"wizard-person-created"), L"Перосна успешно создана");
        EXPECT_FALSE(NextEnabled(dialog));
        EXPECT_FALSE(IsShown(dialog, IDC_PREVIOUS));
        SaveScreenshot({dialog}, L"wizard-person-added");
    });
    EXPECT_EQ(Containers(), std::vector<std::wstring>{L"cashier"});
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_NE(server.Requests()[0].body.find("<setPublicKey>"), std::string::npos);
}

TEST_F(PersonWizard, AddingAnExistingContainerShowsTheTokensTextAndAllowsAnotherTry) {
    ASSERT_TRUE(client.EToken().CreateKey(L"cashier")) << client.EToken().LastErrorDescription();
    Drive([&](HWND dialog) {
        GoToPage(dialog, IDC_ADD_PERSON);
        SetText(dialog, IDC_LOGIN, L"cashier");
        const std::wstring message = ActionMessage(dialog, L"wizard-person-exists");
        EXPECT_EQ(message, client.EToken().LastErrorDescription());
        EXPECT_NE(message.find(L"(0x8009000F)"), std::wstring::npos) << message;
        EXPECT_TRUE(NextEnabled(dialog));
        EXPECT_TRUE(IsShown(dialog, IDC_PREVIOUS));
    });
    EXPECT_TRUE(server.Requests().empty());
}

TEST_F(PersonWizard, RemovesTheSelectedPersonFromTheToken) {
    for (const wchar_t* name : {L"alpha", L"beta"})
        ASSERT_TRUE(client.EToken().CreateKey(name)) << client.EToken().LastErrorDescription();
    Drive([&](HWND dialog) {
        GoToPage(dialog, IDC_DELETE_PERSON);
        HWND persons = GetDlgItem(dialog, IDC_PERSONS);
        EXPECT_EQ(ListBox_GetCount(persons), 2);
        Click(dialog, IDC_NEXT);
        Settle(dialog);
        EXPECT_TRUE(NextEnabled(dialog)) << "nothing selected: nothing done";
        ListBox_SelectString(persons, -1, L"alpha");
        SaveScreenshot({dialog}, L"wizard-delete-person");
        Click(dialog, IDC_NEXT);
        Settle(dialog);
        EXPECT_EQ(ListBox_GetCount(persons), 1);
        EXPECT_EQ(ListBox_FindStringExact(persons, -1, L"alpha"), LB_ERR);
        EXPECT_FALSE(NextEnabled(dialog));
        SaveScreenshot({dialog}, L"wizard-person-deleted");
    });
    EXPECT_EQ(Containers(), std::vector<std::wstring>{L"beta"});
}

} // namespace
