// The settings dialog as a host opens it ("ShowSettingsDlg" through IDispatch)
// and a user operates it, against the gateway simulator.

#include "gateway-answers/GatewayAnswers.h"
#include "../support/Dialogs.h"
#include "../support/Files.h"
#include "../support/Host.h"

#include "common/Text.h"
#include "common/Variants.h"
#include "common/uSimpleCrypt.h"
#include "driver/uDriver.h"
#include "gateway-sim/GatewaySimulator.h"
#include "ui/ufmCommonSettingsIds.h"
#include "ui/ufmMainSettingsIds.h"
#include "ui/ufmSettingsListIds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace svcgate;
using namespace svcgate::test;

namespace {

const std::wstring DialogCaption = L"Настройки";
const std::wstring ErrorCaption = L"Ошибка";

std::wstring Scrambled(const std::wstring& password) {
    return ScrambledSetting(password);
}

class SettingsDialog : public testing::Test {
protected:
    void SetUp() override {
        ClearCacheFiles();
        server.SetResponder([this](const tools::ReceivedRequest& request) {
            return simulator.Answer(request).answer;
        });
        Set(L"Server1URL", server.Url());
        Set(L"Login", L"dealer");
        Set(L"Password", Scrambled(L"secret"));
        Set(L"TerminalID", L"77");
        host.reset(CreateWindowExW(0, L"Static", L"Хост", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                   300, 200, nullptr, nullptr, nullptr, nullptr));
        ASSERT_TRUE(host);
        SetForegroundWindow(host.get());
    }

    void TearDown() override {
        EXPECT_TRUE(IsWindowEnabled(host.get())) << "the host's window was left disabled";
    }

    void Set(const wchar_t* id, const std::wstring& value) {
        driver->SetSettingValue(id, MakeVariant(value).get());
    }
    std::wstring Setting(const wchar_t* id) const { return driver->GetSettingValueStr(id); }

    // "ShowSettingsDlg" as the host calls it, while `operate` works the dialog.
    bool ShowSettingsDlg(const std::function<void(HWND dialog)>& operate) {
        bool confirmed = false;
        OperateWhile(
            [&] {
                unique_variant outData;
                confirmed =
                    CallPublic(driver.get(), L"ShowSettingsDlg", unique_variant().get(), outData);
            },
            [&] {
                HWND dialog = WaitForWindow(DialogCaption);
                ASSERT_TRUE(dialog);
                operate(dialog);
            });
        return confirmed;
    }

    // The message box a command raises: its text, after a screenshot; then closed.
    static std::wstring BoxAfter(HWND dialog, int command, const std::wstring& caption,
                                 const std::wstring& screenshot) {
        PostMessageW(dialog, WM_COMMAND, command, 0);
        HWND box = WaitForWindow(caption);
        if (!box)
            return L"(no box)";
        const std::wstring text = MessageText(box);
        SaveScreenshot({dialog, box}, screenshot);
        PressKey(box, VK_RETURN);
        WaitUntilClosed(box);
        return text;
    }

    static void Type(HWND dialog, int id, const std::wstring& text) {
        HWND page = FindWindowExW(dialog, nullptr, L"#32770", L"Параметры");
        SetWindowTextW(GetDlgItem(page, id), text.c_str());
    }

