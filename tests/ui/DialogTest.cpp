// What a user is left with when a settings window's own code fails.

#include "../support/Dialogs.h"

#include "common/Exception.h"
#include "ui/uDialogs.h"
#include "ui/ufmSettingsListIds.h"

#include <gtest/gtest.h>

using namespace svcgate;
using namespace svcgate::test;

namespace {

// The settings list's template, with handlers that fail where a test says.
class FailingDialog : public Dialog {
public:
    explicit FailingDialog(bool failToBuild) : FFailToBuild(failToBuild) {}
    INT_PTR Show(HWND owner) { return RunModal(owner, IDD_SETTINGS_LIST); }

private:
    void OnInitDialog() override {
        if (FFailToBuild)
            throw Exception(L"не построено");
    }
    bool OnMessage(UINT Msg, WPARAM wParam, LPARAM, INT_PTR&) override {
        if (Msg != WM_COMMAND)
            return false;
        if (LOWORD(wParam) == IDC_SET_ALL_DEFAULT)
            throw Exception(L"не выполнено");
        if (LOWORD(wParam) == IDCANCEL)
            Close(IDCANCEL);
        return true;
    }

    bool FFailToBuild;
};

TEST(Dialog, AFailingCommandIsShownAndTheWindowStaysUsable) {
    FailingDialog dialog(false);
    const INT_PTR result = DriveModal(
        L"Список настроек", [&] { return dialog.Show(nullptr); },
        [](HWND window) {
            Click(window, IDC_SET_ALL_DEFAULT);
            HWND box = WaitForOwnedDialog(window);
            ASSERT_TRUE(box);
            EXPECT_EQ(MessageText(box), L"не выполнено");
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            ASSERT_TRUE(WaitUntilClosed(box));
            EXPECT_TRUE(IsWindowEnabled(window));
            PressKey(window, VK_ESCAPE);
        });
    EXPECT_EQ(result, IDCANCEL);
}

TEST(Dialog, AFailureWhileBuildingReachesTheCallerOnceTheWindowIsGone) {
    unique_hwnd owner(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                      nullptr, nullptr));
    FailingDialog dialog(true);
    try {
        dialog.Show(owner.get());
        ADD_FAILURE() << "no error";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), L"не построено");
    }
    EXPECT_FALSE(dialog.Handle());
    EXPECT_TRUE(IsWindowEnabled(owner.get()));
}

} // namespace
