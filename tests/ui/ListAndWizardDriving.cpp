#include "ListAndWizardDriving.h"

#include "common/Exception.h"
#include "common/Module.h"
#include "common/Owners.h"

#include <gtest/gtest.h>
#include <wincodec.h>

#include <thread>
#include <vector>

namespace svcgate::test {

namespace {

// Long enough for a slow start of the dialog's thread; the windows come at once
// when nothing is wrong.
constexpr int WaitRounds = 500;
constexpr DWORD WaitStepMs = 20;

struct WindowSearch {
    std::function<bool(HWND)> found;
    HWND window = nullptr;
};

BOOL CALLBACK LookAtWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<WindowSearch*>(data);
    if (!IsWindowVisible(window) || !search->found(window))
        return TRUE;
    search->window = window;
    return FALSE;
}

HWND WaitForWindow(DWORD thread, std::function<bool(HWND)> found) {
    WindowSearch search{std::move(found)};
    for (int round = 0; round < WaitRounds && !search.window; ++round) {
        EnumThreadWindows(thread, LookAtWindow, reinterpret_cast<LPARAM>(&search));
        if (!search.window)
            Sleep(WaitStepMs);
    }
    return search.window;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

std::wstring ScreenshotPath(const std::wstring& name) {
    std::wstring folder = ThisModulePath();
    folder = folder.substr(0, folder.find_last_of(L'\\')) + L"\\..\\screenshots\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder + name + L".png";
}

void WritePng(HBITMAP bitmap, const std::wstring& path) {
    com_ptr<IWICImagingFactory> factory;
    CheckHResult(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(factory.put())));
    com_ptr<IWICBitmap> source;
    CheckHResult(
        factory->CreateBitmapFromHBITMAP(bitmap, nullptr, WICBitmapIgnoreAlpha, source.put()));
    com_ptr<IWICStream> stream;
    CheckHResult(factory->CreateStream(stream.put()));
    CheckHResult(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE));
    com_ptr<IWICBitmapEncoder> encoder;
    CheckHResult(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.put()));
    CheckHResult(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache));
    com_ptr<IWICBitmapFrameEncode> frame;
    CheckHResult(encoder->CreateNewFrame(frame.put(), nullptr));
    CheckHResult(frame->Initialize(nullptr));
    CheckHResult(frame->WriteSource(source.get(), nullptr));
    CheckHResult(frame->Commit());
    CheckHResult(encoder->Commit());
}

// The display activates a new window a little after it is shown, and the
// activation puts the focus back to where the dialog last had it: an editor
// opened before that would be left at once.
void WaitUntilActive(HWND dialog) {
    for (int round = 0; round < WaitRounds && GetForegroundWindow() != dialog; ++round)
        Sleep(WaitStepMs);
    Settle(dialog);
}

} // namespace

INT_PTR DriveModal(const std::wstring& caption, const std::function<INT_PTR()>& show,
                   const std::function<void(HWND dialog)>& script) {
    const DWORD thread = GetCurrentThreadId();
    std::thread driver([&] {
        unique_cominit com(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        HWND dialog = WaitForWindow(thread, [&](HWND window) {
            wchar_t text[128] = {};
            GetWindowTextW(window, text, 128);
            return caption == text;
        });
        if (!dialog) {
            ADD_FAILURE() << "the dialog did not come";
            return;
        }
        WaitUntilActive(dialog);
        try {
            script(dialog);
        } catch (const std::exception& error) {
            ADD_FAILURE() << error.what();
        }
        if (IsWindow(dialog))
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    INT_PTR result = 0;
    std::exception_ptr error;
    try {
        result = show();
    } catch (...) {
        error = std::current_exception();
    }
    driver.join();
    if (error)
        std::rethrow_exception(error);
    return result;
}

HWND WaitForOwnedDialog(HWND owner) {
    return WaitForWindow(GetWindowThreadProcessId(owner, nullptr), [owner](HWND window) {
        return GetWindow(window, GW_OWNER) == owner && ClassOf(window) == L"#32770";
    });
}

// A message sent to a thread is handled at its next look at its queue, which
// comes after the posted message it is handling; two of them pass the one
// posted before, and the third the characters its key press was translated into.
void Settle(HWND dialog) {
    for (int round = 0; round < 3; ++round)
        SendMessageW(dialog, WM_NULL, 0, 0);
}

void PressKey(HWND control, UINT key) {
    PostMessageW(control, WM_KEYDOWN, key, 1);
    PostMessageW(control, WM_KEYUP, key, 0xC0000001);
    Settle(control);
}

void Click(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void SetText(HWND dialog, int id, const std::wstring& text) {
    SetDlgItemTextW(dialog, id, text.c_str());
}

std::wstring TextOf(HWND dialog, int id) {
    wchar_t text[512] = {};
    GetDlgItemTextW(dialog, id, text, 512);
    return text;
}

bool IsShown(HWND dialog, int id) {
    return IsWindowVisible(GetDlgItem(dialog, id)) != FALSE;
}

std::wstring MessageText(HWND box) {
    std::wstring longest;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t text[512] = {};
        GetWindowTextW(child, text, 512);
        if (ClassOf(child) == L"Static" && wcslen(text) > longest.size())
            longest = text;
    }
    return longest;
}

// PrintWindow draws neither the frame nor the controls under Wine (its WM_PRINT
// leaves out the children), so the picture is taken from the screen, after
// the window has painted everything it had pending.
void SaveScreenshot(HWND window, const std::wstring& name) {
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Settle(window);
    RECT bounds{};
    GetWindowRect(window, &bounds);
    const int width = bounds.right - bounds.left;
    const int height = bounds.bottom - bounds.top;
    unique_screen_dc screen(GetDC(nullptr));
    unique_hbitmap picture(CreateCompatibleBitmap(screen.get(), width, height));
    unique_hdc canvas(CreateCompatibleDC(screen.get()));
    const HGDIOBJ previous = SelectObject(canvas.get(), picture.get());
    const BOOL copied =
        BitBlt(canvas.get(), 0, 0, width, height, screen.get(), bounds.left, bounds.top, SRCCOPY);
    SelectObject(canvas.get(), previous);
    ASSERT_TRUE(copied) << "BitBlt from the screen";
    WritePng(picture.get(), ScreenshotPath(name));
}

} // namespace svcgate::test