    com_ptr<TDriver> driver = TBaseObject::Create<TDriver>();
    tools::GatewaySimulator simulator{tools::SimulatorOptions{}};
    tools::GatewayServer server;
    unique_hwnd host;
};

TEST_F(SettingsDialog, OKSavesTheTypedValuesAndCancelRestoresTheTable) {
    struct Case {
        WPARAM key;
        bool confirmed;
        const wchar_t* login;
    };
    for (const Case& c : {Case{VK_RETURN, true, L"cashier"}, Case{VK_ESCAPE, false, L"cashier"}}) {
        Set(L"Login", L"dealer");
        Set(L"Password", Scrambled(L"secret"));
        const bool confirmed = ShowSettingsDlg([&](HWND dialog) {
            Type(dialog, IDC_LOGIN, c.login);
            Type(dialog, IDC_PASSWORD, L"пароль");
            // A reset to defaults is undone by Cancel as well.
            if (!c.confirmed)
                SendMessageW(dialog, WM_COMMAND, IDM_RESET, 0);
            PressKey(dialog, c.key);
            WaitUntilClosed(dialog);
        });
        EXPECT_EQ(confirmed, c.confirmed);
        EXPECT_EQ(Setting(L"Login"), c.confirmed ? c.login : L"dealer");
        EXPECT_EQ(Setting(L"Password"), Scrambled(c.confirmed ? L"пароль" : L"secret"));
        EXPECT_EQ(Setting(L"Server1URL"), server.Url());
    }
}

// An empty time-out is refused where it is typed: OK keeps the dialog open and
// the table as it was.
TEST_F(SettingsDialog, AnEmptyServerTimeOutIsRefused) {
    const bool confirmed = ShowSettingsDlg([&](HWND dialog) {
        Type(dialog, IDC_SRV_RESPONSE_TIMEOUT, L"");
        EXPECT_EQ(BoxAfter(dialog, IDOK, ErrorCaption, L"empty-timeout-refused"),
                  L"Укажите таймаут сервера в миллисекундах.");
        EXPECT_TRUE(IsWindow(dialog));
        PressKey(dialog, VK_ESCAPE);
        WaitUntilClosed(dialog);
    });
    EXPECT_FALSE(confirmed);
    EXPECT_EQ(driver->GetSettingValueInt(L"SrvResponseTimeout"), 10000);
}

TEST_F(SettingsDialog, ShowsThePageAndTheInformationTab) {
    ShowSettingsDlg([&](HWND dialog) {
        EXPECT_FALSE(IsWindowEnabled(host.get()));
        SaveScreenshot({dialog}, L"settings-dialog");
        SelectTab(dialog, IDC_PAGES, 1);
        HWND information = FindWindowExW(dialog, nullptr, L"#32770", L"Информация");
        EXPECT_EQ(TextOf(GetDlgItem(information, IDC_MODEL_INFO)),
                  L"Вельмора: Терминал услуг SvcGate");
        EXPECT_EQ(TextOf(GetDlgItem(information, IDC_TYPE_INFO)), L"Терминал услуг");
        SaveScreenshot({dialog}, L"settings-information");
    });
}

TEST_F(SettingsDialog, TheDeviceTestPassesAgainstTheGatewayAndFailsWithItsText) {
    ShowSettingsDlg([&](HWND dialog) {
        EXPECT_EQ(BoxAfter(dialog, IDM_DEVICE_TEST, L"Вельмора: Терминал услуг SvcGate",
                           L"device-test-passed"),
                  L"Нет ошибок");
        Type(dialog, IDC_PASSWORD, L"wrong");
        EXPECT_EQ(BoxAfter(dialog, IDM_DEVICE_TEST, ErrorCaption, L"device-test-failed"),
                  L"Неверный пароль или нет прав на этот терминал");
    });
    EXPECT_EQ(Setting(L"Password"), Scrambled(L"secret"));
    EXPECT_FALSE(driver->Enabled());
}

TEST_F(SettingsDialog, InitializingTheTerminalReloadsTheCatalogueAndRestoresTheSettings) {
    ShowSettingsDlg([&](HWND dialog) {
        Type(dialog, IDC_SRV_RESPONSE_TIMEOUT, L"20000");
        HWND page = FindWindowExW(dialog, nullptr, L"#32770", L"Параметры");
        SendMessageW(GetDlgItem(page, IDC_UPDATE_CONFIG), BM_CLICK, 0, 0);
        const std::vector<std::string> operations = Operations(server);
        EXPECT_EQ(std::count(operations.begin(), operations.end(), "getUIProviders"), 2);
        EXPECT_EQ(driver->GetSettingValueInt(L"SrvResponseTimeout"), 10000);

        Type(dialog, IDC_LOGIN, L"stranger");
        PostMessageW(GetDlgItem(page, IDC_UPDATE_CONFIG), BM_CLICK, 0, 0);
        HWND box = WaitForWindow(ErrorCaption);
        ASSERT_TRUE(box);
        EXPECT_EQ(MessageText(box), L"Неверный пароль или нет прав на этот терминал");
        SaveScreenshot({dialog, box}, L"initialize-terminal-failed");
        PressKey(box, VK_RETURN);
        WaitUntilClosed(box);
        EXPECT_EQ(TextOf(GetDlgItem(page, IDC_LOGIN)), L"stranger");
    });
    EXPECT_EQ(Setting(L"Login"), L"dealer");
}

TEST_F(SettingsDialog, TheLogSubmenuShowsOnlyWhileTheDebugLogIsOn) {
    SYSTEMTIME today{};
    GetLocalTime(&today);
    for (const bool debugLog : {false, true}) {
        // An earlier run's log of the day would be found whatever this call logs.
        DeleteFileW(driver->DebugLogFile(today).c_str());
        driver->SetSettingValue(L"DebugLogEnabled", MakeBoolVariant(debugLog).get());
        driver->SetDebugLogEnabled(debugLog);
        ShowSettingsDlg([&](HWND dialog) {
            Click(dialog, IDC_ADDITIONALLY);
            HWND menu = WaitForWindow(L"", L"#32768");
            ASSERT_TRUE(menu);
            const std::vector<std::wstring> captions = MenuCaptions(menu);
            SaveScreenshot({dialog, menu}, debugLog ? L"menu-with-logs" : L"menu");
            PressKey(menu, VK_ESCAPE);
            WaitUntilClosed(menu);
            EXPECT_EQ(std::count(captions.begin(), captions.end(), L"Просмотр отладочных логов"),
                      debugLog ? 1 : 0);
            EXPECT_EQ(std::count(captions.begin(), captions.end(), L"Выполнить тест устройства"),
                      1);
            // The call that opened the dialog is in today's log, wherever the log goes.
            if (debugLog) {
                EXPECT_NE(ReadFileBytes(driver->DebugLogFile(today)).find("> ShowSettingsDlg"),
                          std::string::npos);
                PostMessageW(dialog, WM_COMMAND, IDM_OPEN_CURRENT_DEBUG_LOG, 0);
                Settle(dialog);
                EXPECT_FALSE(FindWindowW(L"#32770", L"Информация"));
            }
        });
    }
}

// The list's OK keeps its changes for the page to show; the dialog's Cancel then
// undoes them.
TEST_F(SettingsDialog, CancelUndoesWhatTheSettingsListKept) {
    const bool confirmed = ShowSettingsDlg([&](HWND dialog) {
        PostMessageW(dialog, WM_COMMAND, IDM_SETTINGS_LIST, 0);
        HWND list = WaitForWindow(L"Список настроек");
        ASSERT_TRUE(list);
        Click(list, IDC_SET_ALL_DEFAULT);
        Settle(list);
        SaveScreenshot({dialog, list}, L"settings-list-over-dialog");
        Click(list, IDOK);
        WaitUntilClosed(list);
        HWND page = FindWindowExW(dialog, nullptr, L"#32770", L"Параметры");
        EXPECT_EQ(TextOf(page, IDC_LOGIN), L"");
        EXPECT_EQ(Setting(L"Login"), L"");
        PressKey(dialog, VK_ESCAPE);
        WaitUntilClosed(dialog);
    });
    EXPECT_FALSE(confirmed);
    EXPECT_EQ(Setting(L"Login"), L"dealer");
    EXPECT_EQ(Setting(L"Server1URL"), server.Url());
}

// The key opens with the PIN as typed on the page, saved or not.
TEST_F(SettingsDialog, ThePersonWizardOpensWithThePinTypedOnThePage) {
    ShowSettingsDlg([&](HWND dialog) {
        HWND page = FindWindowExW(dialog, nullptr, L"#32770", L"Параметры");
        SendMessageW(GetDlgItem(page, IDC_USE_ETOKEN), BM_CLICK, 0, 0);
        Type(dialog, IDC_PASSWORD, L"1234");
        Click(page, IDC_ADD_DELETE_PERSON);
        HWND wizard = WaitForWindow(L"eToken настройка защиты");
        ASSERT_TRUE(wizard);
        EXPECT_EQ(driver->Device().EToken().UserPassword(), L"1234");
        PressKey(wizard, VK_ESCAPE);
        WaitUntilClosed(wizard);
    });
    EXPECT_EQ(Setting(L"Password"), Scrambled(L"secret"));
}

// The help item opens the help file beside the module at its first page.
TEST_F(SettingsDialog, TheHelpItemOpensTheHelpFile) {
    ShowSettingsDlg([&](HWND dialog) {
        PostMessageW(dialog, WM_COMMAND, IDM_HELP, 0);
        HWND help = WaitForWindow(L"Терминал услуг SvcGate", L"HH Parent");
        ASSERT_TRUE(help);
        SaveScreenshot({dialog, help}, L"help");
        PostMessageW(help, WM_CLOSE, 0, 0);
        WaitUntilClosed(help);
    });
}

// Wine's HTML Help shows no text popups; what shows is that the request is
// handled and leaves the dialog usable.
TEST_F(SettingsDialog, ContextHelpOfAButtonIsHandled) {
    ShowSettingsDlg([&](HWND dialog) {
        HWND ok = GetDlgItem(dialog, IDOK);
        RECT rect{};
        GetWindowRect(ok, &rect);
        HELPINFO info{sizeof(info), HELPINFO_WINDOW, IDOK, ok, 0, {rect.left, rect.top}};
        EXPECT_TRUE(SendMessageW(dialog, WM_HELP, 0, reinterpret_cast<LPARAM>(&info)));
        EXPECT_TRUE(IsWindowEnabled(dialog));
    });
}

} // namespace
