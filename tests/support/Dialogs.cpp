#include "Dialogs.h"

#include "common/Exception.h"
#include "common/Module.h"
#include "common/Owners.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <wincodec.h>

#include <atomic>
#include <thread>

namespace svcgate::test {

namespace {

constexpr DWORD PollMs = 50;
constexpr int PollRounds = 400;

template <class Found> auto Poll(Found&& found) {
    auto result = found();
    for (int round = 0; !result && round < PollRounds; ++round) {
        Sleep(PollMs);
        result = found();
    }
    return result;
}

struct WindowSearch {
    const wchar_t* className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM data) {
    auto& search = *reinterpret_cast<WindowSearch*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (process == GetCurrentProcessId() && IsWindowVisible(window) &&
        lstrcmpW(name, search.className) == 0)
        search.found.push_back(window);
    return TRUE;
}

std::vector<HWND> OurWindows(const wchar_t* className) {
    WindowSearch search{className, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring ScreenshotFolder() {
    const std::wstring program = ThisModulePath();
    std::wstring folder = program.substr(0, program.find_last_of(L'\\')) + L"\\..\\screenshots\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

void WritePng(HBITMAP bitmap, const std::wstring& path) {
    com_ptr<IWICImagingFactory> factory;
    CheckHResult(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IWICImagingFactory, factory.put_void()));
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
    com_ptr<IPropertyBag2> options;
    CheckHResult(encoder->CreateNewFrame(frame.put(), options.put()));
    CheckHResult(frame->Initialize(options.get()));
    CheckHResult(frame->WriteSource(source.get(), nullptr));
    CheckHResult(frame->Commit());
    CheckHResult(encoder->Commit());
}

bool HasFocus(HWND dialog) {
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    return GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &thread) &&
           thread.hwndActive == dialog && thread.hwndFocus && IsChild(dialog, thread.hwndFocus);
}

// The display activates a new window a little after it is shown (later on a busy
// machine), and the activation puts the focus back to where the dialog last had
// it: an editor opened before that would be left at once. So the focus must have
// stayed in the dialog for a while.
bool FocusSettled(HWND dialog) {
    constexpr int SteadyRounds = 8;
    int steady = 0;
    for (int round = 0; round < PollRounds && steady < SteadyRounds; ++round) {
        steady = HasFocus(dialog) ? steady + 1 : 0;
        Sleep(PollMs);
    }
    return steady == SteadyRounds;
}

// The hook sees the marker when the window's thread takes it from its queue.
std::atomic<bool> markerSeen;
const UINT Marker = RegisterWindowMessageW(L"svcgate test: settled");

LRESULT CALLBACK WatchForMarker(int code, WPARAM removal, LPARAM message) {
    if (code == HC_ACTION && removal == PM_REMOVE &&
        reinterpret_cast<const MSG*>(message)->message == Marker)
        markerSeen = true;
    return CallNextHookEx(nullptr, code, removal, message);
}

// True once the marker is taken or the window is gone, which discards it. This
// thread keeps its own queue moving meanwhile, lest the hook be run through it.
bool PassMarker(HWND window) {
    markerSeen = false;
    const unique_hhook hook(SetWindowsHookExW(WH_GETMESSAGE, WatchForMarker, nullptr,
                                              GetWindowThreadProcessId(window, nullptr)));
    const bool posted = hook && PostMessageW(window, Marker, 0, 0);
    for (int round = 0; posted && !markerSeen && IsWindow(window) && round < PollRounds; ++round) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, PollMs, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
    }
    return markerSeen || !IsWindow(window);
}

} // namespace

HWND WaitForWindow(const std::wstring& caption, const wchar_t* className) {
    return Poll([&]() -> HWND {
        for (HWND window : OurWindows(className))
            if (TextOf(window) == caption)
                return window;
        return nullptr;
    });
}

bool WaitUntilClosed(HWND window) {
    return Poll([&] { return !IsWindow(window) || !IsWindowVisible(window); });
}

void Click(HWND dialog, int id) {
    PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void PressKey(HWND window, WPARAM key) {
    PostMessageW(window, WM_KEYDOWN, key, 1);
    PostMessageW(window, WM_KEYUP, key, 0xC0000001);
    Settle(window);
}

// Posted messages are taken in turn: once a marker posted after them has been
// taken, they have been handled (or have closed the window). A second marker
// passes what handling them posted in turn, such as the characters a key press
// was translated into.
void Settle(HWND window) {
    for (int round = 0; round < 2; ++round)
        if (!PassMarker(window))
            ADD_FAILURE() << "the window's thread did not come to the marker";
}

HWND WaitForOwnedDialog(HWND owner) {
    return Poll([&]() -> HWND {
        for (HWND window : OurWindows(L"#32770"))
            if (GetWindow(window, GW_OWNER) == owner)
                return window;
        return nullptr;
    });
}

void SelectTab(HWND dialog, int tabControlId, int index) {
    HWND tabs = GetDlgItem(dialog, tabControlId);
    SendMessageW(tabs, TCM_SETCURSEL, index, 0);
    NMHDR change{tabs, UINT_PTR(tabControlId), UINT(TCN_SELCHANGE)};
    SendMessageW(dialog, WM_NOTIFY, tabControlId, reinterpret_cast<LPARAM>(&change));
}

std::wstring TextOf(HWND window) {
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

std::wstring TextOf(HWND dialog, int id) {
    return TextOf(GetDlgItem(dialog, id));
}

void SetText(HWND dialog, int id, const std::wstring& text) {
    SetDlgItemTextW(dialog, id, text.c_str());
}

bool IsShown(HWND dialog, int id) {
    return IsWindowVisible(GetDlgItem(dialog, id)) != FALSE;
}

// The platform's message box shows its text in the static control 0xFFFF.
std::wstring MessageText(HWND box) {
    return TextOf(GetDlgItem(box, 0xFFFF));
}

std::vector<std::wstring> MenuCaptions(HWND menuWindow) {
    const HMENU menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
    std::vector<std::wstring> captions;
    for (int index = 0; index < GetMenuItemCount(menu); ++index) {
        wchar_t caption[256] = {};
        GetMenuStringW(menu, UINT(index), caption, 256, MF_BYPOSITION);
        captions.push_back(caption);
    }
    return captions;
}

std::wstring SaveScreenshot(const std::vector<HWND>& windows, const std::wstring& name) {
    RECT area{};
    for (HWND window : windows) {
        RECT rect{};
        GetWindowRect(window, &rect);
        UnionRect(&area, &area, &rect);
    }
    // Let the windows finish painting what the last message changed.
    for (HWND window : windows)
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(300);
    const int width = area.right - area.left, height = area.bottom - area.top;
    const unique_window_dc screen({nullptr, GetDC(nullptr)});
    const unique_hdc memory(CreateCompatibleDC(screen.get().second));
    const unique_hbitmap bitmap(CreateCompatibleBitmap(screen.get().second, width, height));
    const HGDIOBJ previous = SelectObject(memory.get(), bitmap.get());
    BitBlt(memory.get(), 0, 0, width, height, screen.get().second, area.left, area.top, SRCCOPY);
    SelectObject(memory.get(), previous);
    const std::wstring path = ScreenshotFolder() + name + L".png";
    WritePng(bitmap.get(), path);
    return path;
}

void OperateWhile(const std::function<void()>& modal, const std::function<void()>& operate) {
    std::thread user([&] {
        const unique_cominit com(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
        try {
            operate();
        } catch (const std::exception& error) {
            ADD_FAILURE() << error.what();
        }
        for (HWND left : OurWindows(L"#32770"))
            PostMessageW(left, WM_COMMAND, IDCANCEL, 0);
    });
    std::exception_ptr failure;
    try {
        modal();
    } catch (...) {
        failure = std::current_exception();
    }
    user.join();
    if (failure)
        std::rethrow_exception(failure);
}

INT_PTR DriveModal(const std::wstring& caption, const std::function<INT_PTR()>& show,
                   const std::function<void(HWND dialog)>& script) {
    INT_PTR result = 0;
    OperateWhile([&] { result = show(); },
                 [&] {
                     HWND dialog = WaitForWindow(caption);
                     if (!dialog || !FocusSettled(dialog)) {
                         ADD_FAILURE() << "the dialog did not come up";
                         return;
                     }
                     Settle(dialog);
                     script(dialog);
                 });
    return result;
}

} // namespace svcgate::test
